// The asynchronous payment: the worker, its publication, polling, refusals
// while it collects, and the client's destruction during collection.
#include "EcrFixture.h"
#include "ExpectThrow.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

using namespace ecr17::detail;

namespace {

using namespace std::chrono_literals;

constexpr Currency oneCent = 100;

// What the completion callback received; callbacks are plain functions.
struct TCallbackProbe {
    std::mutex lock;
    std::condition_variable called;
    int calls = 0;
    std::u16string res;
    bool timeout = false;
    bool polledCompleted = false; // what polling said from inside the callback
    TECR* ecr = nullptr;

    void reset(TECR* Aecr)
    {
        std::lock_guard guard(lock);
        calls = 0;
        res.clear();
        timeout = false;
        polledCompleted = false;
        ecr = Aecr;
    }
    bool waitForCall(std::chrono::milliseconds Await = 20s)
    {
        std::unique_lock guard(lock);
        return called.wait_for(guard, Await, [this] { return calls > 0; });
    }
} probe;

void recordCompletion(const char16_t* Ares, bool Atimeout)
{
    std::u16string polled;
    bool polledTimeout = false;
    const bool completed = probe.ecr && probe.ecr->payAsyncPolling(polled, polledTimeout);
    std::lock_guard guard(probe.lock);
    probe.res = Ares;
    probe.timeout = Atimeout;
    probe.polledCompleted = completed && polled == probe.res && polledTimeout == Atimeout;
    ++probe.calls;
    probe.called.notify_all();
}

void recordThenThrow(const char16_t* Ares, bool Atimeout)
{
    recordCompletion(Ares, Atimeout);
    throw std::runtime_error("callback failed");
}

struct PayAsync : EcrFixture {
    void SetUp() override
    {
        EcrFixture::SetUp();
        probe.reset(nullptr);
    }
    bool poll(std::u16string& Ares, bool& Atimeout) { return ecr->payAsyncPolling(Ares, Atimeout); }
    // An approved payment, completed and published.
    void completeOnePayment(TSimBehaviour Aterminal = terminal())
    {
        serve(Aterminal, shortTicks());
        probe.reset(ecr.get());
        ASSERT_TRUE(ecr->payAsync(oneCent, u"", recordCompletion));
        ASSERT_TRUE(probe.waitForCall());
        ASSERT_TRUE(probe.polledCompleted);
    }
};

TEST_F(PayAsync, PublishesTheOutcomeToTheCallbackAndToPolling)
{
    TSimBehaviour slow = terminal();
    slow.answerDelay = 300ms; // the outcome comes well after the request's acknowledgement
    serve(slow);
    ecr->setJSONOut(false);
    ecr->setPrintMode(2);
    probe.reset(ecr.get());

    ASSERT_TRUE(ecr->payAsync(oneCent, u"", recordCompletion));
    std::u16string res = u"untouched";
    bool timedOut = true;
    EXPECT_FALSE(poll(res, timedOut));
    EXPECT_EQ(res, u"");
    EXPECT_TRUE(timedOut); // not written while nothing is completed

    ASSERT_TRUE(probe.waitForCall());
    EXPECT_TRUE(probe.polledCompleted); // published before the callback runs
    EXPECT_FALSE(probe.timeout);
    EXPECT_NE(probe.res.find(u"Result: 00\n"), std::u16string::npos);
    EXPECT_NE(probe.res.find(u"Receipt: "), std::u16string::npos);

    for (int i = 0; i < 2; ++i) { // polling does not consume the result
        EXPECT_TRUE(poll(res, timedOut));
        EXPECT_EQ(res, probe.res);
        EXPECT_FALSE(timedOut);
    }
    EXPECT_TRUE(sim->waitForClosed(1)); // the worker closed the connection

    const auto records = log.records();
    const std::vector<TLogRecord> worker{enter(u"TPayThread.DoTerminate"), info(u"Async Payment Thread terminated")};
    EXPECT_NE(std::search(records.begin(), records.end(), worker.begin(), worker.end()), records.end());
    EXPECT_EQ(countOf(records, info(u"Async Payment Thread in execution")), 1);
    EXPECT_EQ(countOf(records, info(u"Async Payment Thread Created")), 1);
    EXPECT_EQ(countOf(records, enter(u"TPayThread.Execute")), 1);
}

TEST_F(PayAsync, RefusesEveryExchangeWhileTheWorkerCollectsAndDestructionWaitsForIt)
{
    TSimBehaviour slow = terminal();
    slow.answerDelay = 1500ms;
    serve(slow);
    probe.reset(nullptr);
    ASSERT_TRUE(ecr->payAsync(oneCent, u"", recordCompletion));
    const std::size_t framesBefore = sim->framesAll().size();

    std::u16string res;
    bool timedOut = false;
    const std::string refused = "Another payment is running";
    expectThrowMessage<std::runtime_error>([&] { ecr->pay(oneCent, u"", res, timedOut); }, refused);
    expectThrowMessage<std::runtime_error>([&] { ecr->payAsync(oneCent, u"", nullptr); }, refused);
    expectThrowMessage<std::runtime_error>([&] { ecr->status(res); }, refused);
    expectThrowMessage<std::runtime_error>([&] { ecr->reprint(false); }, refused);
    expectThrowMessage<std::runtime_error>([&] { ecr->closeSession(); }, refused);
    EXPECT_EQ(sim->framesAll().size(), framesBefore); // nothing was written on the worker's connection

    ecr.reset(); // waits for the worker's last step, the callback included
    EXPECT_EQ(probe.calls, 1);
    EXPECT_FALSE(probe.timeout);
    EXPECT_NE(probe.res.find(u"\"result\":\"00\""), std::u16string::npos);
}

TEST_F(PayAsync, SilentTerminalPublishesAnEmptyTextAndTimeout)
{
    TSimBehaviour silent = terminal();
    silent.ackButNoAnswer = true;
    serve(silent, shortTicks());
    probe.reset(ecr.get());
    ASSERT_TRUE(ecr->payAsync(oneCent, u"", recordCompletion));
    ASSERT_TRUE(probe.waitForCall());
    EXPECT_EQ(probe.res, u"");
    EXPECT_TRUE(probe.timeout);
    EXPECT_TRUE(probe.polledCompleted);
}

TEST_F(PayAsync, UnacknowledgedPrintModeFailsAndClearsAnEarlierCompletion)
{
    completeOnePayment();
    std::u16string res;
    bool timedOut = false;

    TSimBehaviour deaf = terminal();
    deaf.neverAck = true;
    TTerminalSim deafSim(deaf);
    ecr->setPort(deafSim.port());
    EXPECT_FALSE(ecr->payAsync(oneCent, u"", recordCompletion));
    EXPECT_FALSE(poll(res, timedOut));
    EXPECT_EQ(countOf(log.records(), error(u"Error sending Print Mode")), 1);
    EXPECT_FALSE(deafSim.waitForClosed(1, 0ms)); // the failed payment leaves the connection open
    EXPECT_FALSE(ecr->closeSession());           // ... for closeSession to close
    EXPECT_TRUE(deafSim.waitForClosed(1));
}

TEST_F(PayAsync, ANewPaymentClearsTheCompletedResult)
{
    TSimBehaviour slow = terminal();
    slow.answerDelay = 300ms; // the second outcome comes well after its request is acknowledged
    completeOnePayment(slow);
    std::u16string res;
    bool timedOut = false;

    probe.reset(ecr.get());
    ASSERT_TRUE(ecr->payAsync(oneCent, u"", recordCompletion));
    EXPECT_FALSE(poll(res, timedOut));
    ASSERT_TRUE(probe.waitForCall());
    EXPECT_TRUE(poll(res, timedOut));
}

TEST_F(PayAsync, ACallbackThatThrowsIsLoggedAndTheResultStaysPublished)
{
    serve(terminal(), shortTicks());
    probe.reset(ecr.get());
    ASSERT_TRUE(ecr->payAsync(oneCent, u"", recordThenThrow));
    ASSERT_TRUE(probe.waitForCall());
    ecr.reset(); // returns once the worker has finished its last step
    EXPECT_TRUE(probe.polledCompleted);
    const auto records = log.records();
    // notifyCallback and DoTerminate each log it once.
    EXPECT_EQ(countOf(records, error(u"callback failed")), 2);
    EXPECT_EQ(countOf(records, leave(u"TPayThread.DoTerminate")), 1);
}

} // namespace
