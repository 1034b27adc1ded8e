#include "SimMessages.h"

#include "SimFrames.h"

#include <algorithm>
#include <charconv>
#include <ctime>

using namespace ecr17::detail;

namespace {

// The last Awidth digits of Avalue, with leading zeros.
std::string digits(unsigned long long Avalue, std::size_t Awidth)
{
    std::string text = std::to_string(Avalue);
    if (text.size() < Awidth)
        text.insert(0, Awidth - text.size(), '0');
    return text.substr(text.size() - Awidth);
}

std::string outcomeGroup(const TSimBehaviour& Ab, std::string_view AdateTime)
{
    if (Ab.result == "00")
        return simFit(Ab.pan, 19) + simFit(Ab.tranType, 3) + simFit(Ab.authCode, 6) + simFit(AdateTime, 7);
    if (Ab.result == "01")
        return simFit(Ab.refusal, 24) + std::string(11, ' ');
    return std::string(35, ' ');
}

std::string outcomeLine(const TSimBehaviour& Ab)
{
    if (Ab.result == "00")
        return "APPROVED AUTH " + Ab.authCode;
    if (Ab.result == "01")
        return "DECLINED";
    return "RESULT " + Ab.result;
}

std::string amountText(long long Acents)
{
    std::string cents = std::to_string(Acents);
    if (cents.size() < 3)
        cents.insert(0, 3 - cents.size(), '0');
    return cents.substr(0, cents.size() - 2) + "." + cents.substr(cents.size() - 2);
}

std::string clock(const char* Aformat)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, Aformat, &local));
}

} // namespace

std::string simFit(std::string_view Atext, std::size_t Awidth)
{
    std::string fitted(Atext.substr(0, Awidth));
    fitted.resize(Awidth, ' ');
    return fitted;
}

std::string simStatusPayload(const TSimBehaviour& Ab, std::string_view AdateTime)
{
    return simFit(Ab.termID, 8) + "0s0000000000" + simFit(AdateTime, 10) + simFit(Ab.status, 1) + Ab.swRelease;
}

std::string simOutcomePayload(const TSimBehaviour& Ab, unsigned Astan, std::string_view AdateTime)
{
    return simFit(Ab.termID, 8) + "0" + Ab.messageCode + simFit(Ab.result, 2) + outcomeGroup(Ab, AdateTime) +
           simFit(Ab.cardType, 1) + simFit(Ab.acquirerID, 11) + digits(Astan, 6) + simFit(Ab.onlineID, 6);
}

std::string simTotalsPayload(const TSimBehaviour& Ab, long long Acents)
{
    return simFit(Ab.termID, 8) + "0T00" + digits(static_cast<unsigned long long>(Acents < 0 ? 0 : Acents), 16);
}

unsigned simReversalStan(std::string_view Apayload)
{
    if (Apayload.size() < 24)
        return 0;
    unsigned stan = 0;
    const auto field = Apayload.substr(18, 6);
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), stan);
    return error == std::errc() && end == field.data() + field.size() ? stan : 0;
}

std::vector<std::string> simReceiptBlocks(const std::vector<std::string>& Alines, std::size_t Acount)
{
    std::vector<std::string> lines = Alines;
    if (lines.size() < Acount)
        lines.resize(Acount);
    std::vector<std::string> blocks;
    for (std::size_t b = 0; b < Acount; ++b) {
        std::string block = "000000000S";
        for (std::size_t i = b * lines.size() / Acount; i < (b + 1) * lines.size() / Acount; ++i)
            block += lines[i] + "}";
        blocks.push_back(block);
    }
    if (!blocks.empty())
        blocks.back() += simByte(ESC);
    return blocks;
}

std::vector<std::string> simReceiptLines(const TSimBehaviour& Ab, unsigned Astan, long long Acents)
{
    return {"SIMULATED TERMINAL", "TERMINAL " + Ab.termID, "PAYMENT", "AMOUNT EUR " + amountText(Acents),
            "STAN " + digits(Astan, 6), outcomeLine(Ab)};
}

long long simRequestCents(std::string_view Apayload)
{
    if (Apayload.size() < 31)
        return 0;
    long long cents = 0;
    const auto field = Apayload.substr(23, 8);
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), cents);
    const bool whole = error == std::errc() && end == field.data() + field.size();
    return whole && cents >= 0 ? cents : 0;
}

std::string simStatusClock()
{
    return clock("%d%m%y%H%M");
}

std::string simOutcomeClock()
{
    return clock("%j%H%M");
}
