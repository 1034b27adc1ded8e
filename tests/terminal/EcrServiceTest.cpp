#include "EcrFixture.h"

#include <stdexcept>

using namespace ecr17::detail;

namespace {

TEST_F(EcrFixture, ReprintSendsTheServiceTicketFlag)
{
    struct Case {
        bool serviceTicket;
        std::u16string message;
    };
    const Case cases[] = {{true, u"000000000R010000000000"}, {false, u"000000000R000000000000"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serviceTicket);
        serve(terminal());
        EXPECT_TRUE(ecr->reprint(c.serviceTicket));
        EXPECT_EQ(framesReceived(), std::vector<std::string>{commandFrame(c.message)});
        EXPECT_EQ(countOf(log.records(), info(u"Reprint requested")), 1);
    }
}

TEST_F(EcrFixture, UnacknowledgedReprintIsAnErrorAndLeavesNoConnection)
{
    TSimBehaviour behaviour = terminal();
    behaviour.neverAck = true;
    serve(behaviour, shortTicks());
    EXPECT_FALSE(ecr->reprint(false));
    EXPECT_EQ(countOf(log.records(), error(u"Reprint requested Error")), 1);
    EXPECT_EQ(framesReceived().size(), 3u);
    EXPECT_FALSE(transport->Connected());
}

TEST_F(EcrFixture, CloseSessionWithoutAnOpenConnectionSendsNothing)
{
    serve(terminal());
    EXPECT_FALSE(ecr->closeSession());
    EXPECT_EQ(log.records(), (std::vector<TLogRecord>{enter(u"closeSession"), info(u"Close session requested"),
                                                      leave(u"closeSession")}));
    EXPECT_EQ(sim->connectionCount(), 0u);
}

TEST_F(EcrFixture, PrintModeIsLoggedAndOnlyZeroToTwoAccepted)
{
    serve(terminal());
    ecr->setPrintMode(2);
    EXPECT_EQ(log.records(), (std::vector<TLogRecord>{enter(u"setPrintMode"), info(u"Print Mode setted to 2"),
                                                      leave(u"setPrintMode")}));
    EXPECT_THROW(ecr->setPrintMode(3), std::out_of_range);
}

} // namespace
