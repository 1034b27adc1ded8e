// What keeps a web page of another site from charging a card: the token,
// the Host check and the Origin check, and CORS only for --allow-origin.
#include "BridgeFixture.h"

#include "BridgeGuard.h"

TEST(BridgeGuard, AcceptsOnlyItsOwnAddressAsHost)
{
    struct TCase {
        std::string listen;
        std::string host;
        bool accepted;
    };
    const std::vector<TCase> cases = {
        {"127.0.0.1", "127.0.0.1:8417", true},
        {"127.0.0.1", "localhost:8417", true},
        {"127.0.0.1", "LOCALHOST:8417", true},
        {"127.0.0.1", "127.0.0.1:8418", false},
        {"127.0.0.1", "127.0.0.1", false},               // port 80
        {"127.0.0.1", "shop.example:8417", false},       // a rebound name
        {"127.0.0.1", "127.0.0.1.nip.example:8417", false},
        {"127.0.0.1", "", false},
        {"127.0.0.1", "10.0.0.5:8417", false},
        {"::1", "[::1]:8417", true},
        {"::1", "[::1:8417", false},
        {"0.0.0.0", "192.168.1.20:8417", true},
        {"0.0.0.0", "[fe80::1]:8417", true},
        {"0.0.0.0", "pos.example:8417", false},
        {"192.168.1.20", "192.168.1.20:8417", true},
        {"192.168.1.20", "localhost:8417", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.listen + " / " + c.host);
        const TBridgeGuard guard(c.listen, 8417, "secret", {});
        const auto refusal = guard.check({"GET", c.host, "", ""});
        EXPECT_EQ(!refusal, c.accepted);
        if (refusal) {
            EXPECT_EQ(refusal->status, 403);
            EXPECT_EQ(refusal->message, "Host \"" + c.host + "\" is not this bridge's address");
        }
    }
}

TEST(BridgeGuard, ChangesNeedTheTokenAndOriginsMustBeOwnOrAllowed)
{
    const TBridgeGuard guard("127.0.0.1", 8417, "secret", {"https://shop.example"});
    struct TCase {
        TRequestHeads heads;
        int status;   // 0: accepted
    };
    const std::vector<TCase> cases = {
        {{"POST", "127.0.0.1:8417", "", "Bearer secret"}, 0},
        {{"POST", "127.0.0.1:8417", "", ""}, 401},
        {{"POST", "127.0.0.1:8417", "", "Bearer secreT"}, 401},
        {{"POST", "127.0.0.1:8417", "", "Bearer secret2"}, 401},
        {{"POST", "127.0.0.1:8417", "", "Basic secret"}, 401},
        {{"POST", "127.0.0.1:8417", "", "secret"}, 401},
        {{"GET", "127.0.0.1:8417", "", ""}, 0},
        {{"POST", "127.0.0.1:8417", "http://127.0.0.1:8417", "Bearer secret"}, 0},
        {{"POST", "localhost:8417", "http://localhost:8417", "Bearer secret"}, 0},
        {{"POST", "127.0.0.1:8417", "https://shop.example", "Bearer secret"}, 0},
        {{"POST", "127.0.0.1:8417", "https://evil.example", "Bearer secret"}, 403},
        {{"GET", "127.0.0.1:8417", "https://evil.example", ""}, 403},
        {{"GET", "127.0.0.1:8417", "null", ""}, 403},
        {{"GET", "127.0.0.1:8417", "http://shop.example", ""}, 403},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.heads.method + " " + c.heads.origin + " " + c.heads.authorization);
        const auto refusal = guard.check(c.heads);
        EXPECT_EQ(refusal ? refusal->status : 0, c.status);
    }
    EXPECT_TRUE(guard.corsAllowed("https://shop.example"));
    EXPECT_FALSE(guard.corsAllowed("http://127.0.0.1:8417"));
}

TEST_F(TBridgeTest, RefusedRequestsGetJsonErrorsAndOnlyAllowedOriginsGetCors)
{
    start(quickTerminal(), {"--allow-origin", "https://shop.example"});
    const std::string own = "127.0.0.1:" + std::to_string(Fport);

    const THttpReply noToken = Fclient->post("/v1/payments", paymentBody("1.00"), {{"Authorization", ""}});
    EXPECT_EQ(noToken.status, 401);
    EXPECT_EQ(noToken.body, R"({"error":"A valid bearer token is required"})");
    EXPECT_EQ(noToken.headers.find("WWW-Authenticate")->second, "Bearer");
    EXPECT_EQ(Fclient->post("/v1/payments", paymentBody("1.00"), {{"Authorization", "Bearer " + Ftoken + "x"}}).status,
              401);

    const THttpReply rebound = Fclient->post("/v1/payments", paymentBody("1.00"), {{"Host", "shop.example:" + std::to_string(Fport)}});
    EXPECT_EQ(rebound.status, 403);
    EXPECT_EQ(rebound.member(u"error"), "Host \"shop.example:" + std::to_string(Fport) + "\" is not this bridge's address");

    const THttpReply foreign = Fclient->post("/v1/payments", paymentBody("1.00"), {{"Origin", "https://evil.example"}});
    EXPECT_EQ(foreign.status, 403);
    EXPECT_EQ(foreign.body, R"({"error":"Origin \"https:\/\/evil.example\" is not allowed"})");
    EXPECT_EQ(foreign.headers.count("Access-Control-Allow-Origin"), 0u);
    EXPECT_EQ(Fclient->options("/v1/payments", {{"Origin", "https://evil.example"}}).status, 403);
    EXPECT_EQ(Fsim->connectionCount(), 0u);

    const THttpReply preflight = Fclient->options(
        "/v1/payments", {{"Origin", "https://shop.example"}, {"Access-Control-Request-Method", "POST"},
                         {"Access-Control-Request-Headers", "authorization, content-type"}});
    EXPECT_EQ(preflight.status, 204);
    EXPECT_EQ(preflight.headers.find("Access-Control-Allow-Origin")->second, "https://shop.example");
    EXPECT_EQ(preflight.headers.find("Access-Control-Allow-Methods")->second, "GET, POST");
    EXPECT_EQ(preflight.headers.find("Access-Control-Allow-Headers")->second, "Authorization, Content-Type, Last-Event-ID");

    const THttpReply allowed = Fclient->get("/v1/status", {{"Origin", "https://shop.example"}});
    EXPECT_EQ(allowed.status, 200);
    EXPECT_EQ(allowed.headers.find("Access-Control-Allow-Origin")->second, "https://shop.example");
    const THttpReply sameOrigin = Fclient->post("/v1/reprint", "{}", {{"Origin", "http://" + own}});
    EXPECT_EQ(sameOrigin.status, 200);
    EXPECT_EQ(sameOrigin.headers.count("Access-Control-Allow-Origin"), 0u);
    EXPECT_EQ(Fclient->get("/v1/status", {{"Host", "localhost:" + std::to_string(Fport)}}).status, 200);
}
