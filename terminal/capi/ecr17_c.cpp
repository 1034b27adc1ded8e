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

#ifndef NDEBUG
// Debug builds remember the live handles, so that a freed one is refused
// instead of used; release builds only refuse NULL.
std::mutex GLiveLock;
std::unordered_set<const ecr17_client*> GLive;
#endif

bool usable(const ecr17_client* AClient) noexcept
{
#ifndef NDEBUG
    std::lock_guard lock(GLiveLock);
    return GLive.count(AClient) != 0;
#else
    return AClient != nullptr;
#endif
}

void track(const ecr17_client* AClient, bool ALive)
{
#ifndef NDEBUG
    std::lock_guard lock(GLiveLock);
    if (ALive)
        GLive.insert(AClient);
    else
        GLive.erase(AClient);
#else
    (void)AClient;
    (void)ALive;
#endif
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

// Hands AText to the caller; an allocation failure is an error.
int give(char16_t** AOut, std::u16string_view AText, int AResult)
{
    *AOut = duplicate(AText);
    if (!*AOut)
        throw std::bad_alloc();
    return AResult;
}

// A setting written through a TECR setter or read through its getter.
template <class T, class F> int readSetting(ecr17_client* AClient, T* AOut, F&& AGet)
{
    if (!usable(AClient) || !AOut)
        return ECR17_INVALID;
    return guarded(AClient, [&] {
        *AOut = AGet(AClient->ecr);
        return ECR17_TRUE;
    });
}

template <class F> int writeSetting(ecr17_client* AClient, F&& ASet)
{
    if (!usable(AClient))
        return ECR17_INVALID;
    return guarded(AClient, [&] {
        ASet(AClient->ecr);
        return ECR17_TRUE;
    });
}

// An operation that answers with a result text and a flag.
template <class F> int resultOf(ecr17_client* AClient, char16_t** AResult, F&& AOperation)
{
    if (!usable(AClient) || !AResult)
        return ECR17_INVALID;
    *AResult = nullptr;
    return guarded(AClient, [&] {
        std::u16string res;
        const bool ok = AOperation(AClient->ecr, res);
        return give(AResult, res, flag(ok));
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
    if (!usable(client) || !result || !timed_out)
        return ECR17_INVALID;
    *result = nullptr;
    *timed_out = false;
    return guarded(client, [&] {
        std::u16string res;
        bool timeout = false;
        const bool ok = client->ecr.pay(amount, textOf(description), res, timeout);
        *timed_out = timeout;
        return give(result, res, flag(ok));
    });
}

int ecr17_pay_async(ecr17_client* client, int64_t amount, const char16_t* description, ecr17_pay_callback callback)
{
    if (!usable(client))
        return ECR17_INVALID;
    return guarded(client, [&] { return flag(client->ecr.payAsync(amount, textOf(description), callback)); });
}

int ecr17_pay_async_polling(ecr17_client* client, char16_t** result, bool* timed_out)
{
    if (!usable(client) || !result || !timed_out)
        return ECR17_INVALID;
    *result = nullptr;
    *timed_out = false;
    return guarded(client, [&]() -> int {
        std::u16string res;
        bool timeout = false;
        if (!client->ecr.payAsyncPolling(res, timeout))
            return ECR17_FALSE;
        *timed_out = timeout;
        return give(result, res, ECR17_TRUE);
    });
}

int ecr17_status(ecr17_client* client, char16_t** result)
{
    return resultOf(client, result, [](TECR& e, std::u16string& r) { return e.status(r); });
}

int ecr17_reversal(ecr17_client* client, const char16_t* stan, char16_t** result, bool* timed_out)
{
    if (!usable(client) || !result || !timed_out)
        return ECR17_INVALID;
    *result = nullptr;
    *timed_out = false;
    return guarded(client, [&] {
        std::u16string res;
        bool timeout = false;
        const bool ok = client->ecr.reversal(textOf(stan), res, timeout);
        *timed_out = timeout;
        return give(result, res, flag(ok));
    });
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
    return writeSetting(client, [&](TECR& e) { e.setJournal(textOf(path)); });
}

int ecr17_resolve_pending(ecr17_client* client, const char16_t* note)
{
    return writeSetting(client, [&](TECR& e) { e.resolvePending(textOf(note)); });
}

int ecr17_amount_validate(ecr17_client* client, int64_t amount)
{
    if (!usable(client))
        return ECR17_INVALID;
    return guarded(client, [&] { return flag(client->ecr.amountValidate(amount)); });
}

int ecr17_close_session(ecr17_client* client)
{
    if (!usable(client))
        return ECR17_INVALID;
    return guarded(client, [&] { return flag(client->ecr.closeSession()); });
}

int ecr17_reprint(ecr17_client* client, bool service_ticket)
{
    if (!usable(client))
        return ECR17_INVALID;
    return guarded(client, [&] { return flag(client->ecr.reprint(service_ticket)); });
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
    if (!usable(client) || !text)
        return ECR17_INVALID;
    *text = nullptr;
    return guarded(client, [&] { return give(text, client->ecr.getProgress(), ECR17_TRUE); });
}

int ecr17_set_progress_callback(ecr17_client* client, ecr17_progress_callback callback)
{
    if (!usable(client))
        return ECR17_INVALID;
    return guarded(client, [&] {
        client->ecr.setProgressCallback(callback);
        return ECR17_TRUE;
    });
}

int ecr17_set_print_mode(ecr17_client* client, uint8_t print_mode)
{
    if (!usable(client) || print_mode > 2)
        return ECR17_INVALID;
    return guarded(client, [&] {
        client->ecr.setPrintMode(print_mode);
        return ECR17_TRUE;
    });
}

int ecr17_set_receipt_columns(ecr17_client* client, uint16_t columns)
{
    if (!usable(client))
        return ECR17_INVALID;
    return guarded(client, [&] { return flag(client->ecr.setReceiptColumns(columns)); });
}

int ecr17_format_receipt(ecr17_client* client, const char16_t* receipt, char16_t** formatted)
{
    if (!usable(client) || !receipt || !formatted)
        return ECR17_INVALID;
    *formatted = nullptr;
    return guarded(client, [&] { return give(formatted, client->ecr.formatReceipt(receipt), ECR17_TRUE); });
}

int ecr17_get_host(ecr17_client* client, char16_t** host)
{
    if (!usable(client) || !host)
        return ECR17_INVALID;
    *host = nullptr;
    return guarded(client, [&] { return give(host, client->ecr.host(), ECR17_TRUE); });
}

int ecr17_set_host(ecr17_client* client, const char16_t* host)
{
    if (!usable(client) || !host)
        return ECR17_INVALID;
    return guarded(client, [&] {
        client->ecr.setHost(host);
        return ECR17_TRUE;
    });
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
    return writeSetting(client, [=](TECR& e) { e.setPort(port); });
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
    return writeSetting(client, [=](TECR& e) { e.setTimeout(seconds); });
}

int ecr17_get_json_out(ecr17_client* client, bool* json_out)
{
    return readSetting(client, json_out, [](TECR& e) { return e.JSONOut(); });
}

int ecr17_set_json_out(ecr17_client* client, bool json_out)
{
    return writeSetting(client, [=](TECR& e) { e.setJSONOut(json_out); });
}

} // extern "C"
