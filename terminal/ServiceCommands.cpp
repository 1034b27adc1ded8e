#include "ServiceCommands.h"

#include "TextConvert.h"

namespace ecr17::detail {

std::u16string printModeCommand(TPrintMode AprintMode)
{
    return u"000000000E" + intToText(AprintMode);
}

std::u16string reprintCommand(bool AserviceTicket)
{
    return std::u16string(u"000000000R0") + (AserviceTicket ? u'1' : u'0') + u"0000000000";
}

std::u16string reversalCommand(std::u16string_view Astan)
{
    return u"000000000S" + std::u16string(8, u'0') + std::u16string(Astan) + u"00";
}

} // namespace ecr17::detail
