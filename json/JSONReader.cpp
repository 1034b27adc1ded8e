#include <memory>
#include <new>
#include <string>
#include <vector>

#include "JSONNumberText.h"
#include "uJSON.h"

namespace ecr17::detail {

// Recursive descent over the UTF-16 text by position. Any failure gives null
// for the whole text: a container whose element fails cannot reach its
// closing bracket, so failures need no finer distinction. The depth limit
// bounds the recursion.
class TJSONReader {
public:
    TJSONReader(const char16_t* Abegin, const char16_t* Aend) noexcept : Fpos(Abegin), Fend(Aend) {}

    std::unique_ptr<TJSONbase> readValue();

private:
    void skipWhitespace() noexcept
    {
        // Every code unit up to and including the space is whitespace.
        while (Fpos < Fend && *Fpos <= u' ')
            ++Fpos;
    }
    bool startsWith(std::u16string_view Aword) const noexcept
    {
        return static_cast<std::size_t>(Fend - Fpos) >= Aword.size() &&
               std::u16string_view(Fpos, Aword.size()) == Aword;
    }

    std::unique_ptr<TJSONbase> readNumber();
    bool readString(std::u16string& Aout);
    std::unique_ptr<TJSONbase> readList();
    std::unique_ptr<TJSONbase> readObject();

    const char16_t* Fpos;
    const char16_t* Fend;
    int Fdepth = 0;
    // Elements of the open containers, so each container's list is
    // allocated once at its exact size when it closes.
    std::vector<std::unique_ptr<TJSONbase>> Fpending;
};

namespace {

int hexValue(char16_t Ac) noexcept
{
    if (Ac >= u'0' && Ac <= u'9')
        return Ac - u'0';
    if (Ac >= u'a' && Ac <= u'f')
        return Ac - u'a' + 10;
    if (Ac >= u'A' && Ac <= u'F')
        return Ac - u'A' + 10;
    return -1;
}

}  // namespace

std::unique_ptr<TJSONbase> TJSONReader::readValue()
{
    skipWhitespace();
    if (Fpos == Fend)
        return nullptr;
    // Literals are the next 4 or 5 characters, whatever follows them.
    switch (*Fpos) {
    case u't':
        if (!startsWith(u"true"))
            return nullptr;
        Fpos += 4;
        return std::make_unique<TJSONboolean>(true);
    case u'f':
        if (!startsWith(u"false"))
            return nullptr;
        Fpos += 5;
        return std::make_unique<TJSONboolean>(false);
    case u'n':
        if (!startsWith(u"null"))
            return nullptr;
        Fpos += 4;
        return std::make_unique<TJSONnull>();
    case u'"': {
        std::u16string s;
        if (!readString(s))
            return nullptr;
        return std::make_unique<TJSONstring>(std::move(s));
    }
    case u'[':
        return readList();
    case u'{':
        return readObject();
    default:
        return readNumber();
    }
}

std::unique_ptr<TJSONbase> TJSONReader::readNumber()
{
    long double value = 0;
    if (ScanNumber(Fpos, Fend, value) != TScanResult::Ok)
        return nullptr;
    return std::make_unique<TJSONnumber>(value);
}

// A quoted string: the closing quotation mark is the first one not taken by
// a backslash; the content is then decoded. An escape the table does not
// know is dropped together with its backslash.
bool TJSONReader::readString(std::u16string& Aout)
{
    const char16_t* begin = Fpos + 1;
    const char16_t* q = begin;
    bool escaped = false;
    while (q < Fend && *q != u'"') {
        if (*q == u'\\') {
            if (Fend - q < 2)
                return false;
            escaped = true;
            q += 2;
        } else {
            ++q;
        }
    }
    if (q >= Fend)
        return false;
    const char16_t* close = q;
    if (!escaped) {
        Aout.assign(begin, close);
        Fpos = close + 1;
        return true;
    }
    Aout.clear();
    Aout.reserve(static_cast<std::size_t>(close - begin));
    for (const char16_t* c = begin; c < close; ++c) {
        if (*c != u'\\') {
            Aout.push_back(*c);
            continue;
        }
        ++c;  // the scan above guarantees a character here, before close
        switch (*c) {
        case u'"': Aout.push_back(u'"'); break;
        case u'\\': Aout.push_back(u'\\'); break;
        case u'\'': Aout.push_back(u'\''); break;
        case u'/': Aout.push_back(u'/'); break;
        case u'b': Aout.push_back(u'\b'); break;
        case u'f': Aout.push_back(u'\f'); break;
        case u'n': Aout.push_back(u'\n'); break;
        case u'r': Aout.push_back(u'\r'); break;
        case u't': Aout.push_back(u'\t'); break;
        case u'u': {
            // Up to four digits, fewer when the string ends sooner; none,
            // or a character that is not a digit, fails the text.
            const char16_t* digits = c + 1;
            const char16_t* stop = close - digits < 4 ? close : digits + 4;
            if (digits == stop)
                return false;
            unsigned unit = 0;
            for (const char16_t* d = digits; d < stop; ++d) {
                const int h = hexValue(*d);
                if (h < 0)
                    return false;
                unit = unit * 16 + static_cast<unsigned>(h);
            }
            Aout.push_back(static_cast<char16_t>(unit));
            c = stop - 1;
            break;
        }
        default:
            break;
        }
    }
    Fpos = close + 1;
    return true;
}

std::unique_ptr<TJSONbase> TJSONReader::readList()
{
    if (++Fdepth > TJSON::kMaxDepth)
        return nullptr;
    ++Fpos;
    const std::size_t first = Fpending.size();
    for (;;) {
        skipWhitespace();
        if (Fpos < Fend && *Fpos == u']')
            break;
        std::unique_ptr<TJSONbase> element = readValue();
        if (!element) {
            Fpending.resize(first);
            return nullptr;
        }
        Fpending.push_back(std::move(element));
        skipWhitespace();
        if (Fpos < Fend && *Fpos == u',')
            ++Fpos;
    }
    ++Fpos;
    --Fdepth;
    auto list = std::make_unique<TJSONlist>();
    list->fList.reserve(Fpending.size() - first);
    for (std::size_t i = first; i < Fpending.size(); ++i)
        list->fList.push_back(std::move(Fpending[i]));
    Fpending.resize(first);
    return list;
}

std::unique_ptr<TJSONbase> TJSONReader::readObject()
{
    if (++Fdepth > TJSON::kMaxDepth)
        return nullptr;
    ++Fpos;
    const std::size_t first = Fpending.size();
    for (;;) {
        skipWhitespace();
        if (Fpos < Fend && *Fpos == u'}')
            break;
        std::u16string name;
        std::unique_ptr<TJSONbase> value;
        if (Fpos < Fend && *Fpos == u'"' && readString(name)) {
            skipWhitespace();
            if (Fpos < Fend && *Fpos == u':') {
                ++Fpos;
                value = readValue();
            }
        }
        if (!value) {
            Fpending.resize(first);
            return nullptr;
        }
        Fpending.push_back(std::make_unique<TJSONobjectmethod>(std::move(name), std::move(value)));
        skipWhitespace();
        if (Fpos < Fend && *Fpos == u',')
            ++Fpos;
    }
    ++Fpos;
    --Fdepth;
    auto object = std::make_unique<TJSONobject>(true);
    object->fList.reserve(Fpending.size() - first);
    for (std::size_t i = first; i < Fpending.size(); ++i)
        object->AppendChild(std::move(Fpending[i]));  // also indexes the name
    Fpending.resize(first);
    return object;
}

}  // namespace ecr17::detail

std::unique_ptr<TJSONbase> TJSON::ParseText(std::u16string_view txt) noexcept
{
    const char16_t* begin = txt.data();
    const char16_t* end = begin + txt.size();
    // A UTF-8 byte-order mark that was read as three single-byte characters.
    if (txt.size() >= 3 && txt[0] == u'\u00EF' && txt[1] == u'\u00BB' && txt[2] == u'\u00BF')
        begin += 3;
    if (begin == end)
        return nullptr;
    try {
        return ecr17::detail::TJSONReader(begin, end).readValue();
    } catch (...) {
        // Out of memory on an enormous text: no tree, as for any bad text.
        return nullptr;
    }
}
