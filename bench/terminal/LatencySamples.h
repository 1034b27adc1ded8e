// Latencies of one kind of operation, in microseconds, and how they print.
#pragma once

#include <chrono>
#include <string>
#include <vector>

class TLatencySamples {
public:
    using clock = std::chrono::steady_clock;

    void add(clock::duration Aelapsed);
    // Runs Aoperation once and records how long it took.
    template <class F>
    void time(F&& Aoperation)
    {
        const auto start = clock::now();
        Aoperation();
        add(clock::now() - start);
    }
    void append(const TLatencySamples& Aother);

    std::size_t count() const noexcept { return Fus.size(); }
    // The value below which Afraction of the samples lie (0.5: the median).
    double quantile(double Afraction) const;
    double median() const { return quantile(0.5); }
    double p99() const { return quantile(0.99); }
    double max() const { return quantile(1.0); }

private:
    mutable std::vector<double> Fus;
    mutable bool Fsorted = true;
};

// "<name>  median 123.4 us  p99 234.5 us  max 345.6 us  (n samples)"
void printLatency(const std::string& Aname, const TLatencySamples& Asamples);
// "RESULT <name> <value> <unit>"
void printResult(const std::string& Aname, double Avalue, const std::string& Aunit);
