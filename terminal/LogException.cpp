#include "LogException.h"

#include "DiagLoggerU.h"
#include "TextConvert.h"

void logException(const std::exception& Aerror)
{
    dlogMsg(utf8ToText(Aerror.what()), lvError);
    throw;
}
