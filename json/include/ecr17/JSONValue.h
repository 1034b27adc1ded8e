// The JSON value tree: numbers, strings, booleans, null, arrays and objects.
//
// A container owns its children (std::unique_ptr); freeing the root frees
// the whole tree, without recursion, so a tree of any depth can be freed.
// The reader puts the nodes of a document in an arena of its own; deleting
// a node gives its room back to wherever it came from.
// Objects keep their members in insertion order, repeated names included;
// the name index (TBalTree) finds the first member of a name.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "BalTree.h"
#include "JSONChildList.h"

// The kinds of value, in their fixed order.
enum TJSONtypes { jsBase, jsNumber, jsString, jsBoolean, jsNull, jsList, jsObject };

// The value of a node as a variant: null, number, text or boolean.
using TJSONvariant = std::variant<std::monostate, double, std::u16string, bool>;

// Raised when a variant cannot be converted to the kind of a node.
class EJSONVariantError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace ecr17::detail {

// Character types whose text is not a string value: a pointer to it would
// convert to bool, so Add refuses it at compile time.
template <class TChar>
concept CForeignChar = std::same_as<TChar, char> || std::same_as<TChar, signed char> ||
                       std::same_as<TChar, unsigned char> || std::same_as<TChar, char8_t> ||
                       std::same_as<TChar, wchar_t> || std::same_as<TChar, char32_t>;

class TJSONWriter;
class TJSONReader;

}  // namespace ecr17::detail

class TJSONbase;

// Callback of ForEach: element name (an array gives the position in decimal),
// element, the user's pointer, and a flag to clear to stop the enumeration.
using TJSONFuncEnum =
    std::function<void(const std::u16string& ElName, TJSONbase* Elem, void* data, bool& Continue)>;

class TJSONbase {
public:
    TJSONbase() noexcept = default;
    virtual ~TJSONbase() = default;
    TJSONbase(const TJSONbase&) = delete;
    TJSONbase& operator=(const TJSONbase&) = delete;

    // The value as a variant; null here and for containers and member records.
    virtual TJSONvariant Value() const;
    // Sets the value from a variant; ignored here. Raises EJSONVariantError
    // when the variant cannot be converted.
    virtual void setValue(const TJSONvariant& AValue);
    // Child at a position, or null (none here).
    virtual TJSONbase* GetChild(std::int32_t idx) const;
    // Replaces the child at a position, freeing the old one (nothing here;
    // AValue is then freed).
    virtual void SetChild(std::int32_t idx, std::unique_ptr<TJSONbase> AValue);
    virtual std::int32_t Count() const;
    // Child by a name (text) or a position (number); the value itself here.
    virtual TJSONbase* GetField(const TJSONvariant& AName);
    virtual TJSONtypes SelfType() const;
    virtual std::u16string SelfTypeName() const;

    // Nodes come from the heap, or from a document's arena when the reader
    // made them; delete returns each to its origin.
    static void* operator new(std::size_t ASize) { return ::operator new(ASize); }
    // An over-aligned value class could not be given back unsized.
    static void* operator new(std::size_t ASize, std::align_val_t AAlign) = delete;
    static void operator delete(TJSONbase* Anode, std::destroying_delete_t) noexcept;

protected:
    // How the writer treats a node; inherited by derived classes, so a class
    // derived from TJSONstring is written as a string.
    enum class TShape : std::uint8_t { Other, Number, String, Boolean, Null, List, Object, Member };
    explicit TJSONbase(TShape AShape) noexcept : FShape(AShape) {}

    using TOwned = std::vector<std::unique_ptr<TJSONbase>>;
    // Moves the owned children into Aout, so that a subtree is freed by a
    // loop instead of by recursion.
    virtual void releaseChildren(TOwned& Aout) noexcept;
    // Frees everything in Apending, including the children of the children.
    static void freeAll(TOwned& Apending) noexcept;
    // Frees Anode and its subtree, using Apending (left empty) as work list.
    static void freeTree(std::unique_ptr<TJSONbase> Anode, TOwned& Apending) noexcept;
    // Called before a node changes: a read document is then no longer
    // freed whole.
    void alter() noexcept;

private:
    // Frees Anode alone; its children go to Apending.
    static void freeNode(TJSONbase* Anode, TOwned& Apending) noexcept;
    // Frees a scalar the reader made, or a member of the reader's whose
    // value is one; false (nothing freed) for any other node.
    static bool freeReadLeaf(TJSONbase* Anode) noexcept;

    friend class ecr17::detail::TJSONWriter;
    friend class ecr17::detail::TJSONReader;
    friend class TJSONobject;
    TShape FShape = TShape::Other;
    bool FInArena = false;  // the room is in a document's arena, not on the heap
};

class TJSONnumber : public TJSONbase {
public:
    TJSONnumber() noexcept : TJSONbase(TShape::Number) { store(0); }
    explicit TJSONnumber(long double AValue) noexcept : TJSONbase(TShape::Number) { store(AValue); }
    static std::unique_ptr<TJSONnumber> Generate(long double AValue);

    long double AsExtended() const noexcept
    {
        long double value = 0;
        std::memcpy(&value, FValue, sizeof FValue);
        return value;
    }
    TJSONvariant Value() const override;
    void setValue(const TJSONvariant& AValue) override;
    TJSONtypes SelfType() const override;
    std::u16string SelfTypeName() const override;

private:
    void store(long double AValue) noexcept { std::memcpy(FValue, &AValue, sizeof FValue); }

    // The significant bytes of the extended value: as a long double it would
    // take 16-byte-aligned room and double the size of the node.
    static constexpr std::size_t kValueBytes =
        std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
    unsigned char FValue[kValueBytes];
};

class TJSONstring : public TJSONbase {
public:
    TJSONstring() noexcept : TJSONbase(TShape::String) {}
    explicit TJSONstring(std::u16string wsValue) noexcept
        : TJSONbase(TShape::String), FValue(std::move(wsValue)) {}
    static std::unique_ptr<TJSONstring> Generate(std::u16string wsValue);

    const std::u16string& AsString() const noexcept { return FValue; }
    TJSONvariant Value() const override;
    void setValue(const TJSONvariant& AValue) override;
    TJSONtypes SelfType() const override;
    std::u16string SelfTypeName() const override;

private:
    friend class ecr17::detail::TJSONReader;
    std::u16string FValue;
};

class TJSONboolean : public TJSONbase {
public:
    TJSONboolean() noexcept : TJSONbase(TShape::Boolean) {}
    explicit TJSONboolean(bool AValue) noexcept : TJSONbase(TShape::Boolean), FValue(AValue) {}
    static std::unique_ptr<TJSONboolean> Generate(bool AValue);

    bool AsBoolean() const noexcept { return FValue; }
    TJSONvariant Value() const override;
    void setValue(const TJSONvariant& AValue) override;
    TJSONtypes SelfType() const override;
    std::u16string SelfTypeName() const override;

private:
    bool FValue = false;
};

class TJSONnull : public TJSONbase {
public:
    TJSONnull() noexcept : TJSONbase(TShape::Null) {}
    TJSONvariant Value() const override;
    TJSONtypes SelfType() const override;
    std::u16string SelfTypeName() const override;
};

// One member of an object: a name and the value it owns. Renaming a member
// that is already in an object does not update that object's name index.
class TJSONobjectmethod : public TJSONbase {
public:
    TJSONobjectmethod() noexcept : TJSONbase(TShape::Member) {}
    TJSONobjectmethod(std::u16string aname, std::unique_ptr<TJSONbase> aobj);
    ~TJSONobjectmethod() override;
    static std::unique_ptr<TJSONobjectmethod> Generate(std::u16string aname,
                                                       std::unique_ptr<TJSONbase> aobj);

    TJSONbase* ObjValue() const noexcept { return FValue.get(); }
    const std::u16string& Name() const noexcept { return FName != nullptr ? *FName : noName(); }
    void setName(std::u16string AName);

protected:
    void releaseChildren(TOwned& Aout) noexcept override;

private:
    friend class TJSONbase;
    friend class TJSONobject;
    friend class ecr17::detail::TJSONReader;
    static const std::u16string& noName() noexcept;
    // Where the name (none when null) lies: text that the members of a read
    // document share (they mostly repeat a few names), the member's own on
    // the heap, or its own right behind the member, in the same allocation.
    enum class TNameRoom : std::uint8_t { Shared, Heap, Beside };
    TNameRoom FNameRoom = TNameRoom::Shared;
    std::unique_ptr<TJSONbase> FValue;
    const std::u16string* FName = nullptr;
};

// Common base of arrays and objects: an ordered list of owned children.
class TJSONcustomlist : public TJSONbase {
public:
    ~TJSONcustomlist() override;

    TJSONbase* GetChild(std::int32_t idx) const override;
    void SetChild(std::int32_t idx, std::unique_ptr<TJSONbase> AValue) override;
    std::int32_t Count() const override;
    // A number gives the child at that position; anything else the container.
    TJSONbase* GetField(const TJSONvariant& AName) override;

    // Element at a position and its name; null when there is none.
    virtual TJSONbase* EnumElement(std::int32_t idx, std::u16string& name) const;
    // Appends a child; its position, or -1 (nothing added) for null.
    virtual std::int32_t AppendChild(std::unique_ptr<TJSONbase> obj);
    // Frees and removes the child at a position; later children move down
    // one place. Out of range does nothing.
    virtual void RemoveChild(std::int32_t idx);
    // First position holding this very child, or -1.
    virtual std::int32_t FindChild(const TJSONbase* obj) const;

    // Typed getters by position: no element gives 0, empty text or false;
    // an element of another kind raises std::bad_cast.
    virtual std::int32_t getInt(std::int32_t idx) const;
    virtual std::u16string getString(std::int32_t idx) const;
    virtual std::u16string getWideString(std::int32_t idx) const;
    virtual double getDouble(std::int32_t idx) const;
    virtual bool getBoolean(std::int32_t idx) const;

    // Calls fnCallBack for every present element in order, until it clears
    // Continue.
    void ForEach(const TJSONFuncEnum& fnCallBack, void* pUserData);

protected:
    explicit TJSONcustomlist(TShape AShape) noexcept : TJSONbase(AShape) {}
    void releaseChildren(TOwned& Aout) noexcept override;

    ecr17::detail::TChildList<TJSONbase> fList;

private:
    friend class TJSONbase;
    friend class ecr17::detail::TJSONWriter;
    friend class ecr17::detail::TJSONReader;
};

// A JSON array.
class TJSONlist : public TJSONcustomlist {
public:
    TJSONlist() noexcept : TJSONcustomlist(TShape::List) {}
    static std::unique_ptr<TJSONlist> Generate();

    // Each returns the new position, or -1 when nothing was given.
    std::int32_t Add(std::unique_ptr<TJSONbase> obj);
    std::int32_t Add(bool aboolean);
    std::int32_t Add(double nmb);
    std::int32_t Add(std::int32_t inmb);
    std::int32_t Add(std::u16string s);
    std::int32_t Add(const char16_t* s);
    // Only UTF-16 text is a string value; narrow text would be stored as true.
    template <ecr17::detail::CForeignChar TChar>
    std::int32_t Add(const TChar* s) = delete;
    template <ecr17::detail::CForeignChar TChar>
    std::int32_t Add(const std::basic_string<TChar>& s) = delete;
    void Delete(std::int32_t idx);
    std::int32_t IndexOf(const TJSONbase* obj) const;

    TJSONtypes SelfType() const override;
    std::u16string SelfTypeName() const override;
};

// A JSON object: member records in insertion order, and the name index.
class TJSONobject : public TJSONcustomlist {
public:
    explicit TJSONobject(bool bUseHash = true) noexcept
        : TJSONcustomlist(TShape::Object), FUseHash(bUseHash) {}
    static std::unique_ptr<TJSONobject> Generate(bool AUseHash = true);

    // Each returns the new member's position, or -1 when nothing was given.
    // Repeated names are added all the same; lookups find the first.
    std::int32_t Add(const std::u16string& aname, std::unique_ptr<TJSONbase> aobj);
    std::int32_t Add(const std::u16string& aname, bool aboolean);
    std::int32_t Add(const std::u16string& aname, double nmb);
    std::int32_t Add(const std::u16string& aname, std::int32_t inmb);
    std::int32_t Add(const std::u16string& aname, std::u16string s);
    std::int32_t Add(const std::u16string& aname, const char16_t* s);
    // Only UTF-16 text is a string value; narrow text would be stored as true.
    template <ecr17::detail::CForeignChar TChar>
    std::int32_t Add(const std::u16string& aname, const TChar* s) = delete;
    template <ecr17::detail::CForeignChar TChar>
    std::int32_t Add(const std::u16string& aname, const std::basic_string<TChar>& s) = delete;

    // Position of the first member with exactly this name, or -1.
    std::int32_t IndexOfName(std::u16string_view aname) const;
    // Position of the first member whose value is this very object, or -1.
    std::int32_t IndexOfObject(const TJSONbase* aobj) const;
    // Value of the first member with this name, or null.
    TJSONbase* OldGetField(std::u16string_view nm) const;
    // Replaces (and frees) the value of the first member with this name;
    // without such a member nothing changes and AValue is freed.
    void OldSetField(std::u16string_view nm, std::unique_ptr<TJSONbase> AValue);
    // Name of the member at a position; empty out of range.
    const std::u16string& GetNameOf(std::int32_t idx) const;
    // Value of the first member bearing the name found at a position.
    TJSONbase* GetFieldByIndex(std::int32_t idx) const;
    void SetFieldByIndex(std::int32_t idx, std::unique_ptr<TJSONbase> AValue);
    // Removes the member at a position; the others keep their order.
    void Delete(std::int32_t idx);

    using TJSONcustomlist::getBoolean;
    using TJSONcustomlist::getDouble;
    using TJSONcustomlist::getInt;
    using TJSONcustomlist::getString;
    using TJSONcustomlist::getWideString;
    std::int32_t getInt(std::u16string_view nm) const;
    std::u16string getString(std::u16string_view nm) const;
    std::u16string getWideString(std::u16string_view nm) const;
    double getDouble(std::u16string_view nm) const;
    bool getBoolean(std::u16string_view nm) const;

    bool UseHash() const noexcept { return FUseHash; }
    const TBalTree& HashTable() const
    {
        ensureIndex();
        return ht;
    }

    TJSONbase* GetField(const TJSONvariant& AName) override;
    TJSONtypes SelfType() const override;
    std::u16string SelfTypeName() const override;
    TJSONbase* EnumElement(std::int32_t idx, std::u16string& name) const override;
    std::int32_t getInt(std::int32_t idx) const override;
    std::u16string getString(std::int32_t idx) const override;
    std::u16string getWideString(std::int32_t idx) const override;
    double getDouble(std::int32_t idx) const override;
    bool getBoolean(std::int32_t idx) const override;

    // The index follows every change of the member list.
    std::int32_t AppendChild(std::unique_ptr<TJSONbase> obj) override;
    void RemoveChild(std::int32_t idx) override;
    void SetChild(std::int32_t idx, std::unique_ptr<TJSONbase> AValue) override;

private:
    friend class ecr17::detail::TJSONReader;

    const std::u16string* nameAt(std::int32_t idx) const noexcept;
    void rebuildIndex() const;
    // Builds the index of a read object on its first use: a document that is
    // only read through and written out never needs one.
    void ensureIndex() const
    {
        if (FIndexPending)
            buildPendingIndex();
    }
    void buildPendingIndex() const;

    mutable TBalTree ht;
    bool FUseHash;
    mutable bool FIndexPending = false;  // the members are listed, the index not built yet
};
