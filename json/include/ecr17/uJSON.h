// JSON documents: the value tree, its compact writer and its lenient reader.
//
// Building and writing a result object of string members:
//
//     TJSONobject obj;                        // name index in use
//     obj.Add(u"termID", u"12345678");        // Add(name, std::u16string)
//     obj.Add(u"status", status);
//     std::u16string text = TJSON::GenerateText(obj);   // {"termID":"12345678",...}
//
// Reading a text back and using its string members:
//
//     std::unique_ptr<TJSONbase> root = TJSON::ParseText(text);  // null when unreadable
//     if (auto* o = dynamic_cast<TJSONobject*>(root.get())) {
//         std::u16string id = o->getString(u"termID");  // empty when absent
//         o->Add(u"receipt", receipt);                   // appended after the others
//         text = TJSON::GenerateText(*o);
//     }
//
// getString raises std::bad_cast when the member is not a string. Values
// passed as std::unique_ptr pass into the container; freeing the root frees
// the whole tree.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "BalTree.h"
#include "JSONValue.h"

class TJSON {
public:
    // Compact JSON text of the tree rooted at obj; empty text for null. Names
    // and strings are escaped ("\/" included, other control codes as
    // \u00XX), characters from U+007F up are written as they are, numbers
    // have 15 significant digits and "." whatever the locale. A number that
    // is not finite, a member without a value, an array position without
    // one and a value of no JSON kind are written as null; an object
    // position without a member is left out, its comma too. Trees of any
    // depth are written without recursion.
    static std::u16string GenerateText(const TJSONbase* obj);
    static std::u16string GenerateText(const TJSONbase& obj);

    // The first JSON value of txt, or null when there is none. Lenient:
    // commas between elements are optional and one trailing comma is
    // allowed, a leading "+" and leading zeros in numbers are accepted,
    // unknown escapes are dropped, text after the value is ignored. A UTF-8
    // byte-order mark read as the three characters U+00EF U+00BB U+00BF is
    // skipped. Containers nested deeper than kMaxDepth give null. Raises
    // nothing.
    static std::unique_ptr<TJSONbase> ParseText(std::u16string_view txt) noexcept;

    static constexpr int kMaxDepth = 512;
};
