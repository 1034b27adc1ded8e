// Ecr17Client: the ECR17 terminal client for .NET, over the library's C
// interface (ecr17.dll on Windows, libecr17.so on Linux under Mono).
//
// Texts cross as UTF-16, the library's own text form. Amounts are decimals
// of the currency unit (0.01 is one cent). A call that fails raises
// Ecr17Exception with the library's message; a call that answers no returns
// false. Callbacks run on the thread that receives the terminal's data; the
// delegates handed to the library are kept alive here for as long as the
// library may call them.
using System;
using System.Runtime.InteropServices;

namespace Ecr17
{
    public sealed class Ecr17Exception : Exception
    {
        public Ecr17Exception(string message) : base(message) { }
    }

    public sealed class Ecr17Client : IDisposable
    {
        const int True = 1, Error = -1, Invalid = -2;

        IntPtr handle;
        // Held, never read: the delegates live while the library may call
        // them (the progress callback while installed, the payment's until
        // the next payment or Dispose).
#pragma warning disable 414
        Native.ProgressCallback progressThunk;
        Native.PayCallback payThunk;
#pragma warning restore 414

        public Ecr17Client()
        {
            handle = Native.ecr17_create();
            if (handle == IntPtr.Zero)
                throw new Ecr17Exception(Take(Native.ecr17_last_error(IntPtr.Zero)) ?? "ecr17_create failed");
        }

        ~Ecr17Client() { Release(); }

        public void Dispose()
        {
            Release();
            GC.SuppressFinalize(this);
        }

        void Release()
        {
            // Waits for an asynchronous payment's worker, so the thunks may go afterwards.
            if (handle != IntPtr.Zero)
                Native.ecr17_destroy(handle);
            handle = IntPtr.Zero;
        }

        // Settings.
        public string Host
        {
            get { IntPtr text; Check(Native.ecr17_get_host(Handle, out text)); return Take(text); }
            set { Check(Native.ecr17_set_host(Handle, value)); }
        }
        public int Port
        {
            get { int port; Check(Native.ecr17_get_port(Handle, out port)); return port; }
            set { Check(Native.ecr17_set_port(Handle, value)); }
        }
        // Seconds, clamped by the library to 5..120.
        public int Timeout
        {
            get { int seconds; Check(Native.ecr17_get_timeout(Handle, out seconds)); return seconds; }
            set { Check(Native.ecr17_set_timeout(Handle, value)); }
        }
        // JSON results (true) or labelled lines.
        public bool JsonOut
        {
            get { bool json; Check(Native.ecr17_get_json_out(Handle, out json)); return json; }
            set { Check(Native.ecr17_set_json_out(Handle, value)); }
        }
        // 0: no receipt; 1 or 2: the receipt is collected.
        public void SetPrintMode(byte mode) { Check(Native.ecr17_set_print_mode(Handle, mode)); }
        public bool SetReceiptColumns(ushort columns) { return Check(Native.ecr17_set_receipt_columns(Handle, columns)); }

        // Every progress text the terminal sends, or null for none.
        public void SetProgress(Action<string> progress)
        {
            Native.ProgressCallback thunk = null;
            if (progress != null)
                thunk = text => progress(Marshal.PtrToStringUni(text));
            Check(Native.ecr17_set_progress_callback(Handle, thunk));
            progressThunk = thunk;
        }

        public string GetProgress() { IntPtr text; Check(Native.ecr17_get_progress(Handle, out text)); return Take(text); }

        // Operations.
        public bool Status(out string result) { IntPtr text; var rc = Native.ecr17_status(Handle, out text); return Check(rc, text, out result); }

        public bool Pay(decimal amount, string description, out string result, out bool timedOut)
        {
            IntPtr text;
            var rc = Native.ecr17_pay(Handle, TenThousandths(amount), description, out text, out timedOut);
            return Check(rc, text, out result);
        }

        // Returns once the terminal accepted the request; completed then runs
        // on the library's thread with the result and the time-out flag.
        public bool PayAsync(decimal amount, string description, Action<string, bool> completed)
        {
            Native.PayCallback thunk = null;
            if (completed != null)
                thunk = (text, timedOut) => completed(Marshal.PtrToStringUni(text), timedOut);
            payThunk = thunk;
            return Check(Native.ecr17_pay_async(Handle, TenThousandths(amount), description, thunk));
        }

        // True once the asynchronous payment has finished, with its outcome.
        public bool PayAsyncPolling(out string result, out bool timedOut)
        {
            IntPtr text;
            var rc = Native.ecr17_pay_async_polling(Handle, out text, out timedOut);
            return Check(rc, text, out result);
        }

        public bool ReceiptComplete() { bool complete; Check(Native.ecr17_receipt_complete(Handle, out complete)); return complete; }

        public bool Reversal(string stan, out string result, out bool timedOut)
        {
            IntPtr text;
            var rc = Native.ecr17_reversal(Handle, stan, out text, out timedOut);
            return Check(rc, text, out result);
        }

        public bool LastResult(out string result) { IntPtr text; var rc = Native.ecr17_last_result(Handle, out text); return Check(rc, text, out result); }
        public bool Totals(out string result) { IntPtr text; var rc = Native.ecr17_totals(Handle, out text); return Check(rc, text, out result); }
        public bool AmountValidate(decimal amount) { return Check(Native.ecr17_amount_validate(Handle, TenThousandths(amount))); }
        public bool CloseSession() { return Check(Native.ecr17_close_session(Handle)); }
        public bool Reprint(bool serviceTicket) { return Check(Native.ecr17_reprint(Handle, serviceTicket)); }

        public string FormatReceipt(string receipt)
        {
            IntPtr text;
            string formatted;
            Check(Native.ecr17_format_receipt(Handle, receipt, out text), text, out formatted);
            return formatted;
        }

        // The payment journal (null or empty: none); see ecr17.h.
        public void SetJournal(string path) { Check(Native.ecr17_set_journal(Handle, path)); }
        public bool PendingOperation(out string description) { IntPtr text; var rc = Native.ecr17_pending_operation(Handle, out text); return Check(rc, text, out description); }
        public bool Recover(out string result) { IntPtr text; var rc = Native.ecr17_recover(Handle, out text); return Check(rc, text, out result); }
        public void ResolvePending(string note) { Check(Native.ecr17_resolve_pending(Handle, note)); }

        // The process-wide diagnostic log.
        public static bool LogEnable(string logFile) { return Native.ecr17_log_enable(logFile) == True; }
        public static void LogDisable() { Native.ecr17_log_disable(); }

        IntPtr Handle
        {
            get
            {
                if (handle == IntPtr.Zero)
                    throw new ObjectDisposedException("Ecr17Client");
                return handle;
            }
        }

        // Ten-thousandths of the unit, as the library counts; finer amounts are refused.
        static long TenThousandths(decimal amount)
        {
            var scaled = amount * 10000m;
            if (scaled != decimal.Truncate(scaled))
                throw new ArgumentException("more than four decimals: " + amount, "amount");
            return decimal.ToInt64(scaled);
        }

        bool Check(int rc)
        {
            if (rc == Error)
                throw new Ecr17Exception(Take(Native.ecr17_last_error(handle)) ?? "ecr17 error");
            if (rc == Invalid)
                throw new ArgumentException(Take(Native.ecr17_last_error(handle)) ?? "invalid argument");
            return rc == True;
        }

        bool Check(int rc, IntPtr text, out string result)
        {
            result = Take(text);
            return Check(rc);
        }

        // The text the library handed over, freed.
        static string Take(IntPtr text)
        {
            if (text == IntPtr.Zero)
                return null;
            var value = Marshal.PtrToStringUni(text);
            Native.ecr17_free(text);
            return value;
        }

        static class Native
        {
            const string Lib = "ecr17";
            // Winapi: __stdcall on 32-bit Windows, the platform's one convention elsewhere.
            const CallingConvention Call = CallingConvention.Winapi;

            [UnmanagedFunctionPointer(Call)]
            public delegate void ProgressCallback(IntPtr text);
            [UnmanagedFunctionPointer(Call)]
            public delegate void PayCallback(IntPtr result, [MarshalAs(UnmanagedType.U1)] bool timedOut);

            [DllImport(Lib, CallingConvention = Call)] public static extern IntPtr ecr17_create();
            [DllImport(Lib, CallingConvention = Call)] public static extern void ecr17_destroy(IntPtr client);
            [DllImport(Lib, CallingConvention = Call)] public static extern IntPtr ecr17_last_error(IntPtr client);
            [DllImport(Lib, CallingConvention = Call)] public static extern void ecr17_free(IntPtr text);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_pay(IntPtr client, long amount, [MarshalAs(UnmanagedType.LPWStr)] string description,
                                               out IntPtr result, [MarshalAs(UnmanagedType.U1)] out bool timedOut);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_pay_async(IntPtr client, long amount, [MarshalAs(UnmanagedType.LPWStr)] string description,
                                                     PayCallback callback);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_pay_async_polling(IntPtr client, out IntPtr result, [MarshalAs(UnmanagedType.U1)] out bool timedOut);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_receipt_complete(IntPtr client, [MarshalAs(UnmanagedType.U1)] out bool complete);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_reversal(IntPtr client, [MarshalAs(UnmanagedType.LPWStr)] string stan, out IntPtr result,
                                                    [MarshalAs(UnmanagedType.U1)] out bool timedOut);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_last_result(IntPtr client, out IntPtr result);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_totals(IntPtr client, out IntPtr result);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_set_journal(IntPtr client, [MarshalAs(UnmanagedType.LPWStr)] string path);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_pending_operation(IntPtr client, out IntPtr description);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_recover(IntPtr client, out IntPtr result);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_resolve_pending(IntPtr client, [MarshalAs(UnmanagedType.LPWStr)] string note);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_status(IntPtr client, out IntPtr result);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_amount_validate(IntPtr client, long amount);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_close_session(IntPtr client);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_reprint(IntPtr client, [MarshalAs(UnmanagedType.U1)] bool serviceTicket);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_log_enable([MarshalAs(UnmanagedType.LPWStr)] string logFile);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_log_disable();
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_get_progress(IntPtr client, out IntPtr text);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_set_progress_callback(IntPtr client, ProgressCallback callback);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_set_print_mode(IntPtr client, byte mode);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_set_receipt_columns(IntPtr client, ushort columns);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_format_receipt(IntPtr client, [MarshalAs(UnmanagedType.LPWStr)] string receipt,
                                                          out IntPtr formatted);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_get_host(IntPtr client, out IntPtr host);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_set_host(IntPtr client, [MarshalAs(UnmanagedType.LPWStr)] string host);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_get_port(IntPtr client, out int port);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_set_port(IntPtr client, int port);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_get_timeout(IntPtr client, out int seconds);
            [DllImport(Lib, CallingConvention = Call)] public static extern int ecr17_set_timeout(IntPtr client, int seconds);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_get_json_out(IntPtr client, [MarshalAs(UnmanagedType.U1)] out bool json);
            [DllImport(Lib, CallingConvention = Call)]
            public static extern int ecr17_set_json_out(IntPtr client, [MarshalAs(UnmanagedType.U1)] bool json);
        }
    }
}
