// Short single-byte text fields of the terminal's responses.
//
// The status and outcome records keep their short fields as fixed-capacity
// byte strings, the way the terminal sends them: one byte a character. A
// character above U+007F cannot be held in one byte and is stored as '?'.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace ecr17::detail {

template <std::size_t N>
class TShortString {
public:
    static constexpr std::size_t capacity = N;

    TShortString() = default;
    explicit TShortString(std::u16string_view Atext) { assign(Atext); }

    // Keeps the first N characters of Atext.
    void assign(std::u16string_view Atext) noexcept
    {
        FLength = Atext.size() < N ? Atext.size() : N;
        for (std::size_t i = 0; i < FLength; ++i)
            FData[i] = Atext[i] <= 0x7F ? static_cast<char>(Atext[i]) : '?';
    }
    void clear() noexcept { FLength = 0; }

    std::size_t size() const noexcept { return FLength; }
    bool empty() const noexcept { return FLength == 0; }
    std::string_view bytes() const noexcept { return {FData.data(), FLength}; }
    std::u16string text() const { return {FData.data(), FData.data() + FLength}; }

    bool operator==(std::u16string_view Aother) const noexcept
    {
        return Aother.size() == FLength && std::equal(Aother.begin(), Aother.end(), FData.begin());
    }

private:
    std::array<char, N> FData{};
    std::size_t FLength = 0;
};

// The Acount characters of Apayload from position Afirst on (counted from 1),
// clipped to what the payload holds: a field that lies partly or wholly past
// the end gets the characters that are there, possibly none.
constexpr std::u16string_view payloadField(std::u16string_view Apayload, std::size_t Afirst,
                                           std::size_t Acount) noexcept
{
    if (Afirst == 0 || Afirst > Apayload.size()) return {};
    return Apayload.substr(Afirst - 1, Acount);
}

} // namespace ecr17::detail
