// The C interface: status codes instead of exceptions, texts the caller frees,
// and no crash on NULL.
#include "ecr17.h"

#include "TerminalSim.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <utility>
#include <string>

namespace {

// Takes a library text and frees it.
std::u16string take(char16_t* Atext)
{
    std::u16string copy = Atext ? std::u16string(Atext) : std::u16string(u"<null>");
    ecr17_free(Atext);
    return copy;
}

struct CInterface : ::testing::Test {
    void SetUp() override { client = ecr17_create(); }
    void TearDown() override { ecr17_destroy(client); }
    void connectTo(const TTerminalSim& Asim)
    {
        ASSERT_EQ(ecr17_set_host(client, u"127.0.0.1"), ECR17_TRUE);
        ASSERT_EQ(ecr17_set_port(client, Asim.port()), ECR17_TRUE);
        ASSERT_EQ(ecr17_set_json_out(client, false), ECR17_TRUE);
    }
    ecr17_client* client = nullptr;
};

TEST(CInterfaceNull, EveryFunctionRefusesANullHandle)
{
    char16_t* text = nullptr;
    bool flag = false;
    int32_t number = 0;
    const int results[] = {
        ecr17_pay(nullptr, 100, u"", &text, &flag),
        ecr17_pay_async(nullptr, 100, u"", nullptr),
        ecr17_pay_async_polling(nullptr, &text, &flag),
        ecr17_status(nullptr, &text),
        ecr17_amount_validate(nullptr, 100),
        ecr17_close_session(nullptr),
        ecr17_reprint(nullptr, false),
        ecr17_get_progress(nullptr, &text),
        ecr17_set_progress_callback(nullptr, nullptr),
        ecr17_set_print_mode(nullptr, 0),
        ecr17_set_receipt_columns(nullptr, 24),
        ecr17_format_receipt(nullptr, u"x", &text),
        ecr17_get_host(nullptr, &text),
        ecr17_set_host(nullptr, u"h"),
        ecr17_get_port(nullptr, &number),
        ecr17_set_port(nullptr, 1),
        ecr17_get_timeout(nullptr, &number),
        ecr17_set_timeout(nullptr, 5),
        ecr17_get_json_out(nullptr, &flag),
        ecr17_set_json_out(nullptr, true),
        ecr17_receipt_complete(nullptr, &flag),
        ecr17_reversal(nullptr, nullptr, &text, &flag),
        ecr17_last_result(nullptr, &text),
        ecr17_totals(nullptr, &text),
        ecr17_set_journal(nullptr, u"j"),
        ecr17_pending_operation(nullptr, &text),
        ecr17_recover(nullptr, &text),
        ecr17_resolve_pending(nullptr, u"n"),
        ecr17_log_enable(nullptr),
    };
    for (int r : results)
        EXPECT_EQ(r, ECR17_INVALID);
    EXPECT_EQ(text, nullptr);
    ecr17_destroy(nullptr);
    ecr17_free(nullptr);
}

TEST_F(CInterface, NullOutputsAndTextsAreRefused)
{
    bool flag = false;
    char16_t* text = nullptr;
    EXPECT_EQ(ecr17_pay(client, 100, u"", nullptr, &flag), ECR17_INVALID);
    EXPECT_EQ(ecr17_pay(client, 100, u"", &text, nullptr), ECR17_INVALID);
    EXPECT_EQ(ecr17_status(client, nullptr), ECR17_INVALID);
    EXPECT_EQ(ecr17_set_host(client, nullptr), ECR17_INVALID);
    EXPECT_EQ(ecr17_format_receipt(client, nullptr, &text), ECR17_INVALID);
    EXPECT_EQ(ecr17_get_port(client, nullptr), ECR17_INVALID);
    EXPECT_EQ(ecr17_set_print_mode(client, 3), ECR17_INVALID);
}

TEST_F(CInterface, SettingsAndLocalOperations)
{
    int32_t number = -1;
    bool json = false;
    EXPECT_EQ(ecr17_get_timeout(client, &number), ECR17_TRUE);
    EXPECT_EQ(number, 60);
    ecr17_set_timeout(client, 500);
    ecr17_get_timeout(client, &number);
    EXPECT_EQ(number, 120);
    EXPECT_EQ(ecr17_set_port(client, 65535), ECR17_TRUE);
    ecr17_get_port(client, &number);
    EXPECT_EQ(number, 65535);
    ecr17_get_json_out(client, &json);
    EXPECT_TRUE(json);
    ecr17_set_host(client, u"terminal.local");
    char16_t* host = nullptr;
    EXPECT_EQ(ecr17_get_host(client, &host), ECR17_TRUE);
    EXPECT_EQ(take(host), u"terminal.local");

    EXPECT_EQ(ecr17_amount_validate(client, 100), ECR17_TRUE);
    EXPECT_EQ(ecr17_amount_validate(client, 50), ECR17_FALSE);
    EXPECT_EQ(ecr17_set_receipt_columns(client, 11), ECR17_FALSE);
    EXPECT_EQ(ecr17_set_receipt_columns(client, 12), ECR17_TRUE);
    char16_t* formatted = nullptr;
    EXPECT_EQ(ecr17_format_receipt(client, u"abc}0123456789ABCDEF", &formatted), ECR17_TRUE);
    EXPECT_EQ(take(formatted), u"abc\n0123456789AB\nCDEF");
    EXPECT_EQ(ecr17_last_error(client), nullptr);
}

TEST_F(CInterface, StatusAndPaymentAgainstTheSimulator)
{
    TTerminalSim sim{TSimBehaviour{}};
    connectTo(sim);
    char16_t* result = nullptr;
    ASSERT_EQ(ecr17_status(client, &result), ECR17_TRUE);
    EXPECT_EQ(take(result).rfind(u"Terminal ID: SIM00001\n", 0), 0u);

    bool timedOut = true;
    ecr17_set_print_mode(client, 2);
    ASSERT_EQ(ecr17_pay(client, 100, nullptr, &result, &timedOut), ECR17_TRUE);
    EXPECT_FALSE(timedOut);
    const std::u16string paid = take(result);
    EXPECT_NE(paid.find(u"Result: 00\n"), std::u16string::npos);
    EXPECT_NE(paid.find(u"Receipt: "), std::u16string::npos);
}

TEST_F(CInterface, ErrorsBecomeAStatusAndAMessage)
{
    std::uint16_t closedPort;
    {
        TTerminalSim gone(std::vector<TSimScript>{});
        closedPort = gone.port();
    }
    ecr17_set_host(client, u"127.0.0.1");
    ecr17_set_port(client, closedPort);
    char16_t* result = nullptr;
    EXPECT_EQ(ecr17_status(client, &result), ECR17_ERROR);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(take(ecr17_last_error(client)).rfind(u"Socket Error # ", 0), 0u);

    // Outputs are written on the error path too.
    bool timedOut = true;
    result = reinterpret_cast<char16_t*>(&timedOut);
    EXPECT_EQ(ecr17_pay(client, 0, u"", &result, &timedOut), ECR17_ERROR);
    EXPECT_EQ(result, nullptr);
    EXPECT_FALSE(timedOut);
    timedOut = true;
    result = reinterpret_cast<char16_t*>(&timedOut);
    EXPECT_EQ(ecr17_pay_async_polling(client, &result, &timedOut), ECR17_FALSE);
    EXPECT_EQ(result, nullptr);
    EXPECT_FALSE(timedOut);
}

TEST_F(CInterface, PortOutsideItsRangeIsRefusedAndChangesNothing)
{
    ASSERT_EQ(ecr17_set_port(client, 9100), ECR17_TRUE);
    const std::pair<int32_t, std::u16string> cases[] = {
        {-1, u"Port out of range: -1"},
        {65536, u"Port out of range: 65536"},
        {INT32_MIN, u"Port out of range: -2147483648"},
    };
    for (const auto& [port, message] : cases) {
        SCOPED_TRACE(port);
        EXPECT_EQ(ecr17_set_port(client, port), ECR17_INVALID);
        int32_t kept = 0;
        ecr17_get_port(client, &kept);
        EXPECT_EQ(kept, 9100);
        EXPECT_EQ(take(ecr17_last_error(client)), message);
    }
}

TEST_F(CInterface, ReceiptCutShortIsVisible)
{
    TSimBehaviour cutShort;
    cutShort.closeAt = 7;  // acknowledgements, two progress texts, outcome, one receipt block
    TTerminalSim sim{cutShort};
    connectTo(sim);
    bool complete = false;
    ASSERT_EQ(ecr17_receipt_complete(client, &complete), ECR17_TRUE);
    EXPECT_TRUE(complete);
    ecr17_set_print_mode(client, 2);
    char16_t* result = nullptr;
    bool timedOut = true;
    ASSERT_EQ(ecr17_pay(client, 100, nullptr, &result, &timedOut), ECR17_TRUE);
    EXPECT_NE(take(result).find(u"Receipt: "), std::u16string::npos);
    ASSERT_EQ(ecr17_receipt_complete(client, &complete), ECR17_TRUE);
    EXPECT_FALSE(complete);
    EXPECT_EQ(ecr17_receipt_complete(client, nullptr), ECR17_INVALID);
}

// A charged payment whose outcome never arrived, recovered through the
// journal; then a reversal and the totals.
TEST_F(CInterface, RecoveryReversalAndTotals)
{
    TSimBehaviour dropping;
    dropping.drop = TSimDrop::AfterCharge;
    TTerminalSim sim{dropping};
    connectTo(sim);
    const std::string journal = ::testing::TempDir() + "ecr17-c-journal.jsonl";
    std::remove(journal.c_str());
    const std::u16string journal16(journal.begin(), journal.end());
    ASSERT_EQ(ecr17_set_journal(client, journal16.c_str()), ECR17_TRUE);

    char16_t* result = nullptr;
    bool timedOut = true;
    EXPECT_EQ(ecr17_pay(client, 100, nullptr, &result, &timedOut), ECR17_ERROR);
    EXPECT_EQ(ecr17_pending_operation(client, &result), ECR17_TRUE);
    EXPECT_EQ(take(result).rfind(u"Operation: payment\nAmount: 0.01\n", 0), 0u);
    EXPECT_EQ(ecr17_pay(client, 100, nullptr, &result, &timedOut), ECR17_ERROR);
    EXPECT_EQ(take(ecr17_last_error(client)), u"A previous payment has no outcome: recover it first");
    EXPECT_EQ(sim.ledger().charges(), 1u);

    ASSERT_EQ(ecr17_recover(client, &result), ECR17_TRUE);
    const std::u16string recovered = take(result);
    EXPECT_NE(recovered.find(u"STAN: 000001\n"), std::u16string::npos);
    EXPECT_NE(recovered.find(u"Last result of: pending\n"), std::u16string::npos);
    EXPECT_EQ(ecr17_pending_operation(client, &result), ECR17_FALSE);
    EXPECT_EQ(take(result), u"");
    EXPECT_EQ(ecr17_resolve_pending(client, u"none"), ECR17_ERROR);

    ASSERT_EQ(ecr17_last_result(client, &result), ECR17_TRUE);
    EXPECT_NE(take(result).find(u"STAN: 000001\n"), std::u16string::npos);
    ASSERT_EQ(ecr17_reversal(client, u"000001", &result, &timedOut), ECR17_TRUE);
    EXPECT_NE(take(result).find(u"Result: 00\n"), std::u16string::npos);
    ASSERT_EQ(ecr17_totals(client, &result), ECR17_TRUE);
    EXPECT_EQ(take(result), u"Terminal ID: SIM00001\nResult: 00\nTotal: 0.00\n");
    std::remove(journal.c_str());
}

struct TCompletion {
    std::mutex lock;
    std::condition_variable done;
    bool called = false;
    std::u16string result;
    bool timedOut = true;
} completion;

void onCompletion(const char16_t* Aresult, bool AtimedOut)
{
    std::lock_guard guard(completion.lock);
    completion.result = Aresult;
    completion.timedOut = AtimedOut;
    completion.called = true;
    completion.done.notify_all();
}

TEST_F(CInterface, AsynchronousPaymentWithCallbackAndPolling)
{
    TTerminalSim sim{TSimBehaviour{}};
    connectTo(sim);
    ASSERT_EQ(ecr17_pay_async(client, 100, u"", onCompletion), ECR17_TRUE);
    {
        std::unique_lock guard(completion.lock);
        ASSERT_TRUE(completion.done.wait_for(guard, std::chrono::seconds(20), [] { return completion.called; }));
    }
    char16_t* polled = nullptr;
    bool timedOut = true;
    ASSERT_EQ(ecr17_pay_async_polling(client, &polled, &timedOut), ECR17_TRUE);
    EXPECT_EQ(take(polled), completion.result);
    EXPECT_FALSE(timedOut);
    EXPECT_NE(completion.result.find(u"Result: 00\n"), std::u16string::npos);
}

} // namespace
