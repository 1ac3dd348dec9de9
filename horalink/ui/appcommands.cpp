// APP's commands: what each menu item, tool bar button, tray menu item and key does,
// and the states the menus and the tool bar show.
#include "app.h"

#include "aboutdialog.h"
#include "datafolderdialog.h"
#include "filename.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "settingkeys.h"
#include "settings.h"
#include "settingsdialog.h"
#include "winhelp.h"
#include "winmisc.h"

int APP::DoCommand(int id)
{
    Logit("APP::DoCommand %d\n", id);
    if (id != IDM_STOPALARM) {
        DoCommand(IDM_STOPALARM);
        StopAttentionBlinking();
    }
    int rc = 1;
    RunCommand(id, rc);
    Logit("APP::~DoCommand rc=%d\n", rc);
    UpdateMenuStates();
    return rc;
}

void APP::RunCommand(int id, int& rc)
{
    switch (id) {
    case IDM_SETTINGS:
    case IDM_TRAYSETTINGS:
        RunSettingsDialog();
        break;
    case IDM_MODERESET:
        SetMode(0);
        break;
    case IDM_MODESTANDARD:
        SetMode(1);
        break;
    case IDM_MODELANSERVER:
        SetMode(2);
        break;
    case IDM_ADJUSTNOW:
    case IDM_TRAYADJUSTNOW:
        Engine.SetAdjustPending();
        break;
    case IDM_CHECKNOW:
    case IDM_TRAYCHECKNOW:
        CheckNow();
        break;
    case IDM_SUSPEND:
    case IDM_TRAYSUSPEND:
        ToggleSuspend();
        break;
    case IDM_STOPALARM:
        StopAlarm();
        break;
    case IDM_SHOWWINDOW:
        ShowMainWindow();
        break;
    case IDM_QUIT:
    case IDM_EXIT:
        Exit();
        break;
    case IDM_HELPCONTENTS:
        ShowHelpContents();
        break;
    case IDM_HELPWINDOW:
        ShowHelpTopic(2802);
        break;
    case IDM_HELPCOMMANDS:
        ShowHelpTopic(2801);
        break;
    case IDM_HELPTROUBLE:
        ShowHelpTopic(2804);
        break;
    case IDM_HELPSTART:
        ShowHelpTopic(2803);
        break;
    case IDM_HELPOVERVIEW:
        ShowHelpTopic(2000);
        break;
    case IDM_WEBSITE:
        OpenProductWebSite(hWnd);
        break;
    case IDM_ABOUT:
        ShowAboutBox(hWnd);
        break;
    case IDM_TIPOFDAY:
        ShowTipOfTheDay(true);
        break;
    case IDM_DATAFOLDER:
        DataFolderDialog(hWnd, RegistryName());
        break;
    default: {
        STRING text;
        text.Format("WM_COMMAND %d", id);
        WINKELVO::InfoMsgBox(hWnd, GetText(), text);
        rc = 0;
    }
    }
}

void APP::CheckNow()
{
    Engine.ScheduleNow();
    // Without a positive interval the schedule runs nothing, this request included:
    // the status must not promise a check that never comes.
    bool checks = Engine.GetSetting(KEY::TimeCyclic).ToDouble() > 0;
    int first = checks ? IDS_CHECKREQUESTED : IDS_CHECKSOFF;
    int second = !checks ? IDS_CHECKSOFFHOW
                 : Engine.GetSettingInt(KEY::ConnectionType) == 0 ? IDS_STATUSCHECKING
                                                                   : IDS_CHECKWHENONLINE;
    Engine.PutSetting(KEY::TimeLastStatus, OSYS::GetStringFromResource(first));
    Engine.PutSetting(KEY::TimeLastStatus2, OSYS::GetStringFromResource(second));
    RefreshStatusScreen();
}

void APP::ToggleSuspend()
{
    Engine.SetSuspended(!Engine.IsSuspended());
    Logit("APP::ToggleSuspend suspended=%d\n", Engine.IsSuspended());
    MainMenu.CheckMenuItem(IDM_SUSPEND, Engine.IsSuspended());
    Toolbar.CheckButton(IDM_SUSPEND, Engine.IsSuspended());
    UpdateTrayIcon();
    UpdateTitle();
    RefreshStateRow();
}

// Mode 0, 1 or 2; applying the settings stores a mode below 1 as 1.
void APP::SetMode(int mode)
{
    Engine.SetMode(mode);
    // Only mode 2 serves the LAN.
    bool lanclient, lanserver;
    {
        SETTINGSGUARD guard(&Engine.SettingsLock());
        lanclient = SETTINGS::IsLanClient(SettingsTable);
        lanserver = SETTINGS::IsLanServer(SettingsTable);
    }
    SetLanFlags(lanclient, lanserver);
    UpdateTitle();
}

void APP::ShowMainWindow()
{
    Show(IsIconic(hWnd) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hWnd);
}

void APP::Exit()
{
    if (ServiceRun) {
        Show(SW_MINIMIZE);
        return;
    }
    BeginQuit();
}

void APP::RunSettingsDialog()
{
    // A file that could not be read at start is kept as it is (SettingsSaved says so).
    ::RunSettingsDialog(hWnd, SettingsTable, &Engine.SettingsLock(),
                        SettingsWritable ? DataFolder.Text() : nullptr, PlatformClock, *this);
}

void APP::ShowHelpTopic(int topic)
{
    if (Help.GetFilename().Length() == 0) {
        ShowHelpMissing();
        return;
    }
    if (!Help.ShowTopic(topic)) Logit("APP::ShowHelpTopic %d is not in the help file\n", topic);
}

void APP::ShowHelpContents()
{
    if (Help.GetFilename().Length() == 0) {
        ShowHelpMissing();
        return;
    }
    Help.Contents(false);
}

void APP::ShowHelpMissing()
{
    WINKELVO::WarningMsgBox(hWnd, APPENGINE::ResourceText(IDS_MSGTITLE),
                            APPENGINE::ResourceText(IDS_HELPMISSING, HelpFilePath()));
}

STRING APP::HelpFilePath()
{
    return FILENAME(KELVOAPP::ProgramDir(), OSYS::GetStringFromResource(IDS_HTMLHELP));
}

// ---------------------------------------------------------------- menu states

void APP::ApplyMenuStates(MENU& menu, bool traymenu)
{
    bool adjustable = Engine.GetSetting(KEY::TimeLastValueMs).ToInt64() >= 1;
    bool alarm = GetAlarmSound().Length() > 0;
    menu.EnableMenuItem(traymenu ? IDM_TRAYADJUSTNOW : IDM_ADJUSTNOW, adjustable);
    menu.EnableMenuItem(IDM_STOPALARM, alarm);
    menu.CheckMenuItem(traymenu ? IDM_TRAYSUSPEND : IDM_SUSPEND, Engine.IsSuspended());
    menu.EnableMenuItem(IDM_EXIT, !ServiceRun);
    if (traymenu) return;
    int mode = Engine.GetSettingInt(KEY::Mode);
    menu.CheckMenuItem(IDM_MODERESET, mode == 0);
    menu.CheckMenuItem(IDM_MODESTANDARD, mode == 1);
    menu.CheckMenuItem(IDM_MODELANSERVER, mode == 2);
    menu.EnableMenuItem(IDM_DATAFOLDER, !DataFolderFixed);
}

// The menu bar's states, and the same for the tool bar's buttons.
void APP::UpdateMenuStates()
{
    ApplyMenuStates(MainMenu, false);
    Toolbar.EnableButton(IDM_ADJUSTNOW, MainMenu.IsMenuItemEnabled(IDM_ADJUSTNOW));
    Toolbar.EnableButton(IDM_STOPALARM, MainMenu.IsMenuItemEnabled(IDM_STOPALARM));
    Toolbar.CheckButton(IDM_SUSPEND, Engine.IsSuspended());
    if (hWnd && GetMenu(hWnd)) DrawMenuBar(hWnd);
}
