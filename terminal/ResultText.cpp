#include "ResultText.h"

#include "uJSON.h"

#include <memory>

namespace ecr17::detail {

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

std::u16string appendResultField(std::u16string_view Ares, const TResultField& Afield, bool AJSONout)
{
    if (!AJSONout) {
        std::u16string out(Ares);
        out += Afield.label;
        out += Afield.value;
        out += u'\n';
        return out;
    }
    const std::unique_ptr<TJSONbase> root = TJSON::ParseText(Ares);
    auto* object = dynamic_cast<TJSONobject*>(root.get());
    if (!object) return {};
    object->Add(std::u16string(Afield.name), Afield.value);
    return TJSON::GenerateText(*object);
}

} // namespace ecr17::detail
