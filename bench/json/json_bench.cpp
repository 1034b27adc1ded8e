// Writing and reading three documents with this library, nlohmann::json and
// RapidJSON, in one run:
//   1. the client's payment result: 12 string members, one a 600-character
//      receipt with line feeds;
//   2. about 1 MB of nested arrays and objects with numbers and strings;
//   3. one string of 120,000 characters with escapes.
// Every library works on the same document (ours as UTF-16 text, the others
// as UTF-8); MB/s counts the UTF-8 size of the document for all three, so
// the figures compare directly. A parse includes freeing the tree. The
// summary uses the median CPU time of five repetitions, steadier than wall
// time on a shared machine.
// Summary lines: RESULT <name> <value> <unit>; a ratio above 1 means faster.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "uJSON.h"

// ---- Peak heap use, counted at malloc (RapidJSON allocates with malloc,
// not with operator new) and at the aligned allocations (an aligned
// operator new comes through aligned_alloc).

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* __libc_memalign(size_t, size_t);
extern "C" void __libc_free(void*);

namespace {
std::atomic<bool> gTracking{false};
std::atomic<long> gInUse{0};
std::atomic<long> gPeak{0};

void counted(long delta)
{
    const long now = gInUse.fetch_add(delta, std::memory_order_relaxed) + delta;
    long peak = gPeak.load(std::memory_order_relaxed);
    while (now > peak && !gPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}
}  // namespace

extern "C" void* malloc(size_t n)
{
    void* p = __libc_malloc(n);
    if (p != nullptr && gTracking.load(std::memory_order_relaxed))
        counted(static_cast<long>(malloc_usable_size(p)));
    return p;
}

extern "C" void* calloc(size_t n, size_t size)
{
    void* p = __libc_calloc(n, size);
    if (p != nullptr && gTracking.load(std::memory_order_relaxed))
        counted(static_cast<long>(malloc_usable_size(p)));
    return p;
}

extern "C" void* realloc(void* old, size_t n)
{
    const long before = old != nullptr ? static_cast<long>(malloc_usable_size(old)) : 0;
    void* p = __libc_realloc(old, n);
    if (p != nullptr && gTracking.load(std::memory_order_relaxed))
        counted(static_cast<long>(malloc_usable_size(p)) - before);
    return p;
}

extern "C" void* memalign(size_t align, size_t n)
{
    void* p = __libc_memalign(align, n);
    if (p != nullptr && gTracking.load(std::memory_order_relaxed))
        counted(static_cast<long>(malloc_usable_size(p)));
    return p;
}

extern "C" void* aligned_alloc(size_t align, size_t n)
{
    return memalign(align, n);
}

extern "C" int posix_memalign(void** out, size_t align, size_t n)
{
    *out = memalign(align, n);
    return *out != nullptr ? 0 : ENOMEM;
}

extern "C" void free(void* p)
{
    if (p != nullptr && gTracking.load(std::memory_order_relaxed))
        counted(-static_cast<long>(malloc_usable_size(p)));
    __libc_free(p);
}

namespace {

template <class F>
long peakBytes(F&& f)
{
    gInUse = 0;
    gPeak = 0;
    gTracking = true;
    f();
    gTracking = false;
    return gPeak.load();
}

// ---- The documents, built with our own tree and written by our writer.

std::string toUtf8(const std::u16string& s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string ascii(const std::string& s)
{
    return std::u16string(s.begin(), s.end());
}

std::unique_ptr<TJSONbase> paymentResult()
{
    std::u16string receipt;
    while (receipt.size() < 600) {
        receipt += u"PAGAMENTO  EUR 0,01     ";
        receipt.back() = u'\n';
    }
    receipt.resize(600);
    auto obj = TJSONobject::Generate(true);
    obj->Add(u"termID", u"12345678");
    obj->Add(u"result", u"00");
    obj->Add(u"pan", u"***************1234");
    obj->Add(u"tranType", u"ICC");
    obj->Add(u"authCode", u"A1B2C3");
    obj->Add(u"dateTime", u"0512241");
    obj->Add(u"description", u"");
    obj->Add(u"cardType", u"C");
    obj->Add(u"acquirerID", u"00000012345");
    obj->Add(u"stan", u"000123");
    obj->Add(u"IDonline", u"654321");
    obj->Add(u"receipt", receipt);
    return obj;
}

std::unique_ptr<TJSONbase> nestedMegabyte()
{
    auto root = TJSONlist::Generate();
    std::size_t size = 0;
    for (int i = 0; size < 1000000; ++i) {
        auto item = TJSONobject::Generate(true);
        item->Add(u"id", i);
        item->Add(u"name", u"item " + ascii(std::to_string(i)));
        item->Add(u"price", (i % 1000) * 0.25 + 0.01);
        item->Add(u"ratio", 1.0 / (i + 3));
        auto tags = TJSONlist::Generate();
        for (int t = 0; t < i % 4; ++t)
            tags->Add(u"tag" + ascii(std::to_string(t)));
        item->Add(u"tags", std::move(tags));
        auto dims = TJSONobject::Generate(true);
        dims->Add(u"w", i % 100);
        dims->Add(u"h", -(i % 7) * 1.5);
        dims->Add(u"note", u"caf\x00E9 \"quoted\"");
        auto grid = TJSONlist::Generate();
        grid->Add(TJSONlist::Generate());
        static_cast<TJSONlist*>(grid->GetChild(0))->Add(i);
        dims->Add(u"grid", std::move(grid));
        item->Add(u"dims", std::move(dims));
        item->Add(u"active", i % 2 == 0);
        size += TJSON::GenerateText(item.get()).size();
        root->Add(std::move(item));
    }
    return root;
}

std::unique_ptr<TJSONbase> longString()
{
    std::u16string s;
    const std::u16string piece = u"Riga \"quoted\" C:\\path\\file 12/05/24\tcaf\x00E9 \x20AC\n";
    while (s.size() + piece.size() <= 120000)
        s += piece;
    s.resize(120000, u'x');
    return TJSONstring::Generate(s);
}

struct Document {
    const char* name;
    std::unique_ptr<TJSONbase> ours;
    std::u16string text16;
    std::string text8;
    nlohmann::json theirs;
    rapidjson::Document rapid;
};

std::vector<Document*> gDocs;

void addDocument(const char* name, std::unique_ptr<TJSONbase> tree)
{
    auto* d = new Document{name, std::move(tree), {}, {}, {}, {}};
    d->text16 = TJSON::GenerateText(d->ours.get());
    d->text8 = toUtf8(d->text16);
    d->theirs = nlohmann::json::parse(d->text8);
    d->rapid.Parse(d->text8.c_str(), d->text8.size());
    if (d->rapid.HasParseError() || TJSON::GenerateText(TJSON::ParseText(d->text16).get()) != d->text16) {
        std::fprintf(stderr, "document %s does not read back\n", name);
        std::exit(1);
    }
    gDocs.push_back(d);
}

// ---- Benchmarks

void bytes(benchmark::State& state, const Document& d)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(d.text8.size()));
}

void writeOurs(benchmark::State& state, const Document* d)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TJSON::GenerateText(d->ours.get()));
    bytes(state, *d);
}

void writeNlohmann(benchmark::State& state, const Document* d)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(d->theirs.dump());
    bytes(state, *d);
}

void writeRapid(benchmark::State& state, const Document* d)
{
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        d->rapid.Accept(writer);
        benchmark::DoNotOptimize(buffer.GetString());
    }
    bytes(state, *d);
}

void readOurs(benchmark::State& state, const Document* d)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TJSON::ParseText(d->text16));
    bytes(state, *d);
}

void readNlohmann(benchmark::State& state, const Document* d)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(nlohmann::json::parse(d->text8));
    bytes(state, *d);
}

void readRapid(benchmark::State& state, const Document* d)
{
    for (auto _ : state) {
        rapidjson::Document doc;
        doc.Parse(d->text8.c_str(), d->text8.size());
        benchmark::DoNotOptimize(doc.IsObject());
    }
    bytes(state, *d);
}

// Keeps each run's time per operation, for the summary.
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nsPerOp;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                nsPerOp[r.run_name.function_name] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    addDocument("result", paymentResult());
    addDocument("nested1MB", nestedMegabyte());
    addDocument("string120k", longString());

    const char* ops[] = {"write", "read"};
    const char* libs[] = {"ours", "nlohmann", "rapidjson"};
    void (*fns[2][3])(benchmark::State&, const Document*) = {
        {writeOurs, writeNlohmann, writeRapid}, {readOurs, readNlohmann, readRapid}};
    for (const Document* d : gDocs)
        for (int op = 0; op < 2; ++op)
            for (int lib = 0; lib < 3; ++lib)
                benchmark::RegisterBenchmark((std::string(ops[op]) + "/" + d->name + "/" + libs[lib]).c_str(),
                                             fns[op][lib], d)
                    ->Unit(benchmark::kNanosecond)
                    ->MinTime(0.2)
                    ->Repetitions(5)
                    ->DisplayAggregatesOnly(true);

    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    std::printf("\n%-22s %12s %12s %12s %10s %10s\n", "", "ours ns/op", "nlohmann", "rapidjson",
                "vs nloh.", "vs rapid");
    for (const Document* d : gDocs) {
        for (const char* op : ops) {
            const std::string base = std::string(op) + "/" + d->name + "/";
            auto it = collector.nsPerOp.find(base + "ours");
            if (it == collector.nsPerOp.end())
                continue;
            const double ours = it->second;
            const double nl = collector.nsPerOp[base + "nlohmann"];
            const double rj = collector.nsPerOp[base + "rapidjson"];
            const double mb = static_cast<double>(d->text8.size()) / 1e6;
            std::printf("%-22s %12.0f %12.0f %12.0f %9.2fx %9.2fx   (%.0f / %.0f / %.0f MB/s)\n",
                        (std::string(op) + " " + d->name).c_str(), ours, nl, rj, nl / ours, rj / ours,
                        mb / (ours * 1e-9), mb / (nl * 1e-9), mb / (rj * 1e-9));
            std::printf("RESULT json_%s_vs_nlohmann_%s %.2f ratio\n", op, d->name, nl / ours);
            std::printf("RESULT json_%s_vs_rapidjson_%s %.2f ratio\n", op, d->name, rj / ours);
        }
    }

    const Document& big = *gDocs[1];
    const long oursPeak = peakBytes([&] { auto t = TJSON::ParseText(big.text16); benchmark::DoNotOptimize(t); });
    const long nlPeak = peakBytes([&] { auto j = nlohmann::json::parse(big.text8); benchmark::DoNotOptimize(j); });
    const long rjPeak = peakBytes([&] {
        rapidjson::Document doc;
        doc.Parse(big.text8.c_str(), big.text8.size());
        benchmark::DoNotOptimize(doc.IsArray());
    });
    std::printf("\npeak heap while parsing %s (%zu bytes UTF-8, %zu bytes UTF-16): ours %.1f MB, "
                "nlohmann %.1f MB, rapidjson %.1f MB\n",
                big.name, big.text8.size(), big.text16.size() * 2, oursPeak / 1e6, nlPeak / 1e6, rjPeak / 1e6);
    std::printf("RESULT json_parse_nested1MB_peak_ours %.1f MB\n", oursPeak / 1e6);
    std::printf("RESULT json_parse_nested1MB_peak_nlohmann %.1f MB\n", nlPeak / 1e6);
    std::printf("RESULT json_parse_nested1MB_peak_rapidjson %.1f MB\n", rjPeak / 1e6);
    benchmark::Shutdown();
    for (Document* d : gDocs)
        delete d;
    return 0;
}
