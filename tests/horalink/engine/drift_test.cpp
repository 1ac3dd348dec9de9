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
    EXPECT_EQ(engine.SetDrift(1, 4340), 1);
    EXPECT_EQ(clock.Adjustment, 156293u);
    EXPECT_EQ(clock.AdjustmentDisabled, FALSE);
    EXPECT_EQ(engine.SetDrift(1, -100050), 1);  // truncated toward zero: -1000 units
    EXPECT_EQ(clock.Adjustment, 155250u);
    EXPECT_EQ(engine.SetDrift(0, 4340), 1);  // off: the increment, the platform regulates
    EXPECT_EQ(clock.Adjustment, 156250u);
    EXPECT_EQ(clock.AdjustmentDisabled, TRUE);

    // A correction as large as the tick itself would stop the clock.
    REPORTS reports;
    EXPECT_EQ(engine.SetDrift(1, -15625000), 0);
    EXPECT_TRUE(reports.Were(1, nullptr, "TimeDriftAdjustment out of range"));
    EXPECT_EQ(clock.SetAdjustmentCalls, 3);
    EXPECT_EQ(engine.SetDrift(1, -15624900), 1);  // one unit left
    EXPECT_EQ(clock.Adjustment, 1u);
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
