// The journal through the bridge: a payment whose connection drops is
// unknown and pending, nothing more is charged until it is recovered or
// resolved; totals, last result and reversals.
#include "BridgeFixture.h"

namespace {

TSimBehaviour dropping(TSimDrop Adrop, std::size_t AreceiptBlocks = 0)
{
    TSimBehaviour b;
    b.progressTexts = 0;
    b.receiptBlocks = AreceiptBlocks;
    b.drop = Adrop;
    return b;
}

} // namespace

TEST_F(TBridgeTest, ADroppedPaymentStaysPendingUntilRecoveredAndNothingIsChargedMeanwhile)
{
    start(dropping(TSimDrop::AfterCharge), {"--journal", (Fdir / "journal.jsonl").string()});
    TEventReader events(Fport);
    const THttpReply started = Fclient->post("/v1/payments", paymentBody("12.34", "order-1"));
    ASSERT_EQ(started.status, 202);
    EXPECT_EQ(jsonMember(events.waitForEnd("payment"), u"state"), "unknown");

    const THttpReply pending = Fclient->get("/v1/pending");
    EXPECT_EQ(pending.member(u"pending"), "true");
    EXPECT_EQ(jsonMember(pending.member(u"operation"), u"amount"), "12.34");
    const THttpReply refused = Fclient->post("/v1/payments", paymentBody("12.34", "order-1-again"));
    EXPECT_EQ(refused.status, 409);
    EXPECT_EQ(refused.member(u"error"), "A previous payment has no outcome: recover it first");
    EXPECT_EQ(Fclient->post("/v1/reversals", "{}").status, 409);
    // The retry with the first key gets the unknown payment, not a new charge.
    EXPECT_EQ(Fclient->post("/v1/payments", paymentBody("12.34", "order-1")).member(u"state"), "unknown");
    EXPECT_EQ(charges(), 1u);

    const THttpReply recovered = Fclient->post("/v1/recover", "");
    ASSERT_EQ(recovered.status, 200) << recovered.body;
    EXPECT_EQ(jsonMember(recovered.member(u"result"), u"lastResultOf"), "pending");
    EXPECT_EQ(jsonMember(recovered.member(u"result"), u"result"), "00");
    EXPECT_EQ(Fclient->get("/v1/pending").body, R"({"pending":false,"operation":null})");
    const THttpReply payment = Fclient->get("/v1/payments/" + started.member(u"id"));
    EXPECT_EQ(payment.member(u"state"), "unknown");
    EXPECT_EQ(payment.member(u"recovery"), recovered.member(u"result"));

    EXPECT_EQ(Fclient->post("/v1/payments", paymentBody("1.00", "order-2")).status, 202);
    EXPECT_EQ(jsonMember(events.waitForEnd("payment"), u"state"), "done");
    EXPECT_EQ(charges(), 2u);
}

TEST_F(TBridgeTest, ALostReceiptIsNoLostPayment)
{
    start(dropping(TSimDrop::DuringReceipt, 3), {"--journal", (Fdir / "journal.jsonl").string()});
    TEventReader events(Fport);
    ASSERT_EQ(Fclient->post("/v1/payments", R"({"amount":"2.00","printMode":2})").status, 202);
    const std::string payment = jsonMember(events.waitForEnd("payment"), u"payment");
    EXPECT_EQ(jsonMember(payment, u"state"), "done");
    EXPECT_EQ(jsonMember(jsonMember(payment, u"result"), u"result"), "00");
    EXPECT_EQ(Fclient->get("/v1/pending").member(u"pending"), "false");
}

TEST_F(TBridgeTest, RecoverAndResolveNeedAPendingOperation)
{
    start(dropping(TSimDrop::AfterCharge), {"--journal", (Fdir / "journal.jsonl").string()});
    TEventReader events(Fport);
    const THttpReply nothing = Fclient->post("/v1/recover", "");
    EXPECT_EQ(nothing.status, 409);
    EXPECT_EQ(nothing.body, R"({"error":"No operation is pending"})");
    EXPECT_EQ(Fclient->post("/v1/resolve", "{}").member(u"error"),
              "note is missing: say what was found out about the payment");

    ASSERT_EQ(Fclient->post("/v1/payments", paymentBody("4.00")).status, 202);
    events.waitForEnd("payment");
    EXPECT_EQ(Fclient->post("/v1/resolve", R"({"note":"the terminal printed a declined slip"})").body, R"({"ok":true})");
    EXPECT_EQ(Fclient->get("/v1/pending").member(u"pending"), "false");
    EXPECT_EQ(Fclient->post("/v1/payments", paymentBody("4.00")).status, 202);
    events.waitForEnd("payment");
}

TEST_F(TBridgeTest, TotalsLastResultAndReversals)
{
    start();
    TEventReader events(Fport);
    ASSERT_EQ(Fclient->post("/v1/payments", paymentBody("12.34")).status, 202);
    events.waitForEnd("payment");
    EXPECT_EQ(Fclient->get("/v1/totals").body, R"({"ok":true,"result":{"termID":"SIM00001","result":"00","total":"12.34"}})");
    EXPECT_EQ(jsonMember(Fclient->get("/v1/last-result").member(u"result"), u"stan"), "000001");

    struct TCase {
        std::string body;
        int status;
        std::string result;   // the outcome's result code
    };
    const std::vector<TCase> cases = {
        {R"({"stan":"000001"})", 200, "00"},
        {R"({"stan":"000001"})", 200, "01"},   // reversed already
        {R"({"stan":"000077"})", 200, "01"},   // no such payment
        {R"({"stan":"12"})", 400, ""},
        {R"({"stan":1})", 400, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.body);
        const THttpReply reply = Fclient->post("/v1/reversals", c.body);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(jsonMember(reply.member(u"result"), u"result"), c.result);
    }
    EXPECT_EQ(jsonMember(Fclient->get("/v1/totals").member(u"result"), u"total"), "0.00");
    EXPECT_EQ(Fsim->ledger().reversals(), 1u);
}
