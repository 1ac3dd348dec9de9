// The version upgrade at start-up: the set-up wizard when the connection is not
// configured or its dial-up entry is gone, the information box for a first start or
// an old version, and the program's version saved into the settings file.
#include "boxwatch.h"
#include "dialogdriver.h"
#include "dialogpages.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "registry.h"
#include "settings.h"
#include "setupwizard.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "version.h"
#include "versionupgrade.h"
#include "winras.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const unsigned long NOW = 1700000000ul;

typedef void(WINAPI* FAKERASSCRIPT)(const char*, const char*);

class VersionUpgradeTest : public testing::Test {
protected:
    void SetUp() override
    {
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
        WINRAS::SetLibraryName((TestProgramDir() + "\\fakerasapi.dll").c_str());
        ras = new WINRAS;  // keeps the stand-in and its script loaded
    }
    void TearDown() override
    {
        delete ras;
        WINRAS::SetLibraryName(nullptr);
        SetAutoStart("Horalink", nullptr);
        KELVOAPP::FreeLanguageLibrary();
    }
    void PhoneBook(const char* entries)
    {
        HMODULE module = GetModuleHandleA("fakerasapi.dll");
        ASSERT_NE(module, nullptr);
        FAKERASSCRIPT script = reinterpret_cast<FAKERASSCRIPT>(
            reinterpret_cast<void*>(GetProcAddress(module, "FakeRasScript")));
        ASSERT_NE(script, nullptr);
        script(entries, "");
    }
    // Settings as read at start-up from a file of the given lines.
    void Start(const std::string& lines)
    {
        if (!lines.empty()) {
            ASSERT_TRUE(WriteFileBytes(dir.File("horalink.cfg"), lines));
        }
        SETTINGS::Read(settings, dir.Path().c_str(), NOW);
    }
    std::string Saved() { return ReadFileBytes(dir.File("horalink.cfg")); }

    TEMPDIR dir;
    HASH settings;
    WINRAS* ras = nullptr;
};

TEST_F(VersionUpgradeTest, AFirstStartRunsTheWizardShowsTheInfoBoxAndSaves)
{
    PhoneBook("Office");
    Start("");
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
    UPGRADERESULT result = VersionUpgrade(settings, dir.Path().c_str(), nullptr, nullptr, NOW);
    ASSERT_TRUE(driver.Wait());
    EXPECT_TRUE(wizardgone);
    EXPECT_NE(info.find(OSYS::GetStringFromResource(IDS_UPGRADEINFO).Text()), std::string::npos)
        << info;
    EXPECT_TRUE(result.WizardRan);
    EXPECT_TRUE(result.StartAgent);
    EXPECT_TRUE(result.Saved);
    EXPECT_STREQ(settings["Version"].Text(), HORALINK_VERSION);
    EXPECT_STREQ(settings["AgentSupportActive"].Text(), "1");
    EXPECT_STREQ(settings["ConnectionType"].Text(), "0");
    std::string saved = Saved();
    EXPECT_NE(saved.find("\r\nVersion=1.00\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nConnectionType=0\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nTimeServer=pool.ntp.org\r\n"), std::string::npos);
}

TEST_F(VersionUpgradeTest, AConfiguredCurrentVersionShowsNothing)
{
    Start("Version=0.80\r\nConnectionType=0\r\n");
    BOXWATCH boxes;
    UPGRADERESULT result = VersionUpgrade(settings, dir.Path().c_str(), nullptr, nullptr, NOW);
    EXPECT_TRUE(boxes.Stop().empty());
    EXPECT_FALSE(result.WizardRan);
    EXPECT_FALSE(result.StartAgent);
    EXPECT_TRUE(result.Saved);
    EXPECT_NE(Saved().find("\r\nVersion=1.00\r\n"), std::string::npos);
}

TEST_F(VersionUpgradeTest, AnOlderVersionGetsTheInfoBoxButNoWizard)
{
    Start("Version=0.79\r\nConnectionType=1\r\nConnectionEntryToMonitor=Office\r\n");
    PhoneBook("Home|Office");
    BOXWATCH boxes("Horalink");
    UPGRADERESULT result = VersionUpgrade(settings, dir.Path().c_str(), nullptr, nullptr, NOW);
    const std::vector<DIALOGSEEN>& seen = boxes.Stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "Horalink");
    EXPECT_FALSE(result.WizardRan);
    EXPECT_STREQ(settings["Version"].Text(), "1.00");
}

TEST_F(VersionUpgradeTest, AVanishedDialUpEntryBringsTheWizardBack)
{
    Start("Version=1.00\r\nConnectionType=1\r\nConnectionEntryToMonitor=Office\r\n");
    PhoneBook("Home");
    DIALOGDRIVER driver("Horalink set-up",
                        [](HWND frame) { ClickButton(GetDlgItem(frame, IDCANCEL)); });
    UPGRADERESULT result = VersionUpgrade(settings, dir.Path().c_str(), nullptr, nullptr, NOW);
    ASSERT_TRUE(driver.Wait());
    EXPECT_TRUE(result.WizardRan);
    EXPECT_FALSE(result.StartAgent);
    // Cancelled: the connection stays as it was, so the wizard comes again next time.
    EXPECT_STREQ(settings["ConnectionType"].Text(), "1");
    EXPECT_TRUE(result.Saved);
}

TEST_F(VersionUpgradeTest, TheWizardIsNeededOnlyWhileTheConnectionIsNotSettled)
{
    Start("ConnectionType=1\r\nConnectionEntryToMonitor=Office\r\n");
    EXPECT_TRUE(NeedsSetupWizard(settings, STRING("")));
    EXPECT_TRUE(NeedsSetupWizard(settings, STRING("Home|office")));
    EXPECT_FALSE(NeedsSetupWizard(settings, STRING("Home|Office")));
    // Any connection counts: no entry needs to exist.
    settings["ConnectionDunAny"] = "1";
    EXPECT_FALSE(NeedsSetupWizard(settings, STRING("Home")));
    settings["ConnectionType"] = "0";
    EXPECT_FALSE(NeedsSetupWizard(settings, STRING("")));
    settings["ConnectionType"] = "-1";
    EXPECT_TRUE(NeedsSetupWizard(settings, STRING("Office")));
    settings["ConnectionType"] = "7";
    EXPECT_FALSE(NeedsSetupWizard(settings, STRING("")));
}

}  // namespace
