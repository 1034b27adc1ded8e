// The production tool as the process-wide logger, writing into a fresh
// folder of its own for each test.
#pragma once

#include "DiagLoggerU.h"
#include "LogDispatcher.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/')
                c = '-';
        dir = std::filesystem::temp_directory_path() / ("ecr17-log-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        previous = setLogger(&tool);
        dlogSetHexControlChars(false);
    }
    void TearDown() override
    {
        tool.CloseDispatcher();
        setLogger(previous);
        std::filesystem::remove_all(dir);
    }
public:
    std::u16string logName(const std::string& AName) const
    {
        const std::string s = (dir / AName).string();
        return std::u16string(s.begin(), s.end());
    }

    std::filesystem::path dir;
    ecr17::detail::TDispatcherLogger tool;
    TLogToolLogger* previous = nullptr;
};
