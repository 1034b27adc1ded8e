// What the simulated terminal remembers of the money: the payments it
// charged, which of them were reversed, the total since the last close, and
// the last result frame it saved (for "send last result"). Read by tests
// from another thread while the terminal serves, so it is locked.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>

class TSimLedger {
public:
    // An approved payment of Acents with its STAN.
    void charged(unsigned Astan, long long Acents);
    // Reverses the payment with the STAN (0: the last one charged) and
    // returns its cents; none when it is unknown or was reversed already.
    std::optional<long long> reverse(unsigned Astan);
    // The session close: the total starts again from zero.
    void close();
    void saveResult(std::string Aframe);

    std::optional<std::string> lastResult() const;
    long long total() const;
    std::size_t charges() const;
    std::size_t reversals() const;

private:
    struct TPayment {
        long long cents;
        bool reversed;
    };
    mutable std::mutex Flock;
    std::map<unsigned, TPayment> Fpayments;
    unsigned FlastStan = 0;
    long long Ftotal = 0;
    std::size_t Fcharges = 0;
    std::size_t Freversals = 0;
    std::optional<std::string> FlastResult;
};
