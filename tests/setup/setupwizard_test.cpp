// setup.exe's wizard as a user walks it: setup.exe with its language libraries copied
// from the build's install folder (dist) into a scratch folder beside a setup.cfg of the
// test's own, driven from this process by the frame's buttons and the pages' controls.
#include "installpages.h"
#include "registry.h"
#include "setupres.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "testprocess.h"
#include "zipwriter.h"

#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

using testing::HasSubstr;

const DWORD RUN_MS = 60000;
const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// "BNC": the frame's buttons Back, Next and Cancel, lower case when disabled, "-" when hidden.
static std::string buttons(HWND frame) { return ButtonStates(frame, {IDC_SETUP_BACK, IDC_SETUP_NEXT, IDCANCEL}, "BNC"); }

class SetupWizard : public testing::Test {
protected:
    void SetUp() override
    {
        inikey = "HoralinkSetupTest" + std::to_string(GetCurrentProcessId());
        std::string dist = TestProgramDir() + "\\..\\dist\\";
        for (const char* file : {"setup.exe", "setupenglish.dll", "setupgerman.dll"})
            ASSERT_TRUE(CopyFileA((dist + file).c_str(), dir.File(file).c_str(), FALSE)) << file;
        folder = dir.File("Clock");
    }
    void TearDown() override
    {
        if (pi.hProcess) WaitProgram(&pi, 0);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (UNINSTALL_KEY + inikey).c_str());
    }
    // setup.cfg: more first, so that its keys win; a backslash is written twice.
    void Config(const std::string& more = "")
    {
        std::string target = folder;
        for (size_t at = target.find('\\'); at != std::string::npos; at = target.find('\\', at + 2)) target.insert(at, 1, '\\');
        ASSERT_TRUE(WriteFileBytes(dir.File("setup.cfg"),
                                   more + "AppName=Horatest\r\nAppVersion=4.2\r\nIniKey=" + inikey +
                                       "\r\nInstallPath=*" + target + "\r\nWelcomeMsg=Keeps the clock exact.\r\n"
                                       "FinishMsg=Done.\r\nStartmenuName=Horatest\r\nStartmenuOpts=Horatest;*horalink.exe\r\n"));
    }
    // An earlier installation of version in folder.
    void Installed(const char* version)
    {
        REGISTRY key(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, inikey.c_str(), REGISTRY_CREATE);
        key.Write("DisplayVersion", version);
        key.Write("UninstallPath", dir.Path().c_str());
    }
    HWND Start(const std::string& arguments = "")
    {
        EXPECT_TRUE(StartProgramAsync("\"" + dir.File("setup.exe") + "\" " + arguments, dir.Path(), &pi));
        frame = WaitForDialog("Horatest Setup", pi.dwProcessId, RUN_MS);
        return frame;
    }
    HWND Page() { return FindWindowExA(frame, nullptr, "#32770", nullptr); }
    std::string Title() { return ItemText(frame, IDC_SETUP_TITLE); }
    // Presses a frame button and waits for the header to show title.
    bool Press(int id, const std::string& title)
    {
        HWND before = Page();
        PressDialogButton(frame, id);
        return WaitUntil([&] { return Page() != before && Page() && Title().find(title) == 0; }, RUN_MS);
    }
    // Cancel and its question, answered with answer; what the question said.
    DIALOGSEEN Cancel(int answer)
    {
        PressDialogButton(frame, IDCANCEL);
        return AnswerOwnedBox(frame, answer, RUN_MS);
    }
    bool Ended(DWORD* code = nullptr)
    {
        PROGRAMRUN run = WaitProgram(&pi, RUN_MS);
        pi = {};
        if (code) *code = run.exitcode;
        return run.ended;
    }

    TEMPDIR dir;
    std::string inikey, folder;
    PROCESS_INFORMATION pi = {};
    HWND frame = nullptr;
};

TEST_F(SetupWizard, WalksForwardAndBackToTheCopyingPageAndCancelsWithoutChanges)
{
    Config();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Title(), "Welcome to Horatest 4.2");
    EXPECT_EQ(ItemText(frame, IDC_SETUP_SUBTITLE), "Keeps the clock exact.");
    EXPECT_EQ(buttons(frame), "-NC") << "no Back on the first page";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(), IDC_SETUP_CHOICE2)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(), IDC_SETUP_CHOICE3)));

    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Licence"));
    EXPECT_THAT(ItemText(Page(), IDC_SETUP_TEXT), HasSubstr("Horatest 4.2"));
    EXPECT_EQ(buttons(frame), "BnC") << "Next waits for the agreement";
    SendMessageA(GetDlgItem(Page(), IDC_SETUP_CHECK), BM_CLICK, 0, 0);
    EXPECT_EQ(buttons(frame), "BNC");

    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Choose the install folder"));
    EXPECT_EQ(ItemText(Page(), IDC_SETUP_TEXT), folder);
    // Cancel on any page asks first; Yes shows the page again.
    EXPECT_THAT(Cancel(IDYES).text, HasSubstr("continue the installation"));
    EXPECT_TRUE(WaitUntil([&] { return Page() && Title() == "Choose the install folder"; }, RUN_MS));
    ASSERT_TRUE(Press(IDC_SETUP_BACK, "Licence"));
    EXPECT_THAT(Cancel(IDYES).text, HasSubstr("continue the installation"));
    EXPECT_TRUE(WaitUntil([&] { return Page() && Title() == "Licence agreement"; }, RUN_MS));
    ASSERT_TRUE(Press(IDC_SETUP_BACK, "Welcome"));
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Licence"));
    SendMessageA(GetDlgItem(Page(), IDC_SETUP_CHECK), BM_CLICK, 0, 0);
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Choose the install folder"));

    // The folder must be able to take a product: the Windows folder is refused.
    SetDlgItemTextA(Page(), IDC_SETUP_TEXT, "C:\\windows\\");
    PressDialogButton(frame, IDC_SETUP_NEXT);
    EXPECT_THAT(AnswerOwnedBox(frame, IDOK, RUN_MS).text, HasSubstr("C:\\windows"));
    ASSERT_TRUE(WaitUntil([&] { return Page() && Title() == "Choose the install folder"; }, RUN_MS));
    SetDlgItemTextA(Page(), IDC_SETUP_TEXT, (folder + "\\").c_str());

    // Without an archive the copy asks whether to try again; No gives it up.
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Copying the files"));
    EXPECT_THAT(AnswerOwnedBox(frame, IDNO, RUN_MS).text, HasSubstr("The file setup.fil of Horatest cannot be installed."));
    EXPECT_TRUE(WaitUntil([&] { return buttons(frame) == "BnC"; }, RUN_MS)) << buttons(frame);

    // Cancel asks; Yes shows the page again, which copies again; No ends the wizard.
    DIALOGSEEN asked = Cancel(IDYES);
    EXPECT_THAT(asked.text, HasSubstr("continue the installation"));
    EXPECT_THAT(AnswerOwnedBox(frame, IDNO, RUN_MS).text, HasSubstr("The file setup.fil of Horatest cannot be installed."));
    EXPECT_TRUE(WaitUntil([&] { return buttons(frame) == "BnC"; }, RUN_MS)) << buttons(frame);
    Cancel(IDNO);
    DWORD code = 1;
    EXPECT_TRUE(Ended(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(FileExistsOnDisk(folder));
    EXPECT_FALSE(REGISTRY(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, inikey.c_str(), REGISTRY_READ).IsOpen());
}

// The welcome page's choices follow the installed version: older is an update, the same
// a reinstallation (which skips the licence), newer leaves the choice open.
TEST_F(SetupWizard, TheWelcomePageChoosesByTheInstalledVersion)
{
    struct CASE {
        const char* Installed;
        int Checked, Disabled1, Disabled2;
        const char* After;  // the page that Next leads to
    } cases[] = {{"4.1", IDC_SETUP_CHOICE3, IDC_SETUP_CHOICE2, 0, "Licence"},
                 {"4.2", IDC_SETUP_CHOICE2, IDC_SETUP_CHOICE3, 0, "Choose the install folder"},
                 {"4.3", IDC_SETUP_CHOICE1, 0, 0, "Licence"}};
    Config();
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.Installed);
        Installed(c.Installed);
        ASSERT_TRUE(Start());
        HWND page = Page();
        for (int id : {IDC_SETUP_CHOICE1, IDC_SETUP_CHOICE2, IDC_SETUP_CHOICE3}) {
            EXPECT_EQ(IsDlgButtonChecked(page, id) == BST_CHECKED, id == c.Checked) << id;
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, id)) == FALSE, id == c.Disabled1 || id == c.Disabled2) << id;
        }
        ASSERT_TRUE(Press(IDC_SETUP_NEXT, c.After));
        // An earlier installation's folder is installed over, whatever InstallPath says.
        if (std::string(c.After) == "Choose the install folder") {
            EXPECT_EQ(ItemText(Page(), IDC_SETUP_TEXT), dir.Path());
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(), IDC_SETUP_TEXT)));
            ASSERT_TRUE(Press(IDC_SETUP_BACK, "Welcome")) << "the skipped licence is skipped backwards too";
        }
        Cancel(IDNO);
        EXPECT_TRUE(Ended());
    }
}

TEST_F(SetupWizard, AWarningShowsOnlyWhileItsDateSaysSo)
{
    EXPECT_EQ(std::string(WelcomeWarningText("ShowOnly=<2007-12-31\r\nOld news", "2007-12-31")), "Old news");
    EXPECT_EQ(std::string(WelcomeWarningText("ShowOnly=<2007-12-31\r\nOld news", "2008-01-01")), "");
    EXPECT_EQ(std::string(WelcomeWarningText("ShowOnly=>2007-12-31\nNew", "2007-12-31")), "");
    EXPECT_EQ(std::string(WelcomeWarningText("showonly=>2007-12-31\nNew", "2008-01-01")), "New");
    EXPECT_EQ(std::string(WelcomeWarningText("Always", "2008-01-01")), "Always");

    Config("WelcomeWarning=ShowOnly=>2007-12-31\\r\\nClose the clock first.\r\n");
    DIALOGANSWERER warning("Horatest", IDOK, RUN_MS);
    ASSERT_TRUE(Start());
    const DIALOGSEEN& seen = warning.Wait();
    EXPECT_EQ(seen.title, "Horatest");
    EXPECT_EQ(seen.text, "Close the clock first.");
    Cancel(IDNO);
    EXPECT_TRUE(Ended());
}

TEST_F(SetupWizard, AMissingOrDamagedConfigurationEndsWithABoxAndChangesNothing)
{
    struct CASE {
        const char* Content;  // null: no file
        const char* Text;
    } cases[] = {{nullptr, "setup.cfg"}, {"AppName=Horatest\r\nInstallPath\r\n", "line 2"}};
    for (const CASE& c : cases) {
        DeleteFileA(dir.File("setup.cfg").c_str());
        if (c.Content) {
            ASSERT_TRUE(WriteFileBytes(dir.File("setup.cfg"), c.Content));
        }
        ASSERT_TRUE(StartProgramAsync("\"" + dir.File("setup.exe") + "\"", dir.Path(), &pi));
        DIALOGANSWERER box("Setup", IDOK, RUN_MS, pi.dwProcessId);
        EXPECT_THAT(box.Wait().text, HasSubstr(c.Text));
        EXPECT_TRUE(Ended());
    }
    EXPECT_FALSE(REGISTRY(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, inikey.c_str(), REGISTRY_READ).IsOpen());
}

// The plug-in beside setup.exe hears of every step; told to, it starts the wizard on
// the finish page, whose Finish ends the wizard with success.
TEST_F(SetupWizard, ThePlugInHearsEveryStepAndMayChangeTheSteps)
{
    Config();
    ASSERT_TRUE(CopyFileA((TestProgramDir() + "\\setuphook.dll").c_str(), dir.File("setuphook.dll").c_str(), FALSE));
    ASSERT_TRUE(Start());
    Cancel(IDNO);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(ReadFileBytes(dir.File("setuphook.log")),
              "SetupHook 1 (null)\nNewSetupHook 0 0 0\nNewSetupHook 1 9 0\nNewSetupHook 5 1 0\n"
              "NewSetupHook 6 1 0\nNewSetupHook 2 0 0\n");

    DeleteFileA(dir.File("setuphook.log").c_str());
    ASSERT_TRUE(WriteFileBytes(dir.File("setuphook.start"), "7"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(ItemText(Page(), IDC_SETUP_TEASER2), "Done.");
    EXPECT_EQ(ItemText(frame, IDC_SETUP_SUBTITLE), "Horatest has been installed on this computer. Click Finish to close the wizard.");
    EXPECT_EQ(buttons(frame), "--C");
    EXPECT_EQ(ItemText(frame, IDCANCEL), "Finish");
    DIALOGANSWERER closing("Kelvo Setup Horatest", IDOK, RUN_MS, pi.dwProcessId);
    PressDialogButton(frame, IDCANCEL);
    EXPECT_EQ(closing.Wait().text, "Horatest has been installed.");
    ASSERT_TRUE(Ended());
    EXPECT_THAT(ReadFileBytes(dir.File("setuphook.log")),
                HasSubstr("NewSetupHook 5 7 0\nNewSetupHook 6 7 0\nSetupHook 2 " + folder + "\nNewSetupHook 2 1 0\n"));
}

// An administrative operation goes to the plug-in; the printer operations are confirmed,
// with or without one.
TEST_F(SetupWizard, AdministrativeOperationsGoToThePlugIn)
{
    Config();
    for (bool plugin : {false, true}) {
        if (plugin) {
            ASSERT_TRUE(CopyFileA((TestProgramDir() + "\\setuphook.dll").c_str(), dir.File("setuphook.dll").c_str(), FALSE));
        }
        ASSERT_TRUE(StartProgramAsync("\"" + dir.File("setup.exe") + "\" /ADMIN:ADDPRINTER", dir.Path(), &pi));
        DIALOGANSWERER box("Setup", IDOK, RUN_MS, pi.dwProcessId);
        EXPECT_EQ(box.Wait().text, "The printer has been added.") << plugin;
        EXPECT_TRUE(Ended());
    }
    EXPECT_EQ(ReadFileBytes(dir.File("setuphook.log")), "SetupHook 256 ADDPRINTER\n");
}

// The advertisement page takes its texts from the file Advertise names (language
// variants folded in); without the file the page is skipped.
TEST_F(SetupWizard, TheAdvertisementPageShowsItsFileOrIsSkipped)
{
    ASSERT_TRUE(CopyFileA((TestProgramDir() + "\\setuphook.dll").c_str(), dir.File("setuphook.dll").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir.File("setuphook.start"), "6"));
    ASSERT_TRUE(WriteFileBytes(dir.File("advert.cfg"), "Url=https://example.com/pro\r\nTeaser1=Neu\r\n"
                                                       "Teaser1.ENG=New\r\nProduct=Clock Pro\r\n"
                                                       "Description=Keeps ten clocks exact.\r\n"));
    for (const char* file : {"advert.cfg", "missing.cfg"}) {
        SCOPED_TRACE(file);
        Config(std::string("Advertise=") + file + "\r\n");
        ASSERT_TRUE(Start());
        if (std::string(file) == "missing.cfg") {
            EXPECT_EQ(Title(), "Setup is complete");
        } else {
            EXPECT_EQ(Title(), "Thank you for choosing Horatest");
            EXPECT_EQ(ItemText(frame, IDC_SETUP_SUBTITLE), "Also from us: Clock Pro");
            EXPECT_EQ(ItemText(Page(), IDC_SETUP_TEASER1), "New");
            EXPECT_EQ(ItemText(Page(), IDC_SETUP_TEXT), "Keeps ten clocks exact.");
            EXPECT_EQ(ItemText(Page(), IDC_SETUP_BUTTON), "https://example.com/pro");
            ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Setup is complete"));
        }
        PressDialogButton(frame, IDCANCEL);
        DIALOGANSWERER closing("Kelvo Setup Horatest", IDOK, RUN_MS, pi.dwProcessId);
        EXPECT_TRUE(closing.Wait().found);
        EXPECT_TRUE(Ended());
    }
}

// The copy with every rule: a protected file and one the user keeps stay, a folder made
// through a dummy.tmp entry stays without it, custom.fil (an archive of the old kind) and
// the extra files follow, the progress goes by the sizes, the file types and the
// uninstall entry are written.
TEST_F(SetupWizard, CopiesTheArchivesByTheRulesAndRegistersTheProduct)
{
    Config("ProtectedFiles=*.cfg\r\nAskOverwrite=readme.txt;Read-me file\r\nCopyToDest=extra.txt|missing.txt\r\n"
           "FileTypes=.hltest;Hl.Test=Horatest document;prod.exe %1;prod.exe,1;{textedit}| .hlbad;Hl.Bad=Bad;x.exe;\r\n"
           "UninstallIcon=prod.exe\r\nAddToFirewall=prod.exe\r\nUninstallEmail=me@example.org\r\n");
    ASSERT_TRUE(WriteFileBytes(dir.File("setup.fil"),
                               MakeZip({{"settings.cfg", std::string(1000, 's')},
                                        {"readme.txt", std::string(3000, 'r'), true},
                                        {"bin/dummy.tmp", ""}})));
    // custom.fil: an archive of the old kind, with a shrunk entry.
    ASSERT_TRUE(CopyFileA(SharedTestData("zip\\zip2_shrink.zip").c_str(), dir.File("custom.fil").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir.File("extra.txt"), "extra"));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + "\\settings.cfg", "old settings"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\readme.txt", "old readme"));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Licence"));
    SendMessageA(GetDlgItem(Page(), IDC_SETUP_CHECK), BM_CLICK, 0, 0);
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Choose the install folder"));
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Copying the files"));
    HWND progress = GetDlgItem(Page(), IDC_SETUP_PROGRESS);

    // The question for readme.txt comes after settings.cfg, a quarter of the bytes.
    LRESULT position = -1;
    DIALOGSEEN asked = AnswerOwnedBox(frame, IDNO, RUN_MS, [&] { position = SendMessageA(progress, PBM_GETPOS, 0, 0); });
    EXPECT_EQ(position, 25);
    EXPECT_EQ(asked.title, "Replace a file");
    EXPECT_THAT(asked.text, HasSubstr("Read-me file exists on this computer already."));
    ASSERT_TRUE(WaitUntil([&] { return buttons(frame) == "bNC"; }, RUN_MS)) << buttons(frame);
    EXPECT_EQ(ItemText(Page(), IDC_SETUP_TEXT), "All files have been copied. Click Next to continue.");
    EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), 100);

    EXPECT_EQ(ReadFileBytes(folder + "\\settings.cfg"), "old settings");
    EXPECT_EQ(ReadFileBytes(folder + "\\readme.txt"), "old readme");
    EXPECT_TRUE(FileExistsOnDisk(folder + "\\bin"));
    EXPECT_FALSE(FileExistsOnDisk(folder + "\\bin\\dummy.tmp"));
    EXPECT_EQ(ReadFileBytes(folder + "\\FIRST.TXT"), ReadFileBytes(SharedTestData("zip\\expected\\zip2_first.txt")));
    EXPECT_EQ(ReadFileBytes(folder + "\\extra.txt"), "extra");

    REGISTRY key(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, inikey.c_str(), REGISTRY_READ);
    const std::pair<const char*, std::string> values[] = {
        {"DisplayName", "Horatest"},
        {"DisplayVersion", "4.2"},
        {"DisplayIcon", folder + "\\prod.exe"},
        {"Publisher", "Kelvo"},
        {"AppName", "Horatest"},
        {"Version", "4.2"},
        {"UninstallString", "\"" + folder + "\\Setup.exe\" -remove \"" + inikey + "\""},
        {"UninstallFiles", "settings.cfg|readme.txt|FIRST.TXT|extra.txt|missing.txt"},
        {"UninstallPath", folder},
        {"UninstallRootClasses", ".hltest|Hl.Test"},
        {"UninstallProtect", "*.cfg"},
        {"UninstallFirewall", "prod.exe"},
    };
    for (const auto& v : values) EXPECT_EQ(std::string(key.Read(v.first).Text()), v.second) << v.first;
    EXPECT_TRUE(key.Read("UninstallEmail").IsNull()) << "an address without \";\" is not written";

    auto class_value = [](const std::string& path) {
        REGISTRY k(HKEY_CLASSES_ROOT, path.c_str(), "", REGISTRY_READ);
        return std::string(k.Read("").Text());
    };
    EXPECT_EQ(class_value(".hltest"), "Hl.Test");
    EXPECT_EQ(class_value("Hl.Test"), "Horatest document");
    EXPECT_EQ(class_value("Hl.Test\\DefaultIcon"), folder + "\\prod.exe,1");
    EXPECT_EQ(class_value("Hl.Test\\Shell\\open\\command"), folder + "\\prod.exe %1");
    EXPECT_EQ(class_value("Hl.Test\\Shell\\edit\\command"), "notepad %1");
    EXPECT_FALSE(REGISTRY(HKEY_CLASSES_ROOT, ".hlbad", "", REGISTRY_READ).IsOpen()) << "an item without an icon";
    for (const char* k : {".hltest", "Hl.Test"}) RegDeleteTreeA(HKEY_CLASSES_ROOT, k);

    Cancel(IDNO);
    EXPECT_TRUE(Ended());
}

// A file that cannot be installed is asked about: Yes tries again, No gives the copy up
// with Back and Cancel, before anything is registered and without half a file.
TEST_F(SetupWizard, AFileThatCannotBeInstalledIsTriedAgainOrGivenUp)
{
    Config();
    ASSERT_TRUE(WriteFileBytes(dir.File("setup.fil"),
                               MakeZip({{"good.txt", "good"}, {"app.exe", std::string(5000, 'x'), true, -1, 0, true}})));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Licence"));
    SendMessageA(GetDlgItem(Page(), IDC_SETUP_CHECK), BM_CLICK, 0, 0);
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Choose the install folder"));
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Copying the files"));
    EXPECT_THAT(AnswerOwnedBox(frame, IDYES, RUN_MS).text, HasSubstr("The file app.exe of Horatest cannot be installed."));
    EXPECT_THAT(AnswerOwnedBox(frame, IDNO, RUN_MS).text, HasSubstr("The file app.exe of Horatest cannot be installed."));
    EXPECT_TRUE(WaitUntil([&] { return buttons(frame) == "BnC"; }, RUN_MS)) << buttons(frame);
    EXPECT_EQ(ReadFileBytes(folder + "\\good.txt"), "good");
    EXPECT_FALSE(FileExistsOnDisk(folder + "\\app.exe"));
    EXPECT_FALSE(REGISTRY(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, inikey.c_str(), REGISTRY_READ).IsOpen());

    // Back leads to the folder page, from where the copy can run again.
    ASSERT_TRUE(Press(IDC_SETUP_BACK, "Choose the install folder"));
    Cancel(IDNO);
    EXPECT_TRUE(Ended());
}
