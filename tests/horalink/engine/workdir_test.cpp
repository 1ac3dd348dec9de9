// WORKDIR: the data folder from the option, the registry or the default, the
// take-over of the old value, and the pending move or switch with its refusals and
// failures, against the real registry and file system of the Wine prefix.
#include "boxwatch.h"
#include "englishlibrary.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "osys.h"
#include "reports.h"
#include "scratchkey.h"
#include "testfiles.h"
#include "testprocess.h"
#include "testwindow.h"
#include "workdir.h"

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

const std::string REFUSED = ": some copy failed!\r\n(existing files, illegal destination path, etc.)"
                            "\r\n\r\nThe original data folder will remain active!";

class WorkDir : public testing::Test {
protected:
    void SetUp() override { Prepare(""); }
    void TearDown() override { KELVOAPP::Reset(); }
    // The argument table as the frame builds it from the arguments after the program,
    // then the language library (the table starts from the program's own resources).
    void Prepare(const std::string& arguments)
    {
        std::string line = "\"" + std::string(KELVOAPP::ProgramPath()) + "\" " + arguments;
        KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), line.c_str());
        LoadEnglishLibrary();
    }
    std::string Value(const char* name) { return key.Value(name); }
    void SetValue(const char* name, const std::string& text) { ASSERT_TRUE(key.SetValue(name, text)); }
    // A data folder with files at two depths.
    void Fill(const std::string& folder)
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\logs").c_str(), nullptr);
        CreateDirectoryA((folder + "\\logs\\old").c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(folder + "\\horalink.cfg", "TimeServer=pool.ntp.org\r\n"));
        ASSERT_TRUE(WriteFileBytes(folder + "\\logs\\a.log", std::string("line\0\x01\xff", 7)));
        ASSERT_TRUE(WriteFileBytes(folder + "\\logs\\old\\b.log", "older"));
    }
    void ExpectFilled(const std::string& folder)
    {
        EXPECT_EQ(ReadFileBytes(folder + "\\horalink.cfg"), "TimeServer=pool.ntp.org\r\n") << folder;
        EXPECT_EQ(ReadFileBytes(folder + "\\logs\\a.log"), std::string("line\0\x01\xff", 7)) << folder;
        EXPECT_EQ(ReadFileBytes(folder + "\\logs\\old\\b.log"), "older") << folder;
    }
    // The start-time procedure as the program runs it, with a menu when one is given.
    std::string Start(int systemfolder = WORKDIR_SYSTEMFOLDER, HWND window = nullptr)
    {
        WORKDIR workdir(nullptr, "Kelvo");
        workdir.SetRegistryName(app.c_str());
        STRING result;
        pending.SetNull();
        workdir.GetWorkDir(window, window ? 2204 : 0, result, pending, systemfolder);
        return result.Text();
    }
    // A pending move or switch to "to" that is refused or fails: one error box, and the
    // registry still names the old folder.
    void ExpectKept(const std::string& from, const std::string& to)
    {
        SetValue("ApplicationDataDir", from);
        SetValue("ApplicationDataDir.New", to);
        BOXWATCH boxes;
        EXPECT_EQ(Start(), from);
        const std::vector<DIALOGSEEN>& seen = boxes.Stop();
        ASSERT_EQ(seen.size(), 1u) << to;
        EXPECT_EQ(seen[0].title, "Horalink");
        EXPECT_EQ(seen[0].text, from + " -> \r\n" + (to[0] == '*' ? to.substr(1) : to) + REFUSED);
        EXPECT_EQ(Value("ApplicationDataDir"), from);
        EXPECT_EQ(Value("ApplicationDataDir.New"), "<none>");
    }

    SCRATCHKEY key;
    const std::string& app = key.Name();
    TEMPDIR dir;
    STRING pending;
};

}  // namespace

TEST_F(WorkDir, OptionFolderIsCreatedOneLevelAndTheRegistryStaysUntouched)
{
    std::string folder = dir.File("given");
    HWND window = CreateTestWindow("WorkDirMenu");
    ASSERT_NE(window, nullptr);
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING, 2204, "Data folder");
    AppendMenuA(menu, MF_STRING, 2205, "Other");
    SetMenu(window, menu);

    // Without the option the menu command stays.
    Fill(dir.File("stored"));
    SetValue("ApplicationDataDir", dir.File("stored"));
    EXPECT_EQ(Start(WORKDIR_SYSTEMFOLDER, window), dir.File("stored"));
    EXPECT_FALSE(GetMenuState(menu, 2204, MF_BYCOMMAND) & MF_GRAYED);
    SHDeleteKeyA(HKEY_CURRENT_USER, key.Path().c_str());

    Prepare("/WORKDIR:" + folder);
    EXPECT_EQ(Start(WORKDIR_SYSTEMFOLDER, window), folder);
    EXPECT_TRUE(pending.IsNull());
    EXPECT_TRUE(OSYS::FileIsDirectory(folder.c_str()));
    EXPECT_FALSE(key.Exists());
    EXPECT_TRUE(GetMenuState(menu, 2204, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, 2205, MF_BYCOMMAND) & MF_GRAYED);

    // Stored values and a pending move are neither used nor changed.
    SetValue("ApplicationDataDir", dir.File("stored"));
    SetValue("ApplicationDataDir.New", "*" + dir.File("elsewhere"));
    Prepare("-WORKDIR " + folder);
    EXPECT_EQ(Start(), folder);
    EXPECT_EQ(Value("ApplicationDataDir"), dir.File("stored"));
    EXPECT_EQ(Value("ApplicationDataDir.New"), "*" + dir.File("elsewhere"));
    ExpectFilled(dir.File("stored"));
    DestroyWindow(window);

    // An option without a usable folder falls back to the program's folder.
    REPORTS reports;
    Prepare("/WORKDIR:" + dir.File("two\\levels"));  // only one level is created
    EXPECT_EQ(Start(), ".");
    EXPECT_TRUE(reports.Were(1, "FALSE", dir.File("two\\levels").c_str()));
    Prepare("/WORKDIR");
    EXPECT_EQ(Start(), ".");
    EXPECT_TRUE(reports.Were(1, "FALSE", ""));
}

TEST_F(WorkDir, StoredFolderIsKeptOrCreatedAndFilesDirIsTakenOver)
{
    std::string deep = dir.File("a\\b\\c");
    SetValue("ApplicationDataDir", deep);
    EXPECT_EQ(Start(), deep);
    EXPECT_TRUE(OSYS::FileIsDirectory(deep.c_str()));
    EXPECT_EQ(Value("ApplicationDataDir"), deep);

    SHDeleteKeyA(HKEY_CURRENT_USER, key.Path().c_str());
    Fill(dir.File("old"));
    SetValue("FilesDir", dir.File("old"));
    EXPECT_EQ(Start(), dir.File("old"));
    EXPECT_EQ(Value("ApplicationDataDir"), dir.File("old"));
    EXPECT_EQ(Value("FilesDir"), "<none>");
    ExpectFilled(dir.File("old"));
    // Beside a current value the old one is left alone.
    SetValue("FilesDir", dir.File("older"));
    EXPECT_EQ(Start(), dir.File("old"));
    EXPECT_EQ(Value("FilesDir"), dir.File("older"));
}

TEST_F(WorkDir, UnusableStoredFolderFallsBackToTheDefault)
{
    // Below a file no folder can be made.
    ASSERT_TRUE(WriteFileBytes(dir.File("file"), "x"));
    SetValue("ApplicationDataDir", dir.File("file\\data"));
    std::string common = GetWin32SystemPath(13).Text();
    ASSERT_FALSE(common.empty());
    std::string standard = common + "Kelvo\\Horalink";
    bool existed = OSYS::FileIsDirectory(standard.c_str());
    REPORTS reports;
    EXPECT_EQ(Start(13), standard);
    EXPECT_TRUE(reports.Were(0));
    EXPECT_EQ(Value("ApplicationDataDir"), standard);
    if (!existed) {
        RemoveDirectoryA(standard.c_str());
        RemoveDirectoryA((common + "Kelvo").c_str());
    }

    // The documents folder takes the application name, not the maker's folder.
    std::string documents = std::string(GetWin32SystemPath(6).Text()) + app;
    SetValue("ApplicationDataDir", dir.File("file\\data"));
    WORKDIR workdir(nullptr, "Kelvo", app.c_str());
    workdir.SetRegistryName(app.c_str());
    STRING result;
    EXPECT_TRUE(workdir.WorkDirInit(result, pending, 6));
    EXPECT_EQ(std::string(result.Text()), documents);
    EXPECT_TRUE(OSYS::FileIsDirectory(documents.c_str()));
    RemoveDirectoryA(documents.c_str());

    // No system folder of that number: no default either, and the program's folder is used.
    SetValue("ApplicationDataDir", dir.File("file\\data"));
    EXPECT_FALSE(workdir.WorkDirInit(result, pending, 99));
    EXPECT_STREQ(result.Text(), ".");
    EXPECT_TRUE(reports.Were(2, "FALSE", ""));
    EXPECT_EQ(Value("ApplicationDataDir"), dir.File("file\\data"));
}

// A switch (no "*") copies nothing; a move copies the tree and deletes the old folder.
TEST_F(WorkDir, PendingSwitchCopiesNothingAndAMoveTakesTheTree)
{
    std::string from = dir.File("data");
    std::string to = dir.File("fresh\\start");
    Fill(from);
    SetValue("ApplicationDataDir", from);
    SetValue("ApplicationDataDir.New", to);
    BOXWATCH boxes;
    EXPECT_EQ(Start(), to);
    EXPECT_TRUE(OSYS::FileIsDirectory(to.c_str()));
    EXPECT_FALSE(FileExistsOnDisk(to + "\\horalink.cfg"));
    ExpectFilled(from);
    EXPECT_EQ(Value("ApplicationDataDir") + "|" + Value("ApplicationDataDir.New"), to + "|<none>");
    // A value naming the folder in use (in other letters) is no switch at all.
    SetValue("ApplicationDataDir.New", dir.File("FRESH\\START"));
    EXPECT_EQ(Start(), to);
    EXPECT_TRUE(pending.IsNull());

    std::string into = dir.File("data2");  // shares the old name's beginning, yet lies outside
    SetValue("ApplicationDataDir", from);
    SetValue("ApplicationDataDir.New", "*" + into);
    LOGCAPTURE log;
    EXPECT_EQ(Start(), into);
    EXPECT_TRUE(boxes.Stop().empty());
    ExpectFilled(into);
    EXPECT_FALSE(FileExistsOnDisk(from));
    EXPECT_EQ(Value("ApplicationDataDir") + "|" + Value("ApplicationDataDir.New"), into + "|<none>");
    for (const std::string& line :
         {"WORKDIR::WorkDirInit " + app + " Horalink", "WORKDIR::WorkDirInit done, workdir= " + from,
          "WORKDIR::WorkDirNew " + app + " " + from + " *" + into + " *.*",
          std::string("WORKDIR::WorkDirNew done, success= 1"),
          "WORKDIR::GetWorkDir done, pfilesdir= " + into})
        EXPECT_NE(log.Text().find("] " + line + "\r\n"), std::string::npos) << line;
}

// Into the folder itself or below it, a switch to a folder that cannot exist, and a
// failed copy: refused with the message, the current folder and its files stay.
TEST_F(WorkDir, RefusedAndFailedMovesKeepTheCurrentFolder)
{
    std::string from = dir.File("data");
    Fill(from);
    ASSERT_TRUE(WriteFileBytes(dir.File("file"), "x"));
    for (const std::string& to : {"*" + from + "\\inner", "*" + dir.File("DATA\\"), dir.File("file\\data")}) {
        ExpectKept(from, to);
        ExpectFilled(from);
    }
    EXPECT_FALSE(FileExistsOnDisk(from + "\\inner"));
    // A copy that fails keeps the old folder; what was copied stays where it went.
    HANDLE locked = CreateFileA((from + "\\logs\\a.log").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    ExpectKept(from, "*" + dir.File("target"));
    CloseHandle(locked);
    ExpectFilled(from);
    EXPECT_EQ(ReadFileBytes(dir.File("target\\logs\\old\\b.log")), "older");

    // The program's own folder (".") is never moved away.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(from.c_str()));
    WORKDIR workdir(nullptr, "Kelvo");
    workdir.SetRegistryName(app.c_str());
    BOXWATCH boxes;
    bool moved = workdir.WorkDirNew(".", ("*" + dir.File("away")).c_str(), "*.*");
    size_t shown = boxes.Stop().size();
    // Quiet (as a service): the same refusal goes to the log without a box.
    workdir.SetQuiet(true);
    BOXWATCH none;
    LOGCAPTURE log;
    bool movedquietly = workdir.WorkDirNew(".", ("*" + dir.File("away")).c_str(), "*.*");
    size_t shownquietly = none.Stop().size();
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(moved || movedquietly);
    EXPECT_EQ(shown, 1u);
    EXPECT_EQ(shownquietly, 0u);
    EXPECT_NE(log.Text().find("some copy failed"), std::string::npos);
    ExpectFilled(from);
    EXPECT_FALSE(FileExistsOnDisk(dir.File("away")));
}

// The folder under another name: Wine's Z: reaches the prefix's drive C: as a
// substituted drive would, and a long name has an 8.3 form. Moving into such a name
// would delete the copy; the sibling's second name is still another folder.
// Runs a program of the system beneath Wine and waits until done() holds (Wine cannot
// wait for such a program itself); false after five seconds.
static bool unix_command(const std::string& command, const std::function<bool()>& done)
{
    PROCESS_INFORMATION pi = {};
    bool started = StartProgramAsync(command, "", &pi);
    for (int i = 0; started && i < 100 && !done(); i++) Sleep(50);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    return done();
}

TEST_F(WorkDir, AnotherNameOfTheFolderIsTheFolderItself)
{
    const char* wineprefix = getenv("WINEPREFIX");
    char temp[MAX_PATH];
    if (!wineprefix || !GetTempPathA(sizeof temp, temp) || _strnicmp(temp, "C:\\", 3) != 0)
        GTEST_SKIP() << "no Wine prefix or temporary folder on C:, so no second name for it";
    std::string from = temp + std::string("Horalink data ") + std::to_string(GetCurrentProcessId());
    std::string onz = "Z:" + std::string(wineprefix) + "/drive_c/" + from.substr(3);
    std::replace(onz.begin(), onz.end(), '/', '\\');
    // The link of the last case: made and removed by the system beneath, as Wine's own
    // links cannot be followed and Wine cannot remove the other kind.
    std::string link = from + "2\\link";
    std::string unixlink = onz.substr(2) + "2\\link";
    std::replace(unixlink.begin(), unixlink.end(), '\\', '/');
    struct CLEANUP {
        std::string folder, link, unixlink;
        ~CLEANUP()
        {
            unix_command("Z:\\bin\\rm -f \"" + unixlink + "\"", [&] { return !OSYS::FileExists(link.c_str()); });
            RemoveTree(folder);
            RemoveTree(folder + "2");
        }
    } cleanup{from, link, unixlink};
    Fill(from);
    CreateDirectoryA((from + "2").c_str(), nullptr);
    if (!OSYS::FileIsDirectory(onz.c_str())) GTEST_SKIP() << onz << " does not reach " << from;

    // Second names of the folder and of its sibling.
    auto shortname = [](const std::string& folder) {
        char text[MAX_PATH];
        DWORD got = GetShortPathNameA(folder.c_str(), text, sizeof text);
        return got > 0 && got < sizeof text ? std::string(text) : folder;
    };
    std::vector<std::pair<std::string, std::string>> names = {{onz, onz + "2"}};
    if (shortname(from) != from) names.push_back({shortname(from), shortname(from + "2")});
    for (const auto& [other, sibling] : names) {
        EXPECT_TRUE(WORKDIR::SameFolder(from.c_str(), other.c_str())) << other;
        EXPECT_TRUE(WORKDIR::FolderInside((other + "\\sub").c_str(), from.c_str())) << other;
        EXPECT_FALSE(WORKDIR::SameFolder(from.c_str(), sibling.c_str())) << sibling;
        EXPECT_FALSE(WORKDIR::FolderInside((sibling + "\\sub").c_str(), from.c_str())) << sibling;
        ExpectKept(from, "*" + other + "\\sub");
        ExpectFilled(from);
        EXPECT_FALSE(FileExistsOnDisk(from + "\\sub")) << other;
    }
    // A link as the destination itself, leading into the folder.
    std::string logs = unixlink.substr(0, unixlink.size() - 6) + "/logs";
    if (!unix_command("Z:\\bin\\ln -s \"" + logs + "\" \"" + unixlink + "\"",
                      [&] { return OSYS::FileIsDirectory((link + "\\old").c_str()); })) {
        std::cout << "no folder link here, that case is not tried\n";
        return;
    }
    EXPECT_TRUE(WORKDIR::FolderInside(link.c_str(), from.c_str()));
    ExpectKept(from, "*" + link);
    ExpectFilled(from);
}

TEST(WorkDirFolders, SameAndInsideCompareWholePathComponents)
{
    EXPECT_TRUE(WORKDIR::SameFolder("C:\\Data", "c:\\data\\"));
    EXPECT_TRUE(WORKDIR::SameFolder("C:/data", "C:\\x\\..\\data"));
    EXPECT_FALSE(WORKDIR::SameFolder("C:\\data", "C:\\data2"));
    EXPECT_TRUE(WORKDIR::SameFolder("C:\\", "c:\\"));
    EXPECT_TRUE(WORKDIR::FolderInside("c:\\DATA\\sub\\deeper", "C:\\data\\"));
    EXPECT_TRUE(WORKDIR::FolderInside("C:\\data", "C:\\"));
    EXPECT_FALSE(WORKDIR::FolderInside("C:\\data2", "C:\\data"));
    EXPECT_FALSE(WORKDIR::FolderInside("C:\\data", "C:\\data"));
    EXPECT_FALSE(WORKDIR::FolderInside("C:\\data", "C:\\data\\sub"));
    EXPECT_FALSE(WORKDIR::FolderInside("D:\\data\\sub", "C:\\data"));
    EXPECT_FALSE(WORKDIR::FolderInside("C:\\data\\sub", ""));
}
