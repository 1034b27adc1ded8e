// A misbehaving terminal at every step of status, payment (print mode 0 and
// 2) and reprint. The simulator runs a healthy exchange up to the chosen step
// and shows the fault there; each case checks what the client returns (flag,
// result text, time-out flag, error), that it closed every connection, and
// that the same client object then serves a healthy terminal.
//
// Waits that must run out use 10 ms polls: an acknowledgement wait is then 49
// polls of 10 ms, which leaves a healthy simulator plenty of time to answer,
// also under sanitizers on a loaded machine. The drip cases need the real 100 ms polls, since a wait is counted
// in polls and a byte every 50 ms must fall within one.
#include "ECR17u.h"
#include "LinkConstants.h"
#include "TcpTransport.h"
#include "LogRecords.h"
#include "SimFrames.h"
#include "TerminalSim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

using namespace ecr17::detail;

using namespace std::chrono_literals;

namespace {

// ---- The healthy exchange

enum class TOp { Status, PayNoReceipt, PayReceipt, Reprint };

const char* opName(TOp Aop)
{
    static const char* const names[] = {"Status", "PayPrintMode0", "PayPrintMode2", "Reprint"};
    return names[static_cast<int>(Aop)];
}

// Status response: terminal id, 12 unread characters, date and time, status
// character, software release.
const std::string statusPayload = "12345678" "0s0000000000" "0912262215" "0" "SW 1.0";
const std::u16string statusText =
    u"Terminal ID: 12345678\nDate/time: 0912262215\nStatus: 0\nSW Release: SW 1.0\n";

// Approved outcome: terminal id, one unread character, code, result "00", PAN,
// transaction type, auth code, date/time, card type, acquirer, STAN, online id.
const std::string outcomePayload = "12345678" "0" "E" "00" "************0019   " "ICC" "A1B2C3" "3431215" "1"
                                   "00000012345" "000001" "000042";
const std::u16string outcomeText = u"Terminal ID: 12345678\nResult: 00\nPAN: ************0019   \n"
                                   u"Transaction Type: ICC\nAuth Code: A1B2C3\nDate/time: 3431215\n"
                                   u"Description: \nCard Type: 1\nAcquirer ID: 00000012345\nSTAN: 000001\n"
                                   u"ID online: 000042\n";

// Two receipt blocks; the second holds the end mark.
const std::string firstBlock = "000000000S" "NEGOZIO}VIA ROMA 1}";
const std::string lastBlock = "000000000S" "TOTALE EUR 0.01}\x1b";
const std::u16string firstBlockReceipt = u"Receipt: NEGOZIO\nVIA ROMA 1\n\n";
const std::u16string wholeReceipt = u"Receipt: NEGOZIO\nVIA ROMA 1\nTOTALE EUR 0.01\n\n";

// What the terminal does at one step of a healthy exchange: read a command
// and acknowledge it, or send a response and read the client's
// acknowledgement.
struct TTerminalStep {
    bool acknowledges;
    std::string frame;
};

std::vector<TTerminalStep> stepsOf(TOp Aop)
{
    const TTerminalStep ack{true, simAckFrame()};
    switch (Aop) {
    case TOp::Status:
        return {ack, {false, simFrame(statusPayload)}};
    case TOp::PayNoReceipt:
        return {ack, ack, {false, simFrame(outcomePayload)}};
    case TOp::PayReceipt:
        return {ack, ack, {false, simFrame(outcomePayload)}, {false, simFrame(firstBlock)}, {false, simFrame(lastBlock)}};
    case TOp::Reprint:
        break;
    }
    return {ack};
}

// What a client operation gave back.
struct TOutcome {
    bool result = false;
    std::u16string text;
    bool timedOut = false;
    std::optional<std::string> error;
};

TOutcome done(std::u16string Atext = {}) { return {true, std::move(Atext), false, {}}; }
TOutcome failed() { return {}; }
TOutcome timedOut(bool Aresult = false, std::u16string Atext = {}) { return {Aresult, std::move(Atext), true, {}}; }

TOutcome healthyOutcome(TOp Aop)
{
    switch (Aop) {
    case TOp::Status: return done(statusText);
    case TOp::PayNoReceipt: return done(outcomeText);
    case TOp::PayReceipt: return done(outcomeText + wholeReceipt);
    case TOp::Reprint: break;
    }
    return done();
}

TOutcome run(TECR& Aecr, TOp Aop)
{
    TOutcome out;
    try {
        switch (Aop) {
        case TOp::Status:
            out.result = Aecr.status(out.text);
            break;
        case TOp::PayNoReceipt:
        case TOp::PayReceipt:
            Aecr.setPrintMode(Aop == TOp::PayReceipt ? 2 : 0);
            out.result = Aecr.pay(100, u"", out.text, out.timedOut);
            break;
        case TOp::Reprint:
            out.result = Aecr.reprint(false);
            break;
        }
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

// ---- Faults

enum class TFault { Silence, Nak, WrongAck, WrongFrame, Close, Reset, HalfThenClose, Garbage, Flood };

const char* faultName(TFault Afault)
{
    static const char* const names[] = {"Silence", "Nak", "WrongAck", "WrongFrame", "Close",
                                        "Reset", "HalfThenClose", "Garbage", "Flood"};
    return names[static_cast<int>(Afault)];
}

// The exchange goes on as if nothing had happened.
bool harmless(TFault Afault) { return Afault == TFault::Garbage; }
bool dropsConnection(TFault Afault)
{
    return Afault == TFault::Close || Afault == TFault::Reset || Afault == TFault::HalfThenClose;
}

// 10 MB without a control character of the link.
const std::string& flood()
{
    static const std::string bytes = [] {
        std::string b;
        while (b.size() < (10u << 20)) b += simDefaultGarbage;
        return b;
    }();
    return bytes;
}

// What the terminal does instead of Astep's answer.
TSimScript faultyAnswer(const TTerminalStep& Astep, TFault Afault)
{
    switch (Afault) {
    case TFault::Silence: return {};
    // NAK ETX and its LRC (0x7F ^ 0x15 ^ 0x03).
    case TFault::Nak: return {TSimStep::send({"\x15\x03\x69"})};
    case TFault::WrongAck: return {TSimStep::send({"\x06\x03\x7B"})};
    // Neither a status response, an outcome nor a receipt block.
    case TFault::WrongFrame: return {TSimStep::send({simFrame("000000000X00")})};
    case TFault::Close: return {TSimStep::close()};
    case TFault::Reset: return {TSimStep::reset()};
    case TFault::HalfThenClose: return {TSimStep::send({Astep.frame.substr(0, Astep.frame.size() / 2)}), TSimStep::close()};
    case TFault::Garbage: return {TSimStep::send({simDefaultGarbage + Astep.frame + simDefaultGarbage})};
    case TFault::Flood: return {TSimStep::send({flood()})};
    }
    return {};
}

void append(TSimScript& Ascript, const TSimScript& Asteps) { Ascript.insert(Ascript.end(), Asteps.begin(), Asteps.end()); }

TSimScript healthyStep(const TTerminalStep& Astep)
{
    if (Astep.acknowledges) return {TSimStep::readFrame(), TSimStep::ack()};
    return {TSimStep::send({Astep.frame}), TSimStep::readFrame()};
}

TSimScript healthyScript(TOp Aop)
{
    TSimScript script;
    for (const TTerminalStep& step : stepsOf(Aop)) append(script, healthyStep(step));
    return script;
}

// A command is tried three times, on the same connection while it stays open;
// the terminal shows the fault to every attempt.
TSimScript faultyStep(const TTerminalStep& Astep, TFault Afault)
{
    TSimScript steps;
    if (!Astep.acknowledges) {
        steps = faultyAnswer(Astep, Afault);
        // The next response waits for the client's acknowledgement, as a terminal does.
        if (harmless(Afault)) append(steps, {TSimStep::readFrame()});
        return steps;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        append(steps, {TSimStep::readFrame()});
        append(steps, faultyAnswer(Astep, Afault));
        // A flood outlasts all three attempts.
        if (harmless(Afault) || Afault == TFault::Flood) break;
    }
    return steps;
}

std::vector<TSimScript> scriptsFor(TOp Aop, std::size_t Astep, TFault Afault)
{
    const std::vector<TTerminalStep> steps = stepsOf(Aop);
    TSimScript first;
    for (std::size_t i = 0; i < Astep; ++i) append(first, healthyStep(steps[i]));
    append(first, faultyStep(steps[Astep], Afault));
    if (harmless(Afault))
        for (std::size_t i = Astep + 1; i < steps.size(); ++i) append(first, healthyStep(steps[i]));
    if (!dropsConnection(Afault)) return {first};
    // After a dropped connection the next attempt connects anew and meets the same fault.
    return {first, faultyStep(steps[Astep], Afault)};
}

// ---- The fixture

struct FaultFixture {
    explicit FaultFixture(std::vector<TSimScript> Ascripts, TLinkTiming Atiming = {10, monotonicTicks})
        : sim(std::move(Ascripts)), ecr(std::move(Atiming))
    {
        ecr.setHost(u"127.0.0.1");
        ecr.setPort(sim.port());
        ecr.setTimeout(5);
        ecr.setJSONOut(false);
    }

    // Every connection was closed, and the client serves a healthy terminal.
    void expectClosedAndUsable()
    {
        expectClosed();
        expectUsable();
    }
    void expectClosed() const
    {
        EXPECT_TRUE(sim.waitForClosed(sim.connectionCount(), 5s)) << "a connection was left open";
    }
    void expectUsable()
    {
        TTerminalSim healthy({healthyScript(TOp::Status)});
        ecr.setPort(healthy.port());
        std::u16string res;
        EXPECT_TRUE(ecr.status(res));
        EXPECT_EQ(res, statusText);
    }

    TMemoryLogTool log;
    TTerminalSim sim;
    TECR ecr;
};

void expectOutcome(const TOutcome& Agot, const TOutcome& Aexpected)
{
    EXPECT_EQ(Agot.error, Aexpected.error);
    EXPECT_EQ(Agot.result, Aexpected.result);
    EXPECT_EQ(Agot.text, Aexpected.text);
    EXPECT_EQ(Agot.timedOut, Aexpected.timedOut);
}

// ---- The table: what each step yields when the terminal fails there

struct TStepRow {
    TOp op;
    std::size_t step;
    // No usable answer: silence, no acknowledgement, a negative or wrong one, a flood.
    TOutcome unanswered;
    // The connection is found closed at the top of a poll. When the close is
    // noticed inside a poll instead, "Connection Closed Gracefully." reaches
    // the caller; both are accepted.
    TOutcome dropped;
    // A frame of the wrong kind instead of a response (response steps only).
    TOutcome wrongFrame;
};

const TStepRow stepRows[] = {
    {TOp::Status, 0, failed(), failed(), {}},
    {TOp::Status, 1, failed(), failed(), failed()},
    {TOp::PayNoReceipt, 0, failed(), failed(), {}},
    {TOp::PayNoReceipt, 1, failed(), failed(), {}},
    {TOp::PayNoReceipt, 2, timedOut(), failed(), failed()},
    {TOp::PayReceipt, 0, failed(), failed(), {}},
    {TOp::PayReceipt, 1, failed(), failed(), {}},
    // The receipt is awaited even without an outcome.
    {TOp::PayReceipt, 2, timedOut(), failed(), timedOut()},
    {TOp::PayReceipt, 3, timedOut(true, outcomeText), done(outcomeText), timedOut(true, outcomeText)},
    {TOp::PayReceipt, 4, timedOut(true, outcomeText + firstBlockReceipt), done(outcomeText + firstBlockReceipt),
     timedOut(true, outcomeText + firstBlockReceipt)},
    {TOp::Reprint, 0, failed(), failed(), {}},
};

struct TFaultCase {
    TStepRow row;
    TFault fault;
};

// Acknowledgement faults belong to command steps, a wrong frame to response steps.
bool appliesTo(TFault Afault, bool AackStep)
{
    if (Afault == TFault::Nak || Afault == TFault::WrongAck) return AackStep;
    if (Afault == TFault::WrongFrame) return !AackStep;
    return true;
}

std::vector<TFaultCase> allFaultCases()
{
    std::vector<TFaultCase> cases;
    for (const TStepRow& row : stepRows)
        for (TFault fault : {TFault::Silence, TFault::Nak, TFault::WrongAck, TFault::WrongFrame, TFault::Close,
                             TFault::Reset, TFault::HalfThenClose, TFault::Garbage, TFault::Flood})
            if (appliesTo(fault, stepsOf(row.op)[row.step].acknowledges)) cases.push_back({row, fault});
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<TFaultCase>& Ainfo)
{
    return std::string(opName(Ainfo.param.row.op)) + "_step" + std::to_string(Ainfo.param.row.step) + "_" +
           faultName(Ainfo.param.fault);
}

void PrintTo(const TFaultCase& Acase, std::ostream* Aout)
{
    *Aout << opName(Acase.row.op) << " step " << Acase.row.step << ' ' << faultName(Acase.fault);
}

// The client acknowledges exactly the responses it accepted: those before the
// faulty step, and the rest too when the fault did no harm.
std::size_t acceptedResponses(const TFaultCase& Acase)
{
    const std::vector<TTerminalStep> steps = stepsOf(Acase.row.op);
    const std::size_t end = harmless(Acase.fault) ? steps.size() : Acase.row.step;
    return static_cast<std::size_t>(std::count_if(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(end),
                                                  [](const TTerminalStep& s) { return !s.acknowledges; }));
}

std::size_t acknowledgements(const std::string& Areceived)
{
    const std::string ack = simAckFrame();
    std::size_t count = 0;
    for (std::size_t at = Areceived.find(ack); at != std::string::npos; at = Areceived.find(ack, at + ack.size()))
        ++count;
    return count;
}

class FaultAtStep : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(FaultAtStep, GivesThePromisedResultClosesAndRecovers)
{
    const TFaultCase& c = GetParam();
    FaultFixture f(scriptsFor(c.row.op, c.row.step, c.fault));
    const TOutcome got = run(f.ecr, c.row.op);
    switch (c.fault) {
    case TFault::Garbage:
        expectOutcome(got, healthyOutcome(c.row.op));
        break;
    case TFault::WrongFrame:
        expectOutcome(got, c.row.wrongFrame);
        break;
    case TFault::Close:
    case TFault::Reset:
    case TFault::HalfThenClose:
        if (got.error) {
            EXPECT_EQ(*got.error, "Connection Closed Gracefully.");
            EXPECT_GE(countOf(f.log.records(), error(u"Connection Closed Gracefully.")), 1);
        } else {
            expectOutcome(got, c.row.dropped);
        }
        break;
    default:
        expectOutcome(got, c.row.unanswered);
    }
    f.expectClosed();
    EXPECT_EQ(acknowledgements(f.sim.receivedAll()), acceptedResponses(c));
    f.expectUsable();
}

INSTANTIATE_TEST_SUITE_P(EveryStep, FaultAtStep, ::testing::ValuesIn(allFaultCases()), caseName);

// ---- Frames in pieces

// A step of one operation; its frame is sent in pieces.
struct TStepAt {
    TOp op;
    std::size_t step;
};

std::string describe(const TStepAt& Aat)
{
    return std::string(opName(Aat.op)) + " step " + std::to_string(Aat.step);
}

const std::string& frameAt(const TStepAt& Aat)
{
    static const std::vector<TTerminalStep> steps[] = {stepsOf(TOp::Status), stepsOf(TOp::PayNoReceipt),
                                                      stepsOf(TOp::PayReceipt), stepsOf(TOp::Reprint)};
    return steps[static_cast<int>(Aat.op)][Aat.step].frame;
}

// The healthy exchange, with the frame of Aat sent as Asend does.
TSimScript healthyScriptSending(const TStepAt& Aat, const TSimStep& Asend)
{
    const std::vector<TTerminalStep> steps = stepsOf(Aat.op);
    TSimScript script;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (i != Aat.step)
            append(script, healthyStep(steps[i]));
        else if (steps[i].acknowledges)
            append(script, {TSimStep::readFrame(), Asend});
        else
            append(script, {Asend, TSimStep::readFrame()});
    }
    return script;
}

// A frame of every kind (acknowledgement, status response, outcome, receipt
// block) split in two at every position, the second piece 5 ms later.
TEST(FaultInjection, AFrameSplitAnywhereIsStillRecognised)
{
    for (const TStepAt at : {TStepAt{TOp::Reprint, 0}, TStepAt{TOp::Status, 1}, TStepAt{TOp::PayNoReceipt, 2},
                             TStepAt{TOp::PayReceipt, 4}}) {
        const std::string& frame = frameAt(at);
        for (std::size_t cut = 1; cut < frame.size(); ++cut) {
            SCOPED_TRACE(describe(at) + " cut at " + std::to_string(cut));
            FaultFixture f({healthyScriptSending(at, TSimStep::send({frame.substr(0, cut), frame.substr(cut)}, 5ms))});
            expectOutcome(run(f.ecr, at.op), healthyOutcome(at.op));
            f.expectClosed();
        }
    }
}

std::vector<std::string> oneByteEach(const std::string& Abytes)
{
    std::vector<std::string> pieces;
    for (const char c : Abytes) pieces.emplace_back(1, c);
    return pieces;
}

// A byte every 50 ms falls within one 100 ms poll, and a poll that brings a
// byte counts like any other: a response fits its wait as long as it has
// fewer bytes than the wait has polls.
TEST(FaultInjection, ADripOfOneBytePer50msIsCollected)
{
    for (const TStepAt at : {TStepAt{TOp::Reprint, 0}, TStepAt{TOp::Status, 1}, TStepAt{TOp::PayReceipt, 4}}) {
        SCOPED_TRACE(describe(at));
        FaultFixture f({healthyScriptSending(at, TSimStep::send(oneByteEach(frameAt(at)), 50ms))}, TLinkTiming{});
        expectOutcome(run(f.ecr, at.op), healthyOutcome(at.op));
        f.expectClosedAndUsable();
    }
}

// ---- Bytes the link cannot carry as text

// Received bytes above 0x7F read as U+FFFD: the short fields of the response
// records hold it as "?", the software release and the receipt keep it. A
// NUL reads as "?" everywhere, so a zero-terminated copy of the result holds
// all of it.
TEST(FaultInjection, BytesAbove7FAndNulInsideResponses)
{
    const std::string odd = std::string("12\xE8" "45") + '\0' + "78";
    const std::u16string oddField = u"12?45?78";
    const std::u16string oddKept = u"12\uFFFD45?78";

    FaultFixture status({{TSimStep::readFrame(), TSimStep::ack(),
                          TSimStep::send({simFrame(odd + statusPayload.substr(8) + odd)}), TSimStep::readFrame()}});
    expectOutcome(run(status.ecr, TOp::Status),
                  done(u"Terminal ID: " + oddField + u"\nDate/time: 0912262215\nStatus: 0\nSW Release: SW 1.0" +
                       oddKept + u"\n"));
    status.expectClosedAndUsable();

    FaultFixture pay({{TSimStep::readFrame(), TSimStep::ack(), TSimStep::readFrame(), TSimStep::ack(),
                       TSimStep::send({simFrame(odd + outcomePayload.substr(8))}), TSimStep::readFrame(),
                       TSimStep::send({simFrame("000000000S" + odd + "\x1b")}), TSimStep::readFrame()}});
    std::u16string expected = outcomeText;
    expected.replace(13, 8, oddField);
    expectOutcome(run(pay.ecr, TOp::PayReceipt), done(expected + u"Receipt: " + oddKept + u"\n"));
    pay.expectClosedAndUsable();
}

} // namespace
