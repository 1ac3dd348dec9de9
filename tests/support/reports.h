// Counting the assertion reports that a stretch of test code raises (tests run with
// /NOASSERT, so reports are counted and logged, never shown).
#pragma once

#include <gtest/gtest.h>

class REPORTS {
public:
    REPORTS();
    // Whether exactly n reports were raised since the start or the previous check, the
    // last of them with this condition and info (each checked when given); starts anew.
    testing::AssertionResult Were(int n, const char* condition = nullptr, const char* info = nullptr);

private:
    int Start;
};
