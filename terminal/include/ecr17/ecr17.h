/* The ECR17 terminal client for C and for any language with a C foreign
 * function interface (C#, Java, Python ctypes, Go cgo, Delphi-like tools).
 *
 * Conventions, the same for every function:
 *  - Texts are zero-terminated UTF-16 (char16_t). Input texts are read during
 *    the call only. Output texts are allocated by the library and handed to
 *    the caller, who frees each with ecr17_free(). Every output is written on
 *    every return of a call that got valid arguments: an output text is NULL
 *    and an output flag false when the call fails.
 *  - Amounts are ten-thousandths of the currency unit (1.00 is 10000).
 *  - Operations that answer yes or no return ECR17_TRUE or ECR17_FALSE; every
 *    function returns ECR17_ERROR when the operation raised an error (its
 *    message: ecr17_last_error()) and ECR17_INVALID for a NULL handle or a
 *    NULL pointer where one is required. No C++ exception ever leaves the
 *    library.
 *  - A handle may be used from several threads, one call at a time, except
 *    ecr17_get_progress() and ecr17_pay_async_polling(), which may run while
 *    another thread is inside a call. A handle used after ecr17_destroy() is
 *    refused with ECR17_INVALID, in debug and release builds alike (unless a
 *    new client happens to get the same address).
 *  - Callbacks are plain functions; the text they receive is valid only
 *    during the call. They run on the thread that receives the terminal's
 *    data: the caller's for synchronous calls, the library's own thread for
 *    an asynchronous payment.
 */
#ifndef ECR17_H
#define ECR17_H

#include <stdbool.h>
#include <stdint.h>
#include <uchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#define ECR17_API __attribute__((visibility("default")))
#else
#define ECR17_API
#endif

/* 32-bit Windows DLLs that other languages call use __stdcall (C#'s and
 * Delphi's stdcall); the callbacks the library calls use it too. Every other
 * platform has one calling convention. */
#if defined(_WIN32) && !defined(_WIN64)
#define ECR17_CALL __stdcall
#else
#define ECR17_CALL
#endif

typedef struct ecr17_client ecr17_client;

enum {
    ECR17_FALSE = 0,
    ECR17_TRUE = 1,
    ECR17_ERROR = -1,
    ECR17_INVALID = -2
};

typedef void (ECR17_CALL *ecr17_progress_callback)(const char16_t* text);
typedef void (ECR17_CALL *ecr17_pay_callback)(const char16_t* result, bool timed_out);

/* A new client (time-out 60 s, JSON results, print mode 0, 24 receipt
 * columns, no host, port 0), or NULL when it could not be created (message:
 * ecr17_last_error(NULL)). Free it with ecr17_destroy(). */
ECR17_API ecr17_client* ECR17_CALL ecr17_create(void);
/* Frees the client; waits for an asynchronous payment's worker to finish its
 * last step first, so it must not be called from that payment's callback.
 * NULL is ignored. */
ECR17_API void ECR17_CALL ecr17_destroy(ecr17_client* client);

/* The message of the last error raised by a call on the client (with NULL:
 * by a call of this thread that takes no client, such as ecr17_create or
 * ecr17_log_enable). Caller frees; NULL when there was none. */
ECR17_API char16_t* ECR17_CALL ecr17_last_error(const ecr17_client* client);
/* Frees a text that the library returned. NULL is ignored. */
ECR17_API void ECR17_CALL ecr17_free(char16_t* text);

/* Pays amount with an optional description (NULL: none). *result gets the
 * result text (JSON or labelled lines), *timed_out whether the last wait ran
 * out. Blocks until the outcome (and the receipt, with print mode 1 or 2). */
ECR17_API int ECR17_CALL ecr17_pay(ecr17_client* client, int64_t amount, const char16_t* description, char16_t** result,
                        bool* timed_out);
/* Starts a payment and returns once the terminal has accepted the request;
 * the outcome arrives on a library thread, which calls callback (may be NULL)
 * and makes it available to ecr17_pay_async_polling(). */
ECR17_API int ECR17_CALL ecr17_pay_async(ecr17_client* client, int64_t amount, const char16_t* description,
                              ecr17_pay_callback callback);
/* ECR17_TRUE once the asynchronous payment has finished: *result and
 * *timed_out then hold its outcome. ECR17_FALSE (and *result NULL) before. */
ECR17_API int ECR17_CALL ecr17_pay_async_polling(ecr17_client* client, char16_t** result, bool* timed_out);
/* *complete is false after a payment whose receipt ended without its end
 * mark (the payment's result holds the receipt so far); true after a complete
 * receipt and when none was asked for. */
ECR17_API int ECR17_CALL ecr17_receipt_complete(ecr17_client* client, bool* complete);
/* Reverses the payment with the given STAN (six digits; NULL, empty or
 * "000000": the last transaction). Like ecr17_pay in its result, time-out
 * flag and receipt. */
ECR17_API int ECR17_CALL ecr17_reversal(ecr17_client* client, const char16_t* stan, char16_t** result, bool* timed_out);
/* The terminal's copy of its last result, rendered as a payment outcome. */
ECR17_API int ECR17_CALL ecr17_last_result(ecr17_client* client, char16_t** result);
/* The terminal's total since its last close: terminal id, result, total. */
ECR17_API int ECR17_CALL ecr17_totals(ecr17_client* client, char16_t** result);

/* The payment journal: a file where every payment and reversal is recorded
 * before it goes to the terminal, so that an outcome lost to a dropped
 * connection or a crash is recovered instead of charged again. NULL or
 * empty: no journal (the default). While the journal holds an operation
 * without an outcome, ecr17_pay, ecr17_pay_async and ecr17_reversal fail
 * with "A previous payment has no outcome: recover it first". */
ECR17_API int ECR17_CALL ecr17_set_journal(ecr17_client* client, const char16_t* path);
/* ECR17_TRUE when an operation is pending; *description then describes it. */
ECR17_API int ECR17_CALL ecr17_pending_operation(ecr17_client* client, char16_t** description);
/* Asks the terminal for its last result and records it for the pending
 * operation: ECR17_TRUE with the outcome in *result, whose "lastResultOf" is
 * "pending" when it is the pending operation's and "other" when the terminal
 * last did another one; ECR17_FALSE when the terminal did not answer (the
 * operation stays pending). */
ECR17_API int ECR17_CALL ecr17_recover(ecr17_client* client, char16_t** result);
/* Ends the pending operation with the operator's note, when the terminal
 * cannot tell what happened. */
ECR17_API int ECR17_CALL ecr17_resolve_pending(ecr17_client* client, const char16_t* note);

/* Asks the terminal for its status; *result gets the result text. */
ECR17_API int ECR17_CALL ecr17_status(ecr17_client* client, char16_t** result);
/* ECR17_TRUE when amount can be paid (0.01 to 999,999.99 in whole cents). */
ECR17_API int ECR17_CALL ecr17_amount_validate(ecr17_client* client, int64_t amount);
/* Closes the terminal's session. */
ECR17_API int ECR17_CALL ecr17_close_session(ecr17_client* client);
/* Reprints the last ticket (the service ticket when service_ticket). */
ECR17_API int ECR17_CALL ecr17_reprint(ecr17_client* client, bool service_ticket);

/* Switches the process-wide diagnostic log on; records go to the file named
 * like log_file with the extension ".dlog". ECR17_TRUE when the file is on. */
ECR17_API int ECR17_CALL ecr17_log_enable(const char16_t* log_file);
/* Switches the diagnostic log off. */
ECR17_API int ECR17_CALL ecr17_log_disable(void);

/* The last progress text the terminal sent, once; *text is empty when none. */
ECR17_API int ECR17_CALL ecr17_get_progress(ecr17_client* client, char16_t** text);
/* Installs (or, with NULL, removes) the progress callback. */
ECR17_API int ECR17_CALL ecr17_set_progress_callback(ecr17_client* client, ecr17_progress_callback callback);
/* 0: no receipt after a payment; 1 or 2: the receipt is collected. */
ECR17_API int ECR17_CALL ecr17_set_print_mode(ecr17_client* client, uint8_t print_mode);
/* Receipt width, 12 to 64 columns; ECR17_FALSE (and no change) outside. */
ECR17_API int ECR17_CALL ecr17_set_receipt_columns(ecr17_client* client, uint16_t columns);
/* The receipt text cleaned and wrapped to the receipt width. */
ECR17_API int ECR17_CALL ecr17_format_receipt(ecr17_client* client, const char16_t* receipt, char16_t** formatted);

/* Settings. host and port address the terminal; timeout is in seconds
 * (clamped to 5..120); json_out chooses JSON (true) or labelled lines. */
ECR17_API int ECR17_CALL ecr17_get_host(ecr17_client* client, char16_t** host);
ECR17_API int ECR17_CALL ecr17_set_host(ecr17_client* client, const char16_t* host);
ECR17_API int ECR17_CALL ecr17_get_port(ecr17_client* client, int32_t* port);
/* ECR17_INVALID (and no change, message in ecr17_last_error) outside 0..65535. */
ECR17_API int ECR17_CALL ecr17_set_port(ecr17_client* client, int32_t port);
ECR17_API int ECR17_CALL ecr17_get_timeout(ecr17_client* client, int32_t* seconds);
ECR17_API int ECR17_CALL ecr17_set_timeout(ecr17_client* client, int32_t seconds);
ECR17_API int ECR17_CALL ecr17_get_json_out(ecr17_client* client, bool* json_out);
ECR17_API int ECR17_CALL ecr17_set_json_out(ecr17_client* client, bool json_out);

#ifdef __cplusplus
}
#endif

#endif
