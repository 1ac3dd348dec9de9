// Judging one server try: the difference text, the quality level, the extra
// adjustment, the result record in the status keys, and the decision whether the
// clock is set (with the alarm and the question that lead to it).
#include "appengine.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "settingkeys.h"

#include <cstdint>
#include <cstring>

// Entries of the unit list IDS_DIFFUNITS.
const int UNIT_SECONDS = 0;
const int UNIT_MINUTES = 2;
const int UNIT_HOURS = 4;
const int UNIT_MILLISECONDS = 8;

const char OK_PREFIX[] = "+OK ";
const char ERR_PREFIX[] = "-ERR ";

static bool begins_with(const STRING& text, const char* prefix)
{
    return strncmp(text.Text(), prefix, strlen(prefix)) == 0;
}

STRING APPENGINE::FormatDiff(long long t, int granularity)
{
    if (!ASSERTINFO(t >= 0, "APP::FormatDiff")) t = 0;
    STRING units = OSYS::GetStringFromResource(IDS_DIFFUNITS);
    STRING seconds = units.Field(UNIT_SECONDS, "|");
    STRING minutes = units.Field(UNIT_MINUTES, "|");
    STRING hours = units.Field(UNIT_HOURS, "|");
    STRING milliseconds = units.Field(UNIT_MILLISECONDS, "|");

    long long s = t / 1000;
    int h = static_cast<int>(s / 3600);
    int m = static_cast<int>(s / 60 % 60);
    int sec = static_cast<int>(s % 60);
    int ms = static_cast<int>(t % 1000);
    int d = ms / 100;
    bool whole = granularity >= 1000;

    STRING text;
    if (s >= 3600) {
        text.Format("%d %s, %d %s", h, hours.Text(), m, minutes.Text());
    } else if (s >= 60 || granularity >= 60000) {
        if (whole)
            text.Format("%d %s, %d %s", m, minutes.Text(), sec, seconds.Text());
        else
            text.Format("%d %s, %d.%1d %s", m, minutes.Text(), sec, d, seconds.Text());
    } else if (s >= 1) {
        if (whole)
            text.Format("%d %s", sec, seconds.Text());
        else
            text.Format("%d.%d %s", sec, d, seconds.Text());
    } else if (whole) {
        text.Format("%d %s", 0, seconds.Text());
    } else if (ms > 10) {
        text.Format("0.%02d %s", ms / 10, seconds.Text());
    } else {
        text.Format("%d %s", ms, milliseconds.Text());
    }
    return text;
}

int APPENGINE::QualityLevel(long long ms, long long variance, long long maxdiff)
{
    if (ms < variance) return QUALITY_RIGHT;
    if (ms < maxdiff) return QUALITY_CLOSE;
    return QUALITY_WRONG;
}

long APPENGINE::ExtraAdjustmentSeconds()
{
    return static_cast<int16_t>(GetSettingInt(KEY::TimeExtraAdjustment)) * 3600L;
}

void APPENGINE::ExtraAdjustment(NTPTIME& offset, long seconds)
{
    NTPTIME amount(static_cast<uint32_t>(seconds < 0 ? -seconds : seconds), 0);
    offset = seconds < 1 ? offset - amount : offset + amount;
    Logit("APP::UpdateItem after ExtraAdjustment\n");
}

int APPENGINE::StoreResult(int ok, STRING& output, const NTPTIME& offset)
{
    Logit("APP::StoreResult ok= %d, output= %s\n", ok, output.Text());
    bool good = ok && begins_with(output, OK_PREFIX);
    PutSetting(KEY::TimeLastValue, output);
    // A failed try measured nothing: keeping the extra adjustment as its offset would
    // let the adjust-now command move the clock by whole hours on no evidence.
    PutSetting(KEY::TimeLastTimeDelta, good ? offset.Text() : STRING(ZERO_TIME_DELTA));
    // When it was measured, by the clock and by the tick count: adjust-now applies it
    // only while it is fresh and the clock has not been changed since.
    PutSetting(KEY::TimeLastDeltaUtc, STRING(good ? NowSeconds() : 0ul));
    PutSetting(KEY::TimeLastDeltaTick, STRING(good ? static_cast<long long>(Clock.GetTicks()) : 0ll));
    PutSetting(KEY::TimeLastQuality, "0");
    PutSetting(KEY::TimeLastValueMs, "0");
    PutSetting(KEY::TimeLastDiffNice, "-");

    if (good) {
        output.CutLeft(static_cast<int>(strlen(OK_PREFIX)));
        PutSetting(KEY::TimeLastOK, "1 OK");
        PutSetting(KEY::TimeErrCount, "0");
        Logit("APP::StoreResult returns 1\n");
        return 1;
    }
    if (begins_with(output, ERR_PREFIX)) output.CutLeft(static_cast<int>(strlen(ERR_PREFIX)));
    if (output.Length() == 0) output = ResourceText(IDS_UNKNOWNERROR);
    PutSetting(KEY::TimeLastOK, STRING("0 ") + output.Text());
    PutSetting(KEY::TimeErrCount, STRING(GetSettingInt(KEY::TimeErrCount) + 1));
    Logit("APP::StoreResult returns 0\n");
    return 0;
}

STRING APPENGINE::HandleNewResult(STRING& text, const NTPTIME& offset)
{
    Logit("APP::HandleNewResult\n");
    long long v = offset.ToMilliseconds(false);
    long long d = offset.ToMilliseconds(true);
    // The sign tells where the PC stands against the server: "-" behind, "+" ahead.
    text = STRING(v > 0 ? "-" : "+") + FormatDiff(d, 0).Text();

    CHECKRESULT result;
    result.Level = QualityLevel(d, GetSetting(KEY::TimeNetVariance).ToInt64(),
                                GetSetting(KEY::TimeMaxDiff).ToInt64());
    result.Ms = v;
    STRING levelname = ResourceText(IDS_QUALITYNAMES).Field(result.Level, "|");
    result.Status = ResourceText(IDS_STATUSQUALITY, levelname.Text());
    result.Status2 = ResourceText(result.Level == QUALITY_WRONG ? IDS_STATUSMUSTADJUST : IDS_STATUSNOADJUST);
    PutSetting(KEY::TimeLastQuality, STRING(result.Level));
    PutSetting(KEY::TimeLastValueMs, STRING(d));
    PutSetting(KEY::TimeLastDiffNice, text);
    PutSetting(KEY::TimeLastStatus, result.Status);
    PutSetting(KEY::TimeLastStatus2, result.Status2);

    if (AdjustAfterUpdate.exchange(0)) {
        // The user asked to adjust when the stored offset was stale: this fresh result
        // is what was asked for, so it is applied without asking again.
        Events.ResultJudged(result);
        Logit("APP::HandleNewResult applies the adjustment asked for\n");
        AdjustPending = 1;
    } else if (OnNeedClockAdjust(result)) {
        AdjustPending = 1;
    }
    Logit("APP::HandleNewResult returns %s\n", text.Text());
    return text;
}

int APPENGINE::OnNeedClockAdjust(const CHECKRESULT& result)
{
    Logit("APP::OnNeedClockAdjust() quality=%d\n", result.Level);
    Events.ResultJudged(result);
    if (result.Level != QUALITY_WRONG) return 0;

    if (GetSettingInt(KEY::NotifyDoSound)) {
        // The dialog allows 1..3600 s; anything else would replay the sound without pause.
        int repeat = 0;
        if (GetSettingInt(KEY::NotifyDoSoundLoop)) {
            repeat = GetSettingInt(KEY::NotifySoundLoopRep);
            if (repeat < 1) repeat = 1;
            if (repeat > 3600) repeat = 3600;
        }
        Events.AlarmWanted(GetSetting(KEY::NotifySoundFile), repeat);
    }

    int adjust = GetSettingInt(KEY::ProAutoTime) != 0 ? 1 : 0;
    if (!adjust && GetSettingInt(KEY::NotifyDoMsgbox)) {
        long long ms = result.Ms;
        long long amount = ms < 0 ? -ms : ms;
        STRING diff = STRING(ms < 0 ? "+" : "-") + FormatDiff(amount, 0).Text();
        adjust = Events.AskYesNo(ResourceText(IDS_MSGTITLE), ResourceText(IDS_ASKADJUST, diff)) ? 1 : 0;
        Logit("APP::OnNeedClockAdjust answer %d\n", adjust);
    }
    return adjust;
}
