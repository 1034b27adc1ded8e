#include "JSONValue.h"

#include <cmath>
#include <limits>
#include <typeinfo>

#include "JSONArena.h"
#include "JSONNumberText.h"

using ecr17::detail::TNodeArena;

namespace {

const std::u16string kEmpty;

bool inRange(std::int32_t Aidx, std::size_t Asize) noexcept
{
    return Aidx >= 0 && static_cast<std::size_t>(Aidx) < Asize;
}

std::u16string widen(const char* Atext, std::size_t An)
{
    return std::u16string(Atext, Atext + An);
}

// Variant conversions of setValue.

long double variantToNumber(const TJSONvariant& Av)
{
    if (const double* d = std::get_if<double>(&Av))
        return *d;
    if (const bool* b = std::get_if<bool>(&Av))
        return *b ? 1 : 0;
    if (const std::u16string* s = std::get_if<std::u16string>(&Av)) {
        const char16_t* p = s->data();
        const char16_t* end = p + s->size();
        while (p < end && *p <= u' ')
            ++p;
        while (end > p && end[-1] <= u' ')
            --end;
        long double value = 0;
        if (ecr17::detail::ScanNumber(p, end, value) == ecr17::detail::TScanResult::Ok && p == end)
            return value;
        throw EJSONVariantError("Cannot convert text to a number");
    }
    throw EJSONVariantError("Cannot convert null to a number");
}

std::u16string numberToText(long double Av)
{
    if (std::isnan(Av))
        return u"NaN";
    if (std::isinf(Av))
        return Av < 0 ? u"-INF" : u"INF";
    char buf[ecr17::detail::kMaxNumberText];
    return widen(buf, ecr17::detail::FormatNumber(Av, buf));
}

std::u16string variantToText(const TJSONvariant& Av)
{
    if (const std::u16string* s = std::get_if<std::u16string>(&Av))
        return *s;
    if (const double* d = std::get_if<double>(&Av))
        return numberToText(*d);
    if (const bool* b = std::get_if<bool>(&Av))
        return *b ? u"True" : u"False";
    throw EJSONVariantError("Cannot convert null to text");
}

bool variantToBoolean(const TJSONvariant& Av)
{
    if (const bool* b = std::get_if<bool>(&Av))
        return *b;
    if (const double* d = std::get_if<double>(&Av))
        return *d != 0;
    if (const std::u16string* s = std::get_if<std::u16string>(&Av)) {
        if (*s == u"true" || *s == u"True" || *s == u"TRUE")
            return true;
        if (*s == u"false" || *s == u"False" || *s == u"FALSE")
            return false;
        throw EJSONVariantError("Cannot convert text to a boolean");
    }
    throw EJSONVariantError("Cannot convert null to a boolean");
}

// Typed reads of an element: absent gives the default, another kind raises.

template <class T>
const T* elementAs(const TJSONbase* Ae)
{
    if (Ae == nullptr)
        return nullptr;
    const T* typed = dynamic_cast<const T*>(Ae);
    if (typed == nullptr)
        throw std::bad_cast();
    return typed;
}

std::int32_t intOf(const TJSONbase* Ae)
{
    const TJSONnumber* n = elementAs<TJSONnumber>(Ae);
    if (n == nullptr)
        return 0;
    const long double t = std::trunc(n->AsExtended());
    if (!(t >= std::numeric_limits<std::int32_t>::min() && t <= std::numeric_limits<std::int32_t>::max()))
        throw std::out_of_range("Number out of 32-bit integer range");
    return static_cast<std::int32_t>(t);
}

std::u16string stringOf(const TJSONbase* Ae)
{
    const TJSONstring* s = elementAs<TJSONstring>(Ae);
    return s == nullptr ? std::u16string() : s->AsString();
}

double doubleOf(const TJSONbase* Ae)
{
    const TJSONnumber* n = elementAs<TJSONnumber>(Ae);
    return n == nullptr ? 0.0 : static_cast<double>(n->AsExtended());
}

bool booleanOf(const TJSONbase* Ae)
{
    const TJSONboolean* b = elementAs<TJSONboolean>(Ae);
    return b != nullptr && b->AsBoolean();
}

}  // namespace

// ---- TJSONbase

TJSONvariant TJSONbase::Value() const
{
    return {};
}

void TJSONbase::setValue(const TJSONvariant&) {}

TJSONbase* TJSONbase::GetChild(std::int32_t) const
{
    return nullptr;
}

void TJSONbase::SetChild(std::int32_t, std::unique_ptr<TJSONbase>) {}

std::int32_t TJSONbase::Count() const
{
    return 0;
}

TJSONbase* TJSONbase::GetField(const TJSONvariant&)
{
    return this;
}

TJSONtypes TJSONbase::SelfType() const
{
    return jsBase;
}

std::u16string TJSONbase::SelfTypeName() const
{
    return u"jsBase";
}

void TJSONbase::releaseChildren(TOwned&) noexcept {}

void TJSONbase::alter() noexcept
{
    if (FInArena)
        TNodeArena::markAltered(this);
}

// ---- freeing

void TJSONbase::operator delete(TJSONbase* Anode, std::destroying_delete_t) noexcept
{
    if (!Anode->FInArena) {
        Anode->~TJSONbase();
        ::operator delete(Anode);
        return;
    }
    if (TNodeArena::freeWhole(Anode))
        return;
    TOwned pending;
    freeNode(Anode, pending);
    freeAll(pending);
}

void TJSONbase::freeAll(TOwned& Apending) noexcept
{
    while (!Apending.empty()) {
        TJSONbase* node = Apending.back().release();
        Apending.pop_back();
        if (node != nullptr)
            freeNode(node, Apending);
    }
}

void TJSONbase::freeTree(std::unique_ptr<TJSONbase> Anode, TOwned& Apending) noexcept
{
    if (Anode)
        freeNode(Anode.release(), Apending);
    freeAll(Apending);
}

// A node the reader made is exactly of the class its shape names, so it is
// taken apart without virtual calls, and the leaves of a container are
// freed on the spot instead of passing through the work list.
void TJSONbase::freeNode(TJSONbase* Anode, TOwned& Apending) noexcept
{
    if (!Anode->FInArena) {
        Anode->releaseChildren(Apending);
        delete Anode;  // owns nothing now, so its destructor does not descend
        return;
    }
    if (TNodeArena::freeWhole(Anode))
        return;
    if (Anode->FShape == TShape::Member) {
        auto* member = static_cast<TJSONobjectmethod*>(Anode);
        TJSONbase* value = member->FValue.release();
        member->TJSONobjectmethod::~TJSONobjectmethod();
        TNodeArena::release(Anode);
        if (value != nullptr)
            freeNode(value, Apending);  // a read value, or any node put there: no member below
        return;
    }
    if (Anode->FShape != TShape::List && Anode->FShape != TShape::Object) {
        freeReadLeaf(Anode);
        return;
    }
    for (std::unique_ptr<TJSONbase>& child : static_cast<TJSONcustomlist*>(Anode)->fList) {
        if (child == nullptr)
            continue;
        if (freeReadLeaf(child.get())) {
            child.release();
            continue;
        }
        // A full vector cannot grow without memory; free this one child in
        // place rather than lose it.
        try {
            Apending.push_back(std::move(child));
        } catch (...) {
            child.reset();
        }
    }
    if (Anode->FShape == TShape::List)
        static_cast<TJSONlist*>(Anode)->TJSONlist::~TJSONlist();
    else
        static_cast<TJSONobject*>(Anode)->TJSONobject::~TJSONobject();
    TNodeArena::release(Anode);
}

bool TJSONbase::freeReadLeaf(TJSONbase* Anode) noexcept
{
    if (!Anode->FInArena)
        return false;
    switch (Anode->FShape) {
    case TShape::Number:
        static_cast<TJSONnumber*>(Anode)->TJSONnumber::~TJSONnumber();
        break;
    case TShape::String:
        static_cast<TJSONstring*>(Anode)->TJSONstring::~TJSONstring();
        break;
    case TShape::Boolean:
        static_cast<TJSONboolean*>(Anode)->TJSONboolean::~TJSONboolean();
        break;
    case TShape::Null:
        static_cast<TJSONnull*>(Anode)->TJSONnull::~TJSONnull();
        break;
    case TShape::Member: {
        auto* member = static_cast<TJSONobjectmethod*>(Anode);
        if (member->FValue != nullptr && !freeReadLeaf(member->FValue.get()))
            return false;
        member->FValue.release();
        member->TJSONobjectmethod::~TJSONobjectmethod();
        break;
    }
    default:
        return false;
    }
    TNodeArena::release(Anode);
    return true;
}

// ---- scalars

std::unique_ptr<TJSONnumber> TJSONnumber::Generate(long double AValue)
{
    return std::make_unique<TJSONnumber>(AValue);
}

TJSONvariant TJSONnumber::Value() const
{
    return static_cast<double>(AsExtended());
}

void TJSONnumber::setValue(const TJSONvariant& AValue)
{
    alter();
    store(variantToNumber(AValue));
}

TJSONtypes TJSONnumber::SelfType() const
{
    return jsNumber;
}

std::u16string TJSONnumber::SelfTypeName() const
{
    return u"jsNumber";
}

std::unique_ptr<TJSONstring> TJSONstring::Generate(std::u16string wsValue)
{
    return std::make_unique<TJSONstring>(std::move(wsValue));
}

TJSONvariant TJSONstring::Value() const
{
    return FValue;
}

void TJSONstring::setValue(const TJSONvariant& AValue)
{
    alter();
    FValue = variantToText(AValue);
}

TJSONtypes TJSONstring::SelfType() const
{
    return jsString;
}

std::u16string TJSONstring::SelfTypeName() const
{
    return u"jsString";
}

std::unique_ptr<TJSONboolean> TJSONboolean::Generate(bool AValue)
{
    return std::make_unique<TJSONboolean>(AValue);
}

TJSONvariant TJSONboolean::Value() const
{
    return FValue;
}

void TJSONboolean::setValue(const TJSONvariant& AValue)
{
    alter();
    FValue = variantToBoolean(AValue);
}

TJSONtypes TJSONboolean::SelfType() const
{
    return jsBoolean;
}

std::u16string TJSONboolean::SelfTypeName() const
{
    return u"jsBoolean";
}

TJSONvariant TJSONnull::Value() const
{
    return {};
}

TJSONtypes TJSONnull::SelfType() const
{
    return jsNull;
}

std::u16string TJSONnull::SelfTypeName() const
{
    return u"jsNull";
}

// ---- TJSONobjectmethod

TJSONobjectmethod::TJSONobjectmethod(std::u16string aname, std::unique_ptr<TJSONbase> aobj)
    : TJSONbase(TShape::Member), FNameRoom(TNameRoom::Heap), FValue(std::move(aobj)),
      FName(new std::u16string(std::move(aname)))
{
}

TJSONobjectmethod::~TJSONobjectmethod()
{
    if (FNameRoom == TNameRoom::Heap)
        delete FName;
    else if (FNameRoom == TNameRoom::Beside)
        std::destroy_at(FName);
    TOwned pending;
    freeTree(std::move(FValue), pending);
}

const std::u16string& TJSONobjectmethod::noName() noexcept
{
    static const std::u16string none;
    return none;
}

void TJSONobjectmethod::setName(std::u16string AName)
{
    if (FNameRoom == TNameRoom::Shared) {
        FName = new std::u16string(std::move(AName));
        FNameRoom = TNameRoom::Heap;
    } else {
        *const_cast<std::u16string*>(FName) = std::move(AName);
    }
    alter();
}

// The member and its name in one allocation, side by side: a tree that is
// built and then written finds each name next to its member. The room is
// given back whole by operator delete, like that of any node.
std::unique_ptr<TJSONobjectmethod> TJSONobjectmethod::Generate(std::u16string aname,
                                                               std::unique_ptr<TJSONbase> aobj)
{
    static_assert(sizeof(TJSONobjectmethod) % alignof(std::u16string) == 0);
    void* room = ::operator new(sizeof(TJSONobjectmethod) + sizeof(std::u16string));
    auto* member = std::construct_at(static_cast<TJSONobjectmethod*>(room));
    void* nameRoom = static_cast<char*>(room) + sizeof(TJSONobjectmethod);
    member->FName = std::construct_at(static_cast<std::u16string*>(nameRoom), std::move(aname));
    member->FNameRoom = TNameRoom::Beside;
    member->FValue = std::move(aobj);
    return std::unique_ptr<TJSONobjectmethod>(member);
}

void TJSONobjectmethod::releaseChildren(TOwned& Aout) noexcept
{
    if (FValue) {
        // A full vector cannot grow without memory; free this one child in
        // place rather than lose it. Its own subtree is released first.
        try {
            Aout.push_back(std::move(FValue));
        } catch (...) {
            FValue.reset();
        }
    }
}

// ---- TJSONcustomlist

TJSONcustomlist::~TJSONcustomlist()
{
    // Last child first; the work list holds the pending grandchildren, so
    // nested containers are freed by a loop, not by recursion.
    TOwned pending;
    for (std::size_t i = fList.size(); i-- > 0;)
        freeTree(std::move(fList[i]), pending);
}

void TJSONcustomlist::releaseChildren(TOwned& Aout) noexcept
{
    for (auto& child : fList) {
        try {
            Aout.push_back(std::move(child));
        } catch (...) {
            child.reset();
        }
    }
    fList.clear();
}

TJSONbase* TJSONcustomlist::GetChild(std::int32_t idx) const
{
    return inRange(idx, fList.size()) ? fList[static_cast<std::size_t>(idx)].get() : nullptr;
}

void TJSONcustomlist::SetChild(std::int32_t idx, std::unique_ptr<TJSONbase> AValue)
{
    alter();
    if (inRange(idx, fList.size()))
        fList[static_cast<std::size_t>(idx)].swap(AValue);
    // AValue now holds the displaced child and frees it here.
}

std::int32_t TJSONcustomlist::Count() const
{
    return static_cast<std::int32_t>(fList.size());
}

TJSONbase* TJSONcustomlist::GetField(const TJSONvariant& AName)
{
    if (const double* d = std::get_if<double>(&AName)) {
        if (!(*d >= 0 && *d < static_cast<double>(fList.size())))
            return nullptr;
        return GetChild(static_cast<std::int32_t>(*d));
    }
    return this;
}

TJSONbase* TJSONcustomlist::EnumElement(std::int32_t idx, std::u16string& name) const
{
    const std::string digits = std::to_string(idx);
    name.assign(digits.begin(), digits.end());
    return GetChild(idx);
}

std::int32_t TJSONcustomlist::AppendChild(std::unique_ptr<TJSONbase> obj)
{
    if (!obj)
        return -1;
    alter();
    fList.push_back(std::move(obj));
    return static_cast<std::int32_t>(fList.size() - 1);
}

void TJSONcustomlist::RemoveChild(std::int32_t idx)
{
    if (!inRange(idx, fList.size()))
        return;
    alter();
    std::unique_ptr<TJSONbase> gone = std::move(fList[static_cast<std::size_t>(idx)]);
    fList.erase(static_cast<std::size_t>(idx));
}

std::int32_t TJSONcustomlist::FindChild(const TJSONbase* obj) const
{
    if (obj == nullptr)
        return -1;
    for (std::size_t i = 0; i < fList.size(); ++i)
        if (fList[i].get() == obj)
            return static_cast<std::int32_t>(i);
    return -1;
}

std::int32_t TJSONcustomlist::getInt(std::int32_t idx) const
{
    return intOf(GetChild(idx));
}

std::u16string TJSONcustomlist::getString(std::int32_t idx) const
{
    return stringOf(GetChild(idx));
}

std::u16string TJSONcustomlist::getWideString(std::int32_t idx) const
{
    return stringOf(GetChild(idx));
}

double TJSONcustomlist::getDouble(std::int32_t idx) const
{
    return doubleOf(GetChild(idx));
}

bool TJSONcustomlist::getBoolean(std::int32_t idx) const
{
    return booleanOf(GetChild(idx));
}

void TJSONcustomlist::ForEach(const TJSONFuncEnum& fnCallBack, void* pUserData)
{
    if (!fnCallBack)
        return;
    bool Continue = true;
    std::u16string name;
    for (std::int32_t i = 0; i < Count() && Continue; ++i) {
        TJSONbase* element = EnumElement(i, name);
        if (element != nullptr)
            fnCallBack(name, element, pUserData, Continue);
    }
}

// ---- TJSONlist

std::unique_ptr<TJSONlist> TJSONlist::Generate()
{
    return std::make_unique<TJSONlist>();
}

std::int32_t TJSONlist::Add(std::unique_ptr<TJSONbase> obj)
{
    return AppendChild(std::move(obj));
}

std::int32_t TJSONlist::Add(bool aboolean)
{
    return AppendChild(TJSONboolean::Generate(aboolean));
}

std::int32_t TJSONlist::Add(double nmb)
{
    return AppendChild(TJSONnumber::Generate(nmb));
}

std::int32_t TJSONlist::Add(std::int32_t inmb)
{
    return AppendChild(TJSONnumber::Generate(inmb));
}

std::int32_t TJSONlist::Add(std::u16string s)
{
    return AppendChild(TJSONstring::Generate(std::move(s)));
}

std::int32_t TJSONlist::Add(const char16_t* s)
{
    return s == nullptr ? -1 : Add(std::u16string(s));
}

void TJSONlist::Delete(std::int32_t idx)
{
    RemoveChild(idx);
}

std::int32_t TJSONlist::IndexOf(const TJSONbase* obj) const
{
    return FindChild(obj);
}

TJSONtypes TJSONlist::SelfType() const
{
    return jsList;
}

std::u16string TJSONlist::SelfTypeName() const
{
    return u"jsList";
}

// ---- TJSONobject

std::unique_ptr<TJSONobject> TJSONobject::Generate(bool AUseHash)
{
    return std::make_unique<TJSONobject>(AUseHash);
}

std::int32_t TJSONobject::Add(const std::u16string& aname, std::unique_ptr<TJSONbase> aobj)
{
    if (!aobj)
        return -1;
    return AppendChild(TJSONobjectmethod::Generate(aname, std::move(aobj)));
}

std::int32_t TJSONobject::Add(const std::u16string& aname, bool aboolean)
{
    return Add(aname, TJSONboolean::Generate(aboolean));
}

std::int32_t TJSONobject::Add(const std::u16string& aname, double nmb)
{
    return Add(aname, TJSONnumber::Generate(nmb));
}

std::int32_t TJSONobject::Add(const std::u16string& aname, std::int32_t inmb)
{
    return Add(aname, TJSONnumber::Generate(inmb));
}

std::int32_t TJSONobject::Add(const std::u16string& aname, std::u16string s)
{
    return Add(aname, TJSONstring::Generate(std::move(s)));
}

std::int32_t TJSONobject::Add(const std::u16string& aname, const char16_t* s)
{
    return s == nullptr ? -1 : Add(aname, std::u16string(s));
}

const std::u16string* TJSONobject::nameAt(std::int32_t idx) const noexcept
{
    if (!inRange(idx, fList.size()))
        return nullptr;
    const TJSONbase* child = fList[static_cast<std::size_t>(idx)].get();
    if (child == nullptr || child->FShape != TShape::Member)
        return nullptr;
    return &static_cast<const TJSONobjectmethod*>(child)->Name();
}

std::int32_t TJSONobject::IndexOfName(std::u16string_view aname) const
{
    if (FUseHash) {
        ensureIndex();
        return ht.IndexOf(aname);
    }
    for (std::size_t i = 0; i < fList.size(); ++i) {
        const std::u16string* name = nameAt(static_cast<std::int32_t>(i));
        if (name != nullptr && *name == aname)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t TJSONobject::IndexOfObject(const TJSONbase* aobj) const
{
    if (aobj == nullptr)
        return -1;
    for (std::size_t i = 0; i < fList.size(); ++i) {
        const TJSONbase* child = fList[i].get();
        if (child != nullptr && child->FShape == TShape::Member &&
            static_cast<const TJSONobjectmethod*>(child)->FValue.get() == aobj)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

TJSONbase* TJSONobject::OldGetField(std::u16string_view nm) const
{
    const std::int32_t idx = IndexOfName(nm);
    if (idx < 0)
        return nullptr;
    return static_cast<const TJSONobjectmethod*>(fList[static_cast<std::size_t>(idx)].get())->ObjValue();
}

void TJSONobject::OldSetField(std::u16string_view nm, std::unique_ptr<TJSONbase> AValue)
{
    const std::int32_t idx = IndexOfName(nm);
    if (idx < 0)
        return;
    alter();
    static_cast<TJSONobjectmethod*>(fList[static_cast<std::size_t>(idx)].get())->FValue.swap(AValue);
    // AValue now holds the displaced value and frees it here.
}

const std::u16string& TJSONobject::GetNameOf(std::int32_t idx) const
{
    const std::u16string* name = nameAt(idx);
    return name == nullptr ? kEmpty : *name;
}

TJSONbase* TJSONobject::GetFieldByIndex(std::int32_t idx) const
{
    const std::u16string& name = GetNameOf(idx);
    return name.empty() ? nullptr : OldGetField(name);
}

void TJSONobject::SetFieldByIndex(std::int32_t idx, std::unique_ptr<TJSONbase> AValue)
{
    const std::u16string& name = GetNameOf(idx);
    if (!name.empty())
        OldSetField(name, std::move(AValue));
}

void TJSONobject::Delete(std::int32_t idx)
{
    RemoveChild(idx);
}

std::int32_t TJSONobject::getInt(std::u16string_view nm) const
{
    return getInt(IndexOfName(nm));
}

std::u16string TJSONobject::getString(std::u16string_view nm) const
{
    return getString(IndexOfName(nm));
}

std::u16string TJSONobject::getWideString(std::u16string_view nm) const
{
    return getWideString(IndexOfName(nm));
}

double TJSONobject::getDouble(std::u16string_view nm) const
{
    return getDouble(IndexOfName(nm));
}

bool TJSONobject::getBoolean(std::u16string_view nm) const
{
    return getBoolean(IndexOfName(nm));
}

TJSONbase* TJSONobject::GetField(const TJSONvariant& AName)
{
    if (const std::u16string* name = std::get_if<std::u16string>(&AName))
        return OldGetField(*name);
    return TJSONcustomlist::GetField(AName);
}

TJSONtypes TJSONobject::SelfType() const
{
    return jsObject;
}

std::u16string TJSONobject::SelfTypeName() const
{
    return u"jsObject";
}

TJSONbase* TJSONobject::EnumElement(std::int32_t idx, std::u16string& name) const
{
    name = GetNameOf(idx);
    return GetFieldByIndex(idx);
}

std::int32_t TJSONobject::getInt(std::int32_t idx) const
{
    return intOf(GetFieldByIndex(idx));
}

std::u16string TJSONobject::getString(std::int32_t idx) const
{
    return stringOf(GetFieldByIndex(idx));
}

std::u16string TJSONobject::getWideString(std::int32_t idx) const
{
    return stringOf(GetFieldByIndex(idx));
}

double TJSONobject::getDouble(std::int32_t idx) const
{
    return doubleOf(GetFieldByIndex(idx));
}

bool TJSONobject::getBoolean(std::int32_t idx) const
{
    return booleanOf(GetFieldByIndex(idx));
}

std::int32_t TJSONobject::AppendChild(std::unique_ptr<TJSONbase> obj)
{
    ensureIndex();
    const std::int32_t p = TJSONcustomlist::AppendChild(std::move(obj));
    if (p >= 0 && FUseHash) {
        const std::u16string* name = nameAt(p);
        if (name != nullptr) {
            try {
                ht.Insert(*name, p);
            } catch (...) {
                fList.pop_back();  // keep list and index in step
                throw;
            }
        }
    }
    return p;
}

void TJSONobject::RemoveChild(std::int32_t idx)
{
    if (!inRange(idx, fList.size()))
        return;
    if (!FUseHash || FIndexPending) {
        TJSONcustomlist::RemoveChild(idx);
        return;
    }
    const std::u16string* name = nameAt(idx);
    if (name == nullptr || ht.IndexOf(*name) != idx) {
        // No node of its own (a repeated name, or not a member record).
        TJSONcustomlist::RemoveChild(idx);
        ht.LowerKeysAbove(idx);
        return;
    }
    const std::u16string removedName = *name;
    TJSONcustomlist::RemoveChild(idx);
    ht.Delete(removedName);
    // A later member of the same name now is the first one: index it.
    for (std::size_t i = static_cast<std::size_t>(idx); i < fList.size(); ++i) {
        const std::u16string* other = nameAt(static_cast<std::int32_t>(i));
        if (other != nullptr && *other == removedName) {
            ht.Insert(removedName, static_cast<std::int32_t>(i));
            break;
        }
    }
}

void TJSONobject::SetChild(std::int32_t idx, std::unique_ptr<TJSONbase> AValue)
{
    if (!inRange(idx, fList.size()))
        return;
    TJSONcustomlist::SetChild(idx, std::move(AValue));
    if (FUseHash && !FIndexPending)
        rebuildIndex();
}

void TJSONobject::buildPendingIndex() const
{
    // A failure leaves it pending, to be built again; the document is then
    // freed node by node, so the index goes with its object.
    try {
        rebuildIndex();
        if (FInArena)
            TNodeArena::keepIndex(this, &ht);
    } catch (...) {
        const_cast<TJSONobject*>(this)->alter();
        throw;
    }
    FIndexPending = false;
}

void TJSONobject::rebuildIndex() const
{
    ht.Clear();
    for (std::size_t i = 0; i < fList.size(); ++i) {
        const std::u16string* name = nameAt(static_cast<std::int32_t>(i));
        if (name != nullptr)
            ht.Insert(*name, static_cast<std::int32_t>(i));
    }
}
