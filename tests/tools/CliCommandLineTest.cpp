#include "CliAmount.h"
#include "CliCommands.h"
#include "CliCommandLine.h"
#include "ToolArgs.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

TCliRequest parse(std::vector<const char*> Aargs)
{
    Aargs.insert(Aargs.begin(), "ecr17");
    return cliParseCommandLine(static_cast<int>(Aargs.size()), Aargs.data(), cliCommands());
}

} // namespace

TEST(CliAmount, ParsesDecimalsWithoutFloatingPoint)
{
    struct Case {
        const char* text;
        std::optional<Currency> amount;
    };
    const Case cases[] = {
        {"0.01", 100},
        {"12.5", 125000},
        {"-1", -10000},
        {"0", 0},
        {"1.2345", 12345},
        {"999999.99", 9999999900},
        // 0.1 + 0.2 style rounding would show here.
        {"0.3", 3000},
        {"922337203685477.5807", 9223372036854775807},
        {"922337203685477.5808", std::nullopt},
        {"1.23456", std::nullopt},
        {"1.", std::nullopt},
        {".5", std::nullopt},
        {"1,5", std::nullopt},
        {"1.2.3", std::nullopt},
        {"+1", std::nullopt},
        {"--1", std::nullopt},
        {"1e3", std::nullopt},
        {" 1", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(cliParseAmount(c.text), c.amount);
    }
}

TEST(CliCommandLine, ReadsCommandsAndOptions)
{
    const TCliRequest pay =
        parse({"--host", "10.0.0.5", "--port", "9200", "--timeout", "7", "--print-mode", "2", "--text", "--cols", "30",
               "--log", "/tmp/x.log", "--progress", "pay", "12.5", "Caffè"});
    ASSERT_NE(pay.command, nullptr);
    EXPECT_EQ(pay.command->name, "pay");
    EXPECT_EQ(pay.host, "10.0.0.5");
    EXPECT_EQ(pay.port, 9200);
    EXPECT_EQ(pay.timeout, 7);
    EXPECT_EQ(pay.printMode, 2);
    EXPECT_TRUE(pay.text);
    EXPECT_EQ(pay.cols, 30);
    EXPECT_EQ(pay.logFile, "/tmp/x.log");
    EXPECT_TRUE(pay.progress);
    EXPECT_EQ(pay.amount, 125000);
    EXPECT_EQ(pay.description, "Caffè");

    const TCliRequest status = parse({"--host", "h", "status"});
    ASSERT_NE(status.command, nullptr);
    EXPECT_EQ(status.command->name, "status");
    EXPECT_EQ(status.port, 9100);
    EXPECT_EQ(status.printMode, 0);
    EXPECT_FALSE(status.text);
    EXPECT_FALSE(status.timeout);

    EXPECT_EQ(parse({"validate", "-1"}).amount, -10000);
    EXPECT_TRUE(parse({"--host", "h", "reprint", "--service-ticket"}).serviceTicket);
    EXPECT_EQ(parse({"format-receipt"}).command->name, "format-receipt");
    EXPECT_EQ(parse({"--help"}).command, nullptr);
    EXPECT_EQ(parse({"status", "--help"}).command, nullptr);
}

TEST(CliCommandLine, RefusesWrongCommandLinesWithOneLine)
{
    struct Case {
        std::vector<const char*> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--host", "h", "pay", "1,5"}, "AMOUNT must be a decimal with \".\" and at most four decimals, not \"1,5\""},
        {{"validate", "0.00001"}, "AMOUNT must be a decimal with \".\" and at most four decimals, not \"0.00001\""},
        {{"--bogus", "status"}, "unknown option \"--bogus\""},
        {{"--host", "h", "-x", "status"}, "unknown option \"-x\""},
        {{"--host", "h", "--port", "0", "status"}, "option --port takes a number from 1 to 65535, not \"0\""},
        {{"--host", "h", "--port", "65536", "status"}, "option --port takes a number from 1 to 65535, not \"65536\""},
        {{"--host", "h", "--port", "-1", "status"}, "option --port takes a number from 1 to 65535, not \"-1\""},
        {{"--port", "9100", "status"}, "status needs --host"},
        {{"--host", "", "pay", "1"}, "pay needs --host"},
        {{"--host", "h", "status", "--port"}, "option --port needs a value"},
        {{"--print-mode", "3", "validate", "1"}, "option --print-mode takes a number from 0 to 2, not \"3\""},
        {{"--cols", "11", "format-receipt"}, "option --cols takes a number from 12 to 64, not \"11\""},
        {{"--host", "h", "--service-ticket", "status"}, "--service-ticket goes with reprint only"},
        {{"--host", "h", "pay"}, "wrong number of arguments for pay (see --help)"},
        {{"--host", "h", "status", "now"}, "wrong number of arguments for status (see --help)"},
        {{"--host", "h", "refund", "1"}, "unknown command \"refund\""},
        {{}, "no command given (see --help)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            parse(c.args);
            ADD_FAILURE() << "accepted";
        } catch (const TUsageError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}
