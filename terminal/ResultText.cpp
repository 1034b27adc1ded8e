#include "ResultText.h"

#include "uJSON.h"

std::u16string resultFieldsToText(std::span<const TResultField> Afields)
{
    std::u16string out;
    for (const TResultField& field : Afields) {
        out += field.label;
        out += field.value;
        out += u'\n';
    }
    return out;
}

std::u16string resultFieldsToJSON(std::span<const TResultField> Afields)
{
    TJSONobject object(true);
    for (const TResultField& field : Afields) object.Add(std::u16string(field.name), field.value);
    return TJSON::GenerateText(object);
}
