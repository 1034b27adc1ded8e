#include "ExpectThrow.h"
#include "LinkFixture.h"
#include "RefusingPort.h"
#include "SocketErrorTexts.h"
#include "TextConvert.h"
#include "TransportErrors.h"

using namespace ecr17::detail;

namespace {

using namespace std::chrono_literals;

const std::u16string statusCommand = u"000000000s";
const std::string refused = kRefusedText;
// The log escapes CR LF.
const std::u16string refusedLogged =
    u"Socket Error # " + intToText(kRefusedCode) + u"$0D$0AConnection refused.";

// The attempt lines and the error lines, in order.
std::vector<TLogRecord> attemptsAndErrors(const std::vector<TLogRecord>& Arecords)
{
    std::vector<TLogRecord> picked;
    for (const TLogRecord& r : Arecords)
        if (r.kind == TLogRecordKind::Error || r.text.starts_with(u"Attempt n. "))
            picked.push_back(r);
    return picked;
}

struct LinkErrors : LinkFixture {
    // A link whose terminal refuses every connect, with the given clock.
    void refuseWith(std::function<std::uint32_t()> Aticks)
    {
        auto connection = std::make_unique<TCountingTransport>();
        link = std::make_unique<TLinkSession>(std::move(connection), TLinkTiming{kPollMs, std::move(Aticks)});
        link->address().setHost(u"127.0.0.1");
        link->address().setPort(refusing.port());
    }
    TRefusingPort refusing;
};

// A clock that moves Astep milliseconds each time it is read.
std::function<std::uint32_t()> steppingClock(std::uint32_t Astart, std::uint32_t Astep)
{
    return [now = Astart, Astep]() mutable {
        const std::uint32_t value = now;
        now += Astep;
        return value;
    };
}

TEST_F(LinkErrors, RefusedConnectIsDroppedTwiceThenPassedOn)
{
    refuseWith(monotonicTicks);
    expectThrowMessage<ESocketError>([&] { link->Send(statusCommand); }, refused);
    EXPECT_EQ(attemptsAndErrors(log.records()),
              (std::vector<TLogRecord>{info(u"Attempt n. 1"), error(refusedLogged), info(u"Attempt n. 2"), error(refusedLogged),
                                       info(u"Attempt n. 3"), error(refusedLogged), error(refusedLogged), error(refusedLogged)}));
    EXPECT_FALSE(link->tcpClient().Connected());
}

TEST_F(LinkErrors, AttemptThatFailedAfterTheRetryLimitEndsSendAtOnce)
{
    struct Case {
        const char* name;
        std::uint32_t start;
        std::uint32_t step;
        int attempts;
    };
    const Case cases[] = {
        {"16 s in the attempt", 0, 16000, 1},
        {"exactly 15 s", 0, 15000, 3},
        {"counter wraps inside the attempt", 0xFFFFFF00u, 0x200, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        refuseWith(steppingClock(c.start, c.step));
        EXPECT_THROW(link->Send(statusCommand), ESocketError);
        const auto records = log.records();
        EXPECT_EQ(countOf(records, info(u"Attempt n. " + intToText(c.attempts))), 1);
        EXPECT_EQ(countOf(records, info(u"Attempt n. " + intToText(c.attempts + 1))), 0);
        EXPECT_EQ(countOf(records, error(refusedLogged)), c.attempts + 2);
    }
}

// What a misbehaving terminal does after it has acknowledged the command.
struct BadPeerCase {
    const char* name;
    TSimScript script;
};

TEST_F(LinkFixture, MisbehavingTerminalLeavesTheLinkUsableForTheNextExchange)
{
    const std::string flood(kMaxReadBytes, 'x');
    const BadPeerCase cases[] = {
        {"half a frame then close", {TSimStep::readFrame(), TSimStep::ack(), TSimStep::send({"\x02" "0000"}), TSimStep::close()}},
        {"reset", {TSimStep::readFrame(), TSimStep::ack(), TSimStep::send({"\x02" "00"}), TSimStep::reset()}},
        {"garbage, NUL and high bytes", {TSimStep::readFrame(), TSimStep::ack(), TSimStep::send({std::string("\xFF\0\x80\x03", 4)})}},
        {"flood", {TSimStep::readFrame(), TSimStep::ack(), TSimStep::send(std::vector<std::string>(200, flood))}},
    };
    for (const BadPeerCase& c : cases) {
        SCOPED_TRACE(c.name);
        serve({c.script, {TSimStep::readFrame(), TSimStep::ack()}}, fastPolls());
        ASSERT_TRUE(link->Send(statusCommand));
        bool timedOut = false;
        try {
            EXPECT_EQ(link->receiveData(1, timedOut, false), u"");
        } catch (const EConnClosedGracefully&) {
        }
        // Bounded by what ten ticks can read: two reads a tick at most.
        EXPECT_LE(link->receiveBuffer().size(), 10 * 2 * kMaxReadBytes);
        link->tcpClient().Disconnect();
        EXPECT_TRUE(link->Send(statusCommand));
        link->tcpClient().Disconnect();
    }
}

} // namespace
