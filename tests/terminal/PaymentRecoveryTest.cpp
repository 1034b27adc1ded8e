// A payment whose connection drops at each point of the exchange, with and
// without the journal: what pay returns, what the journal holds, that a
// second charge is refused while the outcome is unknown, that recovery finds
// the charged payment, and that the terminal charged the card exactly once.
// Then reversal, totals and a journal torn by a crash.
#include "EcrFixture.h"
#include "ExpectThrow.h"
#include "TextConvert.h"
#include "TotalsResponse.h"
#include "TransportErrors.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace ecr17::detail;

namespace {

using namespace std::chrono_literals;

constexpr Currency oneCent = 100;
constexpr const char* refusal = "A previous payment has no outcome: recover it first";

TLinkTiming tenMsPolls()
{
    return {10, monotonicTicks};
}

// A journal file in a fresh directory, removed afterwards.
class TTempJournal {
public:
    TTempJournal()
    {
        // A name no other run holds: create_directory refuses one that exists.
        std::random_device random;
        do
            Fdir = std::filesystem::temp_directory_path() / ("ecr17-journal." + std::to_string(random()));
        while (!std::filesystem::create_directory(Fdir));
    }
    ~TTempJournal()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Fdir, ignored);
    }
    std::string path() const { return (Fdir / "payments.jsonl").string(); }
    std::vector<std::string> lines() const
    {
        std::ifstream in(path());
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);)
            all.push_back(line);
        return all;
    }
    // The "step" of every line, in order.
    std::vector<std::string> steps() const
    {
        std::vector<std::string> found;
        for (const std::string& line : lines()) {
            const auto at = line.find("\"step\":\"");
            found.push_back(at == std::string::npos ? "?" : line.substr(at + 8, line.find('"', at + 8) - at - 8));
        }
        return found;
    }

private:
    std::filesystem::path Fdir;
};

struct Recovery : EcrFixture {
    void serveDropping(TSimDrop Adrop, TPrintMode AprintMode)
    {
        TSimBehaviour b = terminal();
        b.drop = Adrop;
        b.dropPayment = 2;  // the first payment goes through: the terminal has a last result
        serve(b, tenMsPolls());
        ecr->setJSONOut(false);
        ecr->setTimeout(5);
        ecr->setPrintMode(AprintMode);
    }
    // pay, with an error turned into its message.
    bool payOnce(std::u16string& Ares, bool& Atimeout, std::string& Aerror)
    {
        Aerror.clear();
        try {
            return ecr->pay(oneCent, u"", Ares, Atimeout);
        } catch (const std::exception& e) {
            Aerror = e.what();
            return false;
        }
    }
    std::size_t charges() const { return sim->ledger().charges(); }
};

struct DropRow {
    const char* name;
    TSimDrop drop;
    TPrintMode printMode;
    bool result;
    std::string error;  // what pay raises (empty: nothing)
    std::size_t charged;
    bool pending;
    std::u16string lastResultOf;  // what recover says (pending operations only)
};

TEST_F(Recovery, EachDropPointWithAndWithoutTheJournal)
{
    const DropRow rows[] = {
        // The request is sent again on a new connection by the second attempt.
        {"before the request is acknowledged", TSimDrop::BeforeAck, 0, true, "", 1, false, u""},
        {"after the request is acknowledged", TSimDrop::AfterAck, 0, false, "Connection Closed Gracefully.", 0, true,
         u"other"},
        {"after the charge, before the outcome", TSimDrop::AfterCharge, 0, false, "Connection Closed Gracefully.", 1,
         true, u"pending"},
        {"silent after the charge", TSimDrop::SilentAfterCharge, 0, false, "", 1, true, u"pending"},
        {"after the outcome, before its acknowledgement", TSimDrop::AfterOutcome, 0, true, "", 1, false, u""},
        {"during the receipt", TSimDrop::DuringReceipt, 2, true, "", 1, false, u""},
    };
    for (const DropRow& r : rows) {
        for (const bool journaled : {true, false}) {
            SCOPED_TRACE(std::string(r.name) + (journaled ? ", journal" : ", no journal"));
            serveDropping(r.drop, r.printMode);
            const TTempJournal journal;
            if (journaled)
                ecr->setJournal(utf8ToText(journal.path()));
            std::u16string res;
            bool timedOut = false;
            std::string error;
            ASSERT_TRUE(payOnce(res, timedOut, error)) << error;
            ASSERT_EQ(charges(), 1u);

            EXPECT_EQ(payOnce(res, timedOut, error), r.result);
            EXPECT_EQ(error, r.error);
            EXPECT_EQ(charges(), 1 + r.charged);
            std::u16string pending;
            const bool isPending = journaled && r.pending;
            EXPECT_EQ(ecr->pendingOperation(pending), isPending);
            if (!journaled)
                continue;
            EXPECT_EQ(journal.steps(), (std::vector<std::string>{"sent", "outcome", "sent",
                                                                 r.pending ? "unknown" : "outcome"}));
            if (!r.pending)
                continue;
            EXPECT_EQ(pending, u"Operation: payment\nAmount: 0.01\nSequence: 3\nStep: unknown\nTime: " +
                                   pending.substr(pending.find(u"Time: ") + 6));

            // No blind second charge.
            EXPECT_FALSE(payOnce(res, timedOut, error));
            EXPECT_EQ(error, refusal);
            EXPECT_EQ(charges(), 1 + r.charged);

            ASSERT_TRUE(ecr->recover(res));
            EXPECT_NE(res.find(u"Last result of: " + r.lastResultOf + u"\n"), std::u16string::npos) << textToUtf8(res);
            const std::u16string stan = r.charged ? u"STAN: 000002\n" : u"STAN: 000001\n";
            EXPECT_NE(res.find(stan), std::u16string::npos) << textToUtf8(res);
            EXPECT_EQ(journal.steps().back(), r.lastResultOf == u"pending" ? "outcome" : "recovered");
            EXPECT_FALSE(ecr->pendingOperation(pending));
            EXPECT_TRUE(payOnce(res, timedOut, error)) << error;
            EXPECT_EQ(charges(), 2 + r.charged);
        }
    }
}

TEST_F(Recovery, TheOperatorResolvesWhatTheTerminalCannotTell)
{
    serveDropping(TSimDrop::AfterAck, 0);
    const TTempJournal journal;
    ecr->setJournal(utf8ToText(journal.path()));
    expectThrowMessage<std::runtime_error>([&] { ecr->resolvePending(u"nothing"); }, "No operation is pending");
    std::u16string res;
    bool timedOut = false;
    std::string error;
    ASSERT_TRUE(payOnce(res, timedOut, error));
    payOnce(res, timedOut, error);
    ASSERT_TRUE(ecr->pendingOperation(res));
    ecr->resolvePending(u"checked on the terminal: not charged");
    EXPECT_FALSE(ecr->pendingOperation(res));
    const std::string last = journal.lines().back();
    EXPECT_NE(last.find("\"step\":\"resolved\""), std::string::npos) << last;
    EXPECT_NE(last.find("\"note\":\"checked on the terminal: not charged\""), std::string::npos) << last;
}

TEST_F(Recovery, ATornLastLineIsIgnoredAndTheNextRecordStandsWhole)
{
    serveDropping(TSimDrop::None, 0);
    const TTempJournal journal;
    {
        std::ofstream out(journal.path());
        out << R"({"seq":"7","time":"t","step":"outcome","operation":"payment","ref":"6","outcomeStan":"000001"})"
            << "\n"
            << R"({"seq":"8","time":"t","step":"sent","operation":"pay)";  // the crash cut this line
    }
    ecr->setJournal(utf8ToText(journal.path()));
    std::u16string res;
    EXPECT_FALSE(ecr->pendingOperation(res));
    bool timedOut = false;
    std::string error;
    ASSERT_TRUE(payOnce(res, timedOut, error)) << error;
    const std::vector<std::string> lines = journal.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], R"({"seq":"8","time":"t","step":"sent","operation":"pay)");
    EXPECT_EQ(lines[2].rfind(R"({"seq":"8","time":")", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find(R"("step":"sent","operation":"payment","ref":"8","amount":"0.01","description":"","lastStan":"000001"})"),
              std::string::npos)
        << lines[2];
    EXPECT_NE(lines[3].find(R"("step":"outcome")"), std::string::npos) << lines[3];
}

TEST_F(Recovery, LastResultIsThePaymentOutcome)
{
    serveDropping(TSimDrop::None, 0);
    std::u16string paid;
    bool timedOut = false;
    ASSERT_TRUE(ecr->pay(oneCent, u"", paid, timedOut));
    std::u16string last;
    ASSERT_TRUE(ecr->lastResult(last));
    EXPECT_EQ(last, paid);
}

TEST_F(Recovery, ReversalApprovedRefusedTwiceAndUnknown)
{
    serveDropping(TSimDrop::None, 2);
    std::u16string res;
    bool timedOut = false;
    ASSERT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
    ASSERT_TRUE(ecr->pay(2 * oneCent, u"", res, timedOut));

    struct Case {
        const char* name;
        std::u16string stan;
        std::u16string result;
        bool receipt;
    };
    const Case cases[] = {
        {"the first payment by its STAN", u"000001", u"00", true},
        {"the same again", u"000001", u"01", false},
        {"an unknown STAN", u"999999", u"01", false},
        {"the last transaction", u"", u"00", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(ecr->reversal(c.stan, res, timedOut));
        EXPECT_NE(res.find(u"Result: " + c.result + u"\n"), std::u16string::npos) << textToUtf8(res);
        EXPECT_EQ(res.find(u"Receipt: ") != std::u16string::npos, c.receipt);
    }
    EXPECT_EQ(sim->ledger().reversals(), 2u);
    expectThrowMessage<std::invalid_argument>([&] { ecr->reversal(u"12a456", res, timedOut); }, "STAN non valid.");
    const std::vector<std::string> frames = sim->framesAll();
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(),
                            [](const std::string& f) { return f.find("000000000S00000000") != std::string::npos; }),
              4);
}

TEST_F(Recovery, TotalsFollowPaymentsAndReversals)
{
    serveDropping(TSimDrop::None, 0);
    std::u16string res;
    bool timedOut = false;
    ASSERT_TRUE(ecr->pay(125 * oneCent, u"", res, timedOut));
    ASSERT_TRUE(ecr->pay(2 * oneCent, u"", res, timedOut));
    ASSERT_TRUE(ecr->totals(res));
    EXPECT_EQ(res, u"Terminal ID: SIM00001\nResult: 00\nTotal: 1.27\n");
    ASSERT_TRUE(ecr->reversal(u"", res, timedOut));
    ecr->setJSONOut(true);
    ASSERT_TRUE(ecr->totals(res));
    EXPECT_EQ(res, u"{\"termID\":\"SIM00001\",\"result\":\"00\",\"total\":\"1.25\"}");
}

TEST(CentsToAmount, DigitsBecomeADecimalWithTwoPlaces)
{
    EXPECT_EQ(centsToAmount(u"0000000000001234"), u"12.34");
    EXPECT_EQ(centsToAmount(u"0000000000000007"), u"0.07");
    EXPECT_EQ(centsToAmount(u"0000000000000000"), u"0.00");
    EXPECT_EQ(centsToAmount(u"12 4"), u"12 4");
}

} // namespace
