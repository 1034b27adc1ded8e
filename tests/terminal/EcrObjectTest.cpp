#include "DiagLoggerU.h"
#include "ECR17u.h"
#include "LogRecords.h"

#include <gtest/gtest.h>

using namespace ecr17::detail;

namespace {

TEST(ECRObject, NewClientHasItsDefaults)
{
    TMemoryLogTool log;
    TECR ecr;
    EXPECT_EQ(ecr.timeout(), 60);
    EXPECT_TRUE(ecr.JSONOut());
    EXPECT_EQ(ecr.host(), u"");
    EXPECT_EQ(ecr.port(), 0);
    EXPECT_EQ(ecr.getProgress(), u"");
    EXPECT_EQ(log.records(), (std::vector<TLogRecord>{{TLogRecordKind::Separator, u""}, enter(u"Create"),
                                                      info(u"ECR object Created"), leave(u"Create"),
                                                      info(u"Get progress: ")}));
}

TEST(ECRObject, DestroyIsTraced)
{
    TMemoryLogTool log;
    { TECR ecr; log.clear(); }
    EXPECT_EQ(log.records(),
              (std::vector<TLogRecord>{enter(u"Destroy"), info(u"ECR object destroyed"), leave(u"Destroy")}));
}

TEST(ECRObject, PropertyWritesStoreAndLogTheStoredValue)
{
    struct Case {
        const char* name;
        void (*write)(TECR&);
        std::int32_t (*read)(const TECR&);
        std::int32_t stored;
        std::u16string trace;
        std::u16string line;
    };
    const auto timeout = [](const TECR& e) { return e.timeout(); };
    const auto port = [](const TECR& e) { return e.port(); };
    const Case cases[] = {
        {"timeout 3", [](TECR& e) { e.setTimeout(3); }, timeout, 5, u"SetTimeOut", u"Timeout setted: 5"},
        {"timeout 0", [](TECR& e) { e.setTimeout(0); }, timeout, 5, u"SetTimeOut", u"Timeout setted: 5"},
        {"timeout -7", [](TECR& e) { e.setTimeout(-7); }, timeout, 5, u"SetTimeOut", u"Timeout setted: 5"},
        {"timeout 120", [](TECR& e) { e.setTimeout(120); }, timeout, 120, u"SetTimeOut", u"Timeout setted: 120"},
        {"timeout 500", [](TECR& e) { e.setTimeout(500); }, timeout, 120, u"SetTimeOut", u"Timeout setted: 120"},
        {"port 9100", [](TECR& e) { e.setPort(9100); }, port, 9100, u"SetPort", u"Port setted: 9100"},
        {"port 70000", [](TECR& e) { e.setPort(70000); }, port, 4464, u"SetPort", u"Port setted: 4464"},
        {"port -1", [](TECR& e) { e.setPort(-1); }, port, 65535, u"SetPort", u"Port setted: 65535"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryLogTool log;
        TECR ecr;
        log.clear();
        c.write(ecr);
        EXPECT_EQ(c.read(ecr), c.stored);
        EXPECT_EQ(log.records(), (std::vector<TLogRecord>{enter(c.trace), info(c.line), leave(c.trace)}));
    }
}

TEST(ECRObject, HostAndJSONOutWritesAreLogged)
{
    TMemoryLogTool log;
    TECR ecr;
    log.clear();
    ecr.setHost(u"10.0.0.7");
    ecr.setJSONOut(false);
    EXPECT_EQ(ecr.host(), u"10.0.0.7");
    EXPECT_FALSE(ecr.JSONOut());
    EXPECT_EQ(log.records(), (std::vector<TLogRecord>{enter(u"SetHost"), info(u"Host setted: 10.0.0.7"),
                                                      leave(u"SetHost"), enter(u"SetJSONout"),
                                                      info(u"JSONout setted: False"), leave(u"SetJSONout")}));
}

TEST(ECRObject, ReceiptColumnsAcceptOnly12To64)
{
    TMemoryLogTool log;
    TECR ecr;
    log.clear();
    EXPECT_FALSE(ecr.setReceiptColumns(11));
    EXPECT_FALSE(ecr.setReceiptColumns(65));
    EXPECT_TRUE(ecr.setReceiptColumns(12));
    EXPECT_TRUE(ecr.setReceiptColumns(64));
    EXPECT_TRUE(log.records().empty());
}

TEST(ECRObject, LogSwitchesNeedNoClient)
{
    TMemoryLogTool log;
    EXPECT_TRUE(TECR::logEnable(u"/tmp/ecr17-test/client.log"));
    EXPECT_EQ(log.opened(), std::vector<std::u16string>{u"/tmp/ecr17-test/client.dlog"});
    TECR::logDisable();
    EXPECT_FALSE(dlogActive());
    EXPECT_EQ(log.closeCount(), 1);
}

TEST(ECRObject, LogEnableWithoutTheToolLogsAndPassesTheError)
{
    TMemoryLogTool log(false);
    try {
        TECR::logEnable(u"/tmp/ecr17-test/client.log");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Log tool not installed");
    }
    EXPECT_EQ(countOf(log.records(), error(u"Log tool not installed")), 1);
}

} // namespace
