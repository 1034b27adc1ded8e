// The diagnostic log facility over an in-memory tool.
#include "DiagLoggerU.h"
#include "MemoryLogTool.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using K = TLogRecordKind;

class DiagLog : public ::testing::Test {
protected:
    void SetUp() override { dlogSetHexControlChars(false); }
    void TearDown() override { dlogSetHexControlChars(false); }
    TMemoryLogTool tool;
};

TEST_F(DiagLog, SeparatorIsExactlyThirtyOneEqualsSignsAtAnyLevel)
{
    const std::u16string sep(31, u'=');
    for (TLogLevel level : {lvInfo, lvNotice, lvWarning, lvError, lvConfig}) {
        std::u16string written;
        dlogMsg(sep, level, written);
        EXPECT_EQ(written, u"");
    }
    dlogMsg(std::u16string(30, u'='), lvInfo);
    dlogMsg(std::u16string(32, u'='), lvInfo);
    std::vector<TLogRecord> expected(5, TLogRecord{K::Separator, u""});
    expected.push_back({K::Info, std::u16string(30, u'=')});
    expected.push_back({K::Info, std::u16string(32, u'=')});
    EXPECT_EQ(tool.records(), expected);
}

TEST_F(DiagLog, LevelsMapOntoThreeKinds)
{
    dlogMsg(u"i", lvInfo);
    dlogMsg(u"n", lvNotice);
    dlogMsg(u"w", lvWarning);
    dlogMsg(u"e", lvError);
    dlogMsg(u"c", lvConfig);
    dlogMsg(u"x", static_cast<TLogLevel>(9));
    const std::vector<TLogRecord> expected{{K::Info, u"i"},  {K::Info, u"n"}, {K::Warning, u"w"},
                                           {K::Error, u"e"}, {K::Info, u"c"}, {K::Info, u"x"}};
    EXPECT_EQ(tool.records(), expected);
}

TEST_F(DiagLog, EscapesControlCharactersWhenAsked)
{
    struct Case {
        std::u16string msg;
        std::u16string escaped;
    };
    const Case cases[] = {
        {u"\x02" u"000000000s\x03=", u"$02000000000s$03="},
        {u"\r\n", u"$0D$0A"},
        {u"\x1B\x06\t", u"$1B$06$09"},
        {std::u16string(1, u'\0') + u"\x1F", u"$00$1F"},
        {u"$02 stays \x7F \u20AC \U0001F600", u"$02 stays \x7F \u20AC \U0001F600"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.escaped.begin(), c.escaped.end()));
        tool.clear();
        dlogSetHexControlChars(true);
        std::u16string written = u"prefix:";
        dlogMsg(c.msg, lvInfo, written);
        EXPECT_EQ(written, u"prefix:" + c.escaped);
        dlogSetHexControlChars(false);
        dlogMsg(c.msg, lvInfo);
        const std::vector<TLogRecord> expected{{K::Info, u"prefix:" + c.escaped}, {K::Info, c.msg}};
        EXPECT_EQ(tool.records(), expected);
    }
}

TEST(DiagLogName, ReplacesTheExtensionOfTheNameOnly)
{
    struct Case {
        std::u16string in, out;
    };
    const Case cases[] = {
        {u"/tmp/cassa/test.log", u"/tmp/cassa/test.dlog"},
        {u"test.log", u"test.dlog"},
        {u"test", u"test.dlog"},
        {u"/tmp/dir.d/test", u"/tmp/dir.d/test.dlog"},
        {u"/tmp/dir.d/a.b.c", u"/tmp/dir.d/a.b.dlog"},
        {u"/tmp/.hidden", u"/tmp/.dlog"},
        {u"test.", u"test.dlog"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dlogChangeExt(c.in), c.out) << std::string(c.in.begin(), c.in.end());
}

// Windows's "\\" and a drive's ":" end a folder there; on Linux they are
// characters of a name like any other.
#ifdef _WIN32
constexpr bool windowsPaths = true;
#else
constexpr bool windowsPaths = false;
#endif

TEST(DiagLogName, FoldersEndWhereThePlatformSaysSo)
{
    struct Case {
        std::u16string in, windows, posix;
    };
    const Case cases[] = {
        {u"C:\\cassa.d\\test", u"C:\\cassa.d\\test.dlog", u"C:\\cassa.dlog"},
        {u"C:\\cassa.d/test", u"C:\\cassa.d/test.dlog", u"C:\\cassa.d/test.dlog"},
        {u"\\\\server\\share.d\\test", u"\\\\server\\share.d\\test.dlog", u"\\\\server\\share.dlog"},
        {u"C:cassa", u"C:cassa.dlog", u"C:cassa.dlog"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dlogChangeExt(c.in), windowsPaths ? c.windows : c.posix) << std::string(c.in.begin(), c.in.end());
}

TEST_F(DiagLog, EnableSplitsAWindowsPathOnWindowsOnly)
{
    dlogEnable(u"C:\\cassa\\test.log");
    ASSERT_TRUE(dlogActive());
    EXPECT_EQ(tool.Destination()->LogFile.FilePath(), windowsPaths ? u"C:\\cassa\\" : u"");
    EXPECT_EQ(dlogFileName(), u"C:\\cassa\\test.dlog");
    dlogEnable(u"D:test.log");
    EXPECT_EQ(tool.Destination()->LogFile.FilePath(), windowsPaths ? u"D:" : u"");
    EXPECT_EQ(dlogFileName(), u"D:test.dlog");
}

TEST_F(DiagLog, EnableSplitsDirectoryAndNameAndWritesTheOpeningRecords)
{
    EXPECT_EQ(dlogFileName(), u"");
    dlogEnable(u"/tmp/cassa/test.log");
    ASSERT_TRUE(dlogActive());
    EXPECT_EQ(tool.Destination()->LogFile.FilePath(), u"/tmp/cassa/");
    EXPECT_EQ(tool.Destination()->LogFile.FileName(), u"test.dlog");
    EXPECT_EQ(dlogFileName(), u"/tmp/cassa/test.dlog");
    EXPECT_EQ(tool.opened(), std::vector<std::u16string>{u"/tmp/cassa/test.dlog"});
    const std::vector<TLogRecord> expected{{K::Separator, u""}, {K::Info, u"Log Enabled"}};
    EXPECT_EQ(tool.records(), expected);

    dlogEnable(u"plain");
    EXPECT_EQ(dlogFileName(), u"plain.dlog");
}

TEST_F(DiagLog, EnableTransitions)
{
    const std::vector<TLogRecord> opening{{K::Separator, u""}, {K::Info, u"Log Enabled"}};
    dlogEnable(u"/tmp/x/test.log");
    tool.clear();

    dlogEnable(u"/tmp/x/test.log"); // same name
    dlogEnable(u"/tmp/x/test.txt"); // same .dlog
    dlogEnable(u"");                // empty while on
    EXPECT_TRUE(tool.records().empty());
    EXPECT_EQ(dlogFileName(), u"/tmp/x/test.dlog");

    dlogEnable(u"/tmp/x/Test.log"); // letter case counts
    EXPECT_EQ(tool.records(), opening);
    EXPECT_EQ(dlogFileName(), u"/tmp/x/Test.dlog");

    tool.clear();
    dlogDisable();
    EXPECT_FALSE(dlogActive());
    EXPECT_EQ(tool.closeCount(), 1);
    EXPECT_EQ(dlogFileName(), u"/tmp/x/Test.dlog"); // the destination is kept

    dlogEnable(u"/tmp/x/Test.log"); // re-enable after disable
    EXPECT_TRUE(dlogActive());
    EXPECT_EQ(tool.records(), opening);
}

TEST(DiagLogInstall, NotInstalledRaisesOnlyWhileOff)
{
    TMemoryLogTool tool(false);
    for (const char16_t* name : {u"/tmp/a.log", u""}) {
        try {
            dlogEnable(name);
            FAIL() << "no error";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Log tool not installed");
        }
    }
    EXPECT_FALSE(dlogActive());
    EXPECT_EQ(tool.Destination(), nullptr);
    EXPECT_TRUE(tool.records().empty());
}

TEST_F(DiagLog, EmptyNameWhileOffChangesNothing)
{
    dlogEnable(u"");
    EXPECT_FALSE(dlogActive());
    EXPECT_EQ(tool.Destination(), nullptr);
    EXPECT_TRUE(tool.records().empty());
}

TEST_F(DiagLog, DisableBeforeEnableIsHarmless)
{
    dlogDisable();
    EXPECT_FALSE(dlogActive());
    EXPECT_EQ(tool.closeCount(), 1);
}

TEST_F(DiagLog, FileThatCannotBeOpenedLeavesTheLogOff)
{
    tool.failOpen(true);
    EXPECT_NO_THROW(dlogEnable(u"/nonexistent/dir/test.log"));
    EXPECT_FALSE(dlogActive());
}

TEST_F(DiagLog, TracesNestAndCloseWhenAnExceptionPasses)
{
    auto inner = [] {
        auto trace = Logger().TraceMethod(u"inner", true, false);
        dlogMsg(u"work", lvInfo);
        throw std::runtime_error("boom");
    };
    try {
        auto trace = Logger().TraceMethod(u"outer", true, false);
        inner();
    } catch (const std::runtime_error&) {
    }
    const std::vector<TLogRecord> expected{
        {K::Enter, u"outer"}, {K::Enter, u"inner"}, {K::Info, u"work"}, {K::Exit, u"inner"}, {K::Exit, u"outer"}};
    EXPECT_EQ(tool.records(), expected);
}

} // namespace

namespace {

TEST_F(DiagLog, EscapingSurvivesDisable)
{
    dlogSetHexControlChars(true);
    dlogEnable(u"/tmp/x/test.log");
    dlogDisable();
    tool.clear();
    dlogMsg(u"\x02", lvInfo);
    EXPECT_EQ(tool.records(), (std::vector<TLogRecord>{{K::Info, u"$02"}}));
}

} // namespace
