// Switching the log file while other threads log, and from several threads
// at once.
#include "DispatcherFixture.h"
#include "StrictLogReader.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using LogSwitching = DispatcherTest;

std::u16string numbered(char16_t APrefix, long AValue)
{
    const std::string digits = std::to_string(AValue);
    return APrefix + std::u16string(digits.begin(), digits.end());
}

TEST_F(LogSwitching, EveryRecordLandsInTheOldFileOrTheNew)
{
    dlogEnable(logName("a.log"));
    std::atomic<long> sent{0};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done.load())
            dlogMsg(numbered(u'w', sent++), lvInfo);
    });
    while (sent.load() == 0) // switch only while the writer writes
        std::this_thread::yield();
    for (int i = 0; i < 400; ++i)
        dlogEnable(logName(i % 2 ? "a.log" : "b.log"));
    done = true;
    writer.join();
    tool.CloseDispatcher();

    std::vector<int> seen(std::size_t(sent.load()), 0);
    long outOfOrder = 0;
    for (const char* name : {"a.dlog", "b.dlog"}) {
        long last = -1;
        for (const TFileRecord& r : strictRecords(dir / name)) {
            if (r.text.empty() || r.text[0] != 'w')
                continue;
            const long n = std::stol(r.text.substr(1));
            outOfOrder += n <= last;
            last = n;
            ++seen.at(std::size_t(n));
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), sent.load()) << "records lost or written twice";
    EXPECT_EQ(outOfOrder, 0);
}

TEST_F(LogSwitching, SwitchesFromSeveralThreadsLeaveOneClearState)
{
    auto switcher = [this](std::string AName) {
        for (int i = 0; i < 200; ++i) {
            dlogEnable(logName(AName + std::to_string(i % 3) + ".log"));
            dlogMsg(u"switching", lvInfo);
            if (dlogActive() && dlogFileName().empty())
                ADD_FAILURE() << "active without a file name";
            if (i % 5 == 4)
                dlogDisable();
        }
    };
    std::thread a(switcher, "a"), b(switcher, "b");
    a.join();
    b.join();

    // Whoever came last, a record now goes to the file named, or nowhere.
    const bool active = dlogActive();
    const std::u16string name = dlogFileName();
    dlogMsg(u"final", lvInfo);
    tool.CloseDispatcher();
    std::vector<std::string> holding;
    for (const auto& entry : fs::directory_iterator(dir))
        for (const TFileRecord& r : strictRecords(entry.path()))
            if (r.text == "final")
                holding.push_back(entry.path().string());
    if (active)
        EXPECT_EQ(holding, std::vector<std::string>{std::string(name.begin(), name.end())});
    else
        EXPECT_TRUE(holding.empty());
}

} // namespace
