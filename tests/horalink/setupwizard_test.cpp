// The set-up wizard, driven like a user would from a thread of its own: Back and
// Next, the enable rules of its pages, what Finish stores, the autostart entry, and
// Cancel leaving the settings as they were.
#include "configfiles.h"
#include "dialogdriver.h"
#include "dialogpages.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "registry.h"
#include "settings.h"
#include "setupwizard.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const unsigned long NOW = 1700000000ul;
const char TITLE[] = "Horalink set-up";

class SetupWizard : public testing::Test {
protected:
    void SetUp() override
    {
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
        SETTINGS::Read(settings, dir.Path().c_str(), NOW - 5000);
        SetAutoStart("Horalink", nullptr);
    }
    void TearDown() override
    {
        SetAutoStart("Horalink", nullptr);
        KELVOAPP::FreeLanguageLibrary();
    }
    std::string Get(const char* key) { return settings[key].Text(); }

    TEMPDIR dir;
    HASH settings;
};

void click(HWND frame, int id) { ClickButton(GetDlgItem(frame, id)); }

TEST_F(SetupWizard, FinishStoresEveryChoice)
{
    std::string entries, servers;
    bool entriesenabled = false, checkonceenabled = false;
    DIALOGDRIVER driver(TITLE, [&](HWND frame) {
        ClickCheck(PageControl(frame, IDC_CONNECTION_DIALUP), true);
        entriesenabled = IsEnabled(PageControl(frame, IDC_CONNECTION_ENTRIES));
        entries = ListEntries(PageControl(frame, IDC_CONNECTION_ENTRIES));
        SelectListEntry(PageControl(frame, IDC_CONNECTION_ENTRIES), 1);
        click(frame, IDC_WIZARD_NEXT);
        servers = ListEntries(PageControl(frame, IDC_SERVER_LIST));
        SelectListEntry(PageControl(frame, IDC_SERVER_LIST), 2);
        SetControlText(PageControl(frame, IDC_SERVER_CYCLIC), "12");
        click(frame, IDC_WIZARD_NEXT);
        ClickCheck(PageControl(frame, IDC_WIZSTYLE_LIVELY), true);
        ClickCheck(PageControl(frame, IDC_WIZSTYLE_AUTORUN), true);
        checkonceenabled = IsEnabled(PageControl(frame, IDC_WIZSTYLE_CHECKONCE));
        ClickCheck(PageControl(frame, IDC_WIZSTYLE_CHECKONCE), true);
        click(frame, IDOK);
    });
    WIZARDRESULT result = RunSetupWizard(nullptr, settings, STRING("Office|Home"), NOW);
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(entries, "Office|Home");
    EXPECT_TRUE(entriesenabled);
    EXPECT_EQ(servers.rfind("Worldwide: public servers of the NTP pool|Europe: NTP pool|", 0), 0u);
    EXPECT_NE(servers.find("|Local network: the time comes from the Horalink LAN server"),
              std::string::npos);
    EXPECT_TRUE(checkonceenabled);

    EXPECT_TRUE(result.Finished);
    EXPECT_EQ(result.Style, WIZARDSTYLE_LIVELY);
    EXPECT_EQ(Get("ConnectionType"), "1");
    EXPECT_EQ(Get("ConnectionEntryToMonitor"), "Home");
    EXPECT_EQ(Get("TimeServer"), "de.pool.ntp.org");
    EXPECT_EQ(Get("TimeCyclic"), "12");
    EXPECT_EQ(Get("TimeNextRefresh"), "1700000000");
    EXPECT_EQ(Get("DlgAutoRun"), "1");
    EXPECT_EQ(Get("TimeCheckOnce"), "1");
    // The lively style leaves the look alone.
    EXPECT_EQ(Get("ClockAnimation"), "1");
    EXPECT_EQ(Get("DlgStartMinimized"), "0");
    EXPECT_EQ(AutoStartValue("Horalink"), "\"" + std::string(KELVOAPP::ProgramPath()) + "\"");
}

TEST_F(SetupWizard, PresetsGiveAPermanentConnectionTheDefaultServerAndTheQuietStyle)
{
    settings["TimeCyclic"] = "1";
    SetAutoStart("Horalink", true);
    bool backenabled = true, finishshown = true, nextshown = false, checkonceenabled = true;
    DIALOGDRIVER driver(TITLE, [&](HWND frame) {
        backenabled = IsEnabled(GetDlgItem(frame, IDC_WIZARD_BACK));
        finishshown = IsWindowVisible(GetDlgItem(frame, IDOK));
        click(frame, IDC_WIZARD_NEXT);
        click(frame, IDC_WIZARD_NEXT);
        nextshown = IsWindowVisible(GetDlgItem(frame, IDC_WIZARD_NEXT));
        checkonceenabled = IsEnabled(PageControl(frame, IDC_WIZSTYLE_CHECKONCE));
        click(frame, IDOK);
    });
    WIZARDRESULT result = RunSetupWizard(nullptr, settings, STRING("Office|Home"), NOW);
    ASSERT_TRUE(driver.Wait());
    EXPECT_FALSE(backenabled);
    EXPECT_FALSE(finishshown);
    EXPECT_FALSE(nextshown);
    EXPECT_FALSE(checkonceenabled);

    EXPECT_TRUE(result.Finished);
    EXPECT_EQ(result.Style, WIZARDSTYLE_QUIET);
    EXPECT_EQ(Get("ConnectionType"), "0");
    EXPECT_EQ(Get("ConnectionEntryToMonitor"), "Office");
    EXPECT_EQ(Get("TimeServer"), DEFAULT_TIME_SERVER);
    EXPECT_EQ(Get("TimeCyclic"), "8");
    EXPECT_EQ(Get("ClockAnimation"), "0");
    EXPECT_EQ(Get("AgentSupportActive"), "0");
    EXPECT_EQ(Get("DlgStartMinimized"), "1");
    EXPECT_EQ(Get("ClockTenths"), "1");
    EXPECT_EQ(Get("DlgAutoRun"), "0");
    EXPECT_EQ(AutoStartValue("Horalink"), "<none>");
}

TEST_F(SetupWizard, BackReturnsAndTheIntervalStaysWithinItsRange)
{
    std::string cyclic;
    bool listenabled = true;
    DIALOGDRIVER driver(TITLE, [&](HWND frame) {
        listenabled = IsEnabled(PageControl(frame, IDC_CONNECTION_ENTRIES));
        click(frame, IDC_WIZARD_NEXT);
        SetControlText(PageControl(frame, IDC_SERVER_CYCLIC), "500");
        click(frame, IDC_WIZARD_BACK);
        click(frame, IDC_WIZARD_NEXT);
        cyclic = ControlText(PageControl(frame, IDC_SERVER_CYCLIC));
        click(frame, IDC_WIZARD_NEXT);
        click(frame, IDOK);
    });
    RunSetupWizard(nullptr, settings, STRING(""), NOW);
    ASSERT_TRUE(driver.Wait());
    EXPECT_FALSE(listenabled);
    EXPECT_EQ(cyclic, "500");
    EXPECT_EQ(Get("TimeCyclic"), "100");
    EXPECT_EQ(Get("ConnectionEntryToMonitor"), "");
}

TEST_F(SetupWizard, CancelLeavesTheSettingsAsTheyWere)
{
    settings["TimeServer"] = "ptbtime1.ptb.de";
    STRING before = settings.Text();
    int selected = -2;
    DIALOGDRIVER driver(TITLE, [&](HWND frame) {
        ClickCheck(PageControl(frame, IDC_CONNECTION_DIALUP), true);
        click(frame, IDC_WIZARD_NEXT);
        selected = ListSelection(PageControl(frame, IDC_SERVER_LIST));
        SelectListEntry(PageControl(frame, IDC_SERVER_LIST), 0);
        click(frame, IDC_WIZARD_NEXT);
        ClickCheck(PageControl(frame, IDC_WIZSTYLE_AUTORUN), true);
        click(frame, IDCANCEL);
    });
    WIZARDRESULT result = RunSetupWizard(nullptr, settings, STRING("Office"), NOW);
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(selected, 12);  // the server set before is the one chosen
    EXPECT_FALSE(result.Finished);
    EXPECT_TRUE(SameText(settings.Text().Text(), before.Text()));
    EXPECT_EQ(AutoStartValue("Horalink"), "<none>");

    DIALOGDRIVER closer(TITLE, [&](HWND frame) {
        click(frame, IDC_WIZARD_NEXT);
        SendMessageA(frame, WM_CLOSE, 0, 0);
    });
    result = RunSetupWizard(nullptr, settings, STRING("Office"), NOW);
    ASSERT_TRUE(closer.Wait());
    EXPECT_FALSE(result.Finished);
    EXPECT_TRUE(SameText(settings.Text().Text(), before.Text()));
}

}  // namespace
