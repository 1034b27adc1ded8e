// One operation on the terminal at a time.
//
// An operation claims the slot before it touches the client and gives it
// back when it has ended; a claim made while another runs is refused with
// the running one's name. Once the bridge stops, every claim is refused and
// waitIdle lets the operation in progress finish first.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

class TOperationSlot {
public:
    // Held while the operation runs; gives the slot back when destroyed.
    class TClaim {
    public:
        explicit TClaim(TOperationSlot& Aslot) noexcept : Fslot(&Aslot) {}
        TClaim(TClaim&& Aother) noexcept : Fslot(Aother.Fslot) { Aother.Fslot = nullptr; }
        TClaim& operator=(TClaim&&) = delete;
        ~TClaim();

    private:
        TOperationSlot* Fslot;
    };

    // Why a claim was refused.
    struct TBusy {
        bool stopping;
        std::string running;   // the operation that holds the slot
    };

    // A claim, or why there is none (Abusy).
    std::optional<TClaim> tryClaim(const std::string& Aname, TBusy& Abusy);
    // Refuses every claim from now on.
    void refuseAll();
    // Waits until no operation holds the slot.
    void waitIdle();

private:
    void release() noexcept;

    std::mutex Fmutex;
    std::condition_variable Freleased;
    std::optional<std::string> Frunning;
    bool Fstopping = false;
};
