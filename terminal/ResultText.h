// The two forms of a result text: a JSON object whose members are all strings,
// or labelled lines (label, value, LF), one per field, in the same order.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ecr17::detail {

struct TResultField {
    std::u16string_view name;   // JSON member name
    std::u16string_view label;  // text label, with its trailing ": "
    std::u16string value;
};

std::u16string resultFieldsToJSON(std::span<const TResultField> Afields);
std::u16string resultFieldsToText(std::span<const TResultField> Afields);

// Ares with one more field at the end. JSON: Ares read back as an object and
// written again with the member added; empty when Ares is not an object.
std::u16string appendResultField(std::u16string_view Ares, const TResultField& Afield, bool AJSONout);

} // namespace ecr17::detail
