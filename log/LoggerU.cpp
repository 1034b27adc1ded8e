#include "LoggerU.h"

#include "LogDispatcher.h"
#include "LogFileWriter.h"

#include <atomic>

using namespace ecr17::detail;

void TLogFileDestination::setActive(bool AActive)
{
    if (!FTool) {
        FActive = AActive;
        return;
    }
    if (AActive) {
        // Re-activating an active file moves the log to the current name.
        const bool opened = FTool->OpenLogFile(FullName());
        FActive = opened;
    } else {
        FTool->CloseLogFile();
        FActive = false;
    }
}

std::u16string TLogFileDestination::FullName() const
{
    std::u16string name = FFilePath;
    if (!name.empty() && kLogPathDelimiters.find(name.back()) == std::u16string_view::npos)
        name += kLogPathSeparator;
    return name + FFileName;
}

namespace {

// Closes its trace when released.
class TMethodTracer final : public ILogToolMethodTracer {
public:
    TMethodTracer(TLogToolLogger& ALogger, std::u16string_view AName) : FLogger(ALogger), FName(AName) {}
    ~TMethodTracer() override { writeExit(FLogger, FName); }

    static void writeExit(TLogToolLogger& ALogger, std::u16string_view AName) noexcept;

private:
    TLogToolLogger& FLogger;
    std::u16string FName;
};

} // namespace

// The tracer needs the protected Write; a friend-free route through a helper.
class TLogToolTraceAccess {
public:
    static void write(TLogToolLogger& ALogger, TLogRecordKind AKind, std::u16string_view AText) noexcept
    {
        ALogger.Write(AKind, AText);
    }
};

void TMethodTracer::writeExit(TLogToolLogger& ALogger, std::u16string_view AName) noexcept
{
    TLogToolTraceAccess::write(ALogger, TLogRecordKind::Exit, AName);
}

TMethodTrace TLogToolLogger::TraceMethod(std::u16string_view AName, bool, bool)
{
    Write(TLogRecordKind::Enter, AName);
    return std::make_unique<TMethodTracer>(*this, AName);
}

void TLogToolLogger::setDestination(std::unique_ptr<TLogToolDestination> ADestination)
{
    if (ADestination)
        ADestination->LogFile.FTool = this;
    FDestinationRead = ADestination.get();
    FDestination = std::move(ADestination);
}

void TLogToolLogger::markLogFileClosed() noexcept
{
    if (TLogToolDestination* destination = Destination())
        destination->LogFile.FActive = false;
}

namespace {
std::atomic<TLogToolLogger*> GCurrent{nullptr};
} // namespace

TLogToolLogger& Logger() noexcept
{
    if (TLogToolLogger* current = GCurrent.load(std::memory_order_acquire))
        return *current;
    return productionLogger();
}

TLogToolLogger* setLogger(TLogToolLogger* ATool) noexcept
{
    TLogToolLogger* previous = GCurrent.exchange(ATool, std::memory_order_acq_rel);
    return previous ? previous : &productionLogger();
}
