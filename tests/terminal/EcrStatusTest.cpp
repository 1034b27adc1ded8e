#include "EcrFixture.h"

using namespace ecr17::detail;

namespace {

const std::string statusPayload31 = "SIM000010s00000000000912261430" "0";

TEST_F(EcrFixture, StatusInBothRenderings)
{
    struct Case {
        const char* name;
        std::string release;
        bool json;
        std::u16string expected;
    };
    const Case cases[] = {
        {"40 characters, text", "SIM 1.0.0", false,
         u"Terminal ID: SIM00001\nDate/time: 0912261430\nStatus: 0\nSW Release: SIM 1.0.0\n"},
        {"40 characters, JSON", "SIM 1.0.0", true,
         u"{\"termID\":\"SIM00001\",\"datetime\":\"0912261430\",\"status\":\"0\",\"SWrelease\":\"SIM 1.0.0\"}"},
        {"31 characters, text", "", false,
         u"Terminal ID: SIM00001\nDate/time: 0912261430\nStatus: 0\nSW Release: \n"},
        {"31 characters, JSON", "", true,
         u"{\"termID\":\"SIM00001\",\"datetime\":\"0912261430\",\"status\":\"0\",\"SWrelease\":\"\"}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSimBehaviour behaviour = terminal();
        behaviour.swRelease = c.release;
        serve(behaviour);
        ecr->setJSONOut(c.json);
        std::u16string res = u"stale";
        EXPECT_TRUE(ecr->status(res));
        EXPECT_EQ(res, c.expected);
        EXPECT_EQ(framesReceived(), (std::vector<std::string>{commandFrame(u"000000000s"), simAckFrame()}));
        EXPECT_EQ(countOf(log.records(), info(u"Get EFT status completed")), 1);
        EXPECT_EQ(countOf(log.records(), info(u"TCP client disconnected")), 1);
    }
}

TEST_F(EcrFixture, StatusPayloadOf30CharactersIsRefusedWithoutAcknowledgement)
{
    const std::string payload = statusPayload31.substr(0, 30);
    serve(std::vector<TSimScript>{{TSimStep::readFrame(), TSimStep::ack(), TSimStep::send({simFrame(payload)})}});
    std::u16string res;
    EXPECT_FALSE(ecr->status(res));
    EXPECT_EQ(res, u"");
    EXPECT_EQ(countOf(log.records(), info(u"EFT status response:  " + decodeWire(payload))), 1);
    EXPECT_EQ(framesReceived(), std::vector<std::string>{commandFrame(u"000000000s")});
}

TEST_F(EcrFixture, StatusResponseArrivingWithTheAcknowledgementIsTakenAtOnce)
{
    serve(std::vector<TSimScript>{{TSimStep::readFrame(), TSimStep::send({simAckFrame() + simFrame(statusPayload31)})}});
    ecr->setJSONOut(false);
    std::u16string res;
    EXPECT_TRUE(ecr->status(res));
    EXPECT_EQ(res, u"Terminal ID: SIM00001\nDate/time: 0912261430\nStatus: 0\nSW Release: \n");
    EXPECT_EQ(countOf(log.records(), info(u"Data in buffer")), 1);
}

TEST_F(EcrFixture, StatusWithoutAnAnswerTimesOutAndClosesTheConnection)
{
    TSimBehaviour behaviour = terminal();
    behaviour.ackButNoAnswer = true;
    serve(behaviour, shortTicks());
    std::u16string res;
    EXPECT_FALSE(ecr->status(res));
    EXPECT_EQ(res, u"");
    EXPECT_EQ(countOf(log.records(), warning(u"Timeout occurred")), 1);
    EXPECT_EQ(framesReceived(), std::vector<std::string>{commandFrame(u"000000000s")});
}

} // namespace
