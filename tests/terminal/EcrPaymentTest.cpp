#include "EcrFixture.h"
#include "ExpectThrow.h"
#include "RefusingPort.h"
#include "TransportErrors.h"

using namespace ecr17::detail;

namespace {

using namespace std::chrono_literals;

constexpr Currency oneCent = 100;

const std::u16string requestOneCent =
    u"000000000P0000000000000" u"00000001" + std::u16string(128, u' ') + u"00000000";

const std::u16string approvedText = u"Terminal ID: SIM00001\nResult: 00\nPAN: ************0019   \n"
                                    u"Transaction Type: ICC\nAuth Code: A1B2C3\nDate/time: 3431430\n"
                                    u"Description: \nCard Type: 1\nAcquirer ID: 00000012345\nSTAN: 000001\n"
                                    u"ID online: 000042\n";

const std::u16string receiptText = u"SIMULATED TERMINAL\nTERMINAL SIM00001\nPAYMENT\nAMOUNT EUR 0.01\n"
                                   u"STAN 000001\nAPPROVED AUTH A1B2C3\n";

const std::u16string approvedJSON =
    u"{\"termID\":\"SIM00001\",\"result\":\"00\",\"pan\":\"************0019   \",\"tranType\":\"ICC\","
    u"\"authCode\":\"A1B2C3\",\"dateTime\":\"3431430\",\"description\":\"\",\"cardType\":\"1\","
    u"\"acquirerID\":\"00000012345\",\"stan\":\"000001\",\"IDonline\":\"000042\",\"receipt\":"
    u"\"SIMULATED TERMINAL\\nTERMINAL SIM00001\\nPAYMENT\\nAMOUNT EUR 0.01\\nSTAN 000001\\n"
    u"APPROVED AUTH A1B2C3\\n\"}";

std::vector<std::u16string> progressSeen;
void recordProgress(const char16_t* Ares)
{
    progressSeen.emplace_back(Ares);
}

TEST_F(EcrFixture, ConsolePaymentWithReceiptInBothRenderings)
{
    struct Case {
        const char* name;
        bool json;
        std::u16string expected;
    };
    const Case cases[] = {
        {"text", false, approvedText + u"Receipt: " + receiptText + u"\n"},
        {"JSON", true, approvedJSON},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        serve(terminal());
        ecr->setJSONOut(c.json);
        ecr->setPrintMode(2);
        progressSeen.clear();
        ecr->setProgressCallback(recordProgress);
        std::u16string res;
        bool timedOut = true;
        EXPECT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
        EXPECT_FALSE(timedOut);
        EXPECT_EQ(res, c.expected);
        // The terminal's two texts may come in one piece: the first is reported.
        ASSERT_FALSE(progressSeen.empty());
        EXPECT_EQ(progressSeen.front(), u"PROGRESS 1");
        const std::string ack = simAckFrame();
        EXPECT_EQ(framesReceived(), (std::vector<std::string>{commandFrame(u"000000000E2"),
                                                              commandFrame(requestOneCent), ack, ack, ack, ack}));
        EXPECT_EQ(countOf(log.records(), info(u"Payment completed")), 1);
    }
}

TEST_F(EcrFixture, OutcomesWithoutReceipt)
{
    struct Case {
        const char* name;
        std::string result;
        std::u16string expected;
    };
    const Case cases[] = {
        {"approved", "00", approvedText},
        {"refused", "01",
         u"Terminal ID: SIM00001\nResult: 01\nPAN: \nTransaction Type: \nAuth Code: \nDate/time: \n"
         u"Description: CARD DECLINED           \nCard Type: 1\nAcquirer ID: 00000012345\nSTAN: 000001\n"
         u"ID online: 000042\n"},
        {"other", "05",
         u"Terminal ID: SIM00001\nResult: 05\nPAN: \nTransaction Type: \nAuth Code: \nDate/time: \n"
         u"Description: \nCard Type: 1\nAcquirer ID: 00000012345\nSTAN: 000001\nID online: 000042\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSimBehaviour behaviour = terminal();
        behaviour.result = c.result;
        serve(behaviour);
        ecr->setJSONOut(false);
        std::u16string res;
        bool timedOut = true;
        EXPECT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
        EXPECT_FALSE(timedOut);
        EXPECT_EQ(res, c.expected);
        EXPECT_EQ(framesReceived(), (std::vector<std::string>{commandFrame(u"000000000E0"),
                                                              commandFrame(requestOneCent), simAckFrame()}));
    }
}

TEST_F(EcrFixture, NoOutcomeWithinTheTimeOut)
{
    TSimBehaviour behaviour = terminal();
    behaviour.ackButNoAnswer = true;
    serve(behaviour, shortTicks());
    ecr->setTimeout(5);
    std::u16string res;
    bool timedOut = false;
    EXPECT_FALSE(ecr->pay(oneCent, u"", res, timedOut));
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(res, u"");
    EXPECT_EQ(countOf(log.records(), warning(u"Timeout occurred")), 1);
    EXPECT_EQ(framesReceived(),
              (std::vector<std::string>{commandFrame(u"000000000E0"), commandFrame(requestOneCent)}));
}

TEST_F(EcrFixture, MissingReceiptKeepsTheOutcome)
{
    TSimBehaviour behaviour = terminal();
    behaviour.receiptBlocks = 0;
    serve(behaviour, shortTicks());
    ecr->setJSONOut(false);
    ecr->setPrintMode(1);
    std::u16string res;
    bool timedOut = false;
    EXPECT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(res, approvedText);
    EXPECT_EQ(countOf(log.records(), error(u"Receipt not received")), 1);
}

TEST_F(EcrFixture, ConnectionLostDuringTheReceiptKeepsTheApprovedOutcome)
{
    TSimBehaviour behaviour = terminal();
    behaviour.progressTexts = 0;
    behaviour.closeAt = 4; // two acknowledgements, the outcome, then the first receipt block
    behaviour.receiptDelay = 50ms; // the close comes while the client waits, and raises there
    serve(behaviour, shortTicks());
    ecr->setJSONOut(false);
    ecr->setPrintMode(2);
    std::u16string res;
    bool timedOut = true;
    EXPECT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(res, approvedText);
    const auto records = log.records();
    EXPECT_EQ(countOf(records, error(u"Connection Closed Gracefully.")), 1);
    EXPECT_EQ(countOf(records, error(u"Receipt not received")), 1);
}

TEST_F(EcrFixture, FrameThatIsNoReceiptBlockIsDroppedAndTheReceiptStillCollected)
{
    const std::string outcome = "SIM000010E05" + std::string(35, ' ') + "100000012345000001000042";
    const std::string stray = "000000000X stray";
    serve(std::vector<TSimScript>{{TSimStep::readFrame(), TSimStep::ack(), TSimStep::readFrame(), TSimStep::ack(),
                                   TSimStep::send({simFrame(outcome)}), TSimStep::readFrame(),
                                   TSimStep::send({simFrame(stray), simFrame("000000000SLINE}\x1B")}),
                                   TSimStep::readFrame()}});
    ecr->setJSONOut(false);
    ecr->setPrintMode(2);
    std::u16string res;
    bool timedOut = true;
    EXPECT_TRUE(ecr->pay(oneCent, u"", res, timedOut));
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(res.ends_with(u"Receipt: LINE\n\n"));
    EXPECT_EQ(countOf(log.records(), warning(u"Not a receipt block, dropped: " + decodeWire(stray))), 1);
    EXPECT_EQ(framesReceived().size(), 4u);
}

TEST_F(EcrFixture, InvalidAmountIsRefusedAfterThePrintModeExchange)
{
    serve(terminal());
    std::u16string res;
    bool timedOut = true;
    expectThrowMessage<std::exception>([&] { ecr->pay(0, u"", res, timedOut); }, "Amount non valid.");
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(framesReceived(), std::vector<std::string>{commandFrame(u"000000000E0")});
    const auto records = log.records();
    EXPECT_EQ(countOf(records, warning(u"Validation failed")), 1);
    EXPECT_EQ(countOf(records, error(u"Amount non valid.")), 1);
    EXPECT_EQ(countOf(records, info(u"TCP client disconnected")), 1);
}

TEST_F(EcrFixture, TransportErrorStandsInTheLogOncePerHandler)
{
    TRefusingPort refusing;
    serve(terminal());
    ecr->setPort(refusing.port());
    std::u16string res;
    bool timedOut = true;
    EXPECT_THROW(ecr->pay(oneCent, u"", res, timedOut), ESocketError);
    // Three from the link's attempts 1 and 2, three from attempt 3, one from pay.
    EXPECT_EQ(textsOf(log.records(), TLogRecordKind::Error).size(), 6u);
    EXPECT_EQ(sim->connectionCount(), 0u);
}

} // namespace
