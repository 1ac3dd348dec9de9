// A small program that shows the window toolkit at work: a main window with a menu
// whose items carry the tool bar's images, the tool bar, a status list filled from
// tab-separated records, a data dialog and a two-page data dialog book.
//
//   toolkitdemo [/show:menu | /show:settings | /show:book | /show:book2] [/paused] [/small]
//
// /show opens that part by itself once the window is up, /paused starts with the
// updates paused (a checked button, grayed ones), /small switches the symbol size
// (and stores it); all for scripts/screenshots.
#include "toolkitdemo.h"

#include "datadialogs.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "listview.h"
#include "menu.h"
#include "newtoolbar.h"
#include "osys.h"
#include "window.h"

static const char DEMO_CLASS[] = "KelvoToolkitDemo";
static const char DEMO_APP[] = "ToolkitDemo";
static const int ID_TOOLBAR = 2001;
static const int ID_LIST = 2002;
static const UINT WM__SHOW = WM_USER + 10;

// Rows of the status list: id, image, then the columns separated by tabs.
struct DEMORECORD {
    int Id;
    int Image;
    const char* Text;
};
static const DEMORECORD RECORDS[] = {
    {1, 1, "Local time\t14:32:08\tfrom the PC clock"},
    {2, 0, "Difference\t+0.184 s\twithin the tolerance"},
    {3, 5, "Time server\tpool.ntp.org\tstratum 2, 31 ms away"},
    {4, 4, "Last check\tTime checked\t3 minutes ago"},
    {5, 1, "Next check\tin 2 h 57 min\tevery 3 hours"},
    {6, 2, "Drift correction\t+0.0064 %\tactive"},
    {7, 3, "Updates\trunning\tnot paused"},
};

// What the dialogs edit.
struct DEMOSETTINGS {
    STRING Server = "pool.ntp.org";
    STRING Interval = "3";
    STRING Tolerance = "0.5 s";
    STRING Mode = "1";
    STRING Drift = "1";
    STRING Primary = "pool.ntp.org";
    STRING Secondary = "time.nist.gov";
    STRING UseSecondary = "1";
    STRING Network = "0";
    STRING Timeout = "10";
    STRING Dialup = "0";
};

class DEMOWINDOW : public WINDOW {
public:
    bool Open(int show);
    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    void DoCommand(int id);
    void SetPaused(bool paused);
    void RunSettings();
    void RunBook(int page);

    NEWTOOLBAR Toolbar;
    LISTVIEW List;
    DEMOSETTINGS Settings;
    bool Paused = false;
};

bool DEMOWINDOW::Open(int show)
{
    HICON icon = LoadIcon(KELVOAPP::Instance(), MAKEINTRESOURCE(IDI_DEMO));
    if (!RegisterWinClass(DEMO_CLASS, CS_HREDRAW | CS_VREDRAW, icon)) return false;
    if (!Create(DEMO_CLASS, "Horalink toolkit demo", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20,
                20, 660, 360, nullptr, IDR_DEMOMENU))
        return false;

    Toolbar.Create(hWnd, ID_TOOLBAR, IDB_STRIP16, IDB_STRIP24, DEMO_APP);
    Toolbar.AddButton(IDM_SYNC, 0);
    Toolbar.AddButton(IDM_ADJUST, 1);
    Toolbar.AddSeparator();
    Toolbar.AddButton(IDM_SETTINGS, 2);
    Toolbar.AddButton(IDM_PAUSE, 3, TBSTYLE_CHECK);
    Toolbar.AddSeparator();
    Toolbar.AddButton(IDM_LIST, 4);
    Toolbar.AddButton(IDM_SERVERS, 5);
    Toolbar.AddSeparator();
    Toolbar.AddButton(IDM_HELP, 6);
    Toolbar.AddButton(IDM_EXIT, 7);
    Toolbar.MenuImages(GetMenu(hWnd), 0);
    MENU(GetMenu(hWnd)).CheckMenuItem(IDM_SMALLSYMBOLS, Toolbar.GetSmallSymbols());

    List.Create(hWnd, ID_LIST, 0, 0, 100, 100);
    List.SetImageStrip(IDB_STRIP16, 16);
    List.InsertColumn(0, "Item", 130);
    List.InsertColumn(1, "Value", 150);
    List.InsertColumn(2, "Note", 200);
    for (const DEMORECORD& record : RECORDS) List.InsertRecord(record.Id, record.Image, record.Text);

    Layout();
    Show(SW_SHOW);
    UpdateWindow(hWnd);
    if (show) Post(WM__SHOW, show);
    return true;
}

void DEMOWINDOW::Layout()
{
    RECT client;
    GetClientRect(hWnd, &client);
    int top = Toolbar.Resize();
    List.Move(0, top, client.right, client.bottom - top);
    List.Send(LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE_USEHEADER);
}

void DEMOWINDOW::SetPaused(bool paused)
{
    Paused = paused;
    Toolbar.CheckButton(IDM_PAUSE, paused);
    MENU(GetMenu(hWnd)).CheckMenuItem(IDM_PAUSE, paused);
    int row = List.FindRecord(7);
    List.SetItemText(row, 1, paused ? "paused" : "running");
    List.SetItemText(row, 2, paused ? "no checks until resumed" : "not paused");
    // Nothing to sync or adjust while paused: the buttons and items say so.
    MENU menu(GetMenu(hWnd));
    for (int id : {IDM_SYNC, IDM_ADJUST}) {
        Toolbar.EnableButton(id, !paused);
        menu.EnableMenuItem(id, !paused);
    }
}

void DEMOWINDOW::RunSettings()
{
    DATADIALOG dialog(IDD_SETTINGS, hWnd);
    dialog.AddEntry(IDC_SERVER, &Settings.Server, 128);
    dialog.AddSpin(IDC_INTERVAL, &Settings.Interval, 1, 48, IDC_INTERVALSPIN);
    STRINGARRAY tolerances(STRING("0.1 s|0.5 s|1 s|5 s"), "|");
    dialog.AddList(IDC_TOLERANCE, &Settings.Tolerance, tolerances);
    dialog.AddRadio(IDC_MODEMANUAL, &Settings.Mode, 0);
    dialog.AddRadio(IDC_MODEASK, &Settings.Mode, 1);
    dialog.AddRadio(IDC_MODEAUTO, &Settings.Mode, 2);
    dialog.AddCheck(IDC_AUTOADJUST, &Settings.Drift);
    if (dialog.Run() == IDOK) List.SetItemText(List.FindRecord(3), 1, Settings.Server);
}

void DEMOWINDOW::RunBook(int page)
{
    DATADIALOGBOOK book(IDD_BOOK, IDC_BOOKTAB, hWnd);
    DATADIALOG* server = book.AddPage(IDD_PAGESERVER, "Servers");
    server->AddEntry(IDC_PRIMARY, &Settings.Primary, 128);
    server->AddCheck(IDC_USESECONDARY, &Settings.UseSecondary);
    server->AddEntry(IDC_SECONDARY, &Settings.Secondary, 128);
    server->EnableRules("523 -> 522");
    DATADIALOG* network = book.AddPage(IDD_PAGENETWORK, "Network");
    network->AddRadio(IDC_INTERNET, &Settings.Network, 0);
    network->AddRadio(IDC_LAN, &Settings.Network, 1);
    network->AddSpin(IDC_TIMEOUT, &Settings.Timeout, 1, 60, IDC_TIMEOUTSPIN);
    network->AddCheck(IDC_DIALUP, &Settings.Dialup);
    book.SelectPage(page);
    if (book.Run() == IDOK) {
        Settings.Server = Settings.Primary;
        List.SetItemText(List.FindRecord(3), 1, Settings.Primary);
    }
}

void DEMOWINDOW::DoCommand(int id)
{
    switch (id) {
    case IDM_SYNC:
        List.SetItemText(List.FindRecord(1), 1, OSYS::TimeIso());
        List.SetItemText(List.FindRecord(4), 2, "just now");
        break;
    case IDM_ADJUST:
        List.SetItemText(List.FindRecord(2), 1, "+0.000 s");
        break;
    case IDM_PAUSE:
        // The tool bar has toggled its button already; the menu item follows.
        SetPaused(!Paused);
        break;
    case IDM_SETTINGS:
        RunSettings();
        break;
    case IDM_SERVERS:
        RunBook(0);
        break;
    case IDM_LIST:
        SetFocus(List.GetHwnd());
        break;
    case IDM_SMALLSYMBOLS:
        Toolbar.SetSmallSymbols(!Toolbar.GetSmallSymbols());
        MENU(GetMenu(hWnd)).CheckMenuItem(IDM_SMALLSYMBOLS, Toolbar.GetSmallSymbols());
        Layout();
        break;
    case IDM_HELP:
        MessageBoxA(hWnd, "Hover over a tool bar button to see its tool tip.",
                    "Horalink toolkit demo", MB_OK | MB_ICONINFORMATION);
        break;
    case IDM_EXIT:
        DestroyWindow(hWnd);
        break;
    }
}

LRESULT DEMOWINDOW::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) Layout();
        return 0;
    case WM_COMMAND:
        DoCommand(LOWORD(wParam));
        return 0;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_MENUCHAR:
        if (Toolbar.MenuItemDrawing(message, wParam, lParam, &result)) return result;
        break;
    case WM__SHOW:
        if (wParam == 1) PostMessageA(hWnd, WM_SYSCOMMAND, SC_KEYMENU, 't');
        if (wParam == 2) RunSettings();
        if (wParam == 3 || wParam == 4) RunBook(static_cast<int>(wParam) - 3);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return WINDOW::WinProc(message, wParam, lParam);
}

int main()
{
    KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), GetCommandLineA());
    STRING show = GetArgValue("SHOW", 0);
    int what = show == "menu" ? 1 : show == "settings" ? 2 : show == "book" ? 3
             : show == "book2" ? 4 : 0;
    DEMOWINDOW demo;
    if (!demo.Open(what)) return 1;
    if (TestArg("SMALL")) demo.Send(WM_COMMAND, IDM_SMALLSYMBOLS);
    if (TestArg("PAUSED")) demo.Send(WM_COMMAND, IDM_PAUSE);
    return KELVOAPP::MainDispatchLoop(demo.GetHwnd(), IDA_DEMO);
}
