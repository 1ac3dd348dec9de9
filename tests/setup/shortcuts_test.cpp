// The shortcuts page's work as Wine's shell sees it: the shortcuts in the program group
// and on the desktop read back, their record in the uninstall key, the firewall
// exceptions and the handheld install's application manager.
#include "firewall.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "osys.h"
#include "registry.h"
#include "setupstate.h"
#include "shelllinks.h"
#include "shortcuts.h"
#include "testfiles.h"

#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using testing::HasSubstr;

typedef std::vector<std::pair<const char*, std::string>> CONFIG;

class Shortcuts : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CoInitialize(nullptr);
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((ProductBinDir() + "\\setup.exe").c_str(), "setup", "1.00");
    }
    void SetUp() override
    {
        static int run = 0;
        inikey = "HoralinkShortcutsTest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++run);
        group = GetWin32SystemPath(SYSTEMPATH_PROGRAMS).Text() + inikey;
        desktop = GetWin32SystemPath(SYSTEMPATH_DESKTOP).Text();
        for (const char* file : {"clock.exe", "help.chm", "setup.exe"}) WriteFileBytes(dir.File(file), "MZ");
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(SETUP_UNINSTALLKEY) + "\\" + inikey).c_str());
        RemoveTree(group);
        DeleteFileA((desktop + "Clock.LNK").c_str());
        ResetSetup();
    }
    // The page's work with the test's AppName, IniKey and StartmenuName, then config.
    void Make(const CONFIG& config, const char* choice, const char* desktopicon)
    {
        ResetSetup();
        SETUPSTATE& s = ::Setup();
        s.Config["AppName"] = "Horatest";
        s.Config["IniKey"] = inikey.c_str();
        s.Config["StartmenuName"] = inikey.c_str();
        for (const auto& c : config) s.Config[c.first] = c.second.c_str();
        s.InstallFolder = dir.Path().c_str();
        s.ShortcutChoice = choice;
        s.DesktopIcon = desktopicon;
        MakeShortcuts(nullptr);
    }
    std::string Uninstall(const char* value)
    {
        STRING text = REGISTRY(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, inikey.c_str(), REGISTRY_READ).Read(value);
        return text.IsNull() ? "<none>" : text.Text();
    }

    TEMPDIR dir;
    std::string inikey, group, desktop;
};

TEST_F(Shortcuts, GroupDesktopAndUninstallEntriesAreMadeAndRecorded)
{
    const std::string opts = "Clock;*clock.exe;/sync|Help;help.chm;;clock.exe:3|Home page;https://example.org/";
    struct CASE {
        CONFIG Config;
        const char *Choice, *Desktop, *GroupFiles, *DesktopFiles;
    } cases[] = {
        {{{"StartmenuOpts", opts}}, "0", "1", "Clock|Help|Home page", "Clock"},
        {{{"StartmenuOpts", opts}, {"StartmenuUninstall", "1"}}, "0", "0", "Clock|Help|Home page|Uninstall Horatest", "<none>"},
        {{{"StartmenuOpts", opts}, {"StartmenuUninstall", "1"}}, "2", "1", "<none>", "Clock"},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(std::string(c.Choice) + c.Desktop + " " + c.GroupFiles);
        TearDown();
        Make(c.Config, c.Choice, c.Desktop);
        bool grouped = std::string(c.Choice) != "2", desktopicon = std::string(c.Desktop) == "1";
        EXPECT_EQ(Uninstall("UninstallStartmenuFiles"), c.GroupFiles);
        EXPECT_EQ(Uninstall("UninstallStartmenu"), grouped ? group : "<none>");
        EXPECT_EQ(Uninstall("UninstallDesktopFiles"), c.DesktopFiles);
        EXPECT_EQ(FileExistsOnDisk(group), grouped);
        EXPECT_EQ(FileExistsOnDisk(desktop + "Clock.LNK"), desktopicon);

        const std::string in = dir.Path();
        if (desktopicon) {
            EXPECT_EQ(ReadShellLink(desktop + "Clock.LNK"), in + "\\clock.exe|/sync|" + in + "|,0");
        }
        if (!grouped) continue;
        EXPECT_EQ(ReadShellLink(group + "\\Clock.LNK"), in + "\\clock.exe|/sync|" + in + "|,0");
        EXPECT_EQ(ReadShellLink(group + "\\Help.LNK"), in + "\\help.chm||" + in + "|" + in + "\\clock.exe,3");
        EXPECT_THAT(ReadFileBytes(group + "\\Home page.URL"), HasSubstr("URL=https://example.org/"));
        if (c.Config.size() > 1) {
            EXPECT_EQ(ReadShellLink(group + "\\Uninstall Horatest.LNK"),
                      in + "\\setup.exe|-remove " + inikey + "|" + in + "|" + in + "\\setup.exe,1");
        }
    }
}

// A name from setup.cfg becomes a file name: one that would lead out of its folder is refused.
TEST_F(Shortcuts, ANameLeadingOutOfItsFolderIsRefused)
{
    const std::string programs = GetWin32SystemPath(SYSTEMPATH_PROGRAMS).Text();
    const std::string outside[] = {programs + "x.LNK", programs + "y.LNK", desktop + "..\\y.LNK"};
    for (const std::string& file : outside) DeleteFileA(file.c_str());
    LOGCAPTURE log;
    Make({{"StartmenuOpts", "..\\x;clock.exe|a/b;clock.exe|c:d;clock.exe|..\\y;*clock.exe|Fine;clock.exe"}}, "0", "1");
    EXPECT_THAT(log.Text(), HasSubstr("MakeShortcuts refuses ..\\x;clock.exe"));
    EXPECT_EQ(Uninstall("UninstallStartmenuFiles"), "Fine");
    EXPECT_EQ(Uninstall("UninstallDesktopFiles"), "<none>");
    for (const std::string& file : outside) {
        EXPECT_FALSE(FileExistsOnDisk(file)) << file;
        DeleteFileA(file.c_str());
    }
    // A group without a name of its own would be the Start menu's folder itself.
    for (const char* name : {"", "..", "a\\b"}) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(SETUP_UNINSTALLKEY) + "\\" + inikey).c_str());
        Make({{"StartmenuName", name}, {"StartmenuOpts", "Fine;clock.exe"}}, "0", "0");
        EXPECT_FALSE(FileExistsOnDisk(programs + "Fine.LNK")) << name;
        EXPECT_EQ(Uninstall("UninstallStartmenu"), "<none>") << name;
    }
}

// The friendly name is the Start-menu item's that starts the program, else AppName.
// Wine's firewall answers every lookup with a disabled entry and keeps nothing it is
// given, so what the installer asked for is read from the trace.
TEST_F(Shortcuts, FirewallExceptionsAreNamedAfterTheirShortcut)
{
    const std::string program = dir.File("bin\\clock.exe");
    struct CASE {
        const char *Opts, *Name;
    } cases[] = {{"Help;help.chm|Clock;*BIN/Clock.exe|Other;*bin/clock.exe", "Clock"}, {"Help;bin/clock.exe.lnk", "Horatest"}};
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.Opts);
        LOGCAPTURE log;
        Make({{"StartmenuOpts", c.Opts}, {"AddToFirewall", "|bin/clock.exe|"}}, "2", "0");
        EXPECT_THAT(log.Text(), HasSubstr("MakeShortcuts firewall exception \"" + std::string(c.Name) + "\" for " + program + "\r\n"));
        EXPECT_THAT(log.Text(), HasSubstr("Application " + program + " is now added to the firewall\r\n"));
    }
    FIREWALL firewall;
    ASSERT_TRUE(firewall.IsUp());
    BOOL enabled = TRUE;
    EXPECT_EQ(firewall.IsAppEnabled(program.c_str(), &enabled), S_OK);
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(firewall.RemoveApplication(program.c_str())) << "a disabled entry is left alone";
}

TEST_F(Shortcuts, TheHandheldInstallRunsTheApplicationManagerOnItsFile)
{
    ::Setup().InstallFolder = dir.Path().c_str();
    EXPECT_FALSE(RunAppManager()) << "no application manager";
    ::Setup().AppManager = (TestProgramDir() + "\\argrecorder.exe").c_str();
    SetEnvironmentVariableA("ARGRECORDER_OUT", dir.File("record.txt").c_str());
    SetEnvironmentVariableA("ARGRECORDER_DELAY", "500");
    EXPECT_TRUE(RunAppManager());
    std::string record = ReadFileBytes(dir.File("record.txt"));  // written just before its end
    EXPECT_THAT(record, HasSubstr("argrecorder.exe\" \"" + dir.Path() + "\\pcinstall.ini\"\n"));
    EXPECT_THAT(record, HasSubstr("title=Kelvo Setup\n"));
    SetEnvironmentVariableA("ARGRECORDER_OUT", nullptr);
    SetEnvironmentVariableA("ARGRECORDER_DELAY", nullptr);
}
