#include "LatencySamples.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void TLatencySamples::add(clock::duration Aelapsed)
{
    Fus.push_back(std::chrono::duration<double, std::micro>(Aelapsed).count());
    Fsorted = false;
}

void TLatencySamples::append(const TLatencySamples& Aother)
{
    Fus.insert(Fus.end(), Aother.Fus.begin(), Aother.Fus.end());
    Fsorted = false;
}

double TLatencySamples::quantile(double Afraction) const
{
    if (Fus.empty())
        return 0.0;
    if (!Fsorted) {
        std::sort(Fus.begin(), Fus.end());
        Fsorted = true;
    }
    // Nearest rank.
    const auto rank = static_cast<std::size_t>(std::ceil(Afraction * static_cast<double>(Fus.size())));
    return Fus[std::clamp<std::size_t>(rank, 1, Fus.size()) - 1];
}

void printLatency(const std::string& Aname, const TLatencySamples& Asamples)
{
    std::printf("%-28s median %8.1f us   p99 %8.1f us   max %8.1f us   (%zu samples)\n", Aname.c_str(),
                Asamples.median(), Asamples.p99(), Asamples.max(), Asamples.count());
}

void printResult(const std::string& Aname, double Avalue, const std::string& Aunit)
{
    std::printf("RESULT %s %.3f %s\n", Aname.c_str(), Avalue, Aunit.c_str());
    std::fflush(stdout);
}
