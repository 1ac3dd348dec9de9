// Drift correction: the clock-tick adjustment set from the increment and the
// nanoseconds per tick, switched off again, refused without platform support or
// beyond a sane band around the tick; and the drift calculator's two texts.
#include "enginetest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Drift = ENGINETEST;

TEST_F(Drift, OnAddsHundredthsOfTheNanosecondsToTheIncrement)
{
    ASSERT_TRUE(engine.DriftSupported());
    EXPECT_EQ(engine.SetDrift(1, 4340), 1);
    EXPECT_EQ(clock.Adjustment, 156293u);
    EXPECT_EQ(clock.AdjustmentDisabled, FALSE);
    EXPECT_EQ(engine.SetDrift(1, -50050), 1);  // truncated toward zero: -500 units
    EXPECT_EQ(clock.Adjustment, 155750u);
    EXPECT_EQ(engine.SetDrift(0, 4340), 1);  // off: the increment, the platform regulates
    EXPECT_EQ(clock.Adjustment, 156250u);
    EXPECT_EQ(clock.AdjustmentDisabled, TRUE);
}

// A correction beyond 0.5 % of the 15.625 ms tick (78125 ns) is refused and reported,
// and the clock tick is left alone; switching off is never refused.
TEST_F(Drift, ACorrectionBeyondTheBandIsRefused)
{
    EXPECT_EQ(APPENGINE::DriftLimit(clock.Increment), 78125);
    struct {
        int on;
        long long nanoseconds;
        int result;
    } cases[] = {{1, 78125, 1},        {1, -78125, 1},     {1, 78126, 0},
                 {1, -78126, 0},       {1, 2000000000, 0}, {1, -15625000, 0},
                 {1, 4294967297LL, 0}, {0, 2000000000, 1}};
    for (const auto& c : cases) {
        events.Clear();
        int calls = clock.SetAdjustmentCalls;
        EXPECT_EQ(engine.SetDrift(c.on, c.nanoseconds), c.result) << c.on << " " << c.nanoseconds;
        EXPECT_EQ(clock.SetAdjustmentCalls - calls, c.result) << c.nanoseconds;
        std::vector<std::string> refused;
        if (!c.result) refused.push_back("DriftRefused " + std::to_string(c.nanoseconds) + "|78125");
        EXPECT_EQ(events.Calls(), refused);
    }
    EXPECT_EQ(clock.Adjustment, 156250u);  // the last case: off
}

TEST_F(Drift, NothingWithoutPlatformSupport)
{
    FAKECLOCK bare;
    bare.RemoveAdjustment();
    APPENGINE without(settings, bare, events);
    EXPECT_FALSE(without.DriftSupported());
    EXPECT_EQ(without.SetDrift(1, 4340), 0);
    EXPECT_EQ(without.SetDrift(0, 0), 0);
    EXPECT_EQ(bare.SetAdjustmentCalls, 0);
    DRIFTTEXTS texts = APPENGINE::CalculateDrift(1, 1, 0, bare);
    EXPECT_EQ(std::string(texts.Increment.Text()) + "|" + texts.Adjustment.Text(), "N/A|N/A");
    clock.Increment = 0;  // a platform answering nonsense
    texts = APPENGINE::CalculateDrift(1, 1, 0, clock);
    EXPECT_EQ(std::string(texts.Increment.Text()) + "|" + texts.Adjustment.Text(), "N/A|N/A");
}

TEST_F(Drift, CalculatorTexts)
{
    struct {
        int seconds, hours, fast;
        const char* adjustment;
    } cases[] = {
        {1, 1, 0, "4340"},    // 1e9 ns over 230400 ticks of 15.625 ms
        {1, 1, 1, "-4340"},   // a fast clock needs shorter ticks
        {10, 24, 0, "1808"},  // 1e10 / 5529600, truncated
        {0, 5, 0, "0"},       {9999, 1, 0, "43398437"},
        {1, 0, 0, "N/A"},     // outside the dialog's ranges: no division by zero
        {1, 49, 0, "N/A"},    {-1, 1, 0, "N/A"}, {10000, 1, 0, "N/A"},
    };
    for (const auto& c : cases) {
        DRIFTTEXTS texts = APPENGINE::CalculateDrift(c.seconds, c.hours, c.fast, clock);
        EXPECT_STREQ(texts.Increment.Text(), "15625000");
        EXPECT_STREQ(texts.Adjustment.Text(), c.adjustment) << c.seconds << " s in " << c.hours << " h";
    }
    Put("TimeDriftCalc1", "10");
    Put("TimeDriftCalc2", "24");
    Put("TimeDriftCalc3", "1");
    EXPECT_STREQ(engine.CalculateDrift().Adjustment.Text(), "-1808");
}
