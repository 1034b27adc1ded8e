#include "DiagLoggerU.h"

#include "LogFileWriter.h"
#include "LoggerU.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

using namespace ecr17::detail;

namespace {

// Written by the thread that enables the log, read by every logging thread.
std::atomic<bool> GHexControlChars{false};

// Index just past the directory part: after the last path delimiter, or 0.
std::size_t nameStart(std::u16string_view AFileName)
{
    const std::size_t slash = AFileName.find_last_of(kLogPathDelimiters);
    return slash == std::u16string_view::npos ? 0 : slash + 1;
}

void appendEscaped(std::u16string& AOut, std::u16string_view AMsg)
{
    static constexpr char16_t hex[] = u"0123456789ABCDEF";
    for (char16_t c : AMsg) {
        if (c < 0x20) {
            AOut += u'$';
            AOut += hex[c >> 4];
            AOut += hex[c & 0xF];
        } else {
            AOut += c;
        }
    }
}

bool hasControlChars(std::u16string_view AMsg) noexcept
{
    return std::any_of(AMsg.begin(), AMsg.end(), [](char16_t c) { return c < 0x20; });
}

// Writes the record's text with the operation of its level.
void send(std::u16string_view AText, TLogLevel Alevel) noexcept
{
    TLogToolLogger& logger = Logger();
    switch (Alevel) {
    case lvWarning: logger.SendWarning(AText); break;
    case lvError: logger.SendError(AText); break;
    default: logger.Send(AText); break;
    }
}

// The log file's full name; the caller holds the destination's lock.
std::u16string fileNameOf(const TLogToolLogger& ALogger)
{
    const TLogToolDestination* destination = ALogger.Destination();
    return destination ? destination->LogFile.FullName() : std::u16string();
}

} // namespace

std::u16string dlogChangeExt(std::u16string_view AFileName)
{
    const std::size_t start = nameStart(AFileName);
    const std::size_t dot = AFileName.rfind(u'.');
    const std::size_t end = (dot != std::u16string_view::npos && dot >= start) ? dot : AFileName.size();
    return std::u16string(AFileName.substr(0, end)) + u".dlog";
}

bool dlogActive() noexcept
{
    const TLogToolDestination* destination = Logger().Destination();
    return destination && destination->LogFile.Active();
}

void dlogEnable(const std::u16string& AFileName)
{
    TLogToolLogger& logger = Logger();
    const auto lock = logger.lockDestination();
    if (dlogActive()) {
        if (dlogChangeExt(AFileName) == fileNameOf(logger)) {
            logger.CheckLogFile(); // the file may have been deleted or moved meanwhile
            return;
        }
    } else if (!logger.Installed()) {
        throw std::runtime_error("Log tool not installed");
    }
    if (AFileName.empty())
        return;
    try {
        if (!logger.Destination())
            logger.setDestination(std::make_unique<TLogToolDestination>());
        TLogFileDestination& file = logger.Destination()->LogFile;
        const std::size_t start = nameStart(AFileName);
        file.setFilePath(AFileName.substr(0, start));
        file.setFileName(dlogChangeExt(std::u16string_view(AFileName).substr(start)));
        file.setActive(true);
        if (!file.Active())
            return; // the log is off, and the opening records belong to no file
        dlogMsg(dlogSeparator, lvInfo);
        dlogMsg(u"Log Enabled", lvInfo);
    } catch (...) {
        // Whether the file is on is read afterwards with dlogActive.
    }
}

void dlogDisable() noexcept
{
    try {
        TLogToolLogger& logger = Logger();
        const auto lock = logger.lockDestination();
        if (TLogToolDestination* destination = logger.Destination())
            destination->LogFile.setActive(false);
        logger.CloseDispatcher();
    } catch (...) {
    }
}

void dlogMsg(std::u16string_view Amsg, TLogLevel Alevel, std::u16string& Awritten)
{
    if (Amsg == dlogSeparator) {
        Logger().AddSeparator();
        return;
    }
    if (GHexControlChars.load(std::memory_order_relaxed))
        appendEscaped(Awritten, Amsg);
    else
        Awritten += Amsg;
    send(Awritten, Alevel);
}

void dlogMsg(std::u16string_view Amsg, TLogLevel Alevel)
{
    // Most messages hold nothing to escape: they are sent as they stand,
    // without a copy.
    const bool escape = GHexControlChars.load(std::memory_order_relaxed);
    if (Amsg == dlogSeparator || (escape && hasControlChars(Amsg))) {
        std::u16string written;
        dlogMsg(Amsg, Alevel, written);
        return;
    }
    send(Amsg, Alevel);
}

void dlogSetHexControlChars(bool Aflag) noexcept
{
    GHexControlChars.store(Aflag, std::memory_order_relaxed);
}

std::u16string dlogFileName()
{
    TLogToolLogger& logger = Logger();
    const auto lock = logger.lockDestination();
    return fileNameOf(logger);
}
