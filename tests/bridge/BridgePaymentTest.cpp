// Payments through the bridge: 202 and an id at once, the state by id and by
// idempotency key, the progress texts as events, one charge per key.
#include "BridgeFixture.h"

namespace {

TSimBehaviour terminalWithProgressAndReceipt()
{
    TSimBehaviour b;
    b.progressTexts = 2;
    b.receiptBlocks = 3;
    // The client reports one progress text per piece it reads; texts sent
    // together would reach it as one piece.
    b.progressDelay = std::chrono::milliseconds(100);
    return b;
}

} // namespace

TEST_F(TBridgeTest, PaymentAnswersAtOnceThenStreamsItsProgressAndEndsDone)
{
    start(terminalWithProgressAndReceipt());
    TEventReader events(Fport);
    const THttpReply started =
        Fclient->post("/v1/payments", R"({"amount":"12.34","description":"Shoes","printMode":2,"idempotencyKey":"k-1"})");
    ASSERT_EQ(started.status, 202) << started.body;
    const std::string id = started.member(u"id");
    EXPECT_EQ(id.size(), 16u);
    EXPECT_EQ(started.member(u"state"), "running");

    const auto isProgress = [](const TStreamEvent& e) { return e.name == "progress"; };
    EXPECT_EQ(events.waitFor(isProgress)->data, R"({"operation":"payment","id":")" + id + R"(","text":"PROGRESS 1"})");
    EXPECT_EQ(events.waitFor(isProgress)->data, R"({"operation":"payment","id":")" + id + R"(","text":"PROGRESS 2"})");
    const std::string end = events.waitForEnd("payment");
    EXPECT_EQ(jsonMember(end, u"state"), "done");

    const THttpReply byId = Fclient->get("/v1/payments/" + id);
    ASSERT_EQ(byId.status, 200);
    EXPECT_EQ(byId.body, jsonMember(end, u"payment"));
    EXPECT_EQ(byId.member(u"state"), "done");
    EXPECT_EQ(byId.member(u"ok"), "true");
    EXPECT_EQ(byId.member(u"progress"), "PROGRESS 2");
    const std::string result = byId.member(u"result");
    EXPECT_EQ(jsonMember(result, u"result"), "00");
    EXPECT_EQ(jsonMember(result, u"receipt").rfind("SIMULATED TERMINAL\n", 0), 0u) << result;

    EXPECT_EQ(Fclient->get("/v1/payments?idempotencyKey=k-1").body, byId.body);
    const THttpReply noId = Fclient->get("/v1/payments/0123456789abcdef");
    EXPECT_EQ(noId.status, 404);
    EXPECT_EQ(noId.body, R"({"error":"No payment with id \"0123456789abcdef\""})");
    EXPECT_EQ(Fclient->get("/v1/payments?idempotencyKey=other").status, 404);
    EXPECT_EQ(Fclient->get("/v1/payments").status, 400);
}

TEST_F(TBridgeTest, TheSameIdempotencyKeyNeverChargesTwice)
{
    start();
    TEventReader events(Fport);
    const THttpReply first = Fclient->post("/v1/payments", paymentBody("5.00", "order-17"));
    ASSERT_EQ(first.status, 202);
    const THttpReply again = Fclient->post("/v1/payments", paymentBody("5.00", "order-17"));
    EXPECT_EQ(again.member(u"id"), first.member(u"id"));
    EXPECT_EQ(again.status, 200) << again.body;
    events.waitForEnd("payment");

    const THttpReply afterEnd = Fclient->post("/v1/payments", paymentBody("5.00", "order-17"));
    EXPECT_EQ(afterEnd.status, 200);
    EXPECT_EQ(afterEnd.member(u"id"), first.member(u"id"));
    EXPECT_EQ(afterEnd.member(u"state"), "done");
    const THttpReply otherAmount = Fclient->post("/v1/payments", paymentBody("6.00", "order-17"));
    EXPECT_EQ(otherAmount.status, 422);
    EXPECT_EQ(otherAmount.body, R"({"error":"idempotencyKey \"order-17\" belongs to another payment"})");
    EXPECT_EQ(charges(), 1u);
}

TEST_F(TBridgeTest, OneOperationAtATimeTheOthersGet409NamingIt)
{
    start(quickTerminal(), {}, true);
    TEventReader events(Fport);
    const THttpReply started = Fclient->post("/v1/payments", paymentBody("1.00"));
    ASSERT_EQ(started.status, 202);
    ASSERT_TRUE(Fgate.waitHeld());
    const std::string running = "payment " + started.member(u"id");
    const std::string busy = R"({"error":"Another operation is running: )" + running + R"(","running":")" + running + "\"}";
    for (const auto& [method, path] : std::vector<std::pair<std::string, std::string>>{
             {"GET", "/v1/status"}, {"POST", "/v1/payments"}, {"POST", "/v1/reprint"}, {"POST", "/v1/close-session"}}) {
        SCOPED_TRACE(path);
        const THttpReply reply = method == "GET" ? Fclient->get(path) : Fclient->post(path, paymentBody("2.00"));
        EXPECT_EQ(reply.status, 409);
        EXPECT_EQ(reply.body, busy);
    }
    EXPECT_EQ(Fclient->get("/v1/payments/" + started.member(u"id")).member(u"state"), "running");
    Fgate.release();
    EXPECT_EQ(jsonMember(events.waitForEnd("payment"), u"state"), "done");
    EXPECT_EQ(Fclient->get("/v1/status").status, 200);
    EXPECT_EQ(charges(), 1u);
}

TEST_F(TBridgeTest, APaymentWhoseConnectionDropsIsUnknownNotFailed)
{
    TSimBehaviour b = quickTerminal();
    b.closeAt = 3;   // print mode and request acknowledged, then the line goes instead of the outcome
    start(b);
    TEventReader events(Fport);
    const THttpReply started = Fclient->post("/v1/payments", paymentBody("9.99", "drop-1"));
    ASSERT_EQ(started.status, 202);
    const std::string end = events.waitForEnd("payment");
    EXPECT_EQ(jsonMember(end, u"state"), "unknown");
    const THttpReply payment = Fclient->get("/v1/payments/" + started.member(u"id"));
    EXPECT_EQ(payment.member(u"state"), "unknown");
    EXPECT_EQ(payment.member(u"ok"), "false");
    EXPECT_EQ(payment.member(u"error"), "Connection Closed Gracefully.");
    // Asking again with the key shows the same unknown payment; nothing is charged again.
    EXPECT_EQ(Fclient->post("/v1/payments", paymentBody("9.99", "drop-1")).member(u"state"), "unknown");
    EXPECT_EQ(charges(), 1u);
}
