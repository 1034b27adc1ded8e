// The production tool: records appended to a real log file as JSON Lines.
#include "DispatcherFixture.h"
#include "StrictLogReader.h"

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using Dispatcher = DispatcherTest;

TEST_F(Dispatcher, WritesEveryKindAsOneJsonLine)
{
    dlogEnable(logName("test.log"));
    ASSERT_TRUE(dlogActive());
    dlogMsg(u"plain", lvNotice);
    dlogMsg(u"quote \" back \\ tab \t nul " + std::u16string(1, u'\0') + u" euro \u20AC", lvWarning);
    dlogMsg(u"lone \xD800 surrogate \U0001F600", lvError);
    { auto trace = Logger().TraceMethod(u"Send", true, false); }
    tool.CloseDispatcher();

    const auto lines = readLines(dir / "test.dlog");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(strictRecords(dir / "test.dlog").size(), 7u);
    const std::vector<std::string> kinds{"separator", "info", "info", "warning", "error", "enter", "exit"};
    for (std::size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(member(lines[i], "kind"), kinds[i]) << lines[i];
    EXPECT_EQ(member(lines[0], "text"), "");
    EXPECT_EQ(member(lines[1], "text"), "Log Enabled");
    EXPECT_NE(lines[3].find(R"("text":"quote \" back \\ tab \u0009 nul \u0000 euro €"})"), std::string::npos)
        << lines[3];
    EXPECT_NE(lines[4].find("lone \xEF\xBF\xBD surrogate \xF0\x9F\x98\x80"), std::string::npos) << lines[4];
    EXPECT_EQ(member(lines[5], "text"), "Send");
    EXPECT_EQ(member(lines[6], "text"), "Send");
    const std::string time = member(lines[0], "time");
    ASSERT_EQ(time.size(), 27u) << time;
    EXPECT_EQ(time[10], 'T');
    EXPECT_EQ(time[19], '.');
    EXPECT_EQ(time.back(), 'Z');
    EXPECT_NE(lines[0].find("\"pid\":" + std::to_string(::getpid()) + ","), std::string::npos);
}

TEST_F(Dispatcher, MissingDirectoryLeavesTheLogOff)
{
    EXPECT_NO_THROW(dlogEnable(logName("no/such/dir/test.log")));
    EXPECT_FALSE(dlogActive());
    dlogMsg(u"goes nowhere", lvInfo);
}

TEST_F(Dispatcher, RecordsAfterCloseGoNowhereUntilEnabledAgain)
{
    dlogEnable(logName("a.log"));
    dlogMsg(u"one", lvInfo);
    tool.CloseDispatcher();
    EXPECT_FALSE(dlogActive());
    dlogMsg(u"lost", lvInfo);
    dlogEnable(logName("a.log"));
    dlogMsg(u"two", lvInfo);
    dlogDisable();

    std::vector<std::string> texts;
    for (const auto& line : readLines(dir / "a.dlog"))
        texts.push_back(member(line, "text"));
    EXPECT_EQ(texts, (std::vector<std::string>{"", "Log Enabled", "one", "", "Log Enabled", "two"}));
}

TEST_F(Dispatcher, SwitchingFilesKeepsEachRecordInItsOwnFile)
{
    dlogEnable(logName("first.log"));
    dlogMsg(u"in first", lvInfo);
    dlogEnable(logName("second.log"));
    dlogMsg(u"in second", lvInfo);
    dlogDisable();
    EXPECT_EQ(member(readLines(dir / "first.dlog").back(), "text"), "in first");
    EXPECT_EQ(member(readLines(dir / "second.dlog").back(), "text"), "in second");
}

TEST_F(Dispatcher, KeepsEveryRecordOfConcurrentThreadsInOrder)
{
    constexpr int perThread = 100000; // more than the queue holds, so writers must wait
    dlogEnable(logName("threads.log"));
    auto writer = [](char16_t Aname) {
        for (int i = 0; i < perThread; ++i) {
            std::u16string text(1, Aname);
            for (char c : std::to_string(i))
                text += char16_t(c);
            dlogMsg(text, lvInfo);
        }
    };
    std::thread a(writer, u'a'), b(writer, u'b');
    a.join();
    b.join();
    dlogDisable();

    int next[2] = {0, 0};
    std::set<int> tids[2];
    int bad = 0;
    for (const TFileRecord& record : strictRecords(dir / "threads.dlog")) {
        const std::string& text = record.text;
        if (text.empty() || (text[0] != 'a' && text[0] != 'b'))
            continue;
        int& expected = next[text[0] - 'a'];
        if (std::stoi(text.substr(1)) != expected)
            ++bad;
        ++expected;
        tids[text[0] - 'a'].insert(record.tid);
    }
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(next[0], perThread);
    EXPECT_EQ(next[1], perThread);
    // Each thread's records carry its own id, however they interleave.
    ASSERT_EQ(tids[0].size(), 1u);
    ASSERT_EQ(tids[1].size(), 1u);
    EXPECT_NE(*tids[0].begin(), *tids[1].begin());
}

TEST_F(Dispatcher, FlushMakesRecordsVisibleWhileTheFileStaysOpen)
{
    dlogEnable(logName("flush.log"));
    dlogMsg(u"visible", lvInfo);
    tool.Flush();
    EXPECT_EQ(member(readLines(dir / "flush.dlog").back(), "text"), "visible");
}

} // namespace
