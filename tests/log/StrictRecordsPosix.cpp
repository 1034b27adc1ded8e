#include "StrictLogReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

// Prints "pid TAB tid TAB kind TAB text" for each line; exits 1 at the first line it
// refuses. NaN and Infinity are not JSON, so they are refused too.
constexpr const char* checker = R"(
import json, sys
def refuse(c): raise ValueError(c)
for n, l in enumerate(open(sys.argv[1], encoding="utf-8", newline="\n"), 1):
    try:
        if not l.endswith("\n"): raise ValueError("no line feed")
        r = json.loads(l, parse_constant=refuse)
        if set(r) != {"time", "pid", "tid", "kind", "text"}: raise ValueError("members")
    except ValueError as e:
        print("line %d: %s: %r" % (n, e, l)); sys.exit(1)
    print("%d\t%d\t%s\t%s" % (r["pid"], r["tid"], r["kind"], r["text"].replace("\t", " ").replace("\n", " ")))
)";

} // namespace

std::vector<TFileRecord> strictRecords(const std::filesystem::path& APath)
{
    const std::string cmd = "python3 -c '" + std::string(checker) + "' '" + APath.string() + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    std::vector<TFileRecord> records;
    if (!p) {
        ADD_FAILURE() << "cannot run python3";
        return records;
    }
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    if (::pclose(p) != 0) {
        ADD_FAILURE() << APath << ": " << out.substr(0, 2000);
        return records;
    }
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        TFileRecord record{};
        fields >> record.pid >> record.tid;
        fields.ignore(1);
        std::getline(fields, record.kind, '\t');
        std::getline(fields, record.text);
        records.push_back(record);
    }
    return records;
}
