// The uninstaller as a user meets it: setup.exe with its language libraries (and a
// plug-in SETUPHOOK.dll) in a scratch install folder recorded in an uninstall key of
// the test's own, started with "-remove" and driven through both stages. Items of the
// key that point elsewhere are planted beside the real ones and must survive.
#include "dialogdriver.h"
#include "dialogpages.h"
#include "osys.h"
#include "osysfile.h"
#include "registry.h"
#include "removal.h"
#include "setupres.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "testprocess.h"
#include "uninstallpages.h"

#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing::HasSubstr;

const DWORD RUN_MS = 60000;
const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

TEST(UninstallRules, ItemsThatLeadElsewhereAreRefused)
{
    const char* forbidden = "C:\\windows\\system32\\|C:\\users\\me|C:\\users\\me\\AppData\\Roaming";
    for (const char* f : {"C:\\Program Files\\Kelvo\\Clock", "C:\\Program Files\\Kelvo\\Clock\\", "C:\\users\\me\\AppData\\Roaming\\Clock"})
        EXPECT_TRUE(FolderRemovable(f, "C:\\windows", "C:\\Program Files\\", forbidden)) << f;
    for (const char* f : {"C:\\", "C:\\windows", "c:\\WINDOWS\\system32", "C:\\users\\me\\", "C:\\users", "C:\\users\\me\\AppData",
                          "C:\\Program Files", "Clock", "C:\\a\\..\\windows", "C:\\a\\b:stream", ""})
        EXPECT_FALSE(FolderRemovable(f, "C:\\windows", "C:\\Program Files\\", forbidden)) << f;

    const char* user = "C:\\users\\me\\Start Menu\\Programs\\";
    const char* common = "C:\\ProgramData\\Start Menu\\Programs";
    EXPECT_TRUE(StartMenuGroupAllowed("C:\\users\\me\\Start Menu\\Programs\\Clock", user, common));
    EXPECT_TRUE(StartMenuGroupAllowed("c:\\programdata\\start menu\\programs\\Kelvo\\Clock\\", user, common));
    for (const char* group : {"C:\\users\\me\\Start Menu\\Programs", "C:\\users\\me\\Start Menu\\Programs\\..",
                              "C:\\users\\me\\Start Menu\\Programs\\..\\..\\Desktop", "C:\\users\\me\\Start Menu",
                              "C:\\users\\me\\Start Menu\\ProgramsX\\Clock", "\\\\server\\share\\Clock", ""})
        EXPECT_FALSE(StartMenuGroupAllowed(group, user, common)) << group;
    EXPECT_FALSE(StartMenuGroupAllowed("C:\\Clock", "", "")) << "an unknown Programs folder holds nothing";

    for (const char* name : {".abc", "Prod.Doc", "Clock File"}) EXPECT_TRUE(RootClassAllowed(name)) << name;
    for (const char* name : {"", " ", "a\\b", "\\", "*", "CLSID", "clsid", "a/b"}) EXPECT_FALSE(RootClassAllowed(name)) << name;

    EXPECT_TRUE(FileProtected("data/user.ini", "readme.txt|USER.INI"));
    EXPECT_TRUE(FileProtected("data\\sub\\user.ini", "user.ini"));
    EXPECT_FALSE(FileProtected("data/user.ini", "*.ini|data/user.ini|user"));
    EXPECT_FALSE(FileProtected("user.ini", ""));

    EXPECT_TRUE(IniKeyUsable("Horalink"));
    for (const char* key : {"", "\\", "a\\b", "a\"b", "a\nb"}) EXPECT_FALSE(IniKeyUsable(key)) << key;

    auto data = [](const char* f) { return std::string(DefaultDataFolder(f, "C:\\users\\me\\AppData\\Roaming\\", "C:\\ProgramData\\", "Clock")); };
    EXPECT_EQ(data("c:\\users\\me\\appdata\\roaming\\kelvo\\Clock\\"), "c:\\users\\me\\appdata\\roaming\\kelvo\\Clock");
    EXPECT_EQ(data("C:\\ProgramData\\Kelvo\\Clock"), "C:\\ProgramData\\Kelvo\\Clock");
    for (const char* moved : {"D:\\Data", "C:\\ProgramData\\Kelvo", "C:\\ProgramData\\Kelvo\\Clock\\..\\..", "Kelvo\\Clock", ""})
        EXPECT_EQ(data(moved), "") << moved;
    EXPECT_EQ(std::string(DefaultDataFolder("\\Kelvo\\Clock", "", "", "Clock")), "") << "unknown system folders";
}

TEST(UninstallRules, TheFeedbackMailNeedsAnAddressAndAServer)
{
    FEEDBACKMAIL mail;
    auto fields = [&] {
        return std::string(mail.Sender.Text()) + "|" + mail.Recipient.Text() + "|" + mail.Server.Text() + "|" + mail.Subject.Text();
    };
    ASSERT_TRUE(MakeFeedbackMail("Clock", "2.1", "support@example.org;smtp.example.org", mail));
    EXPECT_EQ(fields(), "anonymous@example.org|support@example.org|smtp.example.org|Clock V2.1 uninstall");
    ASSERT_TRUE(MakeFeedbackMail("Clock\r\nBcc: x@y", "", nullptr, mail));
    EXPECT_EQ(fields(), "anonymous@kelvo.example|feedback@kelvo.example|mail.kelvo.example|Clock  Bcc: x@y V0.00 uninstall");
    for (const char* bad : {"", "support@example.org", "support.example.org;smtp.example.org", "a@b;localhost",
                            "a@b\r\nRCPT TO:<c@d>;smtp.example.org", ";"})
        EXPECT_FALSE(MakeFeedbackMail("Clock", "1", bad, mail)) << bad;
}

// The files below folder that are to be deleted at the next restart (pending renames
// to nothing), by name.
static std::vector<std::string> pending_deletions(const std::string& folder)
{
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    std::vector<std::string> found;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                     "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size) != ERROR_SUCCESS)
        return found;
    for (size_t at = 0; at < size && data[at];) {
        std::string name(&data[at]), target(&data[at + name.size() + 1]);
        if (name.find(folder + "\\") != std::string::npos && target.empty()) found.push_back(name.substr(name.rfind('\\') + 1));
        at += name.size() + target.size() + 2;
    }
    return found;
}

static std::string shell_folder(int which) { return GetWin32SystemPath(which).Text(); }

static bool key_exists(HKEY root, const std::string& path) { return REGISTRY(root, path.c_str(), "", REGISTRY_READ).IsOpen(); }

class Uninstaller : public testing::Test {
protected:
    void SetUp() override
    {
        id = std::to_string(GetCurrentProcessId());
        inikey = "HoraUninstallTest" + id;
        product = "Hora" + id;
        folder = dir.File("Clock");
        group = shell_folder(SYSTEMPATH_PROGRAMS) + product;
        desktop = shell_folder(SYSTEMPATH_DESKTOP);
        datafolder = shell_folder(SYSTEMPATH_APPDATA) + "Kelvo\\" + inikey;
        classes = {".hlu" + id, "Hlu" + id + ".Doc"};
    }
    void TearDown() override
    {
        if (pi.hProcess) WaitProgram(&pi, 0);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (UNINSTALL_KEY + inikey).c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Kelvo\\" + inikey).c_str());
        for (const std::string& c : classes) RegDeleteTreeA(HKEY_CLASSES_ROOT, c.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ("Hlu" + id + ".Keep").c_str());
        RemoveTree(group);
        RemoveTree(datafolder);
        DeleteFileA((desktop + product + ".LNK").c_str());
        DeleteFileA((shell_folder(SYSTEMPATH_PROGRAMS) + product + "Victim.LNK").c_str());
    }

    // An installation as the installer leaves it, with items that point elsewhere.
    void Install(const std::string& data)
    {
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        std::string dist = TestProgramDir() + "\\..\\dist\\";
        for (const char* file : {"setup.exe", "setupenglish.dll", "setupgerman.dll"})
            ASSERT_TRUE(CopyFileA((dist + file).c_str(), (folder + "\\" + file).c_str(), FALSE)) << file;
        ASSERT_TRUE(CopyFileA((TestProgramDir() + "\\setuphook.dll").c_str(), (folder + "\\SETUPHOOK.dll").c_str(), FALSE));
        CreateDirectoryA((folder + "\\data").c_str(), nullptr);
        for (const char* file : {"app.exe", "readme.txt", "data\\user.ini", "data\\other.ini", "added.txt"})
            ASSERT_TRUE(WriteFileBytes(folder + "\\" + file, file));
        for (const char* file : {"outside.txt", "outside2.txt", "outside3.txt"})
            ASSERT_TRUE(WriteFileBytes(dir.File(file), file));
        CreateDirectoryA(group.c_str(), nullptr);
        for (const char* file : {"\\Clock.LNK", "\\Home.URL"}) ASSERT_TRUE(WriteFileBytes(group + file, "link"));
        ASSERT_TRUE(WriteFileBytes(group + "Victim.LNK", "another product's"));
        ASSERT_TRUE(WriteFileBytes(desktop + product + ".LNK", "link"));
        for (const std::string& c : classes) RegSetValueA(HKEY_CLASSES_ROOT, (c + "\\Shell\\open\\command").c_str(), REG_SZ, "x", 1);
        RegSetValueA(HKEY_CLASSES_ROOT, ("Hlu" + id + ".Keep\\Shell").c_str(), REG_SZ, "x", 1);
        ASSERT_TRUE(SetAutoStart(inikey.c_str(), "clock.exe"));
        REGISTRY settings(HKEY_CURRENT_USER, "Software\\Kelvo", inikey.c_str(), REGISTRY_CREATE);
        settings.Write("ApplicationDataDir", data.c_str());
        ASSERT_TRUE(MakePath(data.c_str()));
        ASSERT_TRUE(WriteFileBytes(data + "\\clock.cfg", "settings"));

        REGISTRY key(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, inikey.c_str(), REGISTRY_CREATE);
        const std::pair<const char*, std::string> values[] = {
            {"AppName", product}, {"Version", "4.2"}, {"UninstallEmail", "clock@example.org;127.0.0.1"}, {"UninstallPath", folder},
            {"UninstallFiles", "app.exe|readme.txt|data/user.ini|data/other.ini|setup.exe|setupenglish.dll|"
                               "setupgerman.dll|..\\outside.txt|sub\\..\\..\\outside2.txt|" + dir.File("outside3.txt") +
                               "|C:\\windows\\win.ini|\\\\server\\share\\x.txt|NUL|data:stream"},
            {"UninstallProtect", "user.ini|*.ini"}, {"UninstallStartmenu", group},
            {"UninstallStartmenuFiles", "Clock|Home|..\\" + product + "Victim"},
            {"UninstallDesktopFiles", product + "|..\\" + product},
            {"UninstallRootClasses", classes[0] + "||" + classes[1] + "|Hlu" + id + ".Keep\\Shell|"},
        };
        for (const auto& v : values) ASSERT_TRUE(key.Write(v.first, v.second.c_str())) << v.first;
    }
    // Starts the installed setup.exe with "-remove", more arguments and TEMP set to temp.
    void Start(const std::string& more, const std::string& temp)
    {
        char old[MAX_PATH] = "";
        GetEnvironmentVariableA("TEMP", old, sizeof old);
        SetEnvironmentVariableA("TEMP", temp.c_str());
        ASSERT_TRUE(StartProgramAsync("\"" + folder + "\\setup.exe\" -remove \"" + inikey + "\" " + more, folder, &pi));
        SetEnvironmentVariableA("TEMP", old);
    }
    // The uninstall wizard of any process, once it shows the page titled title.
    bool Wizard(const std::string& title)
    {
        frame = WaitForDialog(product + " Uninstall", 0, RUN_MS);
        return frame && WaitUntil([&] { return Page() && ItemText(frame, IDC_SETUP_TITLE) == title; }, RUN_MS);
    }
    HWND Page() { return FindWindowExA(frame, nullptr, "#32770", nullptr); }
    bool Press(int id, const std::string& title)
    {
        HWND before = Page();
        PressDialogButton(frame, id);
        return WaitUntil([&] { return Page() != before && Page() && ItemText(frame, IDC_SETUP_TITLE) == title; }, RUN_MS);
    }
    std::string Buttons() { return ButtonStates(frame, {IDC_SETUP_BACK, IDC_SETUP_NEXT, IDCANCEL}, "BNC"); }
    std::string dist() { return TestProgramDir() + "\\..\\dist\\"; }
    // Waits for the removal, presses Finish and waits for the wizard's process to end;
    // everything: the closing text is the one after removing everything.
    void Finish(bool everything)
    {
        ASSERT_TRUE(WaitUntil([&] { return ItemText(frame, IDC_SETUP_TITLE) == "Uninstall complete"; }, RUN_MS));
        ASSERT_TRUE(WaitUntil([&] { return Buttons() == "--C"; }, RUN_MS)) << Buttons();
        EXPECT_EQ(SendMessageA(GetDlgItem(Page(), IDC_SETUP_PROGRESS), PBM_GETPOS, 0, 0), 100);
        EXPECT_EQ(ItemText(frame, IDCANCEL), "Finish");
        EXPECT_EQ(IsWindowVisible(GetDlgItem(Page(), IDC_SETUP_TEXT)) == FALSE, everything);
        EXPECT_EQ(IsWindowVisible(GetDlgItem(Page(), IDC_SETUP_TEXT2)) != FALSE, everything);
        if (everything) {
            EXPECT_THAT(ItemText(Page(), IDC_SETUP_TEXT2), HasSubstr("removed completely"));
        }
        EXPECT_TRUE(PressAndAwaitExit(frame, IDCANCEL, RUN_MS));
    }
    void ExpectRemovedAndOutsideKept()
    {
        for (const char* file : {"app.exe", "readme.txt", "data\\other.ini"})
            EXPECT_FALSE(FileExistsOnDisk(folder + "\\" + file)) << file << ": recorded, protected only by a pattern";
        for (const char* file : {"outside.txt", "outside2.txt", "outside3.txt"})
            EXPECT_EQ(ReadFileBytes(dir.File(file)), file) << "an item pointing out of the install folder";
        EXPECT_FALSE(FileExistsOnDisk(desktop + product + ".LNK"));
        EXPECT_EQ(ReadFileBytes(shell_folder(SYSTEMPATH_PROGRAMS) + product + "Victim.LNK"), "another product's");
        for (const std::string& c : classes) EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, c)) << c;
        EXPECT_TRUE(key_exists(HKEY_CLASSES_ROOT, "Hlu" + id + ".Keep\\Shell")) << "an item with a path";
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + inikey));
        EXPECT_EQ(AutoStartValue(inikey.c_str()), "<none>");
    }

    TEMPDIR dir;
    std::string id, inikey, product, folder, group, desktop, datafolder;
    std::vector<std::string> classes;
    PROCESS_INFORMATION pi = {};
    HWND frame = nullptr;
};

// The entry's command: the first stage asks, copies setup, its language libraries and
// the plug-in to TEMP and starts the copy; the copy walks feedback, options (keeping the
// data) and removal, while a second uninstall ends at once; at the end the copies in
// TEMP are marked for deletion at the next restart.
TEST_F(Uninstaller, TheFirstStageHandsOverToACopyInTempWhichRemovesTheRecordedFiles)
{
    // Nothing installed: the box says so.
    ASSERT_TRUE(StartProgramAsync("\"" + dist() + "setup.exe\" -remove \"Missing" + inikey + "\"", dir.Path(), &pi));
    DIALOGANSWERER missing("Kelvo Uninstall", IDOK, RUN_MS, pi.dwProcessId);
    EXPECT_EQ(missing.Wait().text, "Files missing or this software has already been uninstalled!");
    EXPECT_TRUE(WaitProgram(&pi, RUN_MS).ended);
    pi = {};
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + ("Missing" + inikey))) << "no key left behind";

    Install(datafolder);
    std::string temp = dir.File("temp");
    ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
    Start("", temp);
    DIALOGANSWERER question(product + " Uninstall", IDYES, RUN_MS, pi.dwProcessId);
    EXPECT_EQ(question.Wait().text, "Do you want to remove " + product + " and all of its components from this computer?");
    PROGRAMRUN first = WaitProgram(&pi, RUN_MS);
    pi = {};
    EXPECT_TRUE(first.ended);
    for (const char* file : {"setup.exe", "setupenglish.dll", "setupgerman.dll", "SETUPHOOK.dll"})
        EXPECT_EQ(ReadFileBytes(temp + "\\" + file), ReadFileBytes(folder + "\\" + file)) << file;

    ASSERT_TRUE(Wizard("Your opinion counts"));
    EXPECT_EQ(Buttons(), "-NC");
    HWND text = GetDlgItem(Page(), IDC_SETUP_TEXT2);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(), IDC_SETUP_SEND))) << "nothing to send";
    SetControlText(text, "Too many clocks.");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Page(), IDC_SETUP_SEND)));
    // Send offers the mail in the send dialog, addressed as the uninstall key says.
    PressDialogButton(Page(), IDC_SETUP_SEND);
    HWND mail = WaitForDialog("Send your comments", 0, RUN_MS);
    ASSERT_TRUE(mail);
    EXPECT_EQ(ItemText(mail, IDC_EMAIL_TO) + "|" + ItemText(mail, IDC_EMAIL_FROM) + "|" + ItemText(mail, IDC_EMAIL_SUBJECT) +
                  "|" + ItemText(mail, IDC_EMAIL_BODY),
              "clock@example.org|anonymous@example.org|" + product + " V4.2 uninstall|Too many clocks.");
    PressDialogButton(mail, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(mail); }, RUN_MS));
    SetControlText(text, "");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(), IDC_SETUP_SEND)));

    // A second uninstall while this one runs ends without a word.
    PROGRAMRUN second = RunProgram("\"" + folder + "\\setup.exe\" -remove \"" + inikey + "\"", folder, RUN_MS);
    EXPECT_TRUE(second.ended) << "it would wait on its question";

    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Your settings and data"));
    EXPECT_TRUE(IsChecked(GetDlgItem(Page(), IDC_SETUP_CHOICE1)));
    ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Uninstall complete"));
    Finish(false);

    ExpectRemovedAndOutsideKept();
    EXPECT_EQ(ReadFileBytes(folder + "\\data\\user.ini"), "data\\user.ini") << "protected by its whole name";
    EXPECT_EQ(ReadFileBytes(folder + "\\added.txt"), "added.txt") << "not recorded";
    EXPECT_EQ(ReadFileBytes(folder + "\\SETUPHOOK.dll"), ReadFileBytes(temp + "\\SETUPHOOK.dll"));
    EXPECT_FALSE(FileExistsOnDisk(folder + "\\setup.exe"));
    EXPECT_FALSE(FileExistsOnDisk(group));
    EXPECT_EQ(ReadFileBytes(datafolder + "\\clock.cfg"), "settings") << "the data stay";
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "Software\\Kelvo\\" + inikey));
    EXPECT_EQ(ReadFileBytes(temp + "\\setuphook.log"),
              "NewSetupHook 3 0 0\nNewSetupHook 5 11 0\nNewSetupHook 6 11 10781\nNewSetupHook 5 12 0\n"
              "NewSetupHook 6 12 10781\nNewSetupHook 5 7 0\nNewSetupHook 11 0 0\nSetupHook 3 " + folder +
              "\nSetupHook 4 (null)\nNewSetupHook 12 0 0\nNewSetupHook 6 7 0\nNewSetupHook 4 0 0\n");
    EXPECT_THAT(pending_deletions(temp),
                testing::UnorderedElementsAre("setup.exe", "setupenglish.dll", "setupgerman.dll"));
}

// Removing everything: the warning's No shows the options again, Yes removes the whole
// install folder, the default data folder and the settings key. A data folder the user
// moved elsewhere stays, as does a program group outside the Start menu. Without a
// usable TEMP the uninstall runs where it was started (and its own files stay there).
TEST_F(Uninstaller, RemovingEverythingTakesTheDefaultDataFolderOnly)
{
    for (bool moved : {false, true}) {
        SCOPED_TRACE(moved ? "moved data folder" : "default data folder");
        std::string data = moved ? dir.File("My clock data") : datafolder;
        Install(data);
        std::string fakegroup = dir.File("Not a program group");
        if (moved) {
            CreateDirectoryA(fakegroup.c_str(), nullptr);
            ASSERT_TRUE(WriteFileBytes(fakegroup + "\\Clock.LNK", "link"));
            REGISTRY(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, inikey.c_str(), REGISTRY_WRITE).Write("UninstallStartmenu", fakegroup.c_str());
        }
        std::string log = dir.File("uninstall.log");
        if (!moved) {
            // The second stage as the first one starts it, from a copy outside the folder.
            std::string second = dir.File("second");
            CreateDirectoryA(second.c_str(), nullptr);
            for (const char* file : {"setup.exe", "setupenglish.dll", "setupgerman.dll"})
                ASSERT_TRUE(CopyFileA((folder + "\\" + file).c_str(), (second + "\\" + file).c_str(), FALSE));
            ASSERT_TRUE(StartProgramAsync("\"" + second + "\\setup.exe\" -remove \"" + inikey + "\" -final /LOGIT:" + log,
                                          second, &pi));
        } else {
            Start("/LOGIT:" + log, dir.File("no such folder"));
            // One box after the other: the question's title holds the next one's.
            HWND question = WaitForDialog(product + " Uninstall", pi.dwProcessId, RUN_MS);
            ASSERT_TRUE(question);
            PressDialogButton(question, IDYES);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }, RUN_MS));
            HWND local = WaitForDialog("Uninst", pi.dwProcessId, RUN_MS);
            ASSERT_TRUE(local);
            EXPECT_EQ(WindowText(local) + ": " + DialogStaticText(local), "Uninst: Cannot copy to temp directory. Local uninstall.");
            PressDialogButton(local, IDOK);
        }
        ASSERT_TRUE(Wizard("Your opinion counts"));
        ASSERT_TRUE(Press(IDC_SETUP_NEXT, "Your settings and data"));
        ClickCheck(GetDlgItem(Page(), IDC_SETUP_CHOICE2), true);
        ClickCheck(GetDlgItem(Page(), IDC_SETUP_CHOICE1), false);
        HWND options = Page();
        PressDialogButton(frame, IDC_SETUP_NEXT);
        DIALOGSEEN warning = AnswerOwnedBox(frame, moved ? IDYES : IDNO, RUN_MS);
        EXPECT_THAT(warning.text, HasSubstr("Do you really want to remove " + product + " completely?"));
        EXPECT_THAT(warning.text, HasSubstr("The folder " + folder + " is deleted"));
        if (!moved) {
            ASSERT_TRUE(WaitUntil([&] { return Page() && Page() != options; }, RUN_MS));
            EXPECT_EQ(ItemText(frame, IDC_SETUP_TITLE), "Your settings and data");
            EXPECT_TRUE(IsChecked(GetDlgItem(Page(), IDC_SETUP_CHOICE2))) << "the choice stays";
            PressDialogButton(frame, IDC_SETUP_NEXT);
            AnswerOwnedBox(frame, IDYES, RUN_MS);
        }
        Finish(true);

        ExpectRemovedAndOutsideKept();
        // Run from the folder itself, the program and its libraries are in use there.
        EXPECT_EQ(FileExistsOnDisk(folder), moved) << "the whole install folder";
        EXPECT_FALSE(FileExistsOnDisk(folder + "\\added.txt"));
        EXPECT_FALSE(FileExistsOnDisk(folder + "\\data\\user.ini"));
        EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\Kelvo\\" + inikey));
        EXPECT_EQ(FileExistsOnDisk(data), moved) << data;
        std::string trace = ReadFileBytes(log);
        for (const char* item : {"..\\outside.txt", "sub\\..\\..\\outside2.txt", "C:\\windows\\win.ini",
                                 "\\\\server\\share\\x.txt", "NUL", "data:stream"})
            EXPECT_THAT(trace, HasSubstr(std::string("skips ") + item + ": not inside the install folder"));
        EXPECT_THAT(trace, HasSubstr("skips the shortcut ..\\" + product + ": no plain name"));
        EXPECT_THAT(trace, HasSubstr("skips the class Hlu" + id + ".Keep\\Shell: no file type's key"));
        if (moved) {
            EXPECT_EQ(ReadFileBytes(data + "\\clock.cfg"), "settings");
            EXPECT_EQ(ReadFileBytes(fakegroup + "\\Clock.LNK"), "link") << "not inside a Programs folder";
            EXPECT_THAT(trace, HasSubstr("skips the program group " + fakegroup));
        } else {
            EXPECT_THAT(trace, HasSubstr("skips the shortcut ..\\" + product + "Victim: no plain name"));
        }
        DeleteFileA(log.c_str());
    }
}
