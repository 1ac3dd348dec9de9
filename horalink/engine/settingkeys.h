// The keys of horalink.cfg: one table with every key, its default and the order in
// which the defaults are applied. Code names a key as KEY::Name, so a misspelt key is
// a compile error; the text of each name is the key's spelling in the file.
#pragma once

// X(name, kind, text, resource): kind says where the default comes from (see
// DEFAULTKIND in settings.cpp), text is the literal default, resource a text of the
// language library (expanded only where the defaults are applied).
#define HORALINK_SETTING_KEYS(X) \
    X(Version, TEXT, "0.00", 0) \
    X(Mode, TEXT, "1", 0) \
    X(ConnectionType, TEXT, "-1", 0) \
    X(ConnectionDunAny, TEXT, "0", 0) \
    X(ConnectionEntryToMonitor, TEXT, "", 0) \
    X(LastSortColumn, TEXT, "0", 0) \
    X(LastSortOrder, TEXT, "0", 0) \
    X(DlgHideToolbar, TEXT, "0", 0) \
    X(DlgHideMenu, TEXT, "0", 0) \
    X(DlgCloseMinimize, TEXT, "0", 0) \
    X(DlgStartMinimized, TEXT, "0", 0) \
    X(DlgAutoRun, TEXT, "0", 0) \
    X(DlgDblClickMode, TEXT, "0", 0) \
    X(DlgShiftClickMode, TEXT, "1", 0) \
    X(NotifyDoMsgbox, TEXT, "1", 0) \
    X(NotifyDoSound, TEXT, "1", 0) \
    X(NotifyDoSoundLoop, TEXT, "0", 0) \
    X(NotifySoundLoopRep, TEXT, "60", 0) \
    X(NotifySoundFile, TEXT, "jingling.wav", 0) \
    X(ClockFont, CLOCKFONT, nullptr, 0) \
    X(ClockDocked, TEXT, "1", 0) \
    X(ClockTopmost, TEXT, "0", 0) \
    X(ClockTenths, TEXT, "1", 0) \
    X(ClockDateLong, TEXT, "0", 0) \
    X(ClockAnimation, TEXT, "1", 0) \
    X(ClockColor0, TEXT, "14474460", 0) \
    X(ClockColor1, TEXT, "9737364", 0) \
    X(ClockColor2, TEXT, "8421631", 0) \
    X(ClockColorBG, TEXT, "1052688", 0) \
    X(ClockTransparency, TEXT, "255", 0) \
    X(ClockDoTransparency, TEXT, "0", 0) \
    X(ListviewColorBG, TEXT, "1052688", 0) \
    X(TimeServer, TEXT, "", 0) \
    X(TimeDoServer2, TEXT, "", 0) \
    X(TimeServer2, TEXT, "", 0) \
    X(TimeCustomServer, TEXT, "", 0) \
    X(TimeCustomAltServer, TEXT, "", 0) \
    X(TimeDoCustomServer, TEXT, "0", 0) \
    X(TimeDoCustomAltServer, TEXT, "0", 0) \
    X(TimeCheckOnce, TEXT, "0", 0) \
    X(TimeCyclic, TEXT, "1", 0) \
    X(TimeLastRefresh, HALFDAYAGO, nullptr, 0) \
    X(TimeLastRefreshString, TEXT, "never", 0) \
    X(TimeNextRefresh, NOW, nullptr, 0) \
    X(TimeLastValue, TEXT, "0.000", 0) \
    X(TimeLastValueMs, TEXT, "0", 0) \
    X(TimeLastOK, TEXT, "0", 0) \
    X(TimeErrCount, TEXT, "0", 0) \
    X(TimeExtraAdjustment, TEXT, "0", 0) \
    X(TimeLastDiffNice, TEXT, "-", 0) \
    X(TimeLastDateTime, TEXT, "", 0) \
    X(TimeLastStatus, TEXT, "", 0) \
    X(TimeLastStatus2, TEXT, "", 0) \
    X(TimeLastQuality, TEXT, "0", 0) \
    X(TimeLastTimeDelta, TEXT, "00000000 00000000", 0) \
    X(TimeLastDeltaUtc, TEXT, "0", 0) \
    X(TimeLastDeltaTick, TEXT, "0", 0) \
    X(TimeDriftDoAdjust, TEXT, "0", 0) \
    X(TimeDriftAdjustment, TEXT, "0", 0) \
    X(TimeDriftCalc1, TEXT, "0", 0) \
    X(TimeDriftCalc2, TEXT, "1", 0) \
    X(TimeDriftCalc3, TEXT, "0", 0) \
    X(LastTimeServer, TEXT, "", 0) \
    X(DlgTaskbar, TEXT, "0", 0) \
    X(ProAutoTime, TEXT, "0", 0) \
    X(TimeMaxAdjust, TEXT, "2", 0) \
    X(TimeDoMaxAdjust, TEXT, "0", 0) \
    X(TimeNetVariance, TEXT, "50", 0) \
    X(TimeMaxDiff, TEXT, "1000", 0) \
    X(LanDoServer, TEXT, "0", 0) \
    X(LanBrodcastNew, TEXT, "0", 0) \
    X(LanBrodcastCyclic, TEXT, "0", 0) \
    X(LanBrodcastCyclicHours, TEXT, "4", 0) \
    X(LanLastBrodcast, NOW, nullptr, 0) \
    X(LanSntpServer, TEXT, "0", 0) \
    X(AgentSupportActive, TEXT, "0", 0) \
    X(AgentMuteText, TEXT, "0", 0) \
    X(AgentTextCorrect, RESOURCE, nullptr, IDS_AGENTCORRECT) \
    X(AgentTextNotCorrect, RESOURCE, nullptr, IDS_AGENTNOTCORRECT) \
    X(AgentTextAdjusted, RESOURCE, nullptr, IDS_AGENTADJUSTED) \
    X(AgentShortAnim, TEXT, "0", 0)

namespace KEY {
#define HORALINK_KEY_NAME(name, kind, text, resource) constexpr char name[] = #name;
HORALINK_SETTING_KEYS(HORALINK_KEY_NAME)
#undef HORALINK_KEY_NAME
// Keys without a default of the table: the assistant writes its character's place
// itself when it first needs one.
constexpr char AgentPosX[] = "AgentPosX";
constexpr char AgentPosY[] = "AgentPosY";
}  // namespace KEY
