// ENGINETEST: the fixture of the time engine's tests: an APPENGINE on a frozen fake
// clock, a recording ENGINEEVENTS, an open settings HASH and the English language
// library for the texts.
#pragma once

#include "appengine.h"
#include "fakeclock.h"
#include "hash.h"
#include "recordingevents.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

class ENGINETEST : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The frozen time of the clock: 2024-05-01 12:00:00.000 UTC, and in seconds since 1970.
    static SYSTEMTIME FrozenTime();
    static constexpr unsigned long FROZEN_SECONDS = 1714564800ul;
    // A text of the language library.
    static std::string Text(int id);
    // A setting's value as the engine left it, and one put in its place.
    std::string Get(const char* key) { return engine.GetSetting(key).Text(); }
    void Put(const char* key, const std::string& value) { engine.PutSetting(key, value.c_str()); }
    // Several settings' values joined by "|", for one comparison with a readable failure.
    std::string Values(std::initializer_list<const char*> keys);

    HASH settings;
    FAKECLOCK clock;
    RECORDINGEVENTS events;
    APPENGINE engine{settings, clock, events};
};
