// The main window's two views of the engine: the dock clock (floating or docked below
// the tool bar) and the status list that fills the rest. APP creates them, hands them
// the settings, lays them out and passes on what the engine reports.
#include "app.h"

#include "appmessages.h"
#include "clockfont.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "menu.h"
#include "osys.h"
#include "settingkeys.h"

#include <commctrl.h>

// The key of the digit colour of each result level.
static const char* const LEVEL_COLOUR_KEYS[] = {KEY::ClockColor0, KEY::ClockColor1, KEY::ClockColor2};

// ---------------------------------------------------------------- creation and settings

void APP::CreateViews()
{
    if (!StatusList.Create(hWnd, APP_STATUSLIST_ID)) Logit("APP::CreateViews no status list\n");
    StatusList.SetClockDocked([this] {
        CRITSECTLOCK guard(DockLock);
        return DockClock && DockClock->IsDocked();
    });
    StatusList.SetStatusLines([this](const STRING& first, const STRING& second) {
        CRITSECTLOCK guard(DockLock);
        if (DockClock) DockClock->SetHoverTexts(first, second);
    });
    std::unique_ptr<DOCKCLOCK> clock(new DOCKCLOCK(hWnd, APP_DOCKCLOCK_ID, OSYS::GetStringFromResource(IDS_HELPNAME),
                                                   RegistryName(), DOCKCLOCK_KEYPREFIX, IDR_TRAYMENU,
                                                   DOCKCLOCK_STYLEEXTRA, DOCKCLOCK_X, DOCKCLOCK_Y,
                                                   DOCKCLOCK_CX, DOCKCLOCK_CY));
    CRITSECTLOCK guard(DockLock);
    DockClock = std::move(clock);
}

// The settings of the dock clock, in the order in which each builds on the one before.
void APP::ApplyDockClock()
{
    CRITSECTLOCK guard(DockLock);
    if (!DockClock) return;
    DockClock->Dock(Engine.GetSettingInt(KEY::ClockDocked) != 0);
    LOGFONTA font;
    if (ClockFontFromValue(Engine.GetSetting(KEY::ClockFont), &font) ||
        ClockFontFromValue(DefaultClockFont(), &font))
        DockClock->SetFont(font);
    DockClock->SetTenths(Engine.GetSettingInt(KEY::ClockTenths) != 0);
    DockClock->SetLongDate(Engine.GetSettingInt(KEY::ClockDateLong) != 0);
    DockClockTopmost(Engine.GetSettingInt(KEY::ClockTopmost) != 0);
    DockClock->SetAnimation(Engine.GetSettingInt(KEY::ClockAnimation) != 0);
    DockClock->SetTextColour(LevelColour(Engine.GetSettingInt(KEY::TimeLastQuality)));
    DockClock->SetBackground(static_cast<COLORREF>(Engine.GetSetting(KEY::ClockColorBG).ToInt64()));
    bool transparent = Engine.GetSettingInt(KEY::ClockDoTransparency) != 0;
    int alpha = 255;
    if (transparent) {
        alpha = Engine.GetSettingInt(KEY::ClockTransparency);
        // 0 would make the clock vanish for good; the dialog allows 1..255.
        if (alpha < 1 || alpha > 255) alpha = 255;
    }
    DockClock->SetAlpha(alpha);
    DockClock->SetSizable(!transparent);
}

// ---------------------------------------------------------------- the dock clock

COLORREF APP::LevelColour(int level)
{
    // The level may come from the file: anything but 0, 1 or 2 shows as wrong.
    if (level < QUALITY_RIGHT || level > QUALITY_WRONG) level = QUALITY_WRONG;
    return static_cast<COLORREF>(Engine.GetSetting(LEVEL_COLOUR_KEYS[level]).ToInt64());
}

void APP::DockShowText(const char* line1, const char* line2, UINT milliseconds)
{
    {
        CRITSECTLOCK guard(DockLock);
        if (DockClock) DockClock->SetOverrides(line1, line2);
    }
    if (milliseconds > 0) StartTimer(TIMER_DOCKSTATUS, milliseconds);
}

void APP::DockColour(COLORREF colour)
{
    CRITSECTLOCK guard(DockLock);
    if (DockClock) DockClock->SetTextColour(colour);
}

void APP::DockClockResetText()
{
    CRITSECTLOCK guard(DockLock);
    if (DockClock) DockClock->SetOverrides(nullptr, nullptr);
}

void APP::DockClockStopUpdating()
{
    CRITSECTLOCK guard(DockLock);
    if (DockClock) DockClock->StopUpdating();
}

// A click on the tray icon brings a floating clock to the top for a moment.
void APP::DockClockToTop()
{
    DockClockTopmost(true);
    if (!Engine.GetSettingInt(KEY::ClockTopmost)) DockClockTopmost(false);
}

// Always on top, or not, while floating.
void APP::DockClockTopmost(bool topmost)
{
    CRITSECTLOCK guard(DockLock);
    if (!DockClock || !DockClock->IsFloating()) return;
    SetWindowPos(DockClock->GetHwnd(), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void APP::DockClockDestroy()
{
    std::unique_ptr<DOCKCLOCK> clock;
    {
        CRITSECTLOCK guard(DockLock);
        clock = std::move(DockClock);
    }
    if (!clock) return;
    Logit("APP::DockClockDestroy\n");
    // Outside the lock: the clock waits for its own thread, which never takes it.
    clock.reset();
    if (hWnd && !Ending) Arrange();
}

// The clock docked or undocked itself (dragged): the setting follows, and the list
// gains or loses its date and time rows.
void APP::DockClockDockChanged()
{
    bool docked;
    {
        CRITSECTLOCK guard(DockLock);
        if (!DockClock) return;
        docked = DockClock->IsDocked();
    }
    DockClockTopmost(Engine.GetSettingInt(KEY::ClockTopmost) != 0);
    Engine.PutSetting(KEY::ClockDocked, docked ? "1" : "0");
    Arrange();
    StatusListFill();
}

// Tool bar across the top, a docked clock below it at the full width, the list in
// the rest. A floating clock docks again when dropped on the area below the tool bar.
void APP::Arrange()
{
    if (!hWnd) return;
    RECT client;
    GetClientRect(hWnd, &client);
    int top = 0;
    if (Toolbar.Exists() && Engine.GetSettingInt(KEY::DlgHideToolbar) == 0) {
        Toolbar.Resize();
        RECT bar;
        GetWindowRect(Toolbar.GetHwnd(), &bar);
        top = bar.bottom - bar.top;
    }
    {
        CRITSECTLOCK guard(DockLock);
        if (DockClock && DockClock->IsDocked()) {
            RECT clock;
            GetWindowRect(DockClock->GetHwnd(), &clock);
            int height = clock.bottom - clock.top;
            DockClock->Move(0, top, client.right, height);
            top += height;
        } else if (DockClock) {
            POINT topleft = {0, top}, bottomright = {client.right, client.bottom};
            ClientToScreen(hWnd, &topleft);
            ClientToScreen(hWnd, &bottomright);
            DockClock->SetDockRect(topleft.x, topleft.y, bottomright.x, bottomright.y, DOCKZONE_TOP);
        }
    }
    if (StatusList.Exists()) {
        int height = client.bottom - top;
        StatusList.Move(0, top, client.right, height > 0 ? height : 0);
        StatusList.AutoWidth(AUTOWIDTH_LABELS | AUTOWIDTH_VALUES);
    }
}

// ---------------------------------------------------------------- the status list

// A full rebuild waits its turn in the window's queue.
void APP::StatusListFill() { Post(WM__FILLLIST); }

void APP::StatusListRefreshAll() { StatusList.UpdateScreen(false, ROW_ALL); }

// The rows that change with the time alone, at every tick of the update thread.
void APP::StatusListRefreshTimes()
{
    static const int ROWS[] = {ROW_DATE, ROW_TIME, ROW_DIFFERENCE, ROW_NEXT};
    for (int row : ROWS) StatusList.UpdateScreen(false, row);
}

void APP::StatusListRefreshState() { StatusList.RefreshIcon(ROW_SERVER); }

LRESULT APP::OnStatusListNotify(NMHDR* header)
{
    switch (header->code) {
    case NM_RCLICK: {
        // The tray menu, less the item that shows this very window.
        MENU menu(IDR_TRAYMENU);
        if (!menu.GetHandle()) return 0;
        menu.DeleteMenuItem(IDM_SHOWWINDOW);
        menu.DeleteMenuItemSeparator();
        ApplyMenuStates(menu, true);
        menu.TrackPopupMenu(hWnd, MENU_RIGHTBUTTON, nullptr, 0);
        return 1;
    }
    case NM_DBLCLK:
        return 1;
    case LVN_COLUMNCLICK: {
        NMLISTVIEW* pnm = reinterpret_cast<NMLISTVIEW*>(header);
        if (!ASSERT(pnm->iItem==-1)) return 0;
        StatusList.ColumnClick(pnm->iSubItem);
        return 0;
    }
    case LVN_ITEMCHANGED: {
        NMLISTVIEW* pnm = reinterpret_cast<NMLISTVIEW*>(header);
        if ((pnm->uChanged & LVIF_STATE) && ((pnm->uNewState ^ pnm->uOldState) & LVIS_SELECTED))
            UpdateMenuStates();
        return 0;
    }
    default:
        return 0;
    }
}
