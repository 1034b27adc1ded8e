#include "SimLedger.h"

void TSimLedger::charged(unsigned Astan, long long Acents)
{
    const std::lock_guard lock(Flock);
    Fpayments[Astan] = {Acents, false};
    FlastStan = Astan;
    Ftotal += Acents;
    ++Fcharges;
}

std::optional<long long> TSimLedger::reverse(unsigned Astan)
{
    const std::lock_guard lock(Flock);
    const auto found = Fpayments.find(Astan == 0 ? FlastStan : Astan);
    if (found == Fpayments.end() || found->second.reversed)
        return std::nullopt;
    found->second.reversed = true;
    Ftotal -= found->second.cents;
    ++Freversals;
    return found->second.cents;
}

void TSimLedger::close()
{
    const std::lock_guard lock(Flock);
    Ftotal = 0;
}

void TSimLedger::saveResult(std::string Aframe)
{
    const std::lock_guard lock(Flock);
    FlastResult = std::move(Aframe);
}

std::optional<std::string> TSimLedger::lastResult() const
{
    const std::lock_guard lock(Flock);
    return FlastResult;
}

long long TSimLedger::total() const
{
    const std::lock_guard lock(Flock);
    return Ftotal;
}

std::size_t TSimLedger::charges() const
{
    const std::lock_guard lock(Flock);
    return Fcharges;
}

std::size_t TSimLedger::reversals() const
{
    const std::lock_guard lock(Flock);
    return Freversals;
}
