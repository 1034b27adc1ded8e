// The synchronous routes, and requests the bridge refuses before anything
// reaches the terminal.
#include "BridgeFixture.h"

TEST_F(TBridgeTest, StatusReprintAndCloseSessionWrapTheClientsResults)
{
    start();
    TEventReader events(Fport);
    const THttpReply status = Fclient->get("/v1/status");
    ASSERT_EQ(status.status, 200);
    EXPECT_EQ(status.member(u"ok"), "true");
    EXPECT_EQ(jsonMember(status.member(u"result"), u"termID"), "SIM00001");
    EXPECT_EQ(events.waitFor([](const TStreamEvent& e) { return e.name == "state"; })->data,
              R"({"operation":"status","state":"running"})");
    EXPECT_EQ(events.waitForEnd("status"), R"({"operation":"status","state":"done","status":200})");

    EXPECT_EQ(Fclient->post("/v1/reprint", R"({"serviceTicket":true})").body, R"({"ok":true})");
    EXPECT_EQ(Fsim->framesAll().back().find("000000000R"), 1u);
    // Every operation closes its connection, so there is no session to close.
    EXPECT_EQ(Fclient->post("/v1/close-session", "").body, R"({"ok":false})");
}

TEST_F(TBridgeTest, ATerminalThatCannotBeReachedIsA502WithTheClientsMessage)
{
    start();
    Fsim.reset();
    const THttpReply status = Fclient->get("/v1/status");
    EXPECT_EQ(status.status, 502);
    EXPECT_EQ(status.member(u"error").rfind("Socket Error # ", 0), 0u) << status.body;
    Fsim = std::make_unique<TTerminalSim>(quickTerminal());   // for the fixture's end
}

TEST_F(TBridgeTest, BadRequestsAreRefusedWithJsonAndReachNoTerminal)
{
    start();
    struct TCase {
        std::string path;
        std::string body;
        int status;
        std::string error;
    };
    const std::vector<TCase> cases = {
        {"/v1/payments", "amount=1", 400, "The body is not a JSON object"},
        {"/v1/payments", "[\"1.00\"]", 400, "The body is not a JSON object"},
        {"/v1/payments", "{}", 400, "amount is missing"},
        {"/v1/payments", R"({"amount":12.34})", 400, "amount must be a text"},
        {"/v1/payments", R"({"amount":"12,34"})", 400, R"(amount must be a decimal text such as "12.34", not "12,34")"},
        {"/v1/payments", R"({"amount":"1","printMode":3})", 400, "printMode must be 0, 1 or 2"},
        {"/v1/payments", R"({"amount":"1","description":7})", 400, "description must be a text"},
        {"/v1/payments", R"({"amount":"1","idempotencyKey":")" + std::string(256, 'k') + "\"}", 400,
         "idempotencyKey is longer than 255 characters"},
        {"/v1/payments", R"({"amount":"0"})", 422, "Amount non valid."},
        {"/v1/payments", R"({"amount":"0.001"})", 422, "Amount non valid."},
        {"/v1/payments", R"({"amount":"1000000.00"})", 422, "Amount non valid."},
        {"/v1/payments", std::string(70000, ' '), 413, "The body is longer than 65536 bytes"},
        {"/v1/reprint", R"({"serviceTicket":"yes"})", 400, "serviceTicket must be true or false"},
        {"/v1/close-session", "nonsense", 400, "The body is not a JSON object"},
        {"/v1/nothing-here", "{}", 404, "No route for POST /v1/nothing-here"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.path + " " + c.body.substr(0, 40));
        const THttpReply reply = Fclient->post(c.path, c.body);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.member(u"error"), c.error);
        EXPECT_EQ(reply.headers.find("Content-Type")->second, "application/json; charset=utf-8");
    }
    EXPECT_EQ(Fclient->get("/v1/unknown").member(u"error"), "No route for GET /v1/unknown");
    EXPECT_EQ(Fsim->connectionCount(), 0u);
}

TEST_F(TBridgeTest, AReconnectingEventStreamGetsWhatCameAfterItsLastEventId)
{
    start();
    ASSERT_EQ(Fclient->get("/v1/status").status, 200);   // events 1 (running) and 2 (done)
    httplib::Client stream("127.0.0.1", Fport);
    std::string received;
    stream.Get("/v1/events", {{"Last-Event-ID", "1"}}, [&](const char* Adata, std::size_t Alength) {
        received.append(Adata, Alength);
        return received.find("\n\n", received.find("id: ")) == std::string::npos;
    });
    EXPECT_EQ(received, ": stream open\n\n"
                        "id: 2\nevent: state\ndata: {\"operation\":\"status\",\"state\":\"done\",\"status\":200}\n\n");
}
