#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "JSONNumberText.h"
#include "uJSON.h"

namespace {

// What each ASCII code unit becomes inside a string: 0 for itself, 'u' for
// a \u00XX escape, any other letter for that one-letter escape.
struct EscapeTable {
    char code[128] = {};
    constexpr EscapeTable()
    {
        for (int c = 0; c < 0x20; ++c)
            code[c] = 'u';
        code['\b'] = 'b';
        code['\t'] = 't';
        code['\n'] = 'n';
        code['\f'] = 'f';
        code['\r'] = 'r';
        code['"'] = '"';
        code['/'] = '/';
        code['\\'] = '\\';
    }
};
constexpr EscapeTable kEscapes;

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// Longest escape of one code unit: \u001F.
constexpr std::size_t kMaxEscape = 6;

}  // namespace

// Appends to one buffer that doubles when full, so a long text costs a
// linear number of copies; the written part is copied out once at the end.
class TJSONWriter {
public:
    std::u16string Generate(const TJSONbase* root);

private:
    using Shape = TJSONbase::Shape;

    // An open container: where its loop stands.
    struct Frame {
        const TJSONcustomlist* list;
        std::size_t next;
        char16_t close;
        bool written;  // an element is out, so the next one needs a comma
    };

    void reserve(std::size_t extra)
    {
        if (cap_ - len_ >= extra)
            return;
        std::size_t cap = cap_ == 0 ? kInitialCapacity : cap_;
        while (cap - len_ < extra)
            cap *= 2;
        auto grown = std::make_unique_for_overwrite<char16_t[]>(cap);
        if (len_ != 0)
            std::memcpy(grown.get(), buf_.get(), len_ * sizeof(char16_t));
        buf_ = std::move(grown);
        cap_ = cap;
    }
    void put(char16_t c)
    {
        reserve(1);
        buf_[len_++] = c;
    }
    void putAscii(const char* text, std::size_t n)
    {
        reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            buf_[len_++] = static_cast<char16_t>(text[i]);
    }

    void writeString(const std::u16string& s);
    void writeNumber(long double v);
    void writeValue(const TJSONbase* v);

    static constexpr std::size_t kInitialCapacity = 1024;

    std::unique_ptr<char16_t[]> buf_;
    std::size_t len_ = 0;
    std::size_t cap_ = 0;
    std::vector<Frame> open_;
};

void TJSONWriter::writeString(const std::u16string& s)
{
    reserve(s.size() * kMaxEscape + 2);
    char16_t* out = buf_.get() + len_;
    *out++ = u'"';
    for (char16_t c : s) {
        const char code = c < 0x80 ? kEscapes.code[c] : 0;
        if (code == 0) {
            *out++ = c;
        } else if (code != 'u') {
            *out++ = u'\\';
            *out++ = static_cast<char16_t>(code);
        } else {
            out[0] = u'\\';
            out[1] = u'u';
            out[2] = u'0';
            out[3] = u'0';
            out[4] = kHexDigits[c >> 4];
            out[5] = kHexDigits[c & 0xF];
            out += 6;
        }
    }
    *out++ = u'"';
    len_ = static_cast<std::size_t>(out - buf_.get());
}

void TJSONWriter::writeNumber(long double v)
{
    if (!std::isfinite(v)) {
        // No JSON text for these; null keeps the document readable.
        putAscii("null", 4);
        return;
    }
    char text[jsonnumbertext::kMaxNumberText];
    putAscii(text, jsonnumbertext::FormatNumber(v, text));
}

// Writes a scalar, a member's name and value, or a container's opening
// bracket (its elements follow from the frame pushed here).
void TJSONWriter::writeValue(const TJSONbase* v)
{
    // A member's value may itself be a member record: follow the chain.
    while (v != nullptr && v->FShape == Shape::Member) {
        const auto* member = static_cast<const TJSONobjectmethod*>(v);
        writeString(member->Name());
        put(u':');
        v = member->ObjValue();
    }
    if (v == nullptr) {
        // A member or an array position without a value: null keeps the
        // text valid.
        putAscii("null", 4);
        return;
    }
    switch (v->FShape) {
    case Shape::Number:
        writeNumber(static_cast<const TJSONnumber*>(v)->AsExtended());
        break;
    case Shape::String:
        writeString(static_cast<const TJSONstring*>(v)->AsString());
        break;
    case Shape::Boolean:
        if (static_cast<const TJSONboolean*>(v)->AsBoolean())
            putAscii("true", 4);
        else
            putAscii("false", 5);
        break;
    case Shape::Null:
    case Shape::Other:  // a value of no JSON kind, also written as null
        putAscii("null", 4);
        break;
    case Shape::List:
        put(u'[');
        open_.push_back({static_cast<const TJSONcustomlist*>(v), 0, u']', false});
        break;
    case Shape::Object:
        put(u'{');
        open_.push_back({static_cast<const TJSONcustomlist*>(v), 0, u'}', false});
        break;
    case Shape::Member:
        break;
    }
}

std::u16string TJSONWriter::Generate(const TJSONbase* root)
{
    if (root == nullptr)
        return {};
    writeValue(root);
    while (!open_.empty()) {
        Frame& top = open_.back();
        const auto& children = top.list->fList;
        if (top.next == children.size()) {
            put(top.close);
            open_.pop_back();
            continue;
        }
        if (top.close == u'}' && children[top.next] == nullptr) {
            // An object position without a member has no text that a reader
            // accepts: it is left out with its comma.
            ++top.next;
            continue;
        }
        if (top.written)
            put(u',');
        top.written = true;
        // Tree nodes lie scattered in memory: fetch the next members and
        // their values ahead while this one is written.
        if (top.next + 2 < children.size())
            __builtin_prefetch(children[top.next + 2].get());
        if (top.next + 1 < children.size()) {
            const TJSONbase* next = children[top.next + 1].get();
            if (next != nullptr && next->FShape == Shape::Member)
                __builtin_prefetch(static_cast<const TJSONobjectmethod*>(next)->ObjValue());
        }
        const TJSONbase* child = children[top.next++].get();
        writeValue(child);  // may push: top is not used after this
    }
    return std::u16string(buf_.get(), len_);
}

std::u16string TJSON::GenerateText(const TJSONbase* obj)
{
    return TJSONWriter().Generate(obj);
}

std::u16string TJSON::GenerateText(const TJSONbase& obj)
{
    return TJSONWriter().Generate(&obj);
}
