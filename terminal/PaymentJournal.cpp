#include "PaymentJournal.h"

#include "DiagLoggerU.h"
#include "JournalFile.h"
#include "TextConvert.h"
#include "uJSON.h"

#include <chrono>
#include <ctime>
#include <memory>

namespace ecr17::detail {

namespace {

// A record's line is short (no receipt); the tail holds the last ones.
constexpr std::size_t tailBytes = 64 * 1024;

// The members an operation's records carry from one to the next.
constexpr std::u16string_view carried[] = {u"operation", u"ref", u"amount", u"description", u"stan", u"lastStan"};

std::u16string utcNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() % 1'000'000;
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06lldZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<long long>(micros));
    return utf8ToText(text);
}

std::u16string toLine(const TJournalRecord& Arecord)
{
    TJSONobject object(true);
    for (const auto& [name, value] : Arecord.fields)
        object.Add(name, value);
    return TJSON::GenerateText(object) + u"\n";
}

// A whole line as a record; empty when it is no object of strings.
TJournalRecord fromLine(std::string_view Aline)
{
    TJournalRecord record;
    const std::unique_ptr<TJSONbase> root = TJSON::ParseText(utf8ToText(std::string(Aline)));
    const auto* object = dynamic_cast<const TJSONobject*>(root.get());
    if (!object)
        return record;
    for (std::int32_t i = 0; i < object->Count(); ++i) {
        const auto* value = dynamic_cast<const TJSONstring*>(object->GetFieldByIndex(i));
        if (!value)
            return {};
        record.set(object->GetNameOf(i), value->AsString());
    }
    return record;
}

// The last line of Atail that ends with an LF and reads as a record.
TJournalRecord lastWholeRecord(std::string_view Atail)
{
    std::size_t end = Atail.rfind('\n');
    while (end != std::string_view::npos) {
        const std::size_t start = end == 0 ? std::string_view::npos : Atail.rfind('\n', end - 1);
        const std::size_t from = start == std::string_view::npos ? 0 : start + 1;
        TJournalRecord record = fromLine(Atail.substr(from, end - from));
        if (!record.fields.empty())
            return record;
        if (start == std::string_view::npos)
            break;
        end = start;
    }
    return {};
}

long long numberOf(const std::u16string& Atext)
{
    long long n = 0;
    for (const char16_t c : Atext) {
        if (c < u'0' || c > u'9')
            return 0;
        n = n * 10 + (c - u'0');
    }
    return n;
}

// The STAN of the last outcome the journal knows of.
std::u16string knownStan(const TJournalRecord& Alast)
{
    const std::u16string stan = Alast.get(u"outcomeStan");
    return stan.empty() ? Alast.get(u"lastStan") : stan;
}

// Runs Awork; an error is logged, not passed on.
template <class F>
void quietly(F&& Awork) noexcept
{
    try {
        Awork();
    } catch (const std::exception& e) {
        try {
            dlogMsg(utf8ToText(e.what()), lvError);
        } catch (...) {
        }
    }
}

} // namespace

std::u16string TJournalRecord::get(std::u16string_view Aname) const
{
    for (const auto& [name, value] : fields)
        if (name == Aname)
            return value;
    return {};
}

void TJournalRecord::set(std::u16string_view Aname, std::u16string Avalue)
{
    for (auto& [name, value] : fields)
        if (name == Aname) {
            value = std::move(Avalue);
            return;
        }
    fields.emplace_back(std::u16string(Aname), std::move(Avalue));
}

void TPaymentJournal::setPath(std::u16string Apath)
{
    const std::lock_guard lock(Flock);
    Fpath = std::move(Apath);
}

std::u16string TPaymentJournal::path() const
{
    const std::lock_guard lock(Flock);
    return Fpath;
}

bool TPaymentJournal::active() const
{
    return !path().empty();
}

TJournalRecord TPaymentJournal::lastRecord() const
{
    if (Fpath.empty())
        return {};
    return lastWholeRecord(journalTail(textToUtf8(Fpath), tailBytes));
}

std::optional<TJournalRecord> TPaymentJournal::pending() const
{
    const std::lock_guard lock(Flock);
    TJournalRecord last = lastRecord();
    const std::u16string step = last.get(u"step");
    if (step == u"sent" || step == u"unknown")
        return last;
    return std::nullopt;
}

TJournalRecord TPaymentJournal::following(const TJournalRecord& Afrom, std::u16string_view Astep)
{
    TJournalRecord record;
    record.set(u"step", std::u16string(Astep));
    for (const std::u16string_view name : carried)
        if (const std::u16string value = Afrom.get(name); !value.empty())
            record.set(name, value);
    return record;
}

void TPaymentJournal::append(TJournalRecord Arecord) const
{
    const TJournalRecord last = lastRecord();
    TJournalRecord line;
    line.set(u"seq", intToText(numberOf(last.get(u"seq")) + 1));
    line.set(u"time", utcNow());
    for (auto& [name, value] : Arecord.fields)
        line.set(name, std::move(value));
    journalAppend(textToUtf8(Fpath), textToUtf8(toLine(line)));
}

void TPaymentJournal::sent(std::u16string_view Aoperation, std::u16string_view Aamount,
                           std::u16string_view Adescription, std::u16string_view Astan)
{
    const std::lock_guard lock(Flock);
    Fopen.reset();
    if (Fpath.empty())
        return;
    const TJournalRecord last = lastRecord();
    TJournalRecord record;
    record.set(u"step", u"sent");
    record.set(u"operation", std::u16string(Aoperation));
    record.set(u"ref", intToText(numberOf(last.get(u"seq")) + 1));
    if (!Aamount.empty())
        record.set(u"amount", std::u16string(Aamount));
    record.set(u"description", std::u16string(Adescription));
    if (!Astan.empty())
        record.set(u"stan", std::u16string(Astan));
    record.set(u"lastStan", knownStan(last));
    append(record);
    Fopen = std::move(record);
}

void TPaymentJournal::outcome(const std::u16string& Aoutcome, const std::u16string& Astan) noexcept
{
    quietly([&] {
        const std::lock_guard lock(Flock);
        if (!Fopen || Fpath.empty())
            return;
        TJournalRecord record = following(*Fopen, u"outcome");
        record.set(u"outcome", Aoutcome);
        record.set(u"outcomeStan", Astan);
        Fopen.reset();
        append(std::move(record));
    });
}

void TPaymentJournal::finish() noexcept
{
    quietly([&] {
        const std::lock_guard lock(Flock);
        if (!Fopen || Fpath.empty())
            return;
        TJournalRecord record = following(*Fopen, u"unknown");
        Fopen.reset();
        append(std::move(record));
    });
}

void TPaymentJournal::recovered(const TJournalRecord& Apending, bool AisPending, const std::u16string& Aoutcome,
                                const std::u16string& Astan)
{
    const std::lock_guard lock(Flock);
    TJournalRecord record = following(Apending, AisPending ? u"outcome" : u"recovered");
    record.set(u"outcome", Aoutcome);
    record.set(u"outcomeStan", Astan);
    if (!AisPending)
        record.set(u"note", u"The terminal's last result is not the pending operation");
    append(std::move(record));
}

void TPaymentJournal::resolved(const TJournalRecord& Apending, const std::u16string& Anote)
{
    const std::lock_guard lock(Flock);
    TJournalRecord record = following(Apending, u"resolved");
    record.set(u"note", Anote);
    append(std::move(record));
}

} // namespace ecr17::detail
