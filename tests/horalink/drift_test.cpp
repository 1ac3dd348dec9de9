// Drift correction: the clock-tick adjustment set from the increment and the
// nanoseconds per tick, switched off again, refused without platform support or
// beyond the tick itself; and the drift calculator's two texts.
#include "enginetest.h"

#include "reports.h"

#include <gtest/gtest.h>

using Drift = ENGINETEST;

TEST_F(Drift, OnAddsHundredthsOfTheNanosecondsToTheIncrement)
{
    ASSERT_TRUE(engine.DriftSupported());
    clock.Increment = 156250;
    clock.Adjustment = 156250;
    EXPECT_EQ(engine.SetDrift(1, 4340), 1);
    EXPECT_EQ(clock.Adjustment, 156293u);
    EXPECT_EQ(clock.AdjustmentDisabled, FALSE);

    EXPECT_EQ(engine.SetDrift(1, -100050), 1);  // truncated toward zero: -1000 units
    EXPECT_EQ(clock.Adjustment, 155250u);

    EXPECT_EQ(engine.SetDrift(0, 4340), 1);  // off: the increment, the platform regulates
    EXPECT_EQ(clock.Adjustment, 156250u);
    EXPECT_EQ(clock.AdjustmentDisabled, TRUE);
    EXPECT_EQ(clock.SetAdjustmentCalls, 3);
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
}

TEST_F(Drift, ACorrectionBeyondTheTickIsRefused)
{
    REPORTS reports;
    clock.Increment = 156250;
    EXPECT_EQ(engine.SetDrift(1, -15625000), 0);  // the whole tick
    EXPECT_TRUE(reports.Were(1, nullptr, "TimeDriftAdjustment out of range"));
    EXPECT_EQ(clock.SetAdjustmentCalls, 0);
    EXPECT_EQ(engine.SetDrift(1, -15624900), 1);  // one unit left
    EXPECT_EQ(clock.Adjustment, 1u);
}

TEST_F(Drift, CalculatorTexts)
{
    clock.Increment = 156250;  // 15.625 ms
    struct {
        int seconds, hours, fast;
        const char* adjustment;
    } cases[] = {
        {1, 1, 0, "4340"},    // 1e9 ns over 230400 ticks
        {1, 1, 1, "-4340"},   // a fast clock needs shorter ticks
        {10, 24, 0, "1808"},  // 1e10 / 5529600, truncated
        {10, 24, 1, "-1808"},
        {0, 5, 0, "0"},
        {9999, 1, 0, "43398437"},
        {1, 0, 0, "N/A"},  // outside the dialog's ranges: no division by zero
        {1, 49, 0, "N/A"},
        {-1, 1, 0, "N/A"},
        {10000, 1, 0, "N/A"},
    };
    for (const auto& c : cases) {
        DRIFTTEXTS texts = APPENGINE::CalculateDrift(c.seconds, c.hours, c.fast, clock);
        EXPECT_STREQ(texts.Increment.Text(), "15625000");
        EXPECT_STREQ(texts.Adjustment.Text(), c.adjustment) << c.seconds << " s in " << c.hours << " h";
    }

    Put("TimeDriftCalc1", "10");
    Put("TimeDriftCalc2", "24");
    Put("TimeDriftCalc3", "1");
    DRIFTTEXTS fromsettings = engine.CalculateDrift();
    EXPECT_STREQ(fromsettings.Adjustment.Text(), "-1808");
}

TEST_F(Drift, CalculatorWithoutClockTickValues)
{
    FAKECLOCK bare;
    bare.RemoveAdjustment();
    DRIFTTEXTS texts = APPENGINE::CalculateDrift(1, 1, 0, bare);
    EXPECT_STREQ(texts.Increment.Text(), "N/A");
    EXPECT_STREQ(texts.Adjustment.Text(), "N/A");
    bare = FAKECLOCK();
    bare.Increment = 0;  // a platform answering nonsense
    texts = APPENGINE::CalculateDrift(1, 1, 0, bare);
    EXPECT_STREQ(texts.Increment.Text(), "N/A");
    EXPECT_STREQ(texts.Adjustment.Text(), "N/A");
}
