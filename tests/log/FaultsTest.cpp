// The log file under faults, against the real Dispatcher: whatever happens to
// the file, no crash, no hang, no caller blocked for long, every line whole
// JSON, and every record either in a file or counted in one.
#include "DispatcherFixture.h"
#include "LogBatchWriter.h"
#include "LogQueue.h"
#include "StrictLogReader.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <string>
#include <thread>

using namespace ecr17::detail;

#if defined(__SANITIZE_THREAD__)
// The fork case starts a Dispatcher in the child of a process with threads.
extern "C" const char* __tsan_default_options()
{
    return "die_after_fork=0";
}
#endif

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// Scheduling delay on a loaded machine with sanitizers, on top of the limits
// the log promises.
constexpr milliseconds slack{400};

// What the log files of a test hold. Records moved out of reach by the test
// are in files with other extensions and not counted.
struct TTally {
    long records = 0; // every record but the counts of lost ones
    long dropped = 0; // the sum of those counts
    std::map<std::string, std::vector<TFileRecord>> files;
};

class LogFaults;

struct TFaultCase {
    const char* name;
    std::function<void(LogFaults&)> run;
};

class LogFaults : public DispatcherTest, public ::testing::WithParamInterface<TFaultCase> {
public:
    // Enables the log on AName; a newly opened file adds its two opening records.
    bool enable(const std::string& AName)
    {
        dlogEnable(logName(AName));
        if (dlogActive())
            expected += 2;
        return dlogActive();
    }
    // Sends ACount numbered records and keeps the longest time a call took.
    void send(long ACount)
    {
        if (dlogActive())
            expected += ACount;
        for (long i = 0; i < ACount; ++i) {
            const std::string text = "r" + std::to_string(sent++);
            const auto start = Clock::now();
            dlogMsg(std::u16string(text.begin(), text.end()), lvInfo);
            longestCall = std::max(longestCall, Clock::now() - start);
        }
    }
    // Logs to the file AName.dlog, then ATakeAway deletes or moves it: its
    // records are out of the count's reach.
    void logThenTakeAway(const std::string& AName, const std::function<void()>& ATakeAway)
    {
        ASSERT_TRUE(enable(AName + ".log"));
        send(100);
        tool.Flush();
        ATakeAway();
        expected -= 102;
    }
    // A FIFO at AName whose reading end the test holds without reading.
    int openFifo(const std::string& AName)
    {
        ::mkfifo((dir / AName).c_str(), 0600);
        fifoReader = ::open((dir / AName).c_str(), O_RDONLY | O_NONBLOCK);
        return fifoReader;
    }
    // Starts reading the FIFO into the file AName until its writer closes it.
    void drainFifo(const std::string& AName)
    {
        ::fcntl(fifoReader, F_SETFL, 0);
        drain = std::thread([fd = fifoReader, path = dir / AName] {
            FILE* out = std::fopen(path.c_str(), "wb");
            char buf[65536];
            for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
                std::fwrite(buf, 1, std::size_t(n), out);
            std::fclose(out);
        });
    }
    void joinDrain()
    {
        if (drain.joinable())
            drain.join();
    }
    void limitFileSize(rlim_t ABytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &savedLimit);
        limited = true;
        savedSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = savedLimit;
        limit.rlim_cur = ABytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    void unlimitFileSize()
    {
        if (!limited)
            return;
        ::setrlimit(RLIMIT_FSIZE, &savedLimit);
        std::signal(SIGXFSZ, savedSignal);
        limited = false;
    }

    TTally tally() const
    {
        TTally result;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".dlog" && ext != ".out"))
                continue;
            auto& records = result.files[entry.path().filename().string()];
            records = strictRecords(entry.path());
            for (const TFileRecord& r : records) {
                if (r.kind == "warning" && r.text.starts_with("Log records dropped: "))
                    result.dropped += std::stol(r.text.substr(21));
                else
                    ++result.records;
            }
        }
        return result;
    }

    void TearDown() override
    {
        unlimitFileSize();
        joinDrain();
        if (fifoReader >= 0)
            ::close(fifoReader);
        DispatcherTest::TearDown();
    }

    long sent = 0;
    long expected = 0;  // records that must be in a counted file or in a count of lost ones
    bool accounted = true;
    bool lossExpected = false;
    Clock::duration longestCall{};
    std::function<void()> afterClose;
    std::function<void(const TTally&)> check;

private:
    int fifoReader = -1;
    std::thread drain;
    rlimit savedLimit{};
    void (*savedSignal)(int) = SIG_DFL;
    bool limited = false;
};

// The child's part of the fork case; its exit status says what went wrong.
int childLogs(LogFaults& t)
{
    ::alarm(60); // a hang ends the child with SIGALRM instead of the test
    if (dlogActive())
        return 2;
    t.send(TLogQueue::capacity + 1000); // more than the queue holds: goes nowhere, blocks nothing
    if (!t.enable("child.log"))
        return 3;
    t.send(100);
    dlogDisable();
    return t.longestCall < TLogQueue::roomWait + slack ? 0 : 4;
}

const TFaultCase faultCases[] = {
    {"FileSizeLimit",
     [](LogFaults& t) {
         t.limitFileSize(32 * 1024);
         ASSERT_TRUE(t.enable("limited.log"));
         t.send(2000);
         t.tool.Flush();
         EXPECT_TRUE(dlogActive()); // still the log file
         t.unlimitFileSize();
         t.send(10);
         t.lossExpected = true;
     }},
    {"FullDisk",
     [](LogFaults& t) {
         fs::create_symlink("/dev/full", t.dir / "full.dlog");
         ASSERT_TRUE(t.enable("full.log"));
         t.send(1000);
         t.tool.Flush();
         fs::remove(t.dir / "full.dlog"); // room again: the name leads to a new file
         dlogEnable(t.logName("full.log"));
         t.send(10);
         t.lossExpected = true;
     }},
    {"PipeNobodyReads",
     [](LogFaults& t) {
         ASSERT_GE(t.openFifo("pipe.dlog"), 0);
         ASSERT_TRUE(t.enable("pipe.log"));
         t.send(3 * TLogQueue::capacity); // the pipe, the batch in hand and the queue fill up
         t.drainFifo("pipe.out");
         t.send(10);
         t.lossExpected = true;
     }},
    {"PipeStalledAtClose",
     [](LogFaults& t) {
         ASSERT_GE(t.openFifo("stalled.dlog"), 0);
         ASSERT_TRUE(t.enable("stalled.log"));
         t.send(5000); // far more than the pipe holds
         t.afterClose = [&t] { t.drainFifo("stalled.out"); };
         t.accounted = false; // the count of what the pipe never took has no file to go to
     }},
    {"DeletedWhileOpen",
     [](LogFaults& t) {
         t.logThenTakeAway("deleted", [&t] { fs::remove(t.dir / "deleted.dlog"); });
         t.send(100);
     }},
    {"MovedWhileOpen",
     [](LogFaults& t) {
         t.logThenTakeAway("moved", [&t] { fs::rename(t.dir / "moved.dlog", t.dir / "moved.old"); });
         // The promise is to notice within about a second.
         std::this_thread::sleep_for(std::chrono::nanoseconds(TLogBatchWriter::nameCheckIntervalNs) + milliseconds(50));
         t.send(100);
     }},
    {"MovedAndEnabledAgain",
     [](LogFaults& t) {
         t.logThenTakeAway("again", [&t] { fs::rename(t.dir / "again.dlog", t.dir / "again.old"); });
         dlogEnable(t.logName("again.log"));
         t.send(100);
     }},
    {"Directory",
     [](LogFaults& t) {
         fs::create_directory(t.dir / "dir.dlog");
         EXPECT_FALSE(t.enable("dir.log"));
         t.send(100);
     }},
    {"UnopenableSwitchTarget",
     [](LogFaults& t) {
         ASSERT_TRUE(t.enable("first.log"));
         t.send(100);
         EXPECT_FALSE(t.enable("missing/second.log"));
         t.send(100);
         EXPECT_TRUE(t.enable("third.log"));
         t.send(100);
     }},
    {"Fork",
     [](LogFaults& t) {
         ASSERT_TRUE(t.enable("parent.log"));
         t.send(100);
         // The Dispatcher stays, idle: a sanitizer's allocator, unlike the C
         // library's, may be left locked in the child by a thread that allocates.
         t.tool.Flush();
         const pid_t child = ::fork();
         if (child == 0)
             ::_exit(childLogs(t));
         t.send(100);
         int status = -1;
         ::waitpid(child, &status, 0);
         EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
         t.expected += 102; // the child's own file
         t.check = [child](const TTally& ATally) {
             for (const TFileRecord& r : ATally.files.at("parent.dlog"))
                 EXPECT_EQ(r.pid, ::getpid());
             for (const TFileRecord& r : ATally.files.at("child.dlog"))
                 EXPECT_EQ(r.pid, child);
         };
     }},
};

TEST_P(LogFaults, NoCrashNoHangNoTornOrUncountedRecord)
{
    GetParam().run(*this);
    const auto start = Clock::now();
    tool.CloseDispatcher();
    const auto closing = Clock::now() - start;
    if (afterClose)
        afterClose();
    joinDrain();
    const TTally result = tally();
    if (accounted) {
        EXPECT_EQ(result.records + result.dropped, expected) << result.records << " in files";
        EXPECT_EQ(result.dropped > 0, lossExpected) << result.dropped << " dropped";
    }
    EXPECT_LT(longestCall, TLogQueue::roomWait + slack);
    EXPECT_LT(closing, TDispatcherLogger::closeWait + slack);
    if (check)
        check(result);
}

INSTANTIATE_TEST_SUITE_P(Cases, LogFaults, ::testing::ValuesIn(faultCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.name); });

} // namespace
