#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "JSONArena.h"
#include "JSONNumberText.h"
#include "uJSON.h"

namespace ecr17::detail {

// Recursive descent over the UTF-16 text by position. Any failure gives null
// for the whole text: a container whose element fails cannot reach its
// closing bracket, so failures need no finer distinction. The depth limit
// bounds the recursion. The nodes go into the document's own arena, and an
// object's name index is built when it is first used.
class TJSONReader {
public:
    TJSONReader(const char16_t* Abegin, const char16_t* Aend) noexcept : Fpos(Abegin), Fend(Aend) {}

    // The document's root; null when the text holds no value.
    std::unique_ptr<TJSONbase> read()
    {
        std::unique_ptr<TJSONbase> root = readValue();
        Farena.setRoot(root.get());
        return root;
    }

private:
    std::unique_ptr<TJSONbase> readValue();
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
    bool at(char16_t Ac) const noexcept { return Fpos < Fend && *Fpos == Ac; }

    // A node of the document, in its arena.
    template <class T, class... TArgs>
    std::unique_ptr<T> make(TArgs&&... Aargs)
    {
        static_assert(std::is_nothrow_constructible_v<T, TArgs...>);
        T* node = std::construct_at(static_cast<T*>(Farena.allocateNode(sizeof(T), alignof(T))),
                                    std::forward<TArgs>(Aargs)...);
        static_cast<TJSONbase*>(node)->FInArena = true;
        return std::unique_ptr<T>(node);
    }

    std::unique_ptr<TJSONbase> readNumber();
    // The content of the quoted string at Fpos, moving past it: a view of
    // the text itself when the content holds no escape, else of Adecoded,
    // where the escapes are decoded. Nothing when the string is bad.
    std::optional<std::u16string_view> readString(std::u16string& Adecoded);
    bool decodeEscapes(const char16_t* Abegin, const char16_t* Aclose, std::u16string& Aout);
    // The document's string for a member name, made on its first use.
    // AinText: the name lies in the text, which goes on for at least four
    // code units from its start.
    const std::u16string* sharedName(std::u16string_view Aname, bool AinText);
    std::unique_ptr<TJSONbase> readMember();
    std::unique_ptr<TJSONbase> readList();
    std::unique_ptr<TJSONbase> readObject();
    // Moves the elements read since position Afirst into AList, which is
    // allocated once at its exact size.
    void takeElements(TChildList<TJSONbase>& AList, std::size_t Afirst);
    static bool onHeap(const std::u16string& AText) noexcept
    {
        const auto* text = reinterpret_cast<const char*>(AText.data());
        const auto* self = reinterpret_cast<const char*>(&AText);
        return text < self || text >= self + sizeof AText;
    }
    // A string whose text lies on the heap is destroyed with the document.
    void keepIfOnHeap(std::u16string& AText)
    {
        if (onHeap(AText))
            Farena.keepString(&AText);
    }

    const char16_t* Fpos;
    const char16_t* Fend;
    int Fdepth = 0;
    TNodeArena Farena;
    // Elements of the open containers, waiting for their closing bracket.
    std::vector<std::unique_ptr<TJSONbase>> Fpending;
    // The names made so far, in an open-addressed table by a hash of their
    // start. A document with more names than kMaxNames shares the first
    // ones; the others are made for each member that bears them.
    struct TNameSlot {
        std::uint64_t head;  // the first four code units, zero beyond the end
        std::size_t size;
        const std::u16string* name;  // null: the slot is free
    };
    static constexpr int kNameBits = 5;
    static constexpr std::size_t kNameSlots = std::size_t{1} << kNameBits;
    static constexpr std::size_t kMaxNames = kNameSlots * 3 / 4;
    TNameSlot Fnames[kNameSlots] = {};
    std::size_t FnameCount = 0;
    std::u16string FdecodedName;
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

// Lanes of four UTF-16 code units in one 64-bit word.
constexpr std::uint64_t kLaneOnes = 0x0001000100010001;
constexpr std::uint64_t kLaneHighBits = 0x8000800080008000;

// High bit set in the lowest lane that is zero (higher lanes may be
// flagged too; only the lowest flag is exact).
constexpr std::uint64_t zeroLanes(std::uint64_t Aw) noexcept
{
    return (Aw - kLaneOnes) & ~Aw & kLaneHighBits;
}

// The first quotation mark or backslash in [Ap, Aend), or Aend. Strings are
// mostly plain text, so it looks at four code units a step.
const char16_t* findQuoteOrBackslash(const char16_t* Ap, const char16_t* Aend) noexcept
{
    if constexpr (std::endian::native == std::endian::little) {
        while (Aend - Ap >= 4) {
            std::uint64_t w;
            std::memcpy(&w, Ap, sizeof w);
            const std::uint64_t hits = zeroLanes(w ^ (kLaneOnes * u'"')) | zeroLanes(w ^ (kLaneOnes * u'\\'));
            if (hits != 0)
                return Ap + std::countr_zero(hits) / 16;
            Ap += 4;
        }
    }
    while (Ap < Aend && *Ap != u'"' && *Ap != u'\\')
        ++Ap;
    return Ap;
}

// The closing quotation mark at or after Ap: the first one not taken by a
// backslash. Null when the text ends first.
const char16_t* findClose(const char16_t* Ap, const char16_t* Aend) noexcept
{
    for (;;) {
        Ap = findQuoteOrBackslash(Ap, Aend);
        if (Ap == Aend)
            return nullptr;
        if (*Ap == u'"')
            return Ap;
        if (Aend - Ap < 2)
            return nullptr;
        Ap += 2;
    }
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
        return make<TJSONboolean>(true);
    case u'f':
        if (!startsWith(u"false"))
            return nullptr;
        Fpos += 5;
        return make<TJSONboolean>(false);
    case u'n':
        if (!startsWith(u"null"))
            return nullptr;
        Fpos += 4;
        return make<TJSONnull>();
    case u'"': {
        // Read straight into the node: no string is moved or copied after.
        auto node = make<TJSONstring>();
        const std::optional<std::u16string_view> text = readString(node->FValue);
        if (!text)
            return nullptr;
        if (text->data() != node->FValue.data())
            node->FValue.assign(*text);
        keepIfOnHeap(node->FValue);
        return node;
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
    return make<TJSONnumber>(value);
}

// The closing quotation mark is the first one not taken by a backslash.
std::optional<std::u16string_view> TJSONReader::readString(std::u16string& Adecoded)
{
    const char16_t* begin = Fpos + 1;
    const char16_t* stop = findQuoteOrBackslash(begin, Fend);
    if (stop != Fend && *stop == u'"') {
        Fpos = stop + 1;
        return std::u16string_view(begin, static_cast<std::size_t>(stop - begin));
    }
    const char16_t* close = findClose(stop, Fend);
    if (close == nullptr || !decodeEscapes(begin, close, Adecoded))
        return std::nullopt;
    Fpos = close + 1;
    return std::u16string_view(Adecoded);
}

// Most names are short: their first four code units, compared as one
// number, mostly settle a lookup without a loop over the characters.
const std::u16string* TJSONReader::sharedName(std::u16string_view Aname, bool AinText)
{
    const std::size_t n = Aname.size();
    std::uint64_t head = 0;
    if (std::endian::native == std::endian::little && AinText) {
        std::memcpy(&head, Aname.data(), sizeof head);
        if (n < 4)
            head &= (std::uint64_t{1} << (16 * n)) - 1;
    } else {
        std::memcpy(&head, Aname.data(), std::min<std::size_t>(n, 4) * sizeof(char16_t));
    }
    // The table is never full, so the search ends at a free slot.
    std::size_t i = ((head ^ n) * 0x9E3779B97F4A7C15u) >> (64 - kNameBits);
    for (; Fnames[i].name != nullptr; i = (i + 1) % kNameSlots) {
        const TNameSlot& slot = Fnames[i];
        if (slot.head == head && slot.size == n &&
            (n <= 4 || std::u16string_view(*slot.name).substr(4) == Aname.substr(4)))
            return slot.name;
    }
    auto* name = std::construct_at(static_cast<std::u16string*>(Farena.allocateRoom(sizeof(std::u16string))), Aname);
    if (onHeap(*name)) {
        try {
            Farena.keepShared(name);
        } catch (...) {
            std::destroy_at(name);
            throw;
        }
    }
    if (FnameCount < kMaxNames) {
        Fnames[i] = {head, n, name};
        ++FnameCount;
    }
    return name;
}

// Decodes the content between the quotation marks. An escape the table does
// not know is dropped together with its backslash. No escape yields more
// code units than it takes, so the content's length is room enough.
bool TJSONReader::decodeEscapes(const char16_t* Abegin, const char16_t* Aclose, std::u16string& Aout)
{
    Aout.resize(static_cast<std::size_t>(Aclose - Abegin));
    char16_t* out = Aout.data();
    const char16_t* c = Abegin;
    for (;;) {
        // Copies up to the next backslash (a quotation mark before the close
        // belongs to an escape), four code units a step. The output never
        // runs ahead of the input, so each step has room for all four.
        if constexpr (std::endian::native == std::endian::little) {
            while (Aclose - c >= 4) {
                std::uint64_t w;
                std::memcpy(&w, c, sizeof w);
                std::memcpy(out, &w, sizeof w);
                const std::uint64_t hits = zeroLanes(w ^ (kLaneOnes * u'\\'));
                const int plain = hits == 0 ? 4 : std::countr_zero(hits) / 16;
                c += plain;
                out += plain;
                if (plain < 4)
                    break;
            }
        }
        while (c < Aclose && *c != u'\\')
            *out++ = *c++;
        if (c == Aclose)
            break;
        ++c;  // findClose saw a character after the backslash, before the close
        switch (*c++) {
        case u'"': *out++ = u'"'; break;
        case u'\\': *out++ = u'\\'; break;
        case u'\'': *out++ = u'\''; break;
        case u'/': *out++ = u'/'; break;
        case u'b': *out++ = u'\b'; break;
        case u'f': *out++ = u'\f'; break;
        case u'n': *out++ = u'\n'; break;
        case u'r': *out++ = u'\r'; break;
        case u't': *out++ = u'\t'; break;
        case u'u': {
            // Up to four digits, fewer when the string ends sooner; none,
            // or a character that is not a digit, fails the text.
            const char16_t* stop = Aclose - c < 4 ? Aclose : c + 4;
            if (c == stop)
                return false;
            unsigned unit = 0;
            for (; c < stop; ++c) {
                const int h = hexValue(*c);
                if (h < 0)
                    return false;
                unit = unit * 16 + static_cast<unsigned>(h);
            }
            *out++ = static_cast<char16_t>(unit);
            break;
        }
        default:
            break;
        }
    }
    Aout.resize(static_cast<std::size_t>(out - Aout.data()));
    return true;
}

void TJSONReader::takeElements(TChildList<TJSONbase>& AList, std::size_t Afirst)
{
    const std::size_t count = Fpending.size() - Afirst;
    const std::size_t bytes = count * sizeof(Fpending[0]);
    if (count == 0) {
        return;
    } else if (bytes <= TNodeArena::kMaxRoom) {
        AList.adoptBorrowed(Farena.allocateRoom(bytes), Fpending.data() + Afirst, count);
    } else {
        AList.adoptExact(Fpending.data() + Afirst, count);
        try {
            Farena.keepHeapRoom(AList.room());
        } catch (...) {
            AList.clear();  // the items are freed on their own, and the room with the list
            throw;
        }
    }
    Fpending.resize(Afirst);
}

std::unique_ptr<TJSONbase> TJSONReader::readList()
{
    if (++Fdepth > TJSON::kMaxDepth)
        return nullptr;
    ++Fpos;
    const std::size_t first = Fpending.size();
    for (;;) {
        skipWhitespace();
        if (at(u']'))
            break;
        std::unique_ptr<TJSONbase> element = readValue();
        if (!element) {
            Fpending.resize(first);
            return nullptr;
        }
        Fpending.push_back(std::move(element));
        skipWhitespace();
        if (at(u','))
            ++Fpos;
    }
    ++Fpos;
    --Fdepth;
    auto list = make<TJSONlist>();
    takeElements(list->fList, first);
    return list;
}

// A member: its name, a colon and its value; null when any is missing.
std::unique_ptr<TJSONbase> TJSONReader::readMember()
{
    if (!at(u'"'))
        return nullptr;
    const std::optional<std::u16string_view> name = readString(FdecodedName);
    if (!name)
        return nullptr;
    const bool inText = name->data() != FdecodedName.data() && Fend - name->data() >= 4;
    const std::u16string* shared = sharedName(*name, inText);
    skipWhitespace();
    if (!at(u':'))
        return nullptr;
    ++Fpos;
    std::unique_ptr<TJSONbase> value = readValue();
    if (!value)
        return nullptr;
    auto member = make<TJSONobjectmethod>();
    member->FName = shared;
    member->FValue = std::move(value);
    return member;
}

std::unique_ptr<TJSONbase> TJSONReader::readObject()
{
    if (++Fdepth > TJSON::kMaxDepth)
        return nullptr;
    ++Fpos;
    const std::size_t first = Fpending.size();
    for (;;) {
        skipWhitespace();
        if (at(u'}'))
            break;
        std::unique_ptr<TJSONbase> member = readMember();
        if (!member) {
            Fpending.resize(first);
            return nullptr;
        }
        Fpending.push_back(std::move(member));
        skipWhitespace();
        if (at(u','))
            ++Fpos;
    }
    ++Fpos;
    --Fdepth;
    auto object = make<TJSONobject>(true);
    object->FIndexPending = Fpending.size() > first;
    takeElements(object->fList, first);
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
        return ecr17::detail::TJSONReader(begin, end).read();
    } catch (...) {
        // Out of memory on an enormous text: no tree, as for any bad text.
        return nullptr;
    }
}
