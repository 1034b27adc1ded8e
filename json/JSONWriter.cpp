#include <cstring>
#include <memory>
#include <vector>

#include "JSONNumberText.h"
#include "uJSON.h"

namespace {

// What each ASCII code unit becomes inside a string: 0 for itself, 'u' for
// a \u00XX escape, any other letter for that one-letter escape.
struct TEscapeTable {
    char code[128] = {};
    constexpr TEscapeTable()
    {
        for (int c = 0; c < 0x20; ++c)
            code[c] = 'u';
        code[u'\b'] = 'b';
        code[u'\t'] = 't';
        code[u'\n'] = 'n';
        code[u'\f'] = 'f';
        code[u'\r'] = 'r';
        code[u'"'] = '"';
        code[u'/'] = '/';
        code[u'\\'] = '\\';
    }
};
constexpr TEscapeTable kEscapes;

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// Longest escape of one code unit: \u001F.
constexpr std::size_t kMaxEscape = 6;

}  // namespace

namespace ecr17::detail {

// Appends to one buffer that doubles when full, so a long text costs a
// linear number of copies; the written part is copied out once at the end.
class TJSONWriter {
public:
    std::u16string Generate(const TJSONbase* Aroot);

private:
    using TShape = TJSONbase::TShape;

    // An open container: where its loop stands.
    struct TFrame {
        const TJSONcustomlist* list;
        std::size_t next;
        char16_t close;
        bool written;  // an element is out, so the next one needs a comma
    };

    void reserve(std::size_t Aextra)
    {
        if (Fcap - Flen >= Aextra)
            return;
        std::size_t cap = Fcap == 0 ? kInitialCapacity : Fcap;
        while (cap - Flen < Aextra)
            cap *= 2;
        auto grown = std::make_unique_for_overwrite<char16_t[]>(cap);
        if (Flen != 0)
            std::memcpy(grown.get(), Fbuf.get(), Flen * sizeof(char16_t));
        Fbuf = std::move(grown);
        Fcap = cap;
    }
    void put(char16_t Ac)
    {
        reserve(1);
        Fbuf[Flen++] = Ac;
    }
    void putAscii(const char* Atext, std::size_t An)
    {
        reserve(An);
        for (std::size_t i = 0; i < An; ++i)
            Fbuf[Flen++] = static_cast<char16_t>(Atext[i]);
    }

    void writeString(const std::u16string& As);
    void writeNumber(const long double& Av);
    void writeValue(const TJSONbase* Av);

    static constexpr std::size_t kInitialCapacity = 1024;

    std::unique_ptr<char16_t[]> Fbuf;
    std::size_t Flen = 0;
    std::size_t Fcap = 0;
    std::vector<TFrame> Fopen;
};

void TJSONWriter::writeString(const std::u16string& As)
{
    reserve(As.size() * kMaxEscape + 2);
    char16_t* out = Fbuf.get() + Flen;
    *out++ = u'"';
    for (char16_t c : As) {
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
    Flen = static_cast<std::size_t>(out - Fbuf.get());
}

void TJSONWriter::writeNumber(const long double& Av)
{
    char text[kMaxNumberText];
    const std::size_t n = FormatNumber(Av, text);
    if (n == 0) {
        // Infinities and NaN have no JSON text; null keeps the document
        // readable.
        putAscii("null", 4);
        return;
    }
    putAscii(text, n);
}

// Writes a scalar, a member's name and value, or a container's opening
// bracket (its elements follow from the frame pushed here).
void TJSONWriter::writeValue(const TJSONbase* Av)
{
    const TJSONbase* v = Av;
    // A member's value may itself be a member record: follow the chain.
    while (v != nullptr && v->FShape == TShape::Member) {
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
    case TShape::Number:
        writeNumber(static_cast<const TJSONnumber*>(v)->AsExtended());
        break;
    case TShape::String:
        writeString(static_cast<const TJSONstring*>(v)->AsString());
        break;
    case TShape::Boolean:
        if (static_cast<const TJSONboolean*>(v)->AsBoolean())
            putAscii("true", 4);
        else
            putAscii("false", 5);
        break;
    case TShape::Null:
    case TShape::Other:  // a value of no JSON kind, also written as null
        putAscii("null", 4);
        break;
    case TShape::List:
        put(u'[');
        Fopen.push_back({static_cast<const TJSONcustomlist*>(v), 0, u']', false});
        break;
    case TShape::Object:
        put(u'{');
        Fopen.push_back({static_cast<const TJSONcustomlist*>(v), 0, u'}', false});
        break;
    case TShape::Member:
        break;
    }
}

std::u16string TJSONWriter::Generate(const TJSONbase* Aroot)
{
    if (Aroot == nullptr)
        return {};
    writeValue(Aroot);
    while (!Fopen.empty()) {
        TFrame& top = Fopen.back();
        const auto& children = top.list->fList;
        if (top.next == children.size()) {
            put(top.close);
            Fopen.pop_back();
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
            if (next != nullptr && next->FShape == TShape::Member)
                __builtin_prefetch(static_cast<const TJSONobjectmethod*>(next)->ObjValue());
        }
        const TJSONbase* child = children[top.next++].get();
        writeValue(child);  // may push: top is not used after this
    }
    return std::u16string(Fbuf.get(), Flen);
}

}  // namespace ecr17::detail

std::u16string TJSON::GenerateText(const TJSONbase* obj)
{
    return ecr17::detail::TJSONWriter().Generate(obj);
}

std::u16string TJSON::GenerateText(const TJSONbase& obj)
{
    return ecr17::detail::TJSONWriter().Generate(&obj);
}
