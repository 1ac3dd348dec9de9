// ENGINETEST: the fixture of the time engine's tests: an APPENGINE on a frozen fake
// clock that the update thread may read while the test moves it, a recording
// APPEVENTS, an open settings HASH and the English language library for the texts.
#pragma once

#include "appengine.h"
#include "fakeclock.h"
#include "hash.h"
#include "recordingevents.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <mutex>
#include <string>

// A FAKECLOCK whose reads and moves may come from two threads.
class THREADCLOCK : public FAKECLOCK {
public:
    SYSTEMTIME GetUtc() override;
    bool SetUtc(const SYSTEMTIME& time, DWORD& error) override;
    // The frozen time plus offsetms from now on.
    void MoveTo(long long offsetms);

private:
    std::mutex Lock;
};

class ENGINETEST : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The frozen time of the clock: 2024-05-01 12:00:00.000 UTC, and in seconds since 1970.
    static SYSTEMTIME FrozenTime();
    static constexpr unsigned long FROZEN_SECONDS = 1714564800ul;
    // A text of the language library, and entry n of the difference units.
    static std::string Text(int id);
    static std::string Unit(int n);
    // A setting's value as the engine left it.
    std::string Get(const char* key) { return engine.GetSetting(key).Text(); }
    void Put(const char* key, const char* value) { engine.PutSetting(key, value); }
    // Several settings' values joined by "|", for one comparison with a readable failure.
    std::string Values(std::initializer_list<const char*> keys);

    HASH settings;
    THREADCLOCK clock;
    RECORDINGEVENTS events;
    APPENGINE engine{settings, clock, events};
};
