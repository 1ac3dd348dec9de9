// Judging a try: difference texts, quality levels at their limits, the extra
// adjustment, the result record after success and failure, and what a level-2
// result leads to (attention, question, automatic setting, sound and alarm).
#include "enginetest.h"

#include "horalinkres.h"
#include "logcapture.h"

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
    // Judges an offset of ms milliseconds (negative: the PC is ahead).
    std::string Judge(long long ms) { return Judge(engine, ms); }
    static std::string Judge(APPENGINE& judge, long long ms)
    {
        long long amount = ms < 0 ? -ms : ms;
        NTPTIME t(static_cast<uint32_t>(amount / 1000),
                  NTPTIME::MsToFraction(static_cast<unsigned>(amount % 1000)));
        STRING text;
        judge.HandleNewResult(text, ms < 0 ? t.Negate() : t);
        return text.Text();
    }
};

TEST_F(Evaluation, DifferenceTexts)
{
    struct {
        long long ms;
        int granularity;
        const char* text;
    } cases[] = {{0, 0, "0 ms"},           {7, 0, "7 ms"},
                 {10, 0, "10 ms"},         {11, 0, "0.01 s"},
                 {45, 0, "0.04 s"},        {1500, 0, "1.5 s"},
                 {59999, 0, "59.9 s"},     {61500, 0, "1 min, 1.5 s"},
                 {3599999, 0, "59 min, 59.9 s"}, {3723000, 0, "1 h, 2 min"},
                 // Granularity 1000: whole seconds only; 60000 shows minutes even below one.
                 {45, 1000, "0 s"},        {1500, 1000, "1 s"},
                 {61500, 1000, "1 min, 1 s"}, {3723000, 1000, "1 h, 2 min"},
                 {1500, 60000, "0 min, 1 s"}};
    for (const auto& c : cases)
        EXPECT_STREQ(APPENGINE::FormatDiff(c.ms, c.granularity).Text(), c.text) << c.ms;
}

// The level by the limits 500 and 2000, the signed text ("-": the PC is behind), and
// the status keys and dock colour that follow.
TEST_F(Evaluation, LevelsSignsAndStatus)
{
    struct {
        long long ms;
        const char* record;  // TimeLastQuality|TimeLastValueMs|TimeLastDiffNice
    } cases[] = {{499, "0|499|-0.49 s"},       {500, "1|500|-0.50 s"},
                 {1999, "1|1999|-1.9 s"},      {2000, "2|2000|-2.0 s"},
                 {-499, "0|499|+0.49 s"},      {-2000, "2|2000|+2.0 s"},
                 {1500, "1|1500|-1.5 s"},      {-250, "0|250|+0.25 s"},
                 {0, "0|0|+0 ms"},
                 // 60 days: seconds × 1000 is past 32 bits; nothing wraps.
                 {60LL * 86400 * 1000, "2|5184000000|-1440 h, 0 min"}};
    const char* names[] = {"exact", "close enough", "wrong"};
    for (const auto& c : cases) {
        events.Clear();
        std::string text = Judge(c.ms);
        std::string record = Values({"TimeLastQuality", "TimeLastValueMs", "TimeLastDiffNice"});
        EXPECT_EQ(record, c.record);
        EXPECT_EQ(record.substr(record.rfind('|') + 1), text);
        int level = record[0] - '0';
        EXPECT_EQ(Get("TimeLastStatus"), std::string("Clock: ") + names[level]) << c.ms;
        EXPECT_EQ(Get("TimeLastStatus2"), Text(level == 2 ? IDS_STATUSMUSTADJUST : IDS_STATUSNOADJUST));
        // The report carries the level, the signed difference and the two status texts.
        EXPECT_EQ(events.Calls("ResultJudged"),
                  std::vector<std::string>{"ResultJudged " + std::to_string(level) + "|" + std::to_string(c.ms) +
                                           "|" + Get("TimeLastStatus") + "|" + Get("TimeLastStatus2")});
    }
    // Compared as 64-bit numbers: limits beyond 32 bits still hold.
    EXPECT_EQ(APPENGINE::QualityLevel(5000000000LL, 5000000001LL, 6000000000LL), 0);
    EXPECT_EQ(APPENGINE::QualityLevel(5000000001LL, 5000000001LL, 6000000000LL), 1);
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

TEST_F(Evaluation, StoreResultAfterSuccessAndFailure)
{
    const std::initializer_list<const char*> keys = {
        "TimeLastValue", "TimeLastTimeDelta", "TimeLastOK", "TimeErrCount", "TimeLastQuality",
        "TimeLastValueMs", "TimeLastDiffNice"};
    Put("TimeErrCount", "3");
    Put("TimeLastQuality", "2");
    STRING output("+OK 127.0.0.1");
    EXPECT_EQ(engine.StoreResult(1, output, NTPTIME(1, 0x80000000u)), 1);
    EXPECT_STREQ(output.Text(), "127.0.0.1");
    EXPECT_EQ(Values(keys), "+OK 127.0.0.1|00000001.80000000|1 OK|0|0|0|-");

    // A failed try measured nothing: its offset (the extra adjustment alone) is not kept,
    // so adjust-now cannot move the clock by hours on no measurement.
    Put("TimeLastValueMs", "1500");
    output = "-ERR No response from server";
    EXPECT_EQ(engine.StoreResult(0, output, NTPTIME(3600, 0)), 0);
    EXPECT_STREQ(output.Text(), "No response from server");
    EXPECT_EQ(Values(keys), "-ERR No response from server|00000000.00000000|0 No response from server|1|0|0|-");

    output = "-ERR ";  // no error text left: the language library's
    EXPECT_EQ(engine.StoreResult(0, output, NTPTIME()), 0);
    EXPECT_EQ(Values({"TimeLastOK", "TimeErrCount"}), "0 " + Text(IDS_UNKNOWNERROR) + "|2");
    output = "+ERR Timeout";  // the LAN client's time-out keeps its text
    EXPECT_EQ(engine.StoreResult(0, output, NTPTIME()), 0);
    EXPECT_EQ(Get("TimeLastOK"), "0 +ERR Timeout");
    output = "-ERR x";  // a success flag without "+OK " is no success
    EXPECT_EQ(engine.StoreResult(1, output, NTPTIME(1, 0)), 0);
    EXPECT_EQ(Values({"TimeErrCount", "TimeLastTimeDelta"}), "4|00000000.00000000");
}

// Level 2 is set automatically or after a Yes (else the window draws attention to it);
// levels 0 and 1 do none of it.
TEST_F(Evaluation, WhatALevelTwoResultLeadsTo)
{
    struct {
        const char* autotime;
        const char* msgbox;
        bool yes;
        long long ms;
        bool asked, pending;
    } cases[] = {{"0", "0", true, 2500, false, false},
                 {"0", "1", true, 60000, true, true},
                 {"0", "1", false, -2000, true, false},
                 {"1", "1", false, 5000, false, true},
                 {"1", "1", true, 1999, false, false}};
    for (const auto& c : cases) {
        Put("ProAutoTime", c.autotime);
        Put("NotifyDoMsgbox", c.msgbox);
        events.AnswerYes(c.yes);
        events.Clear();
        APPENGINE judge(settings, clock, events);  // with its flags cleared
        LOGCAPTURE log;
        Judge(judge, c.ms);
        EXPECT_EQ(events.Has("AskYesNo"), c.asked) << c.ms;
        EXPECT_EQ(judge.IsAdjustPending(), c.pending) << c.ms;
        int level = c.ms == 1999 ? 1 : 2;
        EXPECT_TRUE(events.Has("ResultJudged " + std::to_string(level) + "|")) << c.ms;
        EXPECT_THAT(log.Text(), HasSubstr("] APP::OnNeedClockAdjust() quality=" + std::to_string(level)));
    }
    EXPECT_EQ(clock.SetUtcCalls, 0);  // judging never sets the clock itself
    // The question carries the signed difference ("+": the PC is ahead).
    std::string question = Text(IDS_ASKADJUST);
    question.replace(question.find("%s"), 2, "+2.0 s");
    Put("ProAutoTime", "0");
    events.Clear();
    Judge(-2000);
    EXPECT_EQ(events.Calls("AskYesNo"), std::vector<std::string>{"AskYesNo Horalink|" + question});
}

// The alarm is wanted only at level 2 with NotifyDoSound, repeating with NotifyDoSoundLoop
// every NotifySoundLoopRep seconds, never without pause.
TEST_F(Evaluation, SoundAndRepeatingAlarm)
{
    Put("NotifyDoSound", "1");
    Put("NotifySoundFile", "jingling.wav");
    struct {
        const char *loop, *repeat;
        long long ms;
        const char* wanted;  // the report, "" for none
    } cases[] = {{"0", "60", 3000, "AlarmWanted jingling.wav|0"},
                 {"1", "60", 3000, "AlarmWanted jingling.wav|60"},
                 {"1", "60", 1999, ""},
                 {"1", "0", -3000, "AlarmWanted jingling.wav|1"},
                 {"1", "99999", 3000, "AlarmWanted jingling.wav|3600"}};
    for (const auto& c : cases) {
        Put("NotifyDoSoundLoop", c.loop);
        Put("NotifySoundLoopRep", c.repeat);
        events.Clear();
        Judge(c.ms);
        std::vector<std::string> calls = events.Calls("AlarmWanted");
        EXPECT_EQ(calls.empty() ? "" : calls[0], c.wanted) << c.loop << "/" << c.repeat << "/" << c.ms;
    }
    Put("NotifyDoSound", "0");
    events.Clear();
    Judge(3000);
    EXPECT_FALSE(events.Has("AlarmWanted"));
}
