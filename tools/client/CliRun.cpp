#include "CliRun.h"

#include "ECR17u.h"
#include "TextConvert.h"
#include "ToolArgs.h"

#include <condition_variable>
#include <istream>
#include <iterator>
#include <mutex>
#include <ostream>
#include <stdexcept>

namespace {

constexpr int exitTrue = 0;
constexpr int exitFalse = 1;
constexpr int exitError = 2;

int exitOf(bool Aresult)
{
    return Aresult ? exitTrue : exitFalse;
}

// The progress callback is a plain procedure, so its stream is process-wide.
std::ostream* progressOut = nullptr;

void showProgress(const char16_t* Ares)
{
    if (progressOut)
        *progressOut << textToUtf8(Ares) << std::endl;
}

// Switches the diagnostic log on for the lifetime of the object.
class TCliLog {
public:
    TCliLog(const std::optional<std::string>& AlogFile, std::ostream& Aerr) : Factive(AlogFile.has_value())
    {
        if (Factive && !TECR::logEnable(utf8ToText(*AlogFile)))
            Aerr << "ecr17: the log file could not be opened: " << *AlogFile << '\n';
    }
    ~TCliLog()
    {
        if (Factive)
            TECR::logDisable();
    }
    TCliLog(const TCliLog&) = delete;
    TCliLog& operator=(const TCliLog&) = delete;

private:
    bool Factive;
};

void configure(TECR& Aecr, const TCliRequest& Ar)
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
        Aecr.setProgressCallback(showProgress);
}

int status(TECR& Aecr, const TCliRequest&, const TCliStreams& As)
{
    std::u16string res;
    const bool ok = Aecr.status(res);
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

// What the completion callback received; the callback is a plain procedure.
struct TCompletion {
    std::mutex lock;
    std::condition_variable done;
    bool called = false;
    std::u16string res;
    bool timeout = false;
} completion;

void onCompletion(const char16_t* Ares, bool Atimeout)
{
    std::lock_guard guard(completion.lock);
    completion.res = Ares;
    completion.timeout = Atimeout;
    completion.called = true;
    completion.done.notify_all();
}

int payAsync(TECR& Aecr, const TCliRequest& Ar, const TCliStreams& As)
{
    {
        std::lock_guard guard(completion.lock);
        completion.called = false;
    }
    if (!Aecr.payAsync(Ar.amount, utf8ToText(Ar.description), onCompletion))
        return exitFalse;
    std::unique_lock guard(completion.lock);
    completion.done.wait(guard, [] { return completion.called; });
    As.out << textToUtf8(completion.res);
    reportPaymentEnd(Aecr, completion.timeout, As);
    std::u16string polled;
    bool polledTimeout = false;
    if (!Aecr.payAsyncPolling(polled, polledTimeout) || polled != completion.res ||
        polledTimeout != completion.timeout)
        throw std::runtime_error("polling did not return what the completion callback received");
    return exitTrue;
}

int reprint(TECR& Aecr, const TCliRequest& Ar, const TCliStreams&)
{
    return exitOf(Aecr.reprint(Ar.serviceTicket));
}

int closeSession(TECR& Aecr, const TCliRequest&, const TCliStreams&)
{
    return exitOf(Aecr.closeSession());
}

int validate(TECR& Aecr, const TCliRequest& Ar, const TCliStreams&)
{
    return exitOf(Aecr.amountValidate(Ar.amount));
}

int formatReceipt(TECR& Aecr, const TCliRequest&, const TCliStreams& As)
{
    const std::string receipt{std::istreambuf_iterator<char>(As.in), std::istreambuf_iterator<char>()};
    As.out << textToUtf8(Aecr.formatReceipt(utf8ToText(receipt)));
    return exitTrue;
}

using TCommandRun = int (*)(TECR&, const TCliRequest&, const TCliStreams&);

struct TCommandEntry {
    TCliCommand command;
    TCommandRun run;
};

constexpr TCommandEntry runners[] = {
    {TCliCommand::Status, status},
    {TCliCommand::Pay, pay},
    {TCliCommand::PayAsync, payAsync},
    {TCliCommand::Reprint, reprint},
    {TCliCommand::CloseSession, closeSession},
    {TCliCommand::Validate, validate},
    {TCliCommand::FormatReceipt, formatReceipt},
};

TCommandRun runnerOf(TCliCommand Acommand)
{
    for (const TCommandEntry& entry : runners)
        if (entry.command == Acommand)
            return entry.run;
    throw std::logic_error("no runner for the command");
}

int runWithClient(const TCliRequest& Ar, const TCliStreams& As)
{
    TCliLog log(Ar.logFile, As.err);
    TECR ecr;
    configure(ecr, Ar);
    return runnerOf(Ar.command)(ecr, Ar, As);
}

} // namespace

int cliRun(const TCliRequest& Arequest, const TCliStreams& Astreams)
{
    if (Arequest.command == TCliCommand::Help) {
        Astreams.out << cliUsageText();
        return exitTrue;
    }
    progressOut = &Astreams.err;
    try {
        const int code = runWithClient(Arequest, Astreams);
        progressOut = nullptr;
        return code;
    } catch (const std::exception& e) {
        progressOut = nullptr;
        Astreams.err << e.what() << '\n';
        return exitError;
    }
}

int cliMain(int Aargc, const char* const* Aargv, const TCliStreams& Astreams)
{
    TCliRequest request;
    try {
        request = cliParseCommandLine(Aargc, Aargv);
    } catch (const TUsageError& e) {
        Astreams.err << "ecr17: " << e.what() << '\n';
        return usageExitCode;
    }
    return cliRun(request, Astreams);
}
