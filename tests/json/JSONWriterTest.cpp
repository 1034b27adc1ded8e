#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>
#include <cmath>
#include <functional>
#include <limits>
#include <locale>
#include <string>

#include "uJSON.h"

namespace {

std::unique_ptr<TJSONbase> str(std::u16string s)
{
    return TJSONstring::Generate(std::move(s));
}

std::unique_ptr<TJSONbase> num(long double v)
{
    return TJSONnumber::Generate(v);
}

std::unique_ptr<TJSONbase> list(std::function<void(TJSONlist&)> fill = {})
{
    auto l = TJSONlist::Generate();
    if (fill)
        fill(*l);
    return l;
}

std::unique_ptr<TJSONbase> object(std::function<void(TJSONobject&)> fill = {})
{
    auto o = TJSONobject::Generate(true);
    if (fill)
        fill(*o);
    return o;
}

struct WriterCase {
    const char* what;
    std::function<std::unique_ptr<TJSONbase>()> tree;
    std::u16string text;
};

}  // namespace

TEST(JSONWriter, Table)
{
    const double inf = std::numeric_limits<double>::infinity();
    const WriterCase cases[] = {
        {"string members",
         [] { return object([](TJSONobject& o) { o.Add(u"termID", u"12345678"); o.Add(u"status", u"00"); }); },
         u"{\"termID\":\"12345678\",\"status\":\"00\"}"},
        {"empty object", [] { return object(); }, u"{}"},
        {"empty array", [] { return list(); }, u"[]"},
        {"number, true, null",
         [] { return list([](TJSONlist& l) { l.Add(1); l.Add(true); l.Add(std::make_unique<TJSONnull>()); }); },
         u"[1,true,null]"},
        {"line feed", [] { return object([](TJSONobject& o) { o.Add(u"receipt", u"A\nB"); }); },
         u"{\"receipt\":\"A\\nB\"}"},
        {"short escapes", [] { return str(u"\b\t\n\f\r\"/\\"); }, u"\"\\b\\t\\n\\f\\r\\\"\\/\\\\\""},
        {"solidus in a date", [] { return str(u"12/05/24"); }, u"\"12\\/05\\/24\""},
        {"other control codes upper-case hex",
         [] { return str(std::u16string(u"\x0001\x000B\x001B\x001F", 4) + std::u16string(1, u'\0')); },
         u"\"\\u0001\\u000B\\u001B\\u001F\\u0000\""},
        {"DEL and non-ASCII as themselves", [] { return str(u"\x007F\x00E9\x20AC\xFEFF"); },
         u"\"\x007F\x00E9\x20AC\xFEFF\""},
        {"surrogate pair and unpaired surrogates", [] { return str(u"\xD83D\xDE00|\xD800|\xDC00"); },
         u"\"\xD83D\xDE00|\xD800|\xDC00\""},
        {"names are escaped too", [] { return object([](TJSONobject& o) { o.Add(u"a\"/b", true); }); },
         u"{\"a\\\"\\/b\":true}"},
        {"repeated names, insertion order",
         [] { return object([](TJSONobject& o) { o.Add(u"x", 1); o.Add(u"y", 2); o.Add(u"x", 3); }); },
         u"{\"x\":1,\"y\":2,\"x\":3}"},
        {"nesting",
         [] {
             return object([](TJSONobject& o) {
                 o.Add(u"a", list([](TJSONlist& l) { l.Add(1); l.Add(object([](TJSONobject& i) { i.Add(u"b", list()); })); }));
                 o.Add(u"c", object());
                 o.Add(u"d", false);
             });
         },
         u"{\"a\":[1,{\"b\":[]}],\"c\":{},\"d\":false}"},
        {"member without value", [] { return object([](TJSONobject& o) { o.AppendChild(std::make_unique<TJSONobjectmethod>()); }); },
         u"{\"\":null}"},
        {"value of no JSON kind", [] { return list([](TJSONlist& l) { l.Add(std::make_unique<TJSONbase>()); }); },
         u"[null]"},
        {"numbers",
         [] {
             return list([](TJSONlist& l) {
                 for (long double v : {3.0L, 2.5L, -0.125L, 0.1L, 1.0L / 3, 100.0L, 123456789012345.0L, 1e10L,
                                       0.0001L, 123.456L})
                     l.Add(num(v));
                 l.Add(0.1 + 0.2);  // 0.30000000000000004 as a double
                 l.Add(1.0 / 3);
                 l.Add(2.0 / 3 * 1e5);
             });
         },
         u"[3,2.5,-0.125,0.1,0.333333333333333,100,123456789012345,10000000000,0.0001,123.456,0.3,"
         u"0.333333333333333,66666.6666666667]"},
        {"numbers in scientific notation",
         [] {
             return list([](TJSONlist& l) {
                 for (long double v : {1e15L, 1234567890123456.0L, 1e20L, -2.5e-7L, 1e-300L, 1e4000L, 1e-5L,
                                       9.999999999999999e22L})
                     l.Add(num(v));
                 l.Add(-1.5e-5);
                 l.Add(9.9999999999999999e14);
             });
         },
         u"[1e+15,1.23456789012346e+15,1e+20,-2.5e-7,1e-300,1e+4000,1e-5,1e+23,-1.5e-5,1e+15]"},
        {"negative zero", [] { return num(-0.0L); }, u"-0"},
        {"not finite", [=] { return list([=](TJSONlist& l) { l.Add(inf); l.Add(-inf); l.Add(std::nan("")); }); },
         u"[null,null,null]"},
        {"subnormals keep 15 digits",
         [] {
             return list([](TJSONlist& l) {
                 l.Add(std::numeric_limits<double>::denorm_min());
                 l.Add(-2.5e-320);
                 l.Add(1e-310);
                 l.Add(num(std::numeric_limits<long double>::denorm_min()));
             });
         },
         u"[4.94065645841247e-324,-2.49997216795671e-320,9.99999999999997e-311,3.64519953188247e-4951]"},
        {"empty object positions are left out with their commas",
         [] {
             auto o = object([](TJSONobject& m) {
                 for (const char16_t* name : {u"a", u"b", u"c", u"d"})
                     m.Add(name, 1);
             });
             o->SetChild(0, nullptr);
             o->SetChild(2, nullptr);
             return o;
         },
         u"{\"b\":1,\"d\":1}"},
        {"an object of empty positions only",
         [] {
             auto o = object([](TJSONobject& m) { m.Add(u"a", 1); m.Add(u"b", 2); });
             o->SetChild(1, nullptr);
             o->SetChild(0, nullptr);
             return o;
         },
         u"{}"},
        {"a lone member record", [] { return TJSONobjectmethod::Generate(u"k", str(u"v")); }, u"\"k\":\"v\""},
    };
    for (const WriterCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(TJSON::GenerateText(c.tree().get()), c.text);
    }
    EXPECT_EQ(TJSON::GenerateText(nullptr), u"");
}

// Numbers carry the C library's %.15Lg digits (the exponent without
// leading zeros), for doubles and for extended values, including values
// right at the rounding boundary of the 15th digit.
TEST(JSONWriter, NumbersHaveFifteenCorrectlyRoundedDigits)
{
    std::mt19937_64 rng(99);
    std::vector<long double> values;
    for (int i = 0; i < 20000; ++i) {
        double d;
        std::uint64_t bits = rng();
        std::memcpy(&d, &bits, sizeof d);
        if (std::isfinite(d))
            values.push_back(d);
        values.push_back(static_cast<long double>(rng() % 2000000000) / (rng() % 999999 + 1));
        // Ties at the 16th digit, and just beside them.
        const std::string tie = "0." + std::to_string(100000000000000 + rng() % 900000000000000) + "5e" +
                                std::to_string(static_cast<int>(rng() % 40) - 20);
        values.push_back(std::strtod(tie.c_str(), nullptr));
        values.push_back(std::strtold(tie.c_str(), nullptr));
    }
    // Where the notation switches and where rounding carries into a new
    // leading digit, with the neighbours on both sides.
    for (long double edge : {1e-4L, 9.999999999999995e-5L, 99999999999999.95L, 999999999999999.5L, 1e15L})
        for (long double v : {std::nextafter(edge, 0.0L), edge, std::nextafter(edge, 1e16L)})
            for (long double w : {v, static_cast<long double>(static_cast<double>(v)), -v})
                values.push_back(w);
    for (long double v : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.15Lg", v);
        std::string want = expected;
        const auto e = want.find('e');
        if (e != std::string::npos)
            while (want[e + 2] == '0' && e + 3 < want.size())
                want.erase(e + 2, 1);
        const std::u16string got = TJSON::GenerateText(TJSONnumber::Generate(v).get());
        ASSERT_EQ(std::string(got.begin(), got.end()), want) << static_cast<double>(v);
    }
}

TEST(JSONWriter, LongStringIsWrittenWhole)
{
    std::u16string value;
    std::u16string expected = u"[\"";
    for (int i = 0; i < 30000; ++i) {
        value += u"a/\n\x00E9";
        expected += u"a\\/\\n\x00E9";
    }
    expected += u"\"]";
    TJSONlist l;
    l.Add(value);
    EXPECT_EQ(value.size(), 120000u);
    EXPECT_EQ(TJSON::GenerateText(l), expected);
}

namespace {

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

}  // namespace

// The process locale (C and C++) never changes the "." of the text.
TEST(JSONWriter, DecimalPointWhateverTheLocale)
{
    const std::string savedC = std::setlocale(LC_ALL, nullptr);
    const std::locale savedCpp = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    bool commaC = false;
    for (const char* name : {"de_DE.UTF-8", "it_IT.UTF-8", "fr_FR.UTF-8", "de_DE", "it_IT"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            commaC = true;
            break;
        }
    }
    TJSONlist l;
    l.Add(2.5);
    const std::u16string text = TJSON::GenerateText(l);
    auto back = TJSON::ParseText(u"[2.5]");
    std::setlocale(LC_ALL, savedC.c_str());
    std::locale::global(savedCpp);

    EXPECT_EQ(text, u"[2.5]");
    ASSERT_NE(back, nullptr);
    EXPECT_DOUBLE_EQ(static_cast<TJSONlist*>(back.get())->getDouble(0), 2.5);
    if (!commaC)
        GTEST_SKIP() << "no C locale with a decimal comma installed; checked the C++ locale only";
}
