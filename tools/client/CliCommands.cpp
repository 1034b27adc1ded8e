#include "CliCommands.h"

#include "CliRun.h"
#include "CliScope.h"
#include "ECR17u.h"
#include "TextConvert.h"

#include <istream>
#include <iterator>
#include <ostream>
#include <stdexcept>

using namespace ecr17::detail;

namespace {

int exitOf(bool Aresult)
{
    return Aresult ? cliExitTrue : cliExitFalse;
}

// A command whose result is the text of one TECR operation: the text on
// standard output.
template <bool (TECR::*Operation)(std::u16string&)>
int printed(TECR& Aecr, const TCliRequest&, const TCliStreams& As)
{
    std::u16string res;
    const bool ok = (Aecr.*Operation)(res);
    As.out << textToUtf8(res);
    return exitOf(ok);
}

// What a payment's result text does not say: the last wait ran out, the
// receipt in it is cut short.
void reportPaymentEnd(const TECR& Aecr, bool AtimedOut, const TCliStreams& As)
{
    if (AtimedOut)
        As.err << "Timeout\n";
    if (!Aecr.receiptComplete())
        As.err << "Receipt incomplete\n";
}

int pay(TECR& Aecr, const TCliRequest& Ar, const TCliStreams& As)
{
    std::u16string res;
    bool timedOut = false;
    const bool ok = Aecr.pay(Ar.amount, utf8ToText(Ar.description), res, timedOut);
    As.out << textToUtf8(res);
    reportPaymentEnd(Aecr, timedOut, As);
    return exitOf(ok);
}

int payAsync(TECR& Aecr, const TCliRequest& Ar, const TCliStreams& As)
{
    TCliScope& scope = TCliScope::active();
    if (!Aecr.payAsync(Ar.amount, utf8ToText(Ar.description), TCliScope::onCompletion))
        return cliExitFalse;
    std::u16string res;
    bool timedOut = false;
    scope.awaitCompletion(res, timedOut);
    As.out << textToUtf8(res);
    reportPaymentEnd(Aecr, timedOut, As);
    std::u16string polled;
    bool polledTimeout = false;
    if (!Aecr.payAsyncPolling(polled, polledTimeout) || polled != res || polledTimeout != timedOut)
        throw std::runtime_error("polling did not return what the completion callback received");
    return cliExitTrue;
}

int reversal(TECR& Aecr, const TCliRequest& Ar, const TCliStreams& As)
{
    std::u16string res;
    bool timedOut = false;
    const bool ok = Aecr.reversal(utf8ToText(Ar.argument), res, timedOut);
    As.out << textToUtf8(res);
    reportPaymentEnd(Aecr, timedOut, As);
    return exitOf(ok);
}

int reprint(TECR& Aecr, const TCliRequest& Ar, const TCliStreams&)
{
    return exitOf(Aecr.reprint(Ar.serviceTicket));
}

int closeSession(TECR& Aecr, const TCliRequest&, const TCliStreams&)
{
    return exitOf(Aecr.closeSession());
}

int resolve(TECR& Aecr, const TCliRequest& Ar, const TCliStreams&)
{
    Aecr.resolvePending(utf8ToText(Ar.argument));
    return cliExitTrue;
}

int validate(TECR& Aecr, const TCliRequest& Ar, const TCliStreams&)
{
    return exitOf(Aecr.amountValidate(Ar.amount));
}

int formatReceipt(TECR& Aecr, const TCliRequest&, const TCliStreams& As)
{
    const std::string receipt{std::istreambuf_iterator<char>(As.in), std::istreambuf_iterator<char>()};
    As.out << textToUtf8(Aecr.formatReceipt(utf8ToText(receipt)));
    return cliExitTrue;
}

using enum TCliArgs;
using enum TCliJournal;

constexpr TCliCommandSpec commands[] = {
    {"status", "[options] status", "the terminal's status", None, 0, 0, true, Refused, printed<&TECR::status>},
    {"pay", "[options] pay AMOUNT [DESCRIPTION]", "a payment", AmountText, 1, 2, true, Optional, pay},
    {"pay-async", "[options] pay-async AMOUNT [DESCRIPTION]", "a payment through the asynchronous interface",
     AmountText, 1, 2, true, Optional, payAsync},
    {"reversal", "[options] reversal [STAN]", "reverses a payment (no STAN: the last one)", Text, 0, 1, true,
     Optional, reversal},
    {"reprint", "[options] reprint [--service-ticket]", "prints the last ticket again", None, 0, 0, true, Refused,
     reprint},
    {"close-session", "[options] close-session", "closes the terminal's session", None, 0, 0, true, Refused,
     closeSession},
    {"last-result", "[options] last-result", "the terminal's copy of its last result", None, 0, 0, true, Refused,
     printed<&TECR::lastResult>},
    {"totals", "[options] totals", "the terminal's total since its last close", None, 0, 0, true, Refused, printed<&TECR::totals>},
    {"pending", "--journal FILE pending", "the journal's operation without an outcome, if any", None, 0, 0, false,
     Required, printed<&TECR::pendingOperation>},
    {"recover", "[options] --journal FILE recover", "asks the terminal for the pending operation's outcome", None, 0,
     0, true, Required, printed<&TECR::recover>},
    {"resolve", "--journal FILE resolve NOTE", "ends the pending operation with the operator's note", Text, 1, 1,
     false, Required, resolve},
    {"validate", "validate AMOUNT", "checks an amount", AmountText, 1, 1, false, Refused, validate},
    {"format-receipt", "[--cols N] format-receipt", "wraps a receipt read from standard input", None, 0, 0, false,
     Refused, formatReceipt},
};

} // namespace

TCliCommands cliCommands()
{
    return commands;
}

void cliConfigure(TECR& Aecr, const TCliRequest& Ar)
{
    Aecr.setHost(utf8ToText(Ar.host));
    Aecr.setPort(Ar.port);
    if (Ar.timeout)
        Aecr.setTimeout(*Ar.timeout);
    Aecr.setJSONOut(!Ar.text);
    Aecr.setPrintMode(Ar.printMode);
    if (Ar.cols)
        Aecr.setReceiptColumns(*Ar.cols);
    if (Ar.progress)
        Aecr.setProgressCallback(TCliScope::onProgress);
    if (Ar.journal)
        Aecr.setJournal(utf8ToText(*Ar.journal));
}
