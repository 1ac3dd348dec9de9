// The settings dialog, driven from a thread of its own: every page and its title,
// values changed through the controls reaching horalink.cfg with the steps after
// OK in their order, Cancel changing nothing, the enable rules following their check
// boxes, the drift calculator filling the drift page, and the colour and font buttons.
#include "configfiles.h"
#include "dialogdriver.h"
#include "dialogpages.h"
#include "fakeclock.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "registry.h"
#include "settings.h"
#include "settingsdialog.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "wincontrols.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

const unsigned long NOW = 1700000000ul;
const char TITLE[] = "Settings";

// The pages in tab order.
enum { PROGRAM, CHECKS, SERVER, CONNECTION, DRIFT, CLOCK, AGENT, LAN };

class EVENTS : public SETTINGSEVENTS {
public:
    explicit EVENTS(HASH& settings) : Settings(settings) {}
    void SetLanFlags(bool client, bool server) override
    {
        Calls.push_back("SetLanFlags " + std::to_string(client) + " " + std::to_string(server));
    }
    void ApplyDrift() override
    {
        Calls.push_back(std::string("ApplyDrift ") + Settings["TimeDriftDoAdjust"].Text() + " " +
                        Settings["TimeDriftAdjustment"].Text());
    }
    void ApplyWindows() override
    {
        Calls.push_back(std::string("ApplyWindows ") + Settings["ListviewColorBG"].Text());
    }

    HASH& Settings;
    std::vector<std::string> Calls;
};

class SettingsDialog : public testing::Test {
protected:
    void SetUp() override
    {
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
        SETTINGS::Read(settings, dir.Path().c_str(), NOW);
        settings["TimeLastRefresh"] = "1700000000";
        SetAutoStart("Horalink", nullptr);
    }
    void TearDown() override
    {
        SetAutoStart("Horalink", nullptr);
        KELVOAPP::FreeLanguageLibrary();
    }
    bool Run(int page = 0)
    {
        return RunSettingsDialog(nullptr, settings, &lock, dir.Path().c_str(), clock, events, page);
    }
    std::string Saved() { return ReadFileBytes(dir.File("horalink.cfg")); }
    bool SavedHas(const std::string& line)
    {
        return Saved().find("\r\n" + line + "\r\n") != std::string::npos;
    }

    TEMPDIR dir;
    HASH settings;
    CRITSECT lock;
    FAKECLOCK clock;
    EVENTS events{settings};
};

HWND show(HWND book, int index)
{
    SelectTab(GetDlgItem(book, IDC_SETTINGS_TABS), index);
    return ShownPage(book);
}

std::string tab_titles(HWND book)
{
    TABCONTROL tab(book, IDC_SETTINGS_TABS);
    std::string all;
    for (int i = 0; i < tab.GetCount(); i++)
        all += (i ? "|" : "") + std::string(tab.GetTabText(i).Text());
    return all;
}

// "1" for each enabled control of the page, "0" for each disabled one.
std::string enabled(HWND page, std::initializer_list<int> ids)
{
    std::string states;
    for (int id : ids) states += IsEnabled(GetDlgItem(page, id)) ? "1" : "0";
    return states;
}

void check(HWND page, int id, bool on) { ClickCheck(GetDlgItem(page, id), on); }
void text(HWND page, int id, const char* value) { SetControlText(GetDlgItem(page, id), value); }

struct OTHERDIALOG {
    HWND except;
    HWND found;
};

BOOL CALLBACK find_other(HWND hwnd, LPARAM param)
{
    OTHERDIALOG* search = reinterpret_cast<OTHERDIALOG*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (hwnd == search->except || pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) ||
        strcmp(cls, "#32770") != 0)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

// A visible dialog of this process other than except (a standard dialog it opened).
HWND other_dialog(HWND except)
{
    OTHERDIALOG search = {except, nullptr};
    for (int i = 0; i < 800 && !search.found; i++) {
        EnumWindows(find_other, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(25);
    }
    return search.found;
}

// Waits until control shows value (it is set by the dialog's own thread).
std::string wait_text(HWND control, const std::string& value)
{
    for (int i = 0; i < 400 && ControlText(control) != value; i++) Sleep(25);
    return ControlText(control);
}

TEST_F(SettingsDialog, OpensWithEightTitledPagesShowingTheSettings)
{
    settings["DlgTaskbar"] = "1";
    settings["DlgShiftClickMode"] = "2";
    settings["TimeServer"] = "ptbtime2.ptb.de";
    std::string title, titles, page, server;
    bool taskbar = false, shiftadjust = false;
    int selected = -1;
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        title = WindowText(book);
        titles = tab_titles(book);
        selected = static_cast<int>(
            SendMessageA(GetDlgItem(book, IDC_SETTINGS_TABS), TCM_GETCURSEL, 0, 0));
        HWND program = show(book, PROGRAM);
        taskbar = IsChecked(GetDlgItem(program, IDC_PROGRAM_TASKBAR));
        shiftadjust = IsChecked(GetDlgItem(program, IDC_PROGRAM_SHIFTADJUST));
        HWND servers = show(book, SERVER);
        int index = ListSelection(GetDlgItem(servers, IDC_SERVER_LIST));
        char name[128] = "";
        SendMessageA(GetDlgItem(servers, IDC_SERVER_LIST), LB_GETTEXT, index,
                     reinterpret_cast<LPARAM>(name));
        server = name;
        ClickButton(GetDlgItem(book, IDCANCEL));
    });
    EXPECT_FALSE(Run(CLOCK));
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(title, "Settings");
    EXPECT_EQ(titles, "Program|Checks|Time server|Connection|Drift|Dock clock|Assistant|LAN");
    EXPECT_EQ(selected, CLOCK);
    EXPECT_TRUE(taskbar);
    EXPECT_TRUE(shiftadjust);
    EXPECT_EQ(server, "Germany: PTB Braunschweig, atomic clock 2");
}

TEST_F(SettingsDialog, OkStoresTheControlsAndSetsTheNewSettingsGoing)
{
    settings["ClockColorBG"] = "255";
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        HWND page = show(book, PROGRAM);
        check(page, IDC_PROGRAM_TASKBAR, true);
        check(page, IDC_PROGRAM_DBLADJUST, true);
        check(page, IDC_PROGRAM_AUTORUN, true);
        page = show(book, CHECKS);
        text(page, IDC_UPDATE_CYCLIC, "6");
        text(page, IDC_UPDATE_NETVARIANCE, "9999");
        check(page, IDC_UPDATE_DOMAXADJUST, true);
        text(page, IDC_UPDATE_MAXADJUST, "0");
        text(page, IDC_UPDATE_EXTRA, "-30");
        page = show(book, SERVER);
        check(page, IDC_SERVER_CUSTOM, true);
        text(page, IDC_SERVER_CUSTOMNAME, "ntp.mine.example");
        check(page, IDC_SERVER_SECOND, true);
        check(page, IDC_SERVER_SECONDFROMLIST, true);
        SelectListEntry(GetDlgItem(page, IDC_SERVER_SECONDLIST), 14);
        page = show(book, CONNECTION);
        check(page, IDC_CONNECTION_DIALUP, true);
        check(page, IDC_CONNECTION_ANY, true);
        page = show(book, CLOCK);
        check(page, IDC_CLOCK_DOCKED, false);
        page = show(book, AGENT);
        text(page, IDC_AGENT_CORRECT, "All fine.");
        page = show(book, LAN);
        check(page, IDC_LAN_SERVER, true);
        check(page, IDC_LAN_CYCLIC, true);
        text(page, IDC_LAN_HOURS, "2");
        ClickButton(GetDlgItem(book, IDOK));
    });
    EXPECT_TRUE(Run());
    ASSERT_TRUE(driver.Wait());
    std::vector<std::string> expected = {"SetLanFlags 0 0", "ApplyDrift 0 0", "ApplyWindows 255"};
    EXPECT_EQ(events.Calls, expected);
    for (const char* line :
         {"DlgTaskbar=1", "DlgDblClickMode=2", "DlgAutoRun=1", "TimeCyclic=6",
          "TimeNetVariance=5000", "TimeDoMaxAdjust=1", "TimeMaxAdjust=1", "TimeExtraAdjustment=-24",
          "TimeDoCustomServer=1", "TimeCustomServer=ntp.mine.example",
          "TimeServer=ntp.mine.example", "LastTimeServer=ntp.mine.example", "TimeDoServer2=1",
          "TimeServer2=time.nist.gov", "ConnectionType=1", "ConnectionDunAny=1", "ClockDocked=0",
          "AgentTextCorrect=All fine.", "LanDoServer=1", "LanBrodcastCyclic=1",
          "LanBrodcastCyclicHours=2", "ListviewColorBG=255",
          // The next check counts from the last one: 6 hours after 1700000000.
          "TimeNextRefresh=1700021600"})
        EXPECT_TRUE(SavedHas(line)) << line;
    EXPECT_STREQ(settings["TimeNextRefresh"].Text(), "1700021600");
    EXPECT_EQ(AutoStartValue("Horalink"), "\"" + std::string(KELVOAPP::ProgramPath()) + "\"");
}

// A huge interval stops at the last time the count holds instead of wrapping round to a
// check due at once.
TEST_F(SettingsDialog, AcceptingAHugeIntervalStopsAtTheLastTime)
{
    settings["TimeCyclic"] = "1e30";
    AcceptSettings(settings, &lock, dir.Path().c_str(), events);
    EXPECT_STREQ(settings["TimeNextRefresh"].Text(), "4294967295");
    EXPECT_TRUE(SavedHas("TimeNextRefresh=4294967295"));
}

TEST_F(SettingsDialog, CancelAndTheCloseBoxChangeNothing)
{
    STRING before = settings.Text();
    for (bool closebox : {false, true}) {
        DIALOGDRIVER driver(TITLE, [&](HWND book) {
            HWND page = show(book, CHECKS);
            text(page, IDC_UPDATE_CYCLIC, "6");
            check(page, IDC_UPDATE_AUTOTIME, true);
            page = show(book, SERVER);
            SelectListEntry(GetDlgItem(page, IDC_SERVER_LIST), 3);
            if (closebox)
                SendMessageA(book, WM_CLOSE, 0, 0);
            else
                ClickButton(GetDlgItem(book, IDCANCEL));
        });
        EXPECT_FALSE(Run());
        ASSERT_TRUE(driver.Wait());
    }
    EXPECT_TRUE(SameText(settings.Text().Text(), before.Text()));
    EXPECT_TRUE(events.Calls.empty());
    EXPECT_FALSE(FileExistsOnDisk(dir.File("horalink.cfg")));
}

TEST_F(SettingsDialog, EnableRulesFollowTheirCheckBoxes)
{
    std::vector<std::string> seen;
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        HWND p = show(book, CHECKS);
        const std::initializer_list<int> checks = {
            IDC_UPDATE_CHECKONCE, IDC_UPDATE_MSGBOX,      IDC_UPDATE_SOUNDFILE,
            IDC_UPDATE_SOUNDCHOOSE, IDC_UPDATE_SOUNDPLAY, IDC_UPDATE_SOUNDLOOP,
            IDC_UPDATE_SOUNDREPEAT, IDC_UPDATE_SOUNDREPEAT + 1000, IDC_UPDATE_MAXADJUST};
        seen.push_back(enabled(p, checks));
        check(p, IDC_UPDATE_AUTOTIME, true);
        check(p, IDC_UPDATE_SOUNDLOOP, true);
        check(p, IDC_UPDATE_DOMAXADJUST, true);
        seen.push_back(enabled(p, checks));
        check(p, IDC_UPDATE_SOUND, false);
        seen.push_back(enabled(p, checks));

        p = show(book, SERVER);
        const std::initializer_list<int> servers = {
            IDC_SERVER_LIST, IDC_SERVER_CUSTOMNAME, IDC_SERVER_SECONDFROMLIST,
            IDC_SERVER_SECONDCUSTOM, IDC_SERVER_SECONDLIST, IDC_SERVER_SECONDCUSTOMNAME};
        seen.push_back(enabled(p, servers));
        check(p, IDC_SERVER_CUSTOM, true);
        check(p, IDC_SERVER_SECOND, true);
        seen.push_back(enabled(p, servers));
        check(p, IDC_SERVER_SECONDCUSTOM, true);
        seen.push_back(enabled(p, servers));

        p = show(book, CONNECTION);
        const std::initializer_list<int> connection = {IDC_CONNECTION_ANY, IDC_CONNECTION_ENTRY,
                                                       IDC_CONNECTION_ENTRIES};
        seen.push_back(enabled(p, connection));
        check(p, IDC_CONNECTION_DIALUP, true);
        check(p, IDC_CONNECTION_ENTRY, true);
        seen.push_back(enabled(p, connection));
        check(p, IDC_CONNECTION_ANY, true);
        seen.push_back(enabled(p, connection));

        p = show(book, CLOCK);
        const std::initializer_list<int> clock = {IDC_CLOCK_TOPMOST, IDC_CLOCK_TRANSPARENCY,
                                                  IDC_CLOCK_TRANSPARENCY + 1000};
        seen.push_back(enabled(p, clock));
        check(p, IDC_CLOCK_DOCKED, false);
        check(p, IDC_CLOCK_DOTRANSPARENCY, true);
        seen.push_back(enabled(p, clock));

        p = show(book, AGENT);
        const std::initializer_list<int> agent = {IDC_AGENT_MUTE,    IDC_AGENT_SHORTANIM,
                                                  IDC_AGENT_CORRECT, IDC_AGENT_NOTCORRECT,
                                                  IDC_AGENT_ADJUSTED, IDC_AGENT_TRY,
                                                  IDC_AGENT_CHARACTER};
        seen.push_back(enabled(p, agent));
        check(p, IDC_AGENT_ACTIVE, true);
        seen.push_back(enabled(p, agent));

        p = show(book, LAN);
        const std::initializer_list<int> lan = {IDC_LAN_NEW, IDC_LAN_CYCLIC, IDC_LAN_HOURS};
        seen.push_back(enabled(p, lan));
        check(p, IDC_LAN_SERVER, true);
        seen.push_back(enabled(p, lan));
        check(p, IDC_LAN_CYCLIC, true);
        seen.push_back(enabled(p, lan));
        ClickButton(GetDlgItem(book, IDCANCEL));
    });
    Run();
    ASSERT_TRUE(driver.Wait());
    std::vector<std::string> expected = {
        // Checks: automatic setting, sound and its repetition, the largest correction.
        "011111000", "101111111", "100000001",
        // Time server: list or own server, the second server and its choice.
        "100000", "011110", "011101",
        // Connection: dial-up, then one entry or any connection.
        "000", "111", "110",
        // Dock clock: on top only while floating; the opacity.
        "000", "111",
        // Assistant: its own buttons wait for the assistant.
        "0000000", "1111100",
        // LAN: serving, then the cyclic broadcast.
        "000", "110", "111"};
    EXPECT_EQ(seen, expected);
}

TEST_F(SettingsDialog, TheDriftCalculatorFillsTheDriftPage)
{
    std::string shown, increment, adjustment;
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        HWND page = show(book, DRIFT);
        shown = ControlText(GetDlgItem(page, IDC_DRIFT_INCREMENT));
        // Posted: the calculator runs its own loop inside the click.
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_DRIFT_CALCULATE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_DRIFT_CALCULATE)));
        HWND calc = WaitForDialog("Drift calculator", GetCurrentProcessId(), 20000);
        if (!calc) return;
        SetControlText(GetDlgItem(calc, IDC_DRIFTCALC_SECONDS), "36");
        SetControlText(GetDlgItem(calc, IDC_DRIFTCALC_HOURS), "24");
        ClickCheck(GetDlgItem(calc, IDC_DRIFTCALC_FAST), true);
        ClickButton(GetDlgItem(calc, IDOK));
        adjustment = wait_text(GetDlgItem(page, IDC_DRIFT_ADJUSTMENT), "-6510");
        increment = ControlText(GetDlgItem(page, IDC_DRIFT_INCREMENT));
        check(page, IDC_DRIFT_ADJUST, true);
        ClickButton(GetDlgItem(book, IDOK));
    });
    EXPECT_TRUE(Run(DRIFT));
    ASSERT_TRUE(driver.Wait());
    // 15.625 ms ticks; 36 s fast in 24 h is 36e9 ns over 5529600 ticks, less per tick.
    EXPECT_EQ(shown, "15625000");
    EXPECT_EQ(increment, "15625000");
    EXPECT_EQ(adjustment, "-6510");
    for (const char* line : {"TimeDriftDoAdjust=1", "TimeDriftAdjustment=-6510",
                             "TimeDriftCalc1=36", "TimeDriftCalc2=24", "TimeDriftCalc3=1"})
        EXPECT_TRUE(SavedHas(line)) << line;
    std::vector<std::string> expected = {"SetLanFlags 0 0", "ApplyDrift 1 -6510",
                                         "ApplyWindows 1052688"};
    EXPECT_EQ(events.Calls, expected);
}

TEST_F(SettingsDialog, WithoutAReadableClockTickTheCalculatorShowsNA)
{
    clock.RemoveAdjustment();
    STRING before = settings.Text();
    std::string shown, increment, adjustment;
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        HWND page = ShownPage(book);
        shown = ControlText(GetDlgItem(page, IDC_DRIFT_INCREMENT));
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_DRIFT_CALCULATE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_DRIFT_CALCULATE)));
        HWND calc = WaitForDialog("Drift calculator", GetCurrentProcessId(), 20000);
        if (!calc) return;
        SetControlText(GetDlgItem(calc, IDC_DRIFTCALC_SECONDS), "5");
        ClickButton(GetDlgItem(calc, IDOK));
        adjustment = wait_text(GetDlgItem(page, IDC_DRIFT_ADJUSTMENT), "N/A");
        increment = ControlText(GetDlgItem(page, IDC_DRIFT_INCREMENT));
        // Cancel forgets the calculator's values as well.
        ClickButton(GetDlgItem(book, IDCANCEL));
    });
    EXPECT_FALSE(Run(DRIFT));
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(shown, "N/A");
    EXPECT_EQ(increment, "N/A");
    EXPECT_EQ(adjustment, "N/A");
    EXPECT_TRUE(SameText(settings.Text().Text(), before.Text()));
}

TEST_F(SettingsDialog, AServerOutsideTheListStaysChosenAndTheLanEntryMakesAClient)
{
    settings["TimeServer"] = "old.example";
    std::string last;
    DIALOGDRIVER keep(TITLE, [&](HWND book) {
        HWND list = GetDlgItem(show(book, SERVER), IDC_SERVER_LIST);
        std::string entries = ListEntries(list);
        last = entries.substr(entries.rfind('|') + 1);
        ClickButton(GetDlgItem(book, IDOK));
    });
    EXPECT_TRUE(Run());
    ASSERT_TRUE(keep.Wait());
    EXPECT_EQ(last, "old.example");
    EXPECT_STREQ(settings["TimeServer"].Text(), "old.example");

    DIALOGDRIVER lan(TITLE, [&](HWND book) {
        HWND list = GetDlgItem(show(book, SERVER), IDC_SERVER_LIST);
        int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        SelectListEntry(list, count - 2);
        ClickButton(GetDlgItem(book, IDOK));
    });
    events.Calls.clear();
    EXPECT_TRUE(Run());
    ASSERT_TRUE(lan.Wait());
    EXPECT_STREQ(settings["TimeServer"].Text(), LAN_SERVER_HOST);
    EXPECT_STREQ(settings["LastTimeServer"].Text(), LAN_SERVER_HOST);
    ASSERT_FALSE(events.Calls.empty());
    EXPECT_EQ(events.Calls[0], "SetLanFlags 1 0");
}

TEST_F(SettingsDialog, ColourAndFontButtonsOpenTheirDialogsAndShowTheChoice)
{
    settings["ClockColor2"] = "65280";
    std::string colourtitle, fonttitle, sample;
    bool swatches = true;
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        HWND page = show(book, CLOCK);
        sample = ControlText(GetDlgItem(page, IDC_CLOCK_FONTSAMPLE));
        for (int id : {IDC_CLOCK_SWATCH0, IDC_CLOCK_SWATCH1, IDC_CLOCK_SWATCH2, IDC_CLOCK_SWATCHBG})
            swatches =
                swatches && SendMessageA(GetDlgItem(page, id), STM_GETIMAGE, IMAGE_BITMAP, 0);
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CLOCK_COLOR2, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_CLOCK_COLOR2)));
        HWND colour = other_dialog(book);
        if (!colour) return;
        colourtitle = WindowText(colour);
        PressDialogButton(colour, IDOK);
        for (int i = 0; i < 400 && IsWindow(colour); i++) Sleep(25);
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CLOCK_FONT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_CLOCK_FONT)));
        HWND font = other_dialog(book);
        if (!font) return;
        fonttitle = WindowText(font);
        PressDialogButton(font, IDCANCEL);
        for (int i = 0; i < 400 && IsWindow(font); i++) Sleep(25);
        ClickButton(GetDlgItem(book, IDOK));
    });
    EXPECT_TRUE(Run());
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(sample, "Arial, 14 pt, bold");
    EXPECT_TRUE(swatches);
    EXPECT_FALSE(colourtitle.empty());
    EXPECT_FALSE(fonttitle.empty());
    EXPECT_TRUE(SavedHas("ClockColor2=65280"));
    EXPECT_TRUE(settings["ClockFont"].GetFlags() & STRINGFLAG_BINARY);
}

}  // namespace
