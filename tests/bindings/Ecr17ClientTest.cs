// The .NET binding against a simulator: Ecr17ClientTest.exe [--journal FILE] HOST PORT
// Without a journal: status, payments (synchronous and asynchronous), texts
// beyond ASCII and the errors. With one, against a terminal that drops the
// connection after charging: the payment is recovered, not charged again.
using System;
using System.Threading;
using Ecr17;

static class Ecr17ClientTest
{
    static int failed, passed;

    static void Expect(bool condition, string what)
    {
        if (condition) {
            ++passed;
        } else {
            ++failed;
            Console.WriteLine("FAILED: " + what);
        }
    }

    static void ExpectContains(string text, string part, string what)
    {
        Expect(text != null && text.Contains(part), what + ": \"" + part + "\" in " + (text ?? "null"));
    }

    static Ecr17Client Connect(string host, int port)
    {
        var client = new Ecr17Client();
        client.Host = host;
        client.Port = port;
        client.JsonOut = false;
        return client;
    }

    static void Payments(string host, int port)
    {
        using (var client = Connect(host, port)) {
            Expect(client.Host == host && client.Port == port && !client.JsonOut, "settings read back");
            string result;
            Expect(client.Status(out result), "status returns true");
            ExpectContains(result, "Terminal ID: SIM00001", "status");

            client.SetPrintMode(2);
            string progress = null;
            client.SetProgress(text => progress = text);
            bool timedOut;
            Expect(client.Pay(0.01m, "Caffè € 1", out result, out timedOut), "pay returns true");
            ExpectContains(result, "Result: 00", "payment");
            ExpectContains(result, "Receipt: ", "payment's receipt");
            Expect(!timedOut && client.ReceiptComplete(), "payment in time with its whole receipt");
            Expect(progress != null, "progress texts reach the callback");
            client.SetProgress(null);

            var done = new ManualResetEvent(false);
            string asyncResult = null;
            Expect(client.PayAsync(12.5m, null, (text, late) => { asyncResult = text; done.Set(); }), "payAsync starts");
            Expect(done.WaitOne(30000), "payAsync's callback comes");
            string polled;
            Expect(client.PayAsyncPolling(out polled, out timedOut) && polled == asyncResult, "polling gives the callback's result");
            ExpectContains(asyncResult, "Result: 00", "asynchronous payment");

            Expect(client.AmountValidate(0.01m) && !client.AmountValidate(0.001m * 5), "amount validation");
            try {
                client.Pay(0.00001m, null, out result, out timedOut);
                Expect(false, "an amount finer than the library counts is refused");
            } catch (ArgumentException) {
                ++passed;
            }
        }
    }

    static void Refused(string host)
    {
        using (var client = Connect(host, 1)) {
            try {
                string result;
                client.Status(out result);
                Expect(false, "status against a closed port raises");
            } catch (Ecr17Exception e) {
                ExpectContains(e.Message, "Socket Error # ", "refused connect");
            }
        }
        var disposed = new Ecr17Client();
        disposed.Dispose();
        try {
            disposed.Port = 9100;
            Expect(false, "a disposed client is refused");
        } catch (ObjectDisposedException) {
            ++passed;
        }
    }

    static void Recovery(string journal, string host, int port)
    {
        using (var client = Connect(host, port)) {
            client.SetJournal(journal);
            client.SetPrintMode(2);
            string result;
            bool timedOut;
            try {
                client.Pay(0.01m, "", out result, out timedOut);
                Expect(false, "the dropped payment raises");
            } catch (Ecr17Exception e) {
                Expect(e.Message == "Connection Closed Gracefully.", "dropped payment: " + e.Message);
            }
            string pending;
            Expect(client.PendingOperation(out pending), "an operation is pending");
            ExpectContains(pending, "Operation: payment", "pending operation");
            try {
                client.Pay(0.01m, "", out result, out timedOut);
                Expect(false, "no new payment while one is pending");
            } catch (Ecr17Exception e) {
                Expect(e.Message == "A previous payment has no outcome: recover it first", "pay while pending: " + e.Message);
            }
            Expect(client.Recover(out result), "recover returns true");
            ExpectContains(result, "STAN: 000001", "recovered payment");
            ExpectContains(result, "Last result of: pending", "recovered payment");
            Expect(!client.PendingOperation(out pending), "nothing pending after the recovery");
        }
    }

    static int Main(string[] args)
    {
        string journal = null;
        if (args.Length == 4 && args[0] == "--journal") {
            journal = args[1];
            args = new[] { args[2], args[3] };
        }
        if (args.Length != 2) {
            Console.Error.WriteLine("usage: Ecr17ClientTest.exe [--journal FILE] HOST PORT");
            return 64;
        }
        var port = int.Parse(args[1]);
        if (journal != null) {
            Recovery(journal, args[0], port);
        } else {
            Payments(args[0], port);
            Refused(args[0]);
        }
        Console.WriteLine(passed + " passed, " + failed + " failed");
        return failed == 0 ? 0 : 1;
    }
}
