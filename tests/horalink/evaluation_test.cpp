// Judging a try: difference texts, quality levels at their limits, the extra
// adjustment, the result record after success and failure, and what a level-2
// result leads to (attention, question, automatic setting, sound and alarm).
#include "enginetest.h"

#include "horalinkres.h"
#include "logcapture.h"
#include "osys.h"
#include "reports.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

class Evaluation : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        Put("TimeNetVariance", "500");
        Put("TimeMaxDiff", "2000");
        Put("ClockColor0", "14474460");
        Put("ClockColor1", "9737364");
        Put("ClockColor2", "8421631");
        Put("NotifyDoMsgbox", "0");
        Put("ProAutoTime", "0");
    }
    static std::string Diff(long long ms, int granularity = 0)
    {
        return APPENGINE::FormatDiff(ms, granularity).Text();
    }
    // An offset of ms milliseconds (negative: the PC is ahead).
    static NTPTIME Offset(long long ms)
    {
        long long amount = ms < 0 ? -ms : ms;
        NTPTIME t(static_cast<uint32_t>(amount / 1000), NTPTIME::MsToFraction(static_cast<unsigned>(amount % 1000)));
        return ms < 0 ? t.Negate() : t;
    }
    std::string Judge(long long ms)
    {
        STRING text;
        engine.HandleNewResult(text, Offset(ms));
        return text.Text();
    }
};

TEST_F(Evaluation, DifferenceTexts)
{
    const std::string s = Unit(0), min = Unit(2), h = Unit(4), ms = Unit(8);
    EXPECT_EQ(s, "s");  // the English list: entries 0, 2, 4 and 8
    EXPECT_EQ(Diff(0), "0 " + ms);
    EXPECT_EQ(Diff(7), "7 " + ms);
    EXPECT_EQ(Diff(10), "10 " + ms);
    EXPECT_EQ(Diff(11), "0.01 " + s);
    EXPECT_EQ(Diff(45), "0.04 " + s);
    EXPECT_EQ(Diff(1500), "1.5 " + s);
    EXPECT_EQ(Diff(59999), "59.9 " + s);
    EXPECT_EQ(Diff(61500), "1 " + min + ", 1.5 " + s);
    EXPECT_EQ(Diff(3599999), "59 " + min + ", 59.9 " + s);
    EXPECT_EQ(Diff(3723000), "1 " + h + ", 2 " + min);
    // Granularity 1000: whole seconds only.
    EXPECT_EQ(Diff(45, 1000), "0 " + s);
    EXPECT_EQ(Diff(1500, 1000), "1 " + s);
    EXPECT_EQ(Diff(61500, 1000), "1 " + min + ", 1 " + s);
    EXPECT_EQ(Diff(3723000, 1000), "1 " + h + ", 2 " + min);
    // Granularity 60000 shows minutes even below one.
    EXPECT_EQ(Diff(1500, 60000), "0 " + min + ", 1 " + s);
}

TEST_F(Evaluation, SignTellsWhereThePcStands)
{
    EXPECT_EQ(Judge(1500), "-1.5 " + Unit(0));  // behind the server
    EXPECT_EQ(Get("TimeLastValueMs"), "1500");
    EXPECT_EQ(Get("TimeLastDiffNice"), "-1.5 " + Unit(0));
    EXPECT_EQ(Judge(-250), "+0.25 " + Unit(0));  // ahead
    EXPECT_EQ(Get("TimeLastValueMs"), "250");
    EXPECT_EQ(Judge(0), "+0 " + Unit(8));  // exactly right
}

TEST_F(Evaluation, LevelsAtTheirLimits)
{
    struct {
        long long ms;
        int level;
    } cases[] = {{499, 0}, {500, 1}, {1999, 1}, {2000, 2}, {-499, 0}, {-2000, 2}};
    STRING names = OSYS::GetStringFromResource(IDS_QUALITYNAMES);
    const char* colours[] = {"14474460", "9737364", "8421631"};
    for (const auto& c : cases) {
        events.Clear();
        Judge(c.ms);
        EXPECT_EQ(Get("TimeLastQuality"), std::to_string(c.level)) << c.ms;
        std::string status = Text(IDS_STATUSQUALITY);
        status.replace(status.find("%s"), 2, names.Field(c.level, "|").Text());
        EXPECT_EQ(Get("TimeLastStatus"), status) << c.ms;
        EXPECT_EQ(Get("TimeLastStatus2"), Text(c.level == 2 ? IDS_STATUSMUSTADJUST : IDS_STATUSNOADJUST));
        EXPECT_EQ(events.Calls("DockColour"), std::vector<std::string>{std::string("DockColour ") + colours[c.level]});
    }
    // Compared as 64-bit numbers: limits beyond 32 bits still hold.
    EXPECT_EQ(APPENGINE::QualityLevel(5000000000LL, 5000000001LL, 6000000000LL), 0);
    EXPECT_EQ(APPENGINE::QualityLevel(5000000001LL, 5000000001LL, 6000000000LL), 1);
}

TEST_F(Evaluation, MonthsOffAreNotMistakenForRight)
{
    // 60 days: seconds × 1000 overflows 32 bits; the level and text must not wrap.
    Judge(60LL * 86400 * 1000);
    EXPECT_EQ(Get("TimeLastValueMs"), "5184000000");
    EXPECT_EQ(Get("TimeLastQuality"), "2");
    EXPECT_EQ(Get("TimeLastDiffNice"), "-1440 " + Unit(4) + ", 0 " + Unit(2));
}

TEST_F(Evaluation, ExtraAdjustmentInWholeHoursCutTo16Bits)
{
    struct {
        const char* setting;
        long seconds;
        const char* result;  // of an offset of +1.5 s
    } cases[] = {{"0", 0, "00000001.80000000"},
                 {"-1", -3600, "fffff1f1.80000000"},  // 1.5 - 3600 = -3598.5 s
                 {"65537", 3600, "00000e11.80000000"},
                 {"1", 3600, "00000e11.80000000"},
                 {"-32768", -117964800, "f8f80001.80000000"}};
    for (const auto& c : cases) {
        Put("TimeExtraAdjustment", c.setting);
        EXPECT_EQ(engine.ExtraAdjustmentSeconds(), c.seconds) << c.setting;
        NTPTIME offset(1, 0x80000000u);
        engine.ExtraAdjustment(offset, engine.ExtraAdjustmentSeconds());
        EXPECT_STREQ(offset.Text().Text(), c.result) << c.setting;
    }
}

TEST_F(Evaluation, StoreResultAfterSuccess)
{
    Put("TimeErrCount", "3");
    Put("TimeLastQuality", "2");
    STRING output("+OK 127.0.0.1");
    EXPECT_EQ(engine.StoreResult(1, output, NTPTIME(1, 0x80000000u)), 1);
    EXPECT_STREQ(output.Text(), "127.0.0.1");
    EXPECT_EQ(Values({"TimeLastValue", "TimeLastTimeDelta", "TimeLastOK", "TimeErrCount",
                      "TimeLastQuality", "TimeLastValueMs", "TimeLastDiffNice"}),
              "+OK 127.0.0.1|00000001.80000000|1 OK|0|0|0|-");
}

TEST_F(Evaluation, StoreResultAfterFailure)
{
    Put("TimeErrCount", "3");
    Put("TimeLastValueMs", "1500");
    STRING output("-ERR No response from server");
    // The offset of a failed try carries only the extra adjustment; it is not kept, so
    // adjust-now cannot move the clock by hours on no measurement.
    EXPECT_EQ(engine.StoreResult(0, output, NTPTIME(3600, 0)), 0);
    EXPECT_STREQ(output.Text(), "No response from server");
    EXPECT_EQ(Values({"TimeLastValue", "TimeLastTimeDelta", "TimeLastOK", "TimeErrCount",
                      "TimeLastValueMs", "TimeLastDiffNice"}),
              "-ERR No response from server|00000000.00000000|0 No response from server|4|0|-");

    output = "-ERR ";  // no error text left: the language library's
    EXPECT_EQ(engine.StoreResult(0, output, NTPTIME()), 0);
    EXPECT_EQ(std::string(output.Text()), Text(IDS_UNKNOWNERROR));
    EXPECT_EQ(Get("TimeLastOK"), "0 " + Text(IDS_UNKNOWNERROR));
    EXPECT_EQ(Get("TimeErrCount"), "5");

    output = "+ERR Timeout";  // the LAN client's time-out keeps its text
    EXPECT_EQ(engine.StoreResult(0, output, NTPTIME()), 0);
    EXPECT_EQ(Get("TimeLastOK"), "0 +ERR Timeout");

    output = "-ERR x";  // a success flag without "+OK " is no success
    EXPECT_EQ(engine.StoreResult(1, output, NTPTIME(1, 0)), 0);
    EXPECT_EQ(Get("TimeErrCount"), "7");
    EXPECT_EQ(Get("TimeLastTimeDelta"), "00000000.00000000");
}

TEST_F(Evaluation, LevelTwoWithoutAutoTimeOrQuestionOnlyDrawsAttention)
{
    LOGCAPTURE log;
    Judge(2500);
    EXPECT_FALSE(engine.IsAdjustPending());
    EXPECT_TRUE(engine.IsAttentionOn());
    EXPECT_TRUE(events.Has("StartTimer 6 666"));
    EXPECT_FALSE(events.Has("AskYesNo"));
    EXPECT_EQ(clock.SetUtcCalls, 0);
    EXPECT_TRUE(events.Has("AgentEvent OnNeedClockAdjust"));
    EXPECT_THAT(log.Text(), HasSubstr("APP::OnNeedClockAdjust() quality=2\r\n"));
}

// The question carries the signed difference; Yes asks for the clock to be set.
TEST_F(Evaluation, YesSetsTheClock)
{
    Put("NotifyDoMsgbox", "1");
    std::string question = Text(IDS_ASKADJUST);
    question.replace(question.find("%s"), 2, "-1 " + Unit(2) + ", 0.0 " + Unit(0));
    events.AnswerYes(true);
    Judge(60000);
    EXPECT_EQ(events.Calls("AskYesNo"),
              std::vector<std::string>{"AskYesNo " + Text(IDS_MSGTITLE) + "|" + question});
    EXPECT_TRUE(engine.IsAdjustPending());
    EXPECT_FALSE(engine.IsAttentionOn());
    EXPECT_FALSE(events.Has("StartTimer 6"));
}

TEST_F(Evaluation, NoLeavesTheClockAndDrawsAttention)
{
    Put("NotifyDoMsgbox", "1");
    events.AnswerYes(false);
    Judge(-2000);
    std::vector<std::string> asked = events.Calls("AskYesNo");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_THAT(asked[0], HasSubstr("+2.0 " + Unit(0)));  // the PC is ahead
    EXPECT_FALSE(engine.IsAdjustPending());
    EXPECT_TRUE(engine.IsAttentionOn());
    EXPECT_TRUE(events.Has("StartTimer 6 666"));
}

TEST_F(Evaluation, AutoTimeSetsTheClockWithoutAsking)
{
    Put("ProAutoTime", "1");
    Put("NotifyDoMsgbox", "1");
    Judge(5000);
    EXPECT_TRUE(engine.IsAdjustPending());
    EXPECT_FALSE(events.Has("AskYesNo"));
    EXPECT_FALSE(engine.IsAttentionOn());
}

TEST_F(Evaluation, GoodLevelsNeitherAskNorSound)
{
    Put("NotifyDoMsgbox", "1");
    Put("NotifyDoSound", "1");
    Put("ProAutoTime", "1");
    Judge(1999);
    EXPECT_TRUE(events.Has("AgentEvent OnGoodMatch"));
    EXPECT_FALSE(events.Has("AskYesNo"));
    EXPECT_FALSE(events.Has("PlayWave"));
    EXPECT_FALSE(engine.IsAdjustPending());
    EXPECT_FALSE(engine.IsAttentionOn());
}

TEST_F(Evaluation, SoundAndRepeatingAlarm)
{
    Put("NotifyDoSound", "1");
    Put("NotifySoundFile", "jingling.wav");
    Put("NotifyDoSoundLoop", "0");
    Judge(3000);
    EXPECT_EQ(events.Calls("PlayWave"), std::vector<std::string>{"PlayWave jingling.wav"});
    EXPECT_FALSE(events.Has("StartTimer 5"));
    EXPECT_STREQ(engine.GetAlarmSound().Text(), "");

    events.Clear();
    Put("NotifyDoSoundLoop", "1");
    Put("NotifySoundLoopRep", "60");
    Judge(3000);
    EXPECT_TRUE(events.Has("StartTimer 5 60000"));
    EXPECT_TRUE(events.Has("RefreshMenus"));
    EXPECT_STREQ(engine.GetAlarmSound().Text(), "jingling.wav");

    // A good result at the end of the next update stops the alarm.
    events.Clear();
    Put("TimeLastQuality", "1");
    engine.AfterCheck(1);
    EXPECT_TRUE(events.Has("StopTimer 5"));
    EXPECT_STREQ(engine.GetAlarmSound().Text(), "");
    events.Clear();
    engine.StopAlarm();  // nothing left to stop
    EXPECT_FALSE(events.Has("StopTimer 5"));

    // A repeat outside the dialog's range cannot make the sound play without pause.
    events.Clear();
    Put("NotifySoundLoopRep", "0");
    Judge(3000);
    EXPECT_TRUE(events.Has("StartTimer 5 1000"));
}
