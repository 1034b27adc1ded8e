#include "QuietLog.h"

#include "LoggerU.h"

namespace {

class TQuietLogTool final : public TLogToolLogger {
public:
    bool Installed() const noexcept override { return true; }
    void CloseDispatcher() noexcept override {}

protected:
    void Write(TLogRecordKind, std::u16string_view) noexcept override {}
    bool OpenLogFile(const std::u16string&) override { return false; }
    void CloseLogFile() noexcept override {}
};

} // namespace

void installQuietLog()
{
    static TQuietLogTool tool;
    setLogger(&tool);
}
