// What APP shows of the last result outside its window: the tray icon with its
// tool tip and attention blinking, the tray icon's menu, and the window title.
#include "app.h"

#include "appmessages.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "settingkeys.h"
#include "version.h"

#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------- tray icon

STRING APP::TrayTooltipText()
{
    STRING tip = OSYS::GetStringFromResource(IDS_TRAYTIP);
    tip += ": ";
    tip += Engine.GetSetting(KEY::TimeLastStatus);
    return tip;
}

int APP::TrayIconNumber(bool attentionphase, bool suspended, const STRING& lastok, int errcount)
{
    if (attentionphase) return 3;
    if (suspended) return 1;
    if (atoi(lastok.Text()) == 0 && errcount >= 2) return 2;
    return 0;
}

// Sets icon and tool tip of now, creating the tray icon the first time. A change is
// logged; the blinking's changes (every 666 ms) only at level 4.
void APP::DrawTrayIcon(bool blinking)
{
    if (Ending) return;
    STRING tip = TrayTooltipText();
    int id = IDI_TRAYNORMAL + TrayIconNumber(Attention && AttentionPhase, Engine.IsSuspended(),
                                             Engine.GetSetting(KEY::TimeLastOK),
                                             Engine.GetSettingInt(KEY::TimeErrCount));
    AppMutex.Obtain();
    bool changed = !TrayIcon || id != TrayIconId || strcmp(tip.Text(), TrayTooltip.Text()) != 0;
    TrayTooltip = tip;
    TrayIconId = id;
    TrayCalls++;
    if (!TrayIcon) TrayIcon.reset(new TASKBARICON(hWnd, id, tip));
    TrayIcon->SetIcon(id);
    TrayIcon->SetTooltip(tip);
    TrayCalls--;
    if (TrayRemovePending && TrayCalls == 0) RemoveTrayIcon();
    AppMutex.Release();
    if (changed) LogitLevel(blinking ? 4 : 0, "APP::DrawTrayIcon icon=%d tip=%s\n", id, tip.Text());
}

// The shell calls of the tray icon let messages that other threads send in (the end of
// the session among them, which removes the icon): under such a call the removal waits
// until the call is done. Under the APP mutex.
void APP::RemoveTrayIcon()
{
    AppMutex.Obtain();
    TrayRemovePending = TrayCalls > 0;
    if (!TrayRemovePending) TrayIcon.reset();
    AppMutex.Release();
}

// The tray icon's refresh after an update, an adjustment, a suspend, a minimise and a
// shell restart, and the one rule of attention: it blinks while the clock is known to
// be wrong (TimeLastQuality 2) and no adjustment is about to set it.
void APP::UpdateTrayIcon()
{
    bool wrong = Engine.GetSettingInt(KEY::TimeLastQuality) == QUALITY_WRONG && !Engine.IsAdjustPending();
    if (wrong && !Attention)
        StartAttention();
    else if (!wrong && Attention)
        StopAttention();
    DrawTrayIcon();
}

void APP::StartAttention()
{
    Attention = true;
    SetTimer(hWnd, TIMER_ATTENTION, ATTENTION_PERIOD_MS, nullptr);
}

void APP::StopAttention()
{
    KillTimer(hWnd, TIMER_ATTENTION);
    Attention = false;
    AttentionPhase = false;
}

// Every command and every click on the tray icon stop the blinking; the next refresh
// starts it again while the clock is still wrong.
void APP::StopAttentionBlinking()
{
    if (!Attention) return;
    StopAttention();
    DrawTrayIcon();
}

int APP::GetTrayIconId()
{
    AppMutex.Obtain();
    int id = TrayIcon ? TrayIconId : 0;
    AppMutex.Release();
    return id;
}

STRING APP::GetTrayTooltip()
{
    AppMutex.Obtain();
    STRING tip = TrayIcon ? TrayTooltip : STRING("");
    AppMutex.Release();
    return tip;
}

// The tray icon's menu (also the status list's, without its first item) with the states
// of now, at the cursor.
void APP::ShowTrayMenu()
{
    MENU menu(IDR_TRAYMENU);
    if (!menu.GetHandle()) return;
    ApplyMenuStates(menu, true);
    menu.TrackPopupMenu(hWnd, MENU_RIGHTBUTTON, nullptr, 0);
}

// ---------------------------------------------------------------- title

STRING APP::TitleText()
{
    STRING title = OSYS::GetStringFromResource(IDS_MSGTITLE);
    int mode = Engine.GetSettingInt(KEY::Mode);
    if (mode != 0)
        title += OSYS::GetStringFromResource(IDS_MODENAMES).Field(mode, "|", STRINGFIELD_EMPTYIFMISSING);
    if (!NoVersion) {
        title += " V";
        title += HORALINK_VERSION;
    }
    if (Engine.IsSuspended()) {
        title += " ";
        title += OSYS::GetStringFromResource(IDS_SUSPENDED);
    }
    return title;
}

void APP::UpdateTitle()
{
    STRING title = TitleText();
    SetText(title);
}
