// The settings dialog, driven from a thread of its own: every page and its title,
// values changed through the controls reaching horalink.cfg with the steps after OK in
// their order, Cancel changing nothing, enable rules, and the drift calculator.
#include "configfiles.h"
#include "dialogdriver.h"
#include "dialogpages.h"
#include "englishlibrary.h"
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

#include <initializer_list>
#include <string>
#include <vector>

namespace {

const char TITLE[] = "Settings";

// The pages in tab order.
enum { PROGRAM, CHECKS, SERVER, CONNECTION, DRIFT, CLOCK, AGENT, LAN };

// Records what OK sets going, with the settings each step finds.
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
        LoadEnglishLibrary();
        SETTINGS::Read(settings, dir.Path().c_str(), 1700000000ul);
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
    bool SavedHas(const std::string& line)
    {
        return ReadFileBytes(dir.File("horalink.cfg")).find("\r\n" + line + "\r\n") != std::string::npos;
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

// "1" for each enabled control of the page, "0" for each disabled one.
std::string enabled(HWND page, std::initializer_list<int> ids)
{
    std::string states;
    for (int id : ids) states += IsEnabled(GetDlgItem(page, id)) ? "1" : "0";
    return states;
}

void check(HWND page, int id, bool on) { ClickCheck(GetDlgItem(page, id), on); }
void text(HWND page, int id, const char* value) { SetControlText(GetDlgItem(page, id), value); }

// Waits until control shows value (it is set by the dialog's own thread).
std::string wait_text(HWND control, const std::string& value)
{
    for (int i = 0; i < 400 && ControlText(control) != value; i++) Sleep(25);
    return ControlText(control);
}

// A server chosen in an older version stays in its list, chosen; a known one shows its
// description. The clock page shows the font and the colours. Cancel and the close box
// change nothing, whatever was changed on the pages.
TEST_F(SettingsDialog, OpensWithEightTitledPagesAndCancelChangesNothing)
{
    settings["DlgTaskbar"] = "1";
    settings["DlgShiftClickMode"] = "2";
    settings["TimeServer"] = "old.example";
    settings["TimeServer2"] = "ptbtime2.ptb.de";
    STRING before = settings.Text();
    std::string seen;
    bool swatches = true;
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        TABCONTROL tab(book, IDC_SETTINGS_TABS);
        seen = WindowText(book) + "|" + std::to_string(tab.GetSelected());
        for (int i = 0; i < tab.GetCount(); i++) seen += "|" + std::string(tab.GetTabText(i).Text());
        HWND page = show(book, CLOCK);
        seen += "|" + ControlText(GetDlgItem(page, IDC_CLOCK_FONTSAMPLE));
        for (int id : {IDC_CLOCK_SWATCH0, IDC_CLOCK_SWATCH1, IDC_CLOCK_SWATCH2, IDC_CLOCK_SWATCHBG})
            swatches = swatches && SendMessageA(GetDlgItem(page, id), STM_GETIMAGE, IMAGE_BITMAP, 0);
        page = show(book, PROGRAM);
        seen += IsChecked(GetDlgItem(page, IDC_PROGRAM_TASKBAR)) ? "|taskbar" : "|-";
        seen += IsChecked(GetDlgItem(page, IDC_PROGRAM_SHIFTADJUST)) ? "|shift adjusts" : "|-";
        page = show(book, SERVER);
        HWND list = GetDlgItem(page, IDC_SERVER_LIST);
        char name[128] = "";
        SendMessageA(list, LB_GETTEXT, ListSelection(list), reinterpret_cast<LPARAM>(name));
        seen += std::string("|") + name + "|" + ControlText(GetDlgItem(page, IDC_SERVER_SECONDLIST));
        SelectListEntry(list, 3);
        page = show(book, CHECKS);
        text(page, IDC_UPDATE_CYCLIC, "6");
        check(page, IDC_UPDATE_AUTOTIME, true);
        ClickButton(GetDlgItem(book, IDCANCEL));
    });
    EXPECT_FALSE(Run(CLOCK));
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(seen, "Settings|5|Program|Checks|Time server|Connection|Drift|Dock clock|Assistant|LAN"
                    "|Arial, 14 pt, bold|taskbar|shift adjusts|old.example"
                    "|Germany: PTB Braunschweig, atomic clock 2");
    EXPECT_TRUE(swatches);

    DIALOGDRIVER closer(TITLE, [&](HWND book) {
        text(show(book, CHECKS), IDC_UPDATE_CYCLIC, "6");
        SendMessageA(book, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(Run());
    ASSERT_TRUE(closer.Wait());
    EXPECT_TRUE(SameText(settings.Text().Text(), before.Text()));
    EXPECT_TRUE(events.Calls.empty());
    EXPECT_FALSE(FileExistsOnDisk(dir.File("horalink.cfg")));
}

// On the way the enable rules follow their check boxes: automatic setting, sound and its
// repetition, the largest correction; the second server and its choice; the SNTP server
// of a LAN server.
TEST_F(SettingsDialog, OkStoresTheControlsAndSetsTheNewSettingsGoing)
{
    settings["ClockColorBG"] = "255";
    std::vector<std::string> rules;
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        HWND page = show(book, PROGRAM);
        check(page, IDC_PROGRAM_TASKBAR, true);
        check(page, IDC_PROGRAM_DBLADJUST, true);
        check(page, IDC_PROGRAM_AUTORUN, true);
        page = show(book, CHECKS);
        const std::initializer_list<int> checks = {
            IDC_UPDATE_CHECKONCE,   IDC_UPDATE_MSGBOX,    IDC_UPDATE_SOUNDFILE,
            IDC_UPDATE_SOUNDCHOOSE, IDC_UPDATE_SOUNDPLAY, IDC_UPDATE_SOUNDLOOP,
            IDC_UPDATE_SOUNDREPEAT, IDC_UPDATE_SOUNDREPEAT + 1000, IDC_UPDATE_MAXADJUST};
        rules.push_back(enabled(page, checks));
        check(page, IDC_UPDATE_AUTOTIME, true);
        check(page, IDC_UPDATE_SOUNDLOOP, true);
        check(page, IDC_UPDATE_DOMAXADJUST, true);
        rules.push_back(enabled(page, checks));
        check(page, IDC_UPDATE_SOUND, false);
        rules.push_back(enabled(page, checks));
        text(page, IDC_UPDATE_CYCLIC, "6");
        text(page, IDC_UPDATE_NETVARIANCE, "9999");
        text(page, IDC_UPDATE_MAXADJUST, "0");
        text(page, IDC_UPDATE_EXTRA, "-30");
        page = show(book, SERVER);
        const std::initializer_list<int> servers = {
            IDC_SERVER_LIST,         IDC_SERVER_CUSTOMNAME, IDC_SERVER_SECONDFROMLIST,
            IDC_SERVER_SECONDCUSTOM, IDC_SERVER_SECONDLIST, IDC_SERVER_SECONDCUSTOMNAME};
        rules.push_back(enabled(page, servers));
        HWND list = GetDlgItem(page, IDC_SERVER_LIST);
        SelectListEntry(list, static_cast<int>(SendMessageA(list, LB_FINDSTRING, -1,
                                                            reinterpret_cast<LPARAM>("Local network"))));
        check(page, IDC_SERVER_SECOND, true);
        rules.push_back(enabled(page, servers));
        check(page, IDC_SERVER_SECONDCUSTOM, true);
        rules.push_back(enabled(page, servers));
        text(page, IDC_SERVER_SECONDCUSTOMNAME, "ntp.mine.example");
        page = show(book, CONNECTION);
        check(page, IDC_CONNECTION_DIALUP, true);
        check(page, IDC_CONNECTION_ANY, true);
        check(show(book, CLOCK), IDC_CLOCK_DOCKED, false);
        text(show(book, AGENT), IDC_AGENT_CORRECT, "All fine.");
        page = show(book, LAN);
        rules.push_back(enabled(page, {IDC_LAN_SNTP}));
        check(page, IDC_LAN_SERVER, true);
        rules.push_back(enabled(page, {IDC_LAN_SNTP}));
        check(page, IDC_LAN_SNTP, true);
        check(page, IDC_LAN_CYCLIC, true);
        text(page, IDC_LAN_HOURS, "2");
        ClickButton(GetDlgItem(book, IDOK));
    });
    EXPECT_TRUE(Run());
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(rules, (std::vector<std::string>{"011111000", "101111111", "100000001", "100000",
                                               "101110", "101101", "0", "1"}));
    // The LAN server's entry makes this PC a LAN client.
    EXPECT_EQ(events.Calls, (std::vector<std::string>{"SetLanFlags 1 0", "ApplyDrift 0 0", "ApplyWindows 255"}));
    for (const char* line :
         {"DlgTaskbar=1", "DlgDblClickMode=2", "DlgAutoRun=1", "ProAutoTime=1", "NotifyDoSound=0",
          "TimeCyclic=6", "TimeNetVariance=5000", "TimeDoMaxAdjust=1", "TimeMaxAdjust=1",
          "TimeExtraAdjustment=-24", "TimeServer=lanserver.horalink.invalid",
          "LastTimeServer=lanserver.horalink.invalid", "TimeDoServer2=1", "TimeDoCustomAltServer=1",
          "TimeCustomAltServer=ntp.mine.example", "TimeServer2=ntp.mine.example", "ConnectionType=1",
          "ConnectionDunAny=1", "ClockDocked=0", "AgentTextCorrect=All fine.", "LanDoServer=1",
          "LanSntpServer=1", "LanBrodcastCyclic=1", "LanBrodcastCyclicHours=2", "ListviewColorBG=255",
          // The next check counts from the last one: 6 hours after 1700000000.
          "TimeNextRefresh=1700021600"})
        EXPECT_TRUE(SavedHas(line)) << line;
    EXPECT_EQ(AutoStartValue("Horalink"), "\"" + std::string(KELVOAPP::ProgramPath()) + "\"");
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
    EXPECT_EQ(shown + "|" + increment + "|" + adjustment, "15625000|15625000|-6510");
    for (const char* line : {"TimeDriftDoAdjust=1", "TimeDriftAdjustment=-6510",
                             "TimeDriftCalc1=36", "TimeDriftCalc2=24", "TimeDriftCalc3=1"})
        EXPECT_TRUE(SavedHas(line)) << line;
    EXPECT_EQ(events.Calls[1], "ApplyDrift 1 -6510");
}

// A typo such as 2000000000 ns per tick is refused at OK with a box, on the drift page;
// corrected, OK goes through. The dialog's thread is in the box: OK is posted.
TEST_F(SettingsDialog, ADriftCorrectionBeyondTheBandIsRefusedAtOk)
{
    DIALOGSEEN box;
    int shown = -1;
    DIALOGDRIVER driver(TITLE, [&](HWND book) {
        HWND page = show(book, DRIFT);
        check(page, IDC_DRIFT_ADJUST, true);
        text(page, IDC_DRIFT_ADJUSTMENT, "2000000000");
        show(book, CLOCK);
        PostMessageA(book, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(book, IDOK)));
        HWND warning = WaitForDialog("Horalink", GetCurrentProcessId(), 20000);
        if (!warning) return;
        box.found = true;
        box.text = DialogStaticText(warning);
        PressDialogButton(warning, IDOK);
        for (int i = 0; i < 400 && !IsWindowVisible(page); i++) Sleep(25);
        shown = IsWindowVisible(page) ? DRIFT : -1;
        text(page, IDC_DRIFT_ADJUSTMENT, "-78125");
        ClickButton(GetDlgItem(book, IDOK));
    });
    EXPECT_TRUE(Run());
    ASSERT_TRUE(driver.Wait());
    ASSERT_TRUE(box.found);
    EXPECT_NE(box.text.find("2000000000 ns"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("-78125 and 78125"), std::string::npos) << box.text;
    EXPECT_EQ(shown, DRIFT);
    EXPECT_EQ(events.Calls[1], "ApplyDrift 1 -78125");
}

}  // namespace
