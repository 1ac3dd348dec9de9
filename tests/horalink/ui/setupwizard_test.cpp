// The set-up wizard, driven like a user would from a thread of its own: Back and
// Next, the enable rules of its pages, what Finish stores, the autostart entry, and
// Cancel leaving the settings as they were.
#include "configfiles.h"
#include "dialogdriver.h"
#include "dialogpages.h"
#include "englishlibrary.h"
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
        LoadEnglishLibrary();
        SETTINGS::Read(settings, dir.Path().c_str(), NOW - 5000);
        SetAutoStart("Horalink", nullptr);
    }
    void TearDown() override
    {
        SetAutoStart("Horalink", nullptr);
        KELVOAPP::FreeLanguageLibrary();
    }
    // Several settings' values joined by "|".
    std::string Values(std::initializer_list<const char*> keys)
    {
        std::string joined;
        for (const char* key : keys) joined += std::string(settings[key].Text()) + "|";
        return joined.substr(0, joined.size() - 1);
    }

    TEMPDIR dir;
    HASH settings;
};

void click(HWND frame, int id) { ClickButton(GetDlgItem(frame, id)); }
std::string state(bool on) { return on ? "1" : "0"; }

TEST_F(SetupWizard, FinishStoresEveryChoice)
{
    std::string entries, servers, enabling;
    DIALOGDRIVER driver(TITLE, [&](HWND frame) {
        ClickCheck(PageControl(frame, IDC_CONNECTION_DIALUP), true);
        enabling = state(IsEnabled(PageControl(frame, IDC_CONNECTION_ENTRIES)));
        entries = ListEntries(PageControl(frame, IDC_CONNECTION_ENTRIES));
        SelectListEntry(PageControl(frame, IDC_CONNECTION_ENTRIES), 1);
        click(frame, IDC_WIZARD_NEXT);
        servers = ListEntries(PageControl(frame, IDC_SERVER_LIST));
        SelectListEntry(PageControl(frame, IDC_SERVER_LIST), 2);
        SetControlText(PageControl(frame, IDC_SERVER_CYCLIC), "12");
        click(frame, IDC_WIZARD_NEXT);
        ClickCheck(PageControl(frame, IDC_WIZSTYLE_LIVELY), true);
        ClickCheck(PageControl(frame, IDC_WIZSTYLE_AUTORUN), true);
        enabling += state(IsEnabled(PageControl(frame, IDC_WIZSTYLE_CHECKONCE)));
        ClickCheck(PageControl(frame, IDC_WIZSTYLE_CHECKONCE), true);
        click(frame, IDOK);
    });
    WIZARDRESULT result = RunSetupWizard(nullptr, settings, STRING("Office|Home"), NOW);
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(entries, "Office|Home");
    EXPECT_EQ(enabling, "11");
    EXPECT_EQ(servers.rfind("Worldwide: public servers of the NTP pool|Europe: NTP pool|", 0), 0u);
    EXPECT_NE(servers.find("|Local network: the time comes from the Horalink LAN server"),
              std::string::npos);
    EXPECT_TRUE(result.Finished);
    EXPECT_EQ(result.Style, WIZARDSTYLE_LIVELY);
    // The lively style leaves the look alone.
    EXPECT_EQ(Values({"ConnectionType", "ConnectionEntryToMonitor", "TimeServer", "TimeCyclic",
                      "TimeNextRefresh", "DlgAutoRun", "TimeCheckOnce", "ClockAnimation",
                      "DlgStartMinimized"}),
              "1|Home|de.pool.ntp.org|12|1700000000|1|1|1|0");
    EXPECT_EQ(AutoStartValue("Horalink"), "\"" + std::string(KELVOAPP::ProgramPath()) + "\"");
}

// Next and Finish in turn on the presets; Back returns, the interval keeps to its range.
TEST_F(SetupWizard, PresetsGiveAPermanentConnectionTheDefaultServerAndTheQuietStyle)
{
    settings["TimeCyclic"] = "1";
    SetAutoStart("Horalink", true);
    std::string buttons, cyclic;
    DIALOGDRIVER driver(TITLE, [&](HWND frame) {
        buttons = state(IsEnabled(GetDlgItem(frame, IDC_WIZARD_BACK))) +
                  state(IsWindowVisible(GetDlgItem(frame, IDOK))) +
                  state(IsEnabled(PageControl(frame, IDC_CONNECTION_ENTRIES)));
        click(frame, IDC_WIZARD_NEXT);
        SetControlText(PageControl(frame, IDC_SERVER_CYCLIC), "500");
        click(frame, IDC_WIZARD_BACK);
        click(frame, IDC_WIZARD_NEXT);
        cyclic = ControlText(PageControl(frame, IDC_SERVER_CYCLIC));
        click(frame, IDC_WIZARD_NEXT);
        buttons += "|" + state(IsWindowVisible(GetDlgItem(frame, IDC_WIZARD_NEXT))) +
                   state(IsEnabled(PageControl(frame, IDC_WIZSTYLE_CHECKONCE)));
        click(frame, IDOK);
    });
    WIZARDRESULT result = RunSetupWizard(nullptr, settings, STRING("Office|Home"), NOW);
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(buttons, "000|00");
    EXPECT_EQ(cyclic, "500");
    EXPECT_TRUE(result.Finished);
    EXPECT_EQ(result.Style, WIZARDSTYLE_QUIET);
    EXPECT_EQ(Values({"ConnectionType", "ConnectionEntryToMonitor", "TimeServer", "TimeCyclic",
                      "ClockAnimation", "AgentSupportActive", "DlgStartMinimized", "ClockTenths",
                      "DlgAutoRun"}),
              std::string("0|Office|") + DEFAULT_TIME_SERVER + "|100|0|0|1|1|0");
    EXPECT_EQ(AutoStartValue("Horalink"), "<none>");

    DIALOGDRIVER empty(TITLE, [&](HWND frame) {
        click(frame, IDC_WIZARD_NEXT);
        click(frame, IDC_WIZARD_NEXT);
        click(frame, IDOK);
    });
    RunSetupWizard(nullptr, settings, STRING(""), NOW);
    ASSERT_TRUE(empty.Wait());
    EXPECT_EQ(Values({"ConnectionEntryToMonitor", "TimeCyclic"}), "|8");
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
    EXPECT_FALSE(RunSetupWizard(nullptr, settings, STRING("Office"), NOW).Finished);
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(selected, 12);  // the server set before is the one chosen
    EXPECT_TRUE(SameText(settings.Text().Text(), before.Text()));
    EXPECT_EQ(AutoStartValue("Horalink"), "<none>");

    DIALOGDRIVER closer(TITLE, [&](HWND frame) {
        click(frame, IDC_WIZARD_NEXT);
        SendMessageA(frame, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(RunSetupWizard(nullptr, settings, STRING("Office"), NOW).Finished);
    ASSERT_TRUE(closer.Wait());
    EXPECT_TRUE(SameText(settings.Text().Text(), before.Text()));
}

}  // namespace
