#include "TextConvert.h"

#include "LogRecordFormat.h"

namespace ecr17::detail {

std::u16string utf8ToText(std::string_view Autf8)
{
    // Both directions live with the log's, which needs the same conversion.
    return logUtf8ToText(Autf8);
}

std::string textToUtf8(std::u16string_view Atext)
{
    return logTextToUtf8(Atext);
}

std::u16string intToText(long long Avalue)
{
    const std::string digits = std::to_string(Avalue);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string boolText(bool Avalue)
{
    return Avalue ? u"True" : u"False";
}

} // namespace ecr17::detail
