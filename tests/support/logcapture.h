// Capturing the trace log of a stretch of test code in a file of its own.
#pragma once

#include "testfiles.h"

#include <string>

class LOGCAPTURE {
public:
    // Opens the log as "/LOGIT:<scratch file>" and ORs level into the LogitLevel word
    // (the word only grows within a process).
    explicit LOGCAPTURE(unsigned level = 0);
    // Closes the log if Text has not.
    ~LOGCAPTURE();
    LOGCAPTURE(const LOGCAPTURE&) = delete;
    LOGCAPTURE& operator=(const LOGCAPTURE&) = delete;

    // Closes the log and returns everything written to it since the start.
    const std::string& Text();

private:
    TEMPDIR dir;
    std::string text;
    bool open;
};
