#include "LogException.h"

#include "DiagLoggerU.h"
#include "TextConvert.h"

using ecr17::detail::utf8ToText;

void logException(const std::exception& Aerror)
{
    dlogMsg(utf8ToText(Aerror.what()), lvError);
    throw;
}
