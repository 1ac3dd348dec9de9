// The version upgrade at start-up: the set-up wizard when the connection is not
// configured or its dial-up entry is gone, the information box for a first start or
// an old version, and the program's version saved into the settings file.
#include "boxwatch.h"
#include "dialogdriver.h"
#include "dialogpages.h"
#include "englishlibrary.h"
#include "fakeras.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "registry.h"
#include "settings.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "versionupgrade.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const unsigned long NOW = 1700000000ul;

class VersionUpgradeTest : public testing::Test {
protected:
    void SetUp() override
    {
        LoadEnglishLibrary();
    }
    void TearDown() override
    {
        SetAutoStart("Horalink", nullptr);
        KELVOAPP::FreeLanguageLibrary();
    }
    // The settings as read at start-up from a file of the given lines, and the phone book.
    UPGRADERESULT Upgrade(const std::string& lines, const char* phonebook)
    {
        if (!lines.empty()) {
            EXPECT_TRUE(WriteFileBytes(dir.File("horalink.cfg"), lines));
        }
        SETTINGS::Read(settings, dir.Path().c_str(), NOW);
        EXPECT_TRUE(ras.Script(phonebook, ""));
        return VersionUpgrade(settings, dir.Path().c_str(), nullptr, nullptr, NOW);
    }
    bool SavedHas(const std::string& line)
    {
        return ReadFileBytes(dir.File("horalink.cfg")).find("\r\n" + line + "\r\n") != std::string::npos;
    }

    FAKERAS ras;
    TEMPDIR dir;
    HASH settings;
};

TEST_F(VersionUpgradeTest, AFirstStartRunsTheWizardShowsTheInfoBoxAndSaves)
{
    std::string info;
    bool wizardgone = false;
    DIALOGDRIVER driver("Horalink set-up", [&](HWND frame) {
        ClickButton(GetDlgItem(frame, IDC_WIZARD_NEXT));
        ClickButton(GetDlgItem(frame, IDC_WIZARD_NEXT));
        ClickCheck(PageControl(frame, IDC_WIZSTYLE_LIVELY), true);
        ClickButton(GetDlgItem(frame, IDOK));
        for (int i = 0; i < 200 && IsWindow(frame); i++) Sleep(25);
        wizardgone = !IsWindow(frame);
        HWND box = WaitForDialog("Horalink", GetCurrentProcessId(), 20000);
        if (!box) return;
        info = DialogStaticText(box);
        PressDialogButton(box, IDOK);
    });
    UPGRADERESULT result = Upgrade("", "Office");
    ASSERT_TRUE(driver.Wait());
    EXPECT_TRUE(wizardgone);
    EXPECT_NE(info.find(OSYS::GetStringFromResource(IDS_UPGRADEINFO).Text()), std::string::npos) << info;
    EXPECT_TRUE(result.WizardRan && result.StartAgent && result.Saved);
    EXPECT_STREQ(settings["AgentSupportActive"].Text(), "1");
    for (const char* line : {"Version=1.00", "ConnectionType=0", "TimeServer=pool.ntp.org"})
        EXPECT_TRUE(SavedHas(line)) << line;
}

// A configured dial-up entry that exists needs no wizard; only an older version than the
// previous release gets the information box. Either way the version is saved.
TEST_F(VersionUpgradeTest, AConfiguredOlderVersionGetsOnlyTheInfoBox)
{
    for (const char* version : {"0.80", "0.79"}) {
        BOXWATCH boxes;
        UPGRADERESULT result = Upgrade("Version=" + std::string(version) +
                                           "\r\nConnectionType=1\r\nConnectionEntryToMonitor=Office\r\n",
                                       "Home|Office");
        const std::vector<DIALOGSEEN>& seen = boxes.Stop();
        EXPECT_EQ(seen.size(), version[3] == '9' ? 1u : 0u) << version;
        for (const DIALOGSEEN& box : seen) EXPECT_EQ(box.title, "Horalink");
        EXPECT_FALSE(result.WizardRan || result.StartAgent) << version;
        EXPECT_TRUE(result.Saved);
        EXPECT_TRUE(SavedHas("Version=1.00"));
    }
}

TEST_F(VersionUpgradeTest, AVanishedDialUpEntryBringsTheWizardBack)
{
    DIALOGDRIVER driver("Horalink set-up",
                        [](HWND frame) { ClickButton(GetDlgItem(frame, IDCANCEL)); });
    UPGRADERESULT result =
        Upgrade("Version=1.00\r\nConnectionType=1\r\nConnectionEntryToMonitor=Office\r\n", "Home");
    ASSERT_TRUE(driver.Wait());
    EXPECT_TRUE(result.WizardRan && result.Saved);
    EXPECT_FALSE(result.StartAgent);
    // Cancelled: the connection stays as it was, so the wizard comes again next time.
    EXPECT_STREQ(settings["ConnectionType"].Text(), "1");
}

TEST_F(VersionUpgradeTest, TheWizardIsNeededOnlyWhileTheConnectionIsNotSettled)
{
    settings["ConnectionType"] = "1";
    settings["ConnectionEntryToMonitor"] = "Office";
    EXPECT_TRUE(NeedsSetupWizard(settings, STRING("")));
    EXPECT_TRUE(NeedsSetupWizard(settings, STRING("Home|office")));
    EXPECT_FALSE(NeedsSetupWizard(settings, STRING("Home|Office")));
    settings["ConnectionDunAny"] = "1";  // any connection counts: no entry needs to exist
    EXPECT_FALSE(NeedsSetupWizard(settings, STRING("Home")));
    settings["ConnectionType"] = "0";
    EXPECT_FALSE(NeedsSetupWizard(settings, STRING("")));
    settings["ConnectionType"] = "-1";
    EXPECT_TRUE(NeedsSetupWizard(settings, STRING("Office")));
    settings["ConnectionType"] = "7";
    EXPECT_FALSE(NeedsSetupWizard(settings, STRING("")));
}

}  // namespace
