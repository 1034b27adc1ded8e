#include "ClientExchange.h"

#include <stdexcept>
#include <string>

namespace {

constexpr TPrintMode receiptPrinted = 2;

} // namespace

std::unique_ptr<TECR> benchClient(std::uint16_t Aport, std::int32_t Atimeout)
{
    auto ecr = std::make_unique<TECR>();
    ecr->setHost(u"127.0.0.1");
    ecr->setPort(Aport);
    ecr->setTimeout(Atimeout);
    ecr->setPrintMode(receiptPrinted);
    return ecr;
}

void enableLog(const std::u16string& AlogFile)
{
    if (!TECR::logEnable(AlogFile))
        throw std::runtime_error("the log file could not be switched on");
}

void clientPay(TECR& Aecr)
{
    std::u16string result;
    bool timedOut = false;
    if (!Aecr.pay(oneCent, u"", result, timedOut) || timedOut || result.empty())
        throw std::runtime_error("TECR::pay did not complete against the instant terminal");
}

void clientStatus(TECR& Aecr)
{
    std::u16string result;
    if (!Aecr.status(result) || result.empty())
        throw std::runtime_error("TECR::status did not complete against the instant terminal");
}
