// setup.cfg as the installer reads it, and the install folder's rules.
#include "installer.h"
#include "installfolder.h"
#include "setupcfg.h"
#include "setuphook.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

TEST(SetupConfig, LanguageVariantsWinAndContinuedValuesAreJoined)
{
    HASH config(STRING("WelcomeMsg=Hallo\nWelcomeMsg.ENG=Hello\nWelcomeMsg.GER=Guten Tag\nOther.eng=x\n"
                       "FinishMsg=Part one\nFinishMsg_0= and two\nFinishMsg_1=, three\nFinishMsg_12=never\n"
                       "Plain.Dotted=gone\nStartmenuOpts=a|b\n"));
    FoldLanguageKeys(config, ".ENG");
    EXPECT_STREQ(config["WelcomeMsg"], "Hello");
    EXPECT_STREQ(config["Other"], "x");  // the suffix compares without regard to case
    EXPECT_STREQ(config["FinishMsg"], "Part one and two, three");
    EXPECT_FALSE(config.Exists("WelcomeMsg.ENG"));
    EXPECT_FALSE(config.Exists("WelcomeMsg.GER"));
    EXPECT_FALSE(config.Exists("Plain.Dotted"));
    EXPECT_FALSE(config.Exists("FinishMsg_0"));
    EXPECT_TRUE(config.Exists("FinishMsg_12"));
    EXPECT_STREQ(config["StartmenuOpts"], "a|b");
    EXPECT_EQ(SetupList(config["StartmenuOpts"]).GetCount(), 2);
    EXPECT_EQ(SetupList(STRING("|x||y|")).GetCount(), 2);
}

TEST(SetupConfig, AFileIsCheckedLineByLineBeforeItIsUsed)
{
    struct CASE {
        const char* Text;
        int BadLine;  // 0: well-formed
    } cases[] = {
        {"AppName=Horalink\r\nAppVersion=1.00\r\n", 0},
        {"// comment\n# note\n#\n\nAppName=x\n", 0},
        {"AppName=a\\\\b\\x41\\r\\n\\t\\0\\z\n", 0},
        {"AppName=Horalink\nno equals sign\n", 2},
        {"=value without key\n", 1},
        {"AppName=bad \\q escape\n", 1},
        {"AppName=cut \\x4\n", 1},
        {"AppName=ends in \\\n", 1},
    };
    for (const CASE& c : cases) {
        int line = 0;
        EXPECT_EQ(SetupConfigWellFormed(STRING(c.Text), &line), c.BadLine == 0) << c.Text;
        if (c.BadLine) {
            EXPECT_EQ(line, c.BadLine) << c.Text;
        }
    }
    EXPECT_FALSE(SetupConfigWellFormed(STRING("AppName=a\0b\n", 12)));

    TEMPDIR dir;
    HASH config;
    EXPECT_EQ(LoadSetupConfig(dir.File("setup.cfg").c_str(), config), SETUPCFG_UNREADABLE);
    ASSERT_TRUE(WriteFileBytes(dir.File("setup.cfg"), std::string(SETUPCFG_MAXBYTES + 1, '#')));
    EXPECT_EQ(LoadSetupConfig(dir.File("setup.cfg").c_str(), config), SETUPCFG_UNREADABLE);
    ASSERT_TRUE(WriteFileBytes(dir.File("setup.cfg"), "AppName=Horalink\r\nbroken\r\n"));
    int line = 0;
    EXPECT_EQ(LoadSetupConfig(dir.File("setup.cfg").c_str(), config, &line), SETUPCFG_MALFORMED);
    EXPECT_EQ(line, 2);
    EXPECT_EQ(config.GetCount(), 0) << "a malformed file leaves the table alone";
    ASSERT_TRUE(WriteFileBytes(dir.File("setup.cfg"), "AppName=Horalink\r\nInstallPath=Kelvo\\\\Horalink\r\n"));
    EXPECT_EQ(LoadSetupConfig(dir.File("setup.cfg").c_str(), config), SETUPCFG_OK);
    EXPECT_STREQ(config["InstallPath"], "Kelvo\\Horalink");
}

TEST(InstallFolder, ProposedFinishedAndRefused)
{
    TEMPDIR dir;
    const char* programs = "C:\\Program Files\\";
    EXPECT_EQ(std::string(ProposedInstallFolder("", "*D:\\Tools\\Clock", programs)), "D:\\Tools\\Clock");
    EXPECT_EQ(std::string(ProposedInstallFolder(nullptr, "Kelvo\\Clock", programs)), "C:\\Program Files\\Kelvo\\Clock");
    // An earlier installation is installed over while its folder exists.
    EXPECT_EQ(std::string(ProposedInstallFolder(dir.Path().c_str(), "Kelvo\\Clock", programs)), dir.Path());
    EXPECT_EQ(std::string(ProposedInstallFolder(dir.File("gone").c_str(), "Kelvo\\Clock", programs)),
              "C:\\Program Files\\Kelvo\\Clock");

    EXPECT_EQ(std::string(FinishedInstallFolder("D:\\Tools\\", "Horalink")), "D:\\Tools");
    EXPECT_EQ(std::string(FinishedInstallFolder("D:\\", "Horalink")), "D:\\Horalink");
    EXPECT_EQ(std::string(FinishedInstallFolder("D:", "Horalink")), "D:\\Horalink");
    EXPECT_EQ(std::string(FinishedInstallFolder("D:\\Tools", "Horalink")), "D:\\Tools");

    struct CASE {
        std::string Folder;
        bool Allowed;
    } cases[] = {
        {"C:\\Program Files\\Kelvo\\Horalink", true},
        {"D:\\Tools", true},
        {"\\\\server\\share\\Horalink", true},
        {"C:\\", false},
        {"C:", false},
        {"c:\\windows", false},
        {"C:\\Windows\\", false},
        {"C:\\Program Files", false},
        {"c:\\program files\\", false},
        {"\\\\server\\share", false},
        {"Horalink", false},
        {"\\Horalink", false},
        {"C:\\Tools\\..\\Windows", false},
        {"C:\\Tools\\.", false},
        {"C:\\" + std::string(256, 'x'), true},   // 259 characters
        {"C:\\" + std::string(257, 'x'), false},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(InstallFolderAllowed(c.Folder.c_str(), "C:\\Windows", programs), c.Allowed) << c.Folder;
}

TEST(SetupHooks, WithoutThePlugInEveryHookAnswersOne)
{
    SETUPHOOKS hooks("HoralinkNoSuchPlugIn");
    EXPECT_FALSE(hooks.LibraryLoaded());
    EXPECT_TRUE(hooks.HasSetupHook());
    EXPECT_EQ(hooks.Setup(SETUPHOOK_ADMIN, "ADDPRINTER"), 1);
    EXPECT_EQ(hooks.NewSetup(NEWHOOK_CONFIG, 9, nullptr, nullptr, 0, nullptr), 1);
    EXPECT_EQ(hooks.NewSetupFunction(), &NewSetupHookDummy);
}

TEST(DaoCheck, TheRegisteredLibraryOfVersionThreeSixOrItsThreeFiveNeighbour)
{
    EXPECT_STREQ(DaoRegisteredPath("C:\\Y\\dao360.dll", "C:\\X\\dao350.dll", ""), "C:\\Y\\dao360.dll");
    EXPECT_STREQ(DaoRegisteredPath("", "C:\\X\\DAO350.DLL", "C:\\Z\\dao350.dll"), "C:\\X\\DAO360.dll");
    EXPECT_STREQ(DaoRegisteredPath("", "", "C:\\Z\\dao350.dll"), "C:\\Z\\dao360.dll");
    EXPECT_STREQ(DaoRegisteredPath(nullptr, nullptr, nullptr), "");
}
