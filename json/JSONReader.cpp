#include <memory>
#include <new>
#include <string>
#include <vector>

#include "JSONNumberText.h"
#include "uJSON.h"

// Recursive descent over the UTF-16 text by position. Any failure gives null
// for the whole text: a container whose element fails cannot reach its
// closing bracket, so failures need no finer distinction. The depth limit
// bounds the recursion.
class TJSONReader {
public:
    TJSONReader(const char16_t* begin, const char16_t* end) noexcept : p_(begin), end_(end) {}

    std::unique_ptr<TJSONbase> readValue();

private:
    void skipWhitespace() noexcept
    {
        // Every code unit up to and including the space is whitespace.
        while (p_ < end_ && *p_ <= u' ')
            ++p_;
    }
    bool startsWith(std::u16string_view word) const noexcept
    {
        return static_cast<std::size_t>(end_ - p_) >= word.size() &&
               std::u16string_view(p_, word.size()) == word;
    }

    std::unique_ptr<TJSONbase> readNumber();
    bool readString(std::u16string& out);
    std::unique_ptr<TJSONbase> readList();
    std::unique_ptr<TJSONbase> readObject();

    const char16_t* p_;
    const char16_t* end_;
    int depth_ = 0;
    // Elements of the open containers, so each container's list is
    // allocated once at its exact size when it closes.
    std::vector<std::unique_ptr<TJSONbase>> pending_;
};

namespace {

int hexValue(char16_t c) noexcept
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

}  // namespace

std::unique_ptr<TJSONbase> TJSONReader::readValue()
{
    skipWhitespace();
    if (p_ == end_)
        return nullptr;
    // Literals are the next 4 or 5 characters, whatever follows them.
    switch (*p_) {
    case u't':
        if (!startsWith(u"true"))
            return nullptr;
        p_ += 4;
        return std::make_unique<TJSONboolean>(true);
    case u'f':
        if (!startsWith(u"false"))
            return nullptr;
        p_ += 5;
        return std::make_unique<TJSONboolean>(false);
    case u'n':
        if (!startsWith(u"null"))
            return nullptr;
        p_ += 4;
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
    if (jsonnumbertext::ScanNumber(p_, end_, value) != jsonnumbertext::ScanResult::Ok)
        return nullptr;
    return std::make_unique<TJSONnumber>(value);
}

// A quoted string: the closing quotation mark is the first one not taken by
// a backslash; the content is then decoded. An escape the table does not
// know is dropped together with its backslash.
bool TJSONReader::readString(std::u16string& out)
{
    const char16_t* begin = p_ + 1;
    const char16_t* q = begin;
    bool escaped = false;
    while (q < end_ && *q != u'"') {
        if (*q == u'\\') {
            if (end_ - q < 2)
                return false;
            escaped = true;
            q += 2;
        } else {
            ++q;
        }
    }
    if (q >= end_)
        return false;
    const char16_t* close = q;
    if (!escaped) {
        out.assign(begin, close);
        p_ = close + 1;
        return true;
    }
    out.clear();
    out.reserve(static_cast<std::size_t>(close - begin));
    for (const char16_t* c = begin; c < close; ++c) {
        if (*c != u'\\') {
            out.push_back(*c);
            continue;
        }
        ++c;  // the scan above guarantees a character here, before close
        switch (*c) {
        case u'"': out.push_back(u'"'); break;
        case u'\\': out.push_back(u'\\'); break;
        case u'\'': out.push_back(u'\''); break;
        case u'/': out.push_back(u'/'); break;
        case u'b': out.push_back(u'\b'); break;
        case u'f': out.push_back(u'\f'); break;
        case u'n': out.push_back(u'\n'); break;
        case u'r': out.push_back(u'\r'); break;
        case u't': out.push_back(u'\t'); break;
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
            out.push_back(static_cast<char16_t>(unit));
            c = stop - 1;
            break;
        }
        default:
            break;
        }
    }
    p_ = close + 1;
    return true;
}

std::unique_ptr<TJSONbase> TJSONReader::readList()
{
    if (++depth_ > TJSON::kMaxDepth)
        return nullptr;
    ++p_;
    const std::size_t first = pending_.size();
    for (;;) {
        skipWhitespace();
        if (p_ < end_ && *p_ == u']')
            break;
        std::unique_ptr<TJSONbase> element = readValue();
        if (!element) {
            pending_.resize(first);
            return nullptr;
        }
        pending_.push_back(std::move(element));
        skipWhitespace();
        if (p_ < end_ && *p_ == u',')
            ++p_;
    }
    ++p_;
    --depth_;
    auto list = std::make_unique<TJSONlist>();
    list->fList.reserve(pending_.size() - first);
    for (std::size_t i = first; i < pending_.size(); ++i)
        list->fList.push_back(std::move(pending_[i]));
    pending_.resize(first);
    return list;
}

std::unique_ptr<TJSONbase> TJSONReader::readObject()
{
    if (++depth_ > TJSON::kMaxDepth)
        return nullptr;
    ++p_;
    const std::size_t first = pending_.size();
    for (;;) {
        skipWhitespace();
        if (p_ < end_ && *p_ == u'}')
            break;
        std::u16string name;
        std::unique_ptr<TJSONbase> value;
        if (p_ < end_ && *p_ == u'"' && readString(name)) {
            skipWhitespace();
            if (p_ < end_ && *p_ == u':') {
                ++p_;
                value = readValue();
            }
        }
        if (!value) {
            pending_.resize(first);
            return nullptr;
        }
        pending_.push_back(std::make_unique<TJSONobjectmethod>(std::move(name), std::move(value)));
        skipWhitespace();
        if (p_ < end_ && *p_ == u',')
            ++p_;
    }
    ++p_;
    --depth_;
    auto object = std::make_unique<TJSONobject>(true);
    object->fList.reserve(pending_.size() - first);
    for (std::size_t i = first; i < pending_.size(); ++i)
        object->AppendChild(std::move(pending_[i]));  // also indexes the name
    pending_.resize(first);
    return object;
}

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
        return TJSONReader(begin, end).readValue();
    } catch (...) {
        // Out of memory on an enormous text: no tree, as for any bad text.
        return nullptr;
    }
}
