// Checks both the type of an error and its message: the texts are part of
// the interface.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

template <class E>
void expectThrowMessage(const std::function<void()>& Awork, const std::string& Amessage)
{
    try {
        Awork();
        ADD_FAILURE() << "no error, expected " << Amessage;
    } catch (const E& e) {
        EXPECT_EQ(e.what(), Amessage);
    }
}
