// Watching for the dialogs and message boxes of the test's own process while a
// stretch of test code runs: each one is noted and answered, so that an unexpected
// box fails the test instead of blocking it.
#pragma once

#include "testdialogs.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class BOXWATCH {
public:
    // Answers every visible dialog of this process whose title contains titlepart
    // (any title when empty): the first with buttons[0], the next with buttons[1], and
    // any further ones with the last button.
    explicit BOXWATCH(const std::string& titlepart = "", std::vector<int> buttons = {IDOK});
    ~BOXWATCH();
    BOXWATCH(const BOXWATCH&) = delete;
    BOXWATCH& operator=(const BOXWATCH&) = delete;

    // Stops watching and returns what every answered dialog showed, in order.
    const std::vector<DIALOGSEEN>& Stop();

private:
    std::atomic<bool> stop{false};
    std::thread worker;
    std::vector<DIALOGSEEN> seen;
};
