#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "uJSON.h"

namespace {

// Counts its destructions, to see that containers free what they own.
struct TProbe : TJSONnull {
    static inline int freed = 0;
    ~TProbe() override { ++freed; }
};

class ObjectModes : public testing::TestWithParam<bool> {};

}  // namespace

TEST_P(ObjectModes, MembersKeepOrderAndLookupFindsTheFirst)
{
    TJSONobject obj(GetParam());
    EXPECT_EQ(obj.UseHash(), GetParam());
    for (const char16_t* name : {u"termID", u"datetime", u"status", u"SWrelease"})
        obj.Add(name, u"x");
    EXPECT_EQ(obj.Count(), 4);
    EXPECT_EQ(obj.GetNameOf(0), u"termID");
    EXPECT_EQ(obj.GetNameOf(3), u"SWrelease");
    EXPECT_EQ(obj.IndexOfName(u"status"), 2);
    EXPECT_EQ(obj.IndexOfName(u"Status"), -1);

    EXPECT_EQ(obj.Add(u"receipt", u"first"), 4);
    EXPECT_EQ(obj.Add(u"receipt", u"second"), 5);
    EXPECT_EQ(obj.Count(), 6);
    EXPECT_EQ(obj.IndexOfName(u"receipt"), 4);
    EXPECT_EQ(obj.getString(u"receipt"), u"first");
    // By position, a repeated name still resolves to its first member.
    EXPECT_EQ(obj.getString(5), u"first");
    const auto* second = static_cast<TJSONobjectmethod*>(obj.GetChild(5));
    EXPECT_EQ(static_cast<TJSONstring*>(second->ObjValue())->AsString(), u"second");
}

// Removal keeps the others in order, and lookups by name stay right.
TEST_P(ObjectModes, RandomRemovalsKeepOrderAndIndex)
{
    std::mt19937 rng(42);
    TJSONobject obj(GetParam());
    std::vector<std::pair<std::u16string, std::u16string>> reference;
    int serial = 0;
    for (int step = 0; step < 2000; ++step) {
        if (reference.empty() || rng() % 5 < 3) {
            std::u16string name(1, static_cast<char16_t>(u'a' + rng() % 8));
            std::string v = std::to_string(serial++);
            std::u16string value(v.begin(), v.end());
            ASSERT_EQ(obj.Add(name, value), static_cast<int>(reference.size()));
            reference.emplace_back(name, value);
        } else {
            const int idx = static_cast<int>(rng() % reference.size());
            obj.Delete(idx);
            reference.erase(reference.begin() + idx);
        }
        ASSERT_EQ(obj.Count(), static_cast<int>(reference.size()));
        for (char16_t c = u'a'; c < u'a' + 8; ++c) {
            const std::u16string name(1, c);
            int first = -1;
            for (std::size_t i = 0; i < reference.size() && first < 0; ++i)
                if (reference[i].first == name)
                    first = static_cast<int>(i);
            ASSERT_EQ(obj.IndexOfName(name), first) << "step " << step;
        }
    }
    for (std::size_t i = 0; i < reference.size(); ++i) {
        EXPECT_EQ(obj.GetNameOf(static_cast<int>(i)), reference[i].first);
        const auto* member = static_cast<TJSONobjectmethod*>(obj.GetChild(static_cast<int>(i)));
        EXPECT_EQ(static_cast<TJSONstring*>(member->ObjValue())->AsString(), reference[i].second);
    }
}

INSTANTIATE_TEST_SUITE_P(UseHash, ObjectModes, testing::Bool());

TEST(JSONobject, PositionsOutOfRangeAndMemberRecords)
{
    TJSONobject obj;
    EXPECT_EQ(obj.Add(u"a", std::unique_ptr<TJSONbase>()), -1);
    EXPECT_EQ(obj.Add(u"a", static_cast<const char16_t*>(nullptr)), -1);
    EXPECT_EQ(obj.Count(), 0);
    obj.Add(u"a", 1);
    obj.Add(u"b", true);

    EXPECT_EQ(obj.GetNameOf(-1), u"");
    EXPECT_EQ(obj.GetNameOf(obj.Count()), u"");
    EXPECT_EQ(obj.GetChild(obj.Count()), nullptr);
    EXPECT_EQ(obj.GetFieldByIndex(-1), nullptr);
    EXPECT_EQ(obj.GetFieldByIndex(2), nullptr);
    obj.RemoveChild(2);
    obj.SetFieldByIndex(9, TJSONnumber::Generate(1));
    EXPECT_EQ(obj.Count(), 2);

    // GetChild gives the member record, GetFieldByIndex its value.
    EXPECT_EQ(obj.GetChild(1)->SelfType(), jsBase);
    EXPECT_EQ(obj.GetFieldByIndex(1)->SelfType(), jsBoolean);
    EXPECT_EQ(obj.IndexOfObject(obj.GetFieldByIndex(1)), 1);
    EXPECT_EQ(obj.IndexOfObject(obj.GetChild(1)), -1);
    EXPECT_EQ(obj.OldGetField(u"missing"), nullptr);
}

namespace {

template <class T>
concept AddsToObject = requires(TJSONobject& o, T&& v) { o.Add(u"name", std::forward<T>(v)); };
template <class T>
concept AddsToList = requires(TJSONlist& l, T&& v) { l.Add(std::forward<T>(v)); };

// Narrow text would convert to bool and be stored as true: it must not
// compile, while UTF-16 text and the other plain values do.
template <class T>
constexpr bool refused = !AddsToObject<T> && !AddsToList<T>;
template <class T>
constexpr bool accepted = AddsToObject<T> && AddsToList<T>;

static_assert(refused<const char (&)[5]> && refused<const char*> && refused<char*> && refused<std::string> &&
              refused<const std::string&> && refused<const char8_t*> && refused<const wchar_t*> &&
              refused<const char32_t*> && refused<const unsigned char*> && refused<std::u8string>);
static_assert(accepted<const char16_t (&)[5]> && accepted<const char16_t*> && accepted<std::u16string> &&
              accepted<bool> && accepted<double> && accepted<std::int32_t> && accepted<std::nullptr_t> &&
              accepted<std::unique_ptr<TJSONbase>>);

}  // namespace

TEST(JSONobject, TypedGetters)
{
    TJSONobject obj;
    obj.Add(u"n", -2.7);
    obj.Add(u"i", 41);
    obj.Add(u"s", u"text");
    obj.Add(u"b", true);
    obj.Add(u"big", 1e10);

    EXPECT_EQ(obj.getInt(u"n"), -2);  // truncated toward zero
    EXPECT_EQ(obj.getInt(u"i"), 41);
    EXPECT_DOUBLE_EQ(obj.getDouble(u"n"), -2.7);
    EXPECT_EQ(obj.getString(u"s"), u"text");
    EXPECT_EQ(obj.getWideString(u"s"), u"text");
    EXPECT_TRUE(obj.getBoolean(u"b"));

    // Absent gives the default; another kind raises, no conversion.
    EXPECT_EQ(obj.getString(u"missing"), u"");
    EXPECT_EQ(obj.getInt(u"missing"), 0);
    EXPECT_FALSE(obj.getBoolean(u"missing"));
    EXPECT_THROW(obj.getString(u"n"), std::bad_cast);
    EXPECT_THROW(obj.getInt(u"s"), std::bad_cast);
    EXPECT_THROW(obj.getBoolean(u"i"), std::bad_cast);
    EXPECT_THROW(obj.getInt(u"big"), std::out_of_range);

    TJSONlist list;
    list.Add(u"x");
    list.Add(2.5);
    EXPECT_EQ(list.getString(0), u"x");
    EXPECT_DOUBLE_EQ(list.getDouble(1), 2.5);
    EXPECT_EQ(list.getString(2), u"");
    EXPECT_THROW(list.getDouble(0), std::bad_cast);
}

TEST(JSONlist, AddFindDeleteKeepOrder)
{
    TJSONlist list;
    EXPECT_EQ(list.Add(std::unique_ptr<TJSONbase>()), -1);
    list.Add(1);
    auto second = TJSONstring::Generate(u"two");
    const TJSONbase* two = second.get();
    EXPECT_EQ(list.Add(std::move(second)), 1);
    list.Add(false);
    EXPECT_EQ(list.IndexOf(two), 1);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf(two), 0);
    EXPECT_EQ(TJSON::GenerateText(list), u"[\"two\",false]");
    list.Delete(5);
    EXPECT_EQ(list.Count(), 2);
}

TEST(JSONvalue, KindsAndNames)
{
    struct Case {
        std::unique_ptr<TJSONbase> value;
        TJSONtypes kind;
        const char16_t* name;
    };
    Case cases[] = {
        {std::make_unique<TJSONbase>(), jsBase, u"jsBase"},
        {TJSONnumber::Generate(0), jsNumber, u"jsNumber"},
        {TJSONstring::Generate(u""), jsString, u"jsString"},
        {TJSONboolean::Generate(false), jsBoolean, u"jsBoolean"},
        {std::make_unique<TJSONnull>(), jsNull, u"jsNull"},
        {TJSONlist::Generate(), jsList, u"jsList"},
        {TJSONobject::Generate(true), jsObject, u"jsObject"},
        {std::make_unique<TJSONobjectmethod>(), jsBase, u"jsBase"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value->SelfType(), c.kind);
        EXPECT_EQ(c.value->SelfTypeName(), c.name);
    }
    EXPECT_EQ(jsObject, 6);
}

TEST(JSONvalue, VariantAccess)
{
    TJSONnumber number;
    EXPECT_EQ(number.Value(), TJSONvariant(0.0));
    number.setValue(u" 2.5 ");
    EXPECT_EQ(number.Value(), TJSONvariant(2.5));
    number.setValue(true);
    EXPECT_EQ(number.Value(), TJSONvariant(1.0));
    EXPECT_THROW(number.setValue(u"2,5"), EJSONVariantError);
    EXPECT_THROW(number.setValue(TJSONvariant()), EJSONVariantError);

    TJSONstring text;
    text.setValue(-0.125);
    EXPECT_EQ(text.Value(), TJSONvariant(std::u16string(u"-0.125")));
    text.setValue(true);
    EXPECT_EQ(text.AsString(), u"True");

    TJSONboolean flag;
    flag.setValue(2.0);
    EXPECT_TRUE(flag.AsBoolean());
    flag.setValue(u"false");
    EXPECT_FALSE(flag.AsBoolean());
    EXPECT_THROW(flag.setValue(u"maybe"), EJSONVariantError);

    // Null, containers and members read as null and ignore writes.
    TJSONnull null;
    TJSONlist list;
    null.setValue(1.0);
    list.setValue(1.0);
    EXPECT_EQ(null.Value(), TJSONvariant());
    EXPECT_EQ(list.Value(), TJSONvariant());
}

TEST(JSONvalue, GetFieldByNameOrPosition)
{
    TJSONobject obj;
    obj.Add(u"a", u"A");
    obj.Add(u"b", 2);
    EXPECT_EQ(obj.GetField(std::u16string(u"b")), obj.OldGetField(u"b"));
    EXPECT_EQ(obj.GetField(0.0), obj.GetChild(0));
    EXPECT_EQ(obj.GetField(7.0), nullptr);
    EXPECT_EQ(obj.GetField(true), &obj);

    TJSONlist list;
    list.Add(5);
    EXPECT_EQ(list.GetField(0.0), list.GetChild(0));
    EXPECT_EQ(list.GetField(std::u16string(u"0")), &list);
    TJSONnumber n;
    EXPECT_EQ(n.GetField(0.0), &n);
}

TEST(JSONvalue, ForEachVisitsInOrderAndStops)
{
    TJSONobject obj;
    obj.Add(u"x", 1);
    obj.Add(u"y", 2);
    obj.Add(u"x", 3);
    obj.Add(u"z", 4);
    std::vector<std::pair<std::u16string, int>> seen;
    int calls = 0;
    obj.ForEach(
        [&](const std::u16string& name, TJSONbase* e, void* data, bool& Continue) {
            EXPECT_EQ(data, &calls);
            seen.emplace_back(name, static_cast<TJSONnumber*>(e)->AsExtended());
            Continue = ++calls < 3;
        },
        &calls);
    // The repeated x resolves to the first x's value.
    const std::vector<std::pair<std::u16string, int>> expected = {{u"x", 1}, {u"y", 2}, {u"x", 1}};
    EXPECT_EQ(seen, expected);

    TJSONlist list;
    list.Add(u"p");
    list.Add(u"q");
    std::vector<std::u16string> names;
    list.ForEach([&](const std::u16string& name, TJSONbase*, void*, bool&) { names.push_back(name); },
                 nullptr);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"0", u"1"}));
    list.ForEach(nullptr, nullptr);
}

TEST(JSONvalue, ContainersFreeWhatTheyOwn)
{
    TProbe::freed = 0;
    {
        auto root = TJSONobject::Generate(true);
        auto inner = TJSONlist::Generate();
        inner->Add(std::make_unique<TProbe>());
        auto nested = TJSONobject::Generate(false);
        nested->Add(u"p", std::make_unique<TProbe>());
        inner->Add(std::move(nested));
        root->Add(u"list", std::move(inner));
        root->Add(u"p", std::make_unique<TProbe>());
        root->Add(u"q", std::make_unique<TProbe>());
        root->Add(u"r", std::make_unique<TProbe>());
        root->Add(u"s", std::make_unique<TProbe>());

        root->Delete(root->IndexOfName(u"p"));                        // removal frees
        root->OldSetField(u"q", TJSONstring::Generate(u"new"));       // replacement frees
        root->SetChild(root->IndexOfName(u"r"), TJSONobjectmethod::Generate(u"r2", nullptr));
        EXPECT_EQ(TProbe::freed, 3);
        EXPECT_EQ(root->IndexOfName(u"r"), -1);
        EXPECT_EQ(root->IndexOfName(u"r2"), 2);
        EXPECT_EQ(root->getString(u"q"), u"new");
    }
    EXPECT_EQ(TProbe::freed, 6);
}

// Freeing and writing must not recurse once per level.
TEST(JSONvalue, VeryDeepTreeIsWrittenAndFreed)
{
    const int depth = 300000;
    std::unique_ptr<TJSONbase> root = std::make_unique<TJSONnull>();
    for (int i = 0; i < depth; ++i) {
        if (i % 2 == 0) {
            auto list = TJSONlist::Generate();
            list->Add(std::move(root));
            root = std::move(list);
        } else {
            auto obj = TJSONobject::Generate(true);
            obj->Add(u"k", std::move(root));
            root = std::move(obj);
        }
    }
    const std::u16string text = TJSON::GenerateText(root.get());
    EXPECT_EQ(text.size(), 4u + depth + depth + (depth / 2) * 4u);
    EXPECT_EQ(text.substr(0, 6), u"{\"k\":[");
    EXPECT_EQ(text.substr(depth / 2 * 6, 6), u"null]}");
    root.reset();
}
