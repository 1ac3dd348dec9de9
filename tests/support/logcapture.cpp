// Capturing the trace log of a stretch of test code in a file of its own.
#include "logcapture.h"

#include "kelvo.h"

#include <cstdio>

LOGCAPTURE::LOGCAPTURE(unsigned level) : open(true)
{
    LogitOption(("/LOGIT:" + dir.File("log.txt")).c_str());
    if (level) {
        char option[32];
        snprintf(option, sizeof option, "/D:%u", level);
        LogitOption(option);
    }
}

LOGCAPTURE::~LOGCAPTURE()
{
    if (open) LogitOption("/LOGITCLOSE");
}

const std::string& LOGCAPTURE::Text()
{
    if (open) {
        LogitOption("/LOGITCLOSE");
        open = false;
        text = ReadFileBytes(dir.File("log.txt"));
    }
    return text;
}
