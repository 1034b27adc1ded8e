// TECR's recovery of a lost outcome: the terminal's last result, the payment
// journal, and what the operator does when neither can tell.
#include "ECR17u.h"

#include "EcrState.h"

#include "ConnectionCloser.h"
#include "DiagLoggerU.h"
#include "LogException.h"
#include "LoggerU.h"
#include "OperationGuard.h"
#include "PaymentResponse.h"
#include "ResultText.h"
#include "ServiceCommands.h"

#include <utility>
#include <vector>
#include <stdexcept>

using namespace ecr17::detail;

namespace {

// What pendingOperation shows of a journal record (member, label), in this
// order.
constexpr std::pair<std::u16string_view, std::u16string_view> pendingFields[] = {
    {u"operation", u"Operation: "}, {u"amount", u"Amount: "}, {u"description", u"Description: "},
    {u"stan", u"STAN: "},           {u"ref", u"Sequence: "},  {u"step", u"Step: "},
    {u"time", u"Time: "},
};

std::vector<TResultField> describe(const TJournalRecord& Arecord)
{
    std::vector<TResultField> fields;
    for (const auto& [name, label] : pendingFields)
        if (std::u16string value = Arecord.get(name); !value.empty())
            fields.push_back({name, label, std::move(value)});
    return fields;
}

[[noreturn]] void nothingPending()
{
    throw std::runtime_error("No operation is pending");
}

} // namespace

bool TECR::lastResult(std::u16string& Ares)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"lastResult");
    dlogMsg(u"Last result requested", lvInfo);
    refuseWhileCollecting();
    const TOperationGuard guard(Fstate->FoperationRunning);
    std::u16string received;
    if (!fetchLastResult(received))
        return false;
    return withLogException([&] { return parsePaymentRes(received, Fstate->FJSONout, Ares); });
}

bool TECR::fetchLastResult(std::u16string& Areceived)
{
    const TConnectionCloser closer(Fstate->FLink.tcpClient());
    return withLogException([&] {
        if (!Fstate->FLink.Send(lastResultCommand))
            return false;
        Areceived = awaitAnswer(Fstate->Ftimeout, isPaymentOutcome, u"Not a result, dropped: ");
        if (Areceived.empty()) {
            dlogMsg(u"Last result not received", lvWarning);
            return false;
        }
        Fstate->FLink.SendACK();
        dlogMsg(u"Last result received", lvNotice);
        return true;
    });
}

bool TECR::recover(std::u16string& Ares)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"recover");
    dlogMsg(u"Recovery of the pending operation", lvInfo);
    refuseWhileCollecting();
    const TOperationGuard guard(Fstate->FoperationRunning);
    const std::optional<TJournalRecord> pending = withLogException([&] {
        auto found = Fstate->Fjournal.pending();
        if (!found)
            nothingPending();
        return found;
    });
    std::u16string received;
    if (!fetchLastResult(received))
        return false;
    return withLogException([&] {
        std::u16string outcome;
        parsePaymentRes(received, Fstate->FJSONout, outcome);
        const std::u16string stan = paymentStan(received);
        // The terminal's last result is the pending operation's unless it is
        // still the one the journal knew before that operation was sent.
        const bool isPending = stan != pending->get(u"lastStan");
        Fstate->Fjournal.recovered(*pending, isPending, outcome, stan);
        dlogMsg(isPending ? u"Recovered: the terminal's last result is the pending operation"
                          : u"Recovered: the terminal's last result is another operation",
                lvNotice);
        Ares = appendResultField(outcome, {u"lastResultOf", u"Last result of: ", isPending ? u"pending" : u"other"},
                                 Fstate->FJSONout);
        return true;
    });
}

bool TECR::pendingOperation(std::u16string& Ares)
{
    Ares.clear();
    const TMethodTrace trace = Logger().TraceMethod(u"pendingOperation");
    return withLogException([&] {
        const std::optional<TJournalRecord> pending = Fstate->Fjournal.pending();
        if (!pending)
            return false;
        const std::vector<TResultField> fields = describe(*pending);
        Ares = Fstate->FJSONout ? resultFieldsToJSON(fields) : resultFieldsToText(fields);
        dlogMsg(u"Pending operation: " + pending->get(u"operation") + u" " + pending->get(u"ref"), lvWarning);
        return true;
    });
}

void TECR::resolvePending(const std::u16string& Anote)
{
    const TMethodTrace trace = Logger().TraceMethod(u"resolvePending");
    refuseWhileCollecting();
    const TOperationGuard guard(Fstate->FoperationRunning);
    withLogException([&] {
        const std::optional<TJournalRecord> pending = Fstate->Fjournal.pending();
        if (!pending)
            nothingPending();
        Fstate->Fjournal.resolved(*pending, Anote);
        dlogMsg(u"Pending operation resolved: " + Anote, lvNotice);
    });
}

void TECR::setJournal(const std::u16string& Apath)
{
    const TMethodTrace trace = Logger().TraceMethod(u"SetJournal");
    withLogException([&] {
        Fstate->Fjournal.setPath(Apath);
        dlogMsg(u"Journal setted: " + Apath, lvConfig);
    });
}

std::u16string TECR::journal() const
{
    return Fstate->Fjournal.path();
}
