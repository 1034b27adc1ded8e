// TJSON::ParseText on any UTF-16 text. Whatever it reads must survive a
// write and a second read unchanged: the text written from the first tree
// reads again, and writing that second tree gives the very same text.
#include "FuzzCheck.h"
#include "FuzzText.h"
#include "uJSON.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Adata, std::size_t Asize)
{
    const std::u16string text = lenientUtf16(Adata, Asize);
    const std::unique_ptr<TJSONbase> first = TJSON::ParseText(text);
    if (!first) return 0;

    const std::u16string written = TJSON::GenerateText(*first);
    FUZZ_CHECK(!written.empty());
    const std::unique_ptr<TJSONbase> second = TJSON::ParseText(written);
    FUZZ_CHECK(second != nullptr);
    FUZZ_CHECK(second->SelfType() == first->SelfType());
    FUZZ_CHECK(TJSON::GenerateText(*second) == written);
    return 0;
}
