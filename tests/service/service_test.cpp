// The controller's pieces that need no service manager: reading and checking
// service.cfg, the help file's name, the launcher's working folder, and the status
// reports of the service wrapper.
#include "servicecfg.h"
#include "servicehelp.h"
#include "servicelauncher.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

// The configuration's text form: a backslash is written twice.
static std::string escaped(std::string text)
{
    for (size_t at = text.find('\\'); at != std::string::npos; at = text.find('\\', at + 2)) text.insert(at, 1, '\\');
    return text;
}

const char GOOD_CONFIG[] = "AppName=Horalink\r\nAppExe=horalink.exe\r\nAppHelp=horalink|2805\r\n"
                           "AppRegKey=Horalink\r\nAppWinClass=KelvoHoralinkWinClassService\r\n";

TEST(ServiceConfig, ReadsEveryKeyAndRefusesWhatIsMissingTooLongOrOutside)
{
    TEMPDIR dir;
    struct CASE {
        std::string Lines;  // put ahead of the good configuration, so they win
        bool Good;
    } cases[] = {
        {"", true},
        {"AppExe=bin\\horalink.exe\r\n", true},
        {"AppWinClass=" + std::string(254, 'w') + "Kelvo\r\n", true},   // 259 characters
        {"AppWinClass=" + std::string(255, 'w') + "Kelvo\r\n", false},  // one too many
        {"AppName=\r\n", false},
        {"AppRegKey=\r\n", false},
        {"AppWinClass=HoralinkWinClass\r\n", false},
        {"AppWinClass=kelvoHoralink\r\n", false},  // the maker's name as it is written
        {"AppExe=..\\horalink.exe\r\n", false},
        {"AppExe=bin\\..\\..\\horalink.exe\r\n", false},
        {"AppExe=bin/../../horalink.exe\r\n", false},
        {"AppExe=\\horalink.exe\r\n", false},
        {"AppExe=C:horalink.exe\r\n", false},
        {"AppExe=C:\\windows\\notepad.exe\r\n", false},
        {"AppExe=\\\\server\\share\\horalink.exe\r\n", false},
        {"AppExe=horalink.exe:stream\r\n", false},
        {"AppExe=aux\r\n", false},
        {"AppExe=com1.exe\r\n", false},
        {"AppExe=bin\\\r\n", false},
        {"AppExe=" + std::string(260, 'x') + "\r\n", false},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.Lines);
        ASSERT_TRUE(WriteFileBytes(dir.File("service.cfg"), escaped(c.Lines) + GOOD_CONFIG));
        SERVICECONFIG config;
        EXPECT_EQ(LoadServiceConfig(dir.File("service.cfg").c_str(), config), c.Good);
        if (c.Lines.empty()) {
            EXPECT_STREQ(config.AppName, "Horalink");
            EXPECT_STREQ(config.AppExe, "horalink.exe");
            EXPECT_STREQ(config.AppHelp, "horalink|2805");
            EXPECT_STREQ(config.AppRegKey, "Horalink");
            EXPECT_STREQ(config.AppWinClass, "KelvoHoralinkWinClassService");
        }
    }
    // Each key is required.
    for (const char* key : {"AppName=", "AppExe=", "AppHelp=", "AppRegKey=", "AppWinClass="}) {
        std::string text = GOOD_CONFIG;
        size_t at = text.find(key);
        text.erase(at, text.find("\r\n", at) + 2 - at);
        ASSERT_TRUE(WriteFileBytes(dir.File("service.cfg"), text));
        SERVICECONFIG config;
        EXPECT_FALSE(LoadServiceConfig(dir.File("service.cfg").c_str(), config)) << key;
    }
    SERVICECONFIG config;
    EXPECT_FALSE(LoadServiceConfig(dir.File("missing.cfg").c_str(), config));
}

TEST(ServiceHelp, TheFileFollowsTheLanguageWithTheClassicAndTheSingleFileAsFallBacks)
{
    TEMPDIR dir;
    EXPECT_EQ(ServiceHelpTopic("horalink|2805"), 2805);
    EXPECT_EQ(ServiceHelpTopic("horalink"), 0);
    // Nothing there: the classic help file's name.
    EXPECT_EQ(std::string(ServiceHelpFile("prod|1", dir.Path().c_str(), false)), dir.File("prodenglish.hlp"));
    EXPECT_EQ(std::string(ServiceHelpFile("prodenglish.chm|1", dir.Path().c_str(), true)), dir.File("prodenglish.hlp"));
    ASSERT_TRUE(WriteFileBytes(dir.File("prod.chm"), "single"));
    EXPECT_EQ(std::string(ServiceHelpFile("prod|1", dir.Path().c_str(), true)), dir.File("prod.chm"));
    ASSERT_TRUE(WriteFileBytes(dir.File("prodgerman.hlp"), "classic"));
    EXPECT_EQ(std::string(ServiceHelpFile("prod|1", dir.Path().c_str(), true)), dir.File("prodgerman.hlp"));
    ASSERT_TRUE(WriteFileBytes(dir.File("prodgerman.chm"), "per language"));
    EXPECT_EQ(std::string(ServiceHelpFile("prod|1", dir.Path().c_str(), true)), dir.File("prodgerman.chm"));
    EXPECT_EQ(std::string(ServiceHelpFile("prod|1", dir.Path().c_str(), false)), dir.File("prod.chm"));
}

TEST(ServiceLauncher, TheWorkingFolderOfADevelopmentBuildIsTheSourceFolder)
{
    TEMPDIR tree;
    for (const char* sub : {"Debug", "Release", "Debug2", "bin"})
        ASSERT_TRUE(CreateDirectoryA(tree.File(sub).c_str(), nullptr));
    // Without main.cpp beside them the folders stay as they are.
    EXPECT_EQ(std::string(SERVICELAUNCHER::WorkingFolder(tree.File("Debug").c_str())), tree.File("Debug"));
    ASSERT_TRUE(WriteFileBytes(tree.File("main.cpp"), ""));
    EXPECT_EQ(std::string(SERVICELAUNCHER::WorkingFolder(tree.File("Debug").c_str())), tree.Path());
    EXPECT_EQ(std::string(SERVICELAUNCHER::WorkingFolder(tree.File("Release").c_str())), tree.Path());
    EXPECT_EQ(std::string(SERVICELAUNCHER::WorkingFolder(tree.File("Debug2").c_str())), tree.File("Debug2"));
    EXPECT_EQ(std::string(SERVICELAUNCHER::WorkingFolder(tree.File("bin").c_str())), tree.File("bin"));
}

// A launcher outside the service manager: its reports reach nobody, but are counted.
TEST(ServiceWrapper, StoppedIsReportedOnceAndEndsTheReports)
{
    SERVICELAUNCHER launcher(7, "HoralinkTestNowhere", "KelvoNoClass", "nothing.exe");
    SERVICE_STATUS status = launcher.Status();
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
    EXPECT_EQ(status.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(launcher.Owner(), 7);
    EXPECT_EQ(launcher.ReportCount(), 0);
    launcher.SetStatus(SERVICE_RUNNING);
    launcher.Control(SERVICE_CONTROL_INTERROGATE);
    EXPECT_EQ(launcher.ReportCount(), 2);
    launcher.SetStatus(SERVICE_STOPPED);
    EXPECT_EQ(launcher.Status().dwServiceSpecificExitCode, 1u);
    launcher.SetStatus(SERVICE_STOPPED);
    // A stop control after the end does not bring "stop pending" back.
    launcher.Control(SERVICE_CONTROL_STOP);
    EXPECT_EQ(launcher.ReportCount(), 3);
    EXPECT_EQ(launcher.Status().dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(launcher.OnUserControl(200), 1);
}
