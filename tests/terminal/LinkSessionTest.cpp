#include "LinkFixture.h"
#include "TransportErrors.h"

#include <vector>

using namespace ecr17::detail;

namespace {

using namespace std::chrono_literals;

const std::u16string statusCommand = u"000000000s";
const std::string payload = "12345678Xs000000000009120914301SW1.0";

TEST_F(LinkFixture, AcknowledgedSendLogsItsTraceAndLines)
{
    serve({{TSimStep::readFrame(), TSimStep::ack()}});
    EXPECT_TRUE(link->Send(statusCommand));
    EXPECT_EQ(log.records(),
              (std::vector<TLogRecord>{enter(u"Send"), info(u"Attempt n. 1"), enter(u"SendAttempt"),
                                       info(u"Send command to EFT: 000000000s"), enter(u"receiveData"),
                                       info(u"Receiving data, timeout: 5, ACK: True"),
                                       info(u"Receive data: $06$03z"), enter(u"checkProgress"),
                                       leave(u"checkProgress"), leave(u"receiveData"), leave(u"SendAttempt"),
                                       leave(u"Send")}));
    EXPECT_EQ(receivedByTerminal(), commandBytes(statusCommand));
}

TEST_F(LinkFixture, UnacknowledgedCommandIsWrittenThreeTimesOnOneConnection)
{
    serve({{TSimStep::silent()}}, fastPolls());
    EXPECT_FALSE(link->Send(statusCommand));
    EXPECT_EQ(transport->polls, 3 * 49);
    EXPECT_EQ(countOf(log.records(), warning(u"Timeout occurred")), 3);
    EXPECT_EQ(receivedByTerminal(), commandBytes(statusCommand) + commandBytes(statusCommand) + commandBytes(statusCommand));
    EXPECT_EQ(sim->connectionCount(), 1u);
}

TEST_F(LinkFixture, AnyOtherReplyIsNoAcknowledgementButTheNextAttemptMayBe)
{
    const std::string nak = "\x15\x03z";
    serve({{TSimStep::readFrame(), TSimStep::send({nak}), TSimStep::readFrame(), TSimStep::ack()}}, fastPolls());
    EXPECT_TRUE(link->Send(statusCommand));
    EXPECT_EQ(countOf(log.records(), info(u"Attempt n. 2")), 1);
    EXPECT_EQ(countOf(log.records(), info(u"Attempt n. 3")), 0);
}

TEST_F(LinkFixture, AcknowledgementIsFoundBehindGarbageAndAcrossPieces)
{
    const std::string garbage("\xFF\x80\0\x7F noise", 9);
    serve({{TSimStep::readFrame(), TSimStep::send({garbage + "\x06", "\x03", "z"}, 20ms)}});
    EXPECT_TRUE(link->Send(statusCommand));
    EXPECT_EQ(countOf(log.records(), info(u"Attempt n. 2")), 0);
}

TEST_F(LinkFixture, AcknowledgementAndResponseInOnePieceAreTakenFromTheBuffer)
{
    serve({{TSimStep::readFrame(), TSimStep::send({simAckFrame() + simFrame(payload)})}});
    ASSERT_TRUE(link->Send(statusCommand));
    log.clear();
    const int pollsBefore = transport->polls;
    bool timedOut = true;
    const std::u16string received = link->receiveData(6, timedOut, false);
    EXPECT_EQ(received, decodeWire(simAckFrame() + simFrame(payload)));
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(transport->polls, pollsBefore);
    EXPECT_EQ(textsOf(log.records(), TLogRecordKind::Info),
              (std::vector<std::u16string>{u"Receiving data, timeout: 6, ACK: False", u"Data in buffer"}));
}

TEST_F(LinkFixture, ResponseSplitBetweenPiecesCompletesWithItsLastPiece)
{
    const std::string frame = simFrame(payload);
    const size_t cuts[] = {1, 2, 20, frame.size() - 2, frame.size() - 1};
    std::vector<TSimScript> scripts;
    for (size_t cut : cuts)
        scripts.push_back({TSimStep::send({frame.substr(0, cut), frame.substr(cut)}, 30ms)});
    serve(scripts);
    for (size_t cut : cuts) {
        SCOPED_TRACE(cut);
        link->clearReceiveBuffer();
        log.clear();
        link->connect();
        bool timedOut = true;
        const std::u16string received = link->receiveData(6, timedOut, false);
        EXPECT_EQ(extractBetween(received, STX, ETX), decodeWire(payload));
        EXPECT_FALSE(timedOut);
        EXPECT_EQ(countOf(log.records(), info(u"Data in buffer")), 0);
        link->tcpClient().Disconnect();
    }
}

TEST_F(LinkFixture, WaitOfOneSecondPollsNineTimesWithTheRealPollLength)
{
    serve({{TSimStep::silent()}});
    link->connect();
    bool timedOut = false;
    EXPECT_EQ(link->receiveData(1, timedOut, false), u"");
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(transport->polls, 9);
    EXPECT_EQ(countOf(log.records(), warning(u"Timeout occurred")), 1);
}

TEST_F(LinkFixture, UnacknowledgedAttemptWaitsFortyNinePollsWithTheRealPollLength)
{
    serve({{TSimStep::silent()}});
    bool timedOut = false;
    EXPECT_FALSE(link->SendAttempt(statusCommand));
    EXPECT_EQ(transport->polls, 49);
    EXPECT_FALSE(timedOut);
}

TEST_F(LinkFixture, WaitOfZeroSecondsReturnsAtOnce)
{
    serve({{TSimStep::readFrame(), TSimStep::send({simAckFrame() + "noise"})}});
    ASSERT_TRUE(link->Send(statusCommand));
    bool timedOut = true;
    EXPECT_EQ(link->receiveData(0, timedOut, false), u"");
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(link->receiveBuffer(), u"");
}

std::vector<std::u16string> progressSeen;
void recordProgress(const char16_t* Ares)
{
    progressSeen.emplace_back(Ares);
}

TEST_F(LinkFixture, FirstProgressTextOfAPieceIsReportedOnceBesideTheResponse)
{
    progressSeen.clear();
    serve({{TSimStep::send({simProgress("first") + simProgress("second") + simFrame(payload)})}});
    link->setProgressCallback(recordProgress);
    link->connect();
    bool timedOut = true;
    EXPECT_NE(link->receiveData(6, timedOut, false), u"");
    EXPECT_EQ(progressSeen, std::vector<std::u16string>{u"first"});
    EXPECT_EQ(countOf(log.records(), info(u"Progress: first")), 1);
    EXPECT_EQ(link->getProgress(), u"first");
    EXPECT_EQ(link->getProgress(), u"");
    EXPECT_EQ(countOf(log.records(), info(u"Get progress: ")), 1);
}

TEST_F(LinkFixture, PeerCloseEndsTheWaitAndSendACKThenWritesNothing)
{
    serve({{TSimStep::readFrame(), TSimStep::ack(), TSimStep::close()}}, fastPolls());
    ASSERT_TRUE(link->Send(statusCommand));
    bool timedOut = true;
    try {
        EXPECT_EQ(link->receiveData(6, timedOut, false), u"");
    } catch (const EConnClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(link->SendACK());
    EXPECT_EQ(countOf(log.records(), info(u"Send ACK to EFT")), 1);
    EXPECT_EQ(receivedByTerminal(), commandBytes(statusCommand));
}

TEST_F(LinkFixture, SendACKWritesTheAcknowledgementFrame)
{
    serve({{TSimStep::readFrame(), TSimStep::ack()}});
    ASSERT_TRUE(link->Send(statusCommand));
    EXPECT_TRUE(link->SendACK());
    EXPECT_EQ(receivedByTerminal(), commandBytes(statusCommand) + simAckFrame());
}

} // namespace
