// The C interface over TECR: handles, UTF-16 texts the caller frees, and
// status codes in place of exceptions.
#include "ecr17.h"

#include "ECR17u.h"
#include "TextConvert.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <unordered_set>

using namespace ecr17::detail;

struct ecr17_client {
    TECR ecr;
    std::mutex errorMutex;
    std::u16string lastError;
    bool hasError = false;
};

namespace {

// Every build remembers the live handles, so that a destroyed one is refused
// with ECR17_INVALID instead of used, in debug and release builds alike.
std::mutex GLiveLock;
std::unordered_set<const ecr17_client*> GLive;

bool usable(const ecr17_client* AClient) noexcept
{
    std::lock_guard lock(GLiveLock);
    return GLive.count(AClient) != 0;
}

void track(const ecr17_client* AClient, bool ALive)
{
    std::lock_guard lock(GLiveLock);
    if (ALive)
        GLive.insert(AClient);
    else
        GLive.erase(AClient);
}

thread_local std::u16string GLastError;
thread_local bool GHasError = false;

char16_t* duplicate(std::u16string_view AText) noexcept
{
    auto* copy = static_cast<char16_t*>(std::malloc((AText.size() + 1) * sizeof(char16_t)));
    if (copy) {
        std::memcpy(copy, AText.data(), AText.size() * sizeof(char16_t));
        copy[AText.size()] = 0;
    }
    return copy;
}

std::u16string textOf(const char16_t* AText)
{
    return AText ? std::u16string(AText) : std::u16string();
}

void remember(ecr17_client* AClient, std::u16string AMessage) noexcept
{
    try {
        if (AClient) {
            std::lock_guard lock(AClient->errorMutex);
            AClient->lastError = std::move(AMessage);
            AClient->hasError = true;
        } else {
            GLastError = std::move(AMessage);
            GHasError = true;
        }
    } catch (...) {
    }
}

// Runs AWork, turning every exception into ECR17_ERROR with its message kept.
template <class F> int guarded(ecr17_client* AClient, F&& AWork) noexcept
{
    try {
        return AWork();
    } catch (const std::exception& e) {
        remember(AClient, utf8ToText(e.what()));
    } catch (...) {
        remember(AClient, u"Unknown error");
    }
    return ECR17_ERROR;
}

int flag(bool AValue) noexcept { return AValue ? ECR17_TRUE : ECR17_FALSE; }

// An output cleared before anything else, so that it is written on every path.
template <class T> bool cleared(T* AOut) noexcept
{
    if (!AOut)
        return false;
    *AOut = T{};
    return true;
}

// Every function's prologue: the outputs cleared, the handle and the
// required pointers checked (ECR17_INVALID), then AWork on the client under
// the guard.
template <class F, class... Out> int onClient(ecr17_client* AClient, F&& AWork, Out*... AOutputs) noexcept
{
    const bool outputsValid = (cleared(AOutputs) & ... & true);
    if (!outputsValid || !usable(AClient))
        return ECR17_INVALID;
    return guarded(AClient, [&] { return AWork(AClient->ecr); });
}

// Hands AText to the caller; an allocation failure is an error.
int give(char16_t** AOut, std::u16string_view AText, int AResult)
{
    *AOut = duplicate(AText);
    if (!*AOut)
        throw std::bad_alloc();
    return AResult;
}

// An operation that answers with a result text and a flag.
template <class F> int resultOf(ecr17_client* AClient, char16_t** AResult, F&& AOperation)
{
    return onClient(
        AClient,
        [&](TECR& Aecr) {
            std::u16string res;
            const bool ok = AOperation(Aecr, res);
            return give(AResult, res, flag(ok));
        },
        AResult);
}

// A payment-like operation: a result text, a time-out flag and a flag.
template <class F> int paymentOf(ecr17_client* AClient, char16_t** AResult, bool* ATimedOut, F&& AOperation)
{
    return onClient(
        AClient,
        [&](TECR& Aecr) {
            std::u16string res;
            bool timeout = false;
            const bool ok = AOperation(Aecr, res, timeout);
            *ATimedOut = timeout;
            return give(AResult, res, flag(ok));
        },
        AResult, ATimedOut);
}

// A setting read through a TECR getter.
template <class T, class F> int readSetting(ecr17_client* AClient, T* AOut, F&& AGet)
{
    return onClient(
        AClient,
        [&](TECR& Aecr) {
            *AOut = AGet(Aecr);
            return ECR17_TRUE;
        },
        AOut);
}

// An action (a setter) that answers ECR17_TRUE when it did not raise.
template <class F> int action(ecr17_client* AClient, F&& ADo)
{
    return onClient(AClient, [&](TECR& Aecr) {
        ADo(Aecr);
        return ECR17_TRUE;
    });
}

} // namespace

extern "C" {

ecr17_client* ecr17_create(void)
{
    try {
        auto* client = new ecr17_client;
        track(client, true);
        return client;
    } catch (const std::exception& e) {
        remember(nullptr, utf8ToText(e.what()));
    } catch (...) {
        remember(nullptr, u"Unknown error");
    }
    return nullptr;
}

void ecr17_destroy(ecr17_client* client)
{
    if (!usable(client))
        return;
    track(client, false);
    delete client; // the destructor logs its errors and raises none
}

char16_t* ecr17_last_error(const ecr17_client* client)
{
    if (!client)
        return GHasError ? duplicate(GLastError) : nullptr;
    if (!usable(client))
        return nullptr;
    auto* c = const_cast<ecr17_client*>(client);
    std::lock_guard lock(c->errorMutex);
    return c->hasError ? duplicate(c->lastError) : nullptr;
}

void ecr17_free(char16_t* text)
{
    std::free(text);
}

int ecr17_pay(ecr17_client* client, int64_t amount, const char16_t* description, char16_t** result,
              bool* timed_out)
{
    return paymentOf(client, result, timed_out, [&](TECR& e, std::u16string& r, bool& t) {
        return e.pay(amount, textOf(description), r, t);
    });
}

int ecr17_reversal(ecr17_client* client, const char16_t* stan, char16_t** result, bool* timed_out)
{
    return paymentOf(client, result, timed_out,
                     [&](TECR& e, std::u16string& r, bool& t) { return e.reversal(textOf(stan), r, t); });
}

int ecr17_pay_async(ecr17_client* client, int64_t amount, const char16_t* description, ecr17_pay_callback callback)
{
    return onClient(client, [&](TECR& e) { return flag(e.payAsync(amount, textOf(description), callback)); });
}

int ecr17_pay_async_polling(ecr17_client* client, char16_t** result, bool* timed_out)
{
    return onClient(
        client,
        [&](TECR& e) -> int {
            std::u16string res;
            bool timeout = false;
            if (!e.payAsyncPolling(res, timeout))
                return ECR17_FALSE;
            *timed_out = timeout;
            return give(result, res, ECR17_TRUE);
        },
        result, timed_out);
}

int ecr17_status(ecr17_client* client, char16_t** result)
{
    return resultOf(client, result, [](TECR& e, std::u16string& r) { return e.status(r); });
}

int ecr17_last_result(ecr17_client* client, char16_t** result)
{
    return resultOf(client, result, [](TECR& e, std::u16string& r) { return e.lastResult(r); });
}

int ecr17_totals(ecr17_client* client, char16_t** result)
{
    return resultOf(client, result, [](TECR& e, std::u16string& r) { return e.totals(r); });
}

int ecr17_pending_operation(ecr17_client* client, char16_t** description)
{
    return resultOf(client, description, [](TECR& e, std::u16string& r) { return e.pendingOperation(r); });
}

int ecr17_recover(ecr17_client* client, char16_t** result)
{
    return resultOf(client, result, [](TECR& e, std::u16string& r) { return e.recover(r); });
}

int ecr17_set_journal(ecr17_client* client, const char16_t* path)
{
    return action(client, [&](TECR& e) { e.setJournal(textOf(path)); });
}

int ecr17_resolve_pending(ecr17_client* client, const char16_t* note)
{
    return action(client, [&](TECR& e) { e.resolvePending(textOf(note)); });
}

int ecr17_amount_validate(ecr17_client* client, int64_t amount)
{
    return onClient(client, [&](TECR& e) { return flag(e.amountValidate(amount)); });
}

int ecr17_close_session(ecr17_client* client)
{
    return onClient(client, [](TECR& e) { return flag(e.closeSession()); });
}

int ecr17_reprint(ecr17_client* client, bool service_ticket)
{
    return onClient(client, [&](TECR& e) { return flag(e.reprint(service_ticket)); });
}

int ecr17_log_enable(const char16_t* log_file)
{
    if (!log_file)
        return ECR17_INVALID;
    return guarded(nullptr, [&] { return flag(TECR::logEnable(log_file)); });
}

int ecr17_log_disable(void)
{
    return guarded(nullptr, [] {
        TECR::logDisable();
        return ECR17_TRUE;
    });
}

int ecr17_get_progress(ecr17_client* client, char16_t** text)
{
    return onClient(client, [&](TECR& e) { return give(text, e.getProgress(), ECR17_TRUE); }, text);
}

int ecr17_set_progress_callback(ecr17_client* client, ecr17_progress_callback callback)
{
    return action(client, [&](TECR& e) { e.setProgressCallback(callback); });
}

int ecr17_set_print_mode(ecr17_client* client, uint8_t print_mode)
{
    if (print_mode > 2)
        return ECR17_INVALID;
    return action(client, [&](TECR& e) { e.setPrintMode(print_mode); });
}

int ecr17_set_receipt_columns(ecr17_client* client, uint16_t columns)
{
    return onClient(client, [&](TECR& e) { return flag(e.setReceiptColumns(columns)); });
}

int ecr17_format_receipt(ecr17_client* client, const char16_t* receipt, char16_t** formatted)
{
    if (!receipt) {
        cleared(formatted);
        return ECR17_INVALID;
    }
    return onClient(
        client, [&](TECR& e) { return give(formatted, e.formatReceipt(receipt), ECR17_TRUE); }, formatted);
}

int ecr17_get_host(ecr17_client* client, char16_t** host)
{
    return onClient(client, [&](TECR& e) { return give(host, e.host(), ECR17_TRUE); }, host);
}

int ecr17_set_host(ecr17_client* client, const char16_t* host)
{
    if (!host)
        return ECR17_INVALID;
    return action(client, [&](TECR& e) { e.setHost(host); });
}

int ecr17_get_port(ecr17_client* client, int32_t* port)
{
    return readSetting(client, port, [](TECR& e) { return e.port(); });
}

int ecr17_set_port(ecr17_client* client, int32_t port)
{
    // The C++ setter keeps the low 16 bits; a C caller gets told instead.
    if (usable(client) && (port < 0 || port > 65535)) {
        remember(client, u"Port out of range: " + intToText(port));
        return ECR17_INVALID;
    }
    return action(client, [=](TECR& e) { e.setPort(port); });
}

int ecr17_receipt_complete(ecr17_client* client, bool* complete)
{
    return readSetting(client, complete, [](TECR& e) { return e.receiptComplete(); });
}

int ecr17_get_timeout(ecr17_client* client, int32_t* seconds)
{
    return readSetting(client, seconds, [](TECR& e) { return e.timeout(); });
}

int ecr17_set_timeout(ecr17_client* client, int32_t seconds)
{
    return action(client, [=](TECR& e) { e.setTimeout(seconds); });
}

int ecr17_get_json_out(ecr17_client* client, bool* json_out)
{
    return readSetting(client, json_out, [](TECR& e) { return e.JSONOut(); });
}

int ecr17_set_json_out(ecr17_client* client, bool json_out)
{
    return action(client, [=](TECR& e) { e.setJSONOut(json_out); });
}

} // extern "C"
