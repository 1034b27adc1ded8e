// TPaymentJournal: the record that keeps a lost payment outcome from turning
// into a second charge.
//
// A JSON Lines file, one object of string members per step, each on the disk
// before the step it announces goes on. A payment or reversal writes "sent"
// before its request goes on the wire, then "outcome" once the terminal's
// outcome is accepted and acknowledged, or "unknown" when the exchange ended
// without one. An operation whose last record is "sent" or "unknown" is
// pending: its outcome is not known, and the client refuses another payment
// until it is recovered from the terminal ("outcome" or "recovered") or
// resolved by the operator ("resolved").
//
// Every record carries what the next step needs (the operation, its sequence
// number "ref", and the STAN of the last known outcome), so the state is read
// from the last whole line alone: a torn last line is ignored, and only the
// file's tail is ever read.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ecr17::detail {

struct TJournalRecord {
    std::vector<std::pair<std::u16string, std::u16string>> fields;

    // The member's value; empty when there is none.
    std::u16string get(std::u16string_view Aname) const;
    // Replaces the member or adds it at the end.
    void set(std::u16string_view Aname, std::u16string Avalue);
};

class TPaymentJournal {
public:
    // Empty: no journal.
    void setPath(std::u16string Apath);
    std::u16string path() const;
    bool active() const;

    // The last record when it leaves an operation pending.
    std::optional<TJournalRecord> pending() const;

    // Opens an operation ("payment" or "reversal") with its "sent" record.
    void sent(std::u16string_view Aoperation, std::u16string_view Aamount, std::u16string_view Adescription,
              std::u16string_view Astan);
    // The open operation's outcome (its rendered text and STAN). Never
    // raises: the outcome is the caller's already, and an unwritten record
    // leaves the operation pending, which errs on the safe side.
    void outcome(const std::u16string& Aoutcome, const std::u16string& Astan) noexcept;
    // Ends the open operation: "unknown" unless its outcome was written.
    // Never raises; a failure is logged.
    void finish() noexcept;
    // What the terminal reported for the pending operation: "outcome" when
    // its last result is that operation, "recovered" when it is another one.
    void recovered(const TJournalRecord& Apending, bool AisPending, const std::u16string& Aoutcome,
                   const std::u16string& Astan);
    void resolved(const TJournalRecord& Apending, const std::u16string& Anote);

private:
    TJournalRecord lastRecord() const;
    // Carries the operation's members of Afrom over into a new record.
    static TJournalRecord following(const TJournalRecord& Afrom, std::u16string_view Astep);
    void append(TJournalRecord Arecord) const;

    mutable std::mutex Flock;
    std::u16string Fpath;
    // The "sent" record of the operation running now.
    std::optional<TJournalRecord> Fopen;
};

// Ends the journal's open operation when an exchange ends, on every path.
class TJournalFinish {
public:
    explicit TJournalFinish(TPaymentJournal& Ajournal) noexcept : Fjournal(Ajournal) {}
    ~TJournalFinish()
    {
        if (Factive)
            Fjournal.finish();
    }
    TJournalFinish(const TJournalFinish&) = delete;
    TJournalFinish& operator=(const TJournalFinish&) = delete;
    // Another owner (an asynchronous payment's worker) ends the operation.
    void handOver() noexcept { Factive = false; }

private:
    TPaymentJournal& Fjournal;
    bool Factive = true;
};

} // namespace ecr17::detail
