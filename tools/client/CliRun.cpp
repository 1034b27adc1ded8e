#include "CliRun.h"

#include "CliCommands.h"
#include "CliScope.h"
#include "ECR17u.h"
#include "TextConvert.h"
#include "ToolArgs.h"

#include <condition_variable>
#include <istream>
#include <iterator>
#include <mutex>
#include <ostream>
#include <stdexcept>

using namespace ecr17::detail;

namespace {

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

int runWithClient(const TCliRequest& Ar, const TCliStreams& As)
{
    TCliLog log(Ar.logFile, As.err);
    const TCliScope scope(As.err, Ar.progress);
    TECR ecr;
    cliConfigure(ecr, Ar);
    return Ar.command->run(ecr, Ar, As);
}

} // namespace

int cliRun(const TCliRequest& Arequest, const TCliStreams& Astreams)
{
    if (!Arequest.command) {
        Astreams.out << cliUsageText(cliCommands());
        return cliExitTrue;
    }
    try {
        return runWithClient(Arequest, Astreams);
    } catch (const std::exception& e) {
        Astreams.err << e.what() << '\n';
        return cliExitError;
    }
}

int cliMain(int Aargc, const char* const* Aargv, const TCliStreams& Astreams)
{
    TCliRequest request;
    try {
        request = cliParseCommandLine(Aargc, Aargv, cliCommands());
    } catch (const TUsageError& e) {
        Astreams.err << "ecr17: " << e.what() << '\n';
        return usageExitCode;
    }
    return cliRun(request, Astreams);
}
