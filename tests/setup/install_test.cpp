// setup.exe from the build's install folder (dist) as a Windows user meets it, in a
// Wine prefix made for the run (tests/setup/install_test.sh starts this program there):
// walked with every default answer, it installs every file of its archive, the
// uninstall entry, the shortcuts and the desktop icon; the service, installed by the
// user, is stopped around a reinstallation and runs again after it.
#include "dialogpages.h"
#include "registry.h"
#include "setupres.h"
#include "shelllinks.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "testprocess.h"
#include "unzip.h"

#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

const DWORD RUN_MS = 120000;
const char PRODUCT_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Horalink";

static std::string shell_folder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

// The service's state and process (0 when it is not installed).
static DWORD service_state(DWORD* process = nullptr)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, "Horalink", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (service) QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    if (process) *process = status.dwProcessId;
    return status.dwCurrentState;
}

// Closes a shell window showing the program group.
static BOOL CALLBACK close_shell_window(HWND window, LPARAM)
{
    char title[256] = "", cls[64] = "";
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, cls, sizeof cls);
    if (std::string(title) == "Horalink" && std::string(cls) != "#32770") PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

class FreshInstall : public testing::Test {
protected:
    void SetUp() override
    {
        if (!getenv("HORALINK_FRESH_PREFIX")) GTEST_SKIP() << "installs into its prefix: run by tests/setup/install_test.sh";
        CoInitialize(nullptr);
    }
    void TearDown() override { CoUninitialize(); }

    std::string Title() { return ItemText(frame, IDC_SETUP_TITLE); }
    HWND Page() { return FindWindowExA(frame, nullptr, "#32770", nullptr); }
    bool Next(const std::string& title)
    {
        PressDialogButton(frame, IDC_SETUP_NEXT);
        return WaitUntil([&] { return Page() && Title().find(title) == 0; }, RUN_MS);
    }
    // setup.exe walked with the default answers; reinstall: an installation is there.
    void Walk(bool reinstall)
    {
        std::string dist = TestProgramDir() + "\\..\\dist";
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(StartProgramAsync("\"" + dist + "\\setup.exe\"", dist, &pi));
        frame = WaitForDialog("Horalink Setup", pi.dwProcessId, RUN_MS);
        ASSERT_TRUE(frame);
        ASSERT_TRUE(WaitUntil([&] { return Page() && Title() == "Welcome to Horalink 1.00"; }, RUN_MS));
        if (reinstall) {
            // The same version: a reinstallation, which skips the licence.
            EXPECT_EQ(SendMessageA(GetDlgItem(Page(), IDC_SETUP_CHOICE2), BM_GETCHECK, 0, 0), BST_CHECKED);
        } else {
            ASSERT_TRUE(Next("Licence"));
            SendMessageA(GetDlgItem(Page(), IDC_SETUP_CHECK), BM_CLICK, 0, 0);
        }
        ASSERT_TRUE(Next("Choose the install folder"));
        EXPECT_THAT(ItemText(Page(), IDC_SETUP_TEXT), testing::EndsWith("\\Kelvo\\Horalink"));
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(Page(), IDC_SETUP_TEXT)) != 0, !reinstall);
        ASSERT_TRUE(Next("Copying the files"));
        ASSERT_TRUE(WaitUntil([&] { return ButtonStates(frame, {IDC_SETUP_BACK, IDC_SETUP_NEXT, IDCANCEL}, "BNC") == "bNC"; },
                              RUN_MS));
        ASSERT_TRUE(Next("Shortcuts"));
        ASSERT_TRUE(Next("Setup is complete"));
        PressDialogButton(frame, IDCANCEL);
        HWND closing = WaitForDialog("Kelvo Setup Horalink", pi.dwProcessId, RUN_MS);
        ASSERT_TRUE(closing);
        EXPECT_EQ(DialogStaticText(closing), "Horalink has been installed.");
        PressDialogButton(closing, IDOK);
        PROGRAMRUN run = WaitProgram(&pi, RUN_MS);
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(run.exitcode, 0u);
    }
    std::string Value(const char* name)
    {
        return REGISTRY(HKEY_LOCAL_MACHINE, PRODUCT_KEY, "", REGISTRY_READ).Read(name).Text();
    }
    // Runs the installed service controller; its exit code.
    DWORD Service(const std::string& folder, const char* command)
    {
        return RunProgram("\"" + folder + "\\service.exe\" " + command, folder, RUN_MS).exitcode;
    }

    HWND frame = nullptr;
};

TEST_F(FreshInstall, InstallsEverythingAndReinstallsAroundTheRunningService)
{
    Walk(false);
    std::string folder = Value("UninstallPath");
    ASSERT_THAT(folder, testing::EndsWith("\\Kelvo\\Horalink"));

    // Every file of the archive, byte for byte, and the files setup keeps for removal.
    std::string archive = TestProgramDir() + "\\..\\dist\\setup.fil";
    const char* args[] = {"unzip", "-v", archive.c_str()};
    ASSERT_EQ(Unzip(3, args), 0) << UnzipError();
    std::string files;
    for (int i = 0; i < ZIPLIST_ENTRIES && ZipListing().Name[i][0]; i++) {
        std::string name = ZipListing().Name[i];
        std::string installed = ReadFileBytes(folder + "\\" + name);
        EXPECT_FALSE(installed.empty()) << name;
        EXPECT_TRUE(installed == ReadFileBytes(ProductBinDir() + "\\" + name)) << name;
        files += name + "|";
    }
    files += "setup.exe|setupenglish.dll|setupgerman.dll";
    EXPECT_TRUE(ReadFileBytes(folder + "\\setup.exe") == ReadFileBytes(ProductBinDir() + "\\setup.exe"));

    std::string group = shell_folder(CSIDL_PROGRAMS) + "\\Horalink";
    const std::pair<const char*, std::string> values[] = {
        {"DisplayName", "Horalink"},
        {"DisplayVersion", "1.00"},
        {"DisplayIcon", folder + "\\horalink.exe"},
        {"AppName", "Horalink"},
        {"UninstallString", "\"" + folder + "\\Setup.exe\" -remove \"Horalink\""},
        {"UninstallFiles", files},
        {"UninstallProtect", "horalink.cfg"},
        {"UninstallFirewall", "horalink.exe"},
        {"UninstallStartmenu", group},
        {"UninstallStartmenuFiles", "Horalink|Horalink Help|Uninstall Horalink"},
        {"UninstallDesktopFiles", "Horalink"},
    };
    for (const auto& v : values) EXPECT_EQ(Value(v.first), v.second) << v.first;

    // Real shortcuts to the installed files.
    std::string program = folder + "\\horalink.exe||" + folder + "|,0";
    EXPECT_EQ(ReadShellLink(group + "\\Horalink.LNK"), program);
    EXPECT_EQ(ReadShellLink(shell_folder(CSIDL_DESKTOPDIRECTORY) + "\\Horalink.LNK"), program);
    EXPECT_EQ(ReadShellLink(group + "\\Horalink Help.LNK"), folder + "\\horalink.chm||" + folder + "|,0");
    EXPECT_EQ(ReadShellLink(group + "\\Uninstall Horalink.LNK"),
              folder + "\\setup.exe|-remove Horalink|" + folder + "|" + folder + "\\setup.exe,1");

    // The user installs the service and starts it.
    EXPECT_EQ(Service(folder, "/install"), 0u);
    EXPECT_EQ(Service(folder, "/start"), 0u);
    DWORD before = 0;
    ASSERT_TRUE(WaitUntil([&] { return service_state(&before) == SERVICE_RUNNING; }, RUN_MS));

    // A second run: the service is stopped for the copy and runs again after it.
    Walk(true);
    DWORD after = 0;
    EXPECT_TRUE(WaitUntil([&] { return service_state(&after) == SERVICE_RUNNING; }, RUN_MS));
    EXPECT_NE(after, before) << "the service was started anew";
    EXPECT_EQ(Value("UninstallFiles"), files);

    EXPECT_EQ(Service(folder, "/stop"), 0u);
    EXPECT_EQ(Service(folder, "/uninstall"), 0u);
}

// After the installation (install_test.sh runs this second): the entry's UninstallString
// with the service installed and running, an autostart value, a protected settings file
// and a data folder the user moved. Both stages walked with the defaults remove every
// recorded file, the shortcuts, the service, the entry and the autostart value; the
// protected file and the moved data stay.
TEST_F(FreshInstall, UninstallsWhatItInstalled)
{
    std::string folder = Value("UninstallPath");
    std::string command = Value("UninstallString");
    ASSERT_THAT(folder, testing::EndsWith("\\Kelvo\\Horalink"));
    std::string files = Value("UninstallFiles");
    std::string group = Value("UninstallStartmenu");
    ASSERT_TRUE(FileExistsOnDisk(group + "\\Horalink.LNK"));
    EXPECT_EQ(Service(folder, "/install"), 0u);
    EXPECT_EQ(Service(folder, "/start"), 0u);
    ASSERT_TRUE(WaitUntil([&] { return service_state() == SERVICE_RUNNING; }, RUN_MS));
    ASSERT_TRUE(SetAutoStart("Horalink", ("\"" + folder + "\\horalink.exe\"").c_str()));
    // A file the installation recorded and protects.
    ASSERT_TRUE(WriteFileBytes(folder + "\\notes.ini", "mine"));
    {
        REGISTRY entry(HKEY_LOCAL_MACHINE, PRODUCT_KEY, "", REGISTRY_WRITE);
        entry.Write("UninstallFiles", (files + "|notes.ini").c_str());
        entry.Write("UninstallProtect", "horalink.cfg|notes.ini");
    }
    // The installer opened the program group in the shell; its window would keep the
    // folder from being removed.
    EnumWindows(close_shell_window, 0);
    ASSERT_TRUE(WaitUntil([&] { return !FindWindowA(nullptr, "Horalink"); }, RUN_MS));
    std::string moved = shell_folder(CSIDL_PERSONAL) + "\\My clock data";
    ASSERT_TRUE(CreateDirectoryA(moved.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(moved + "\\notes.txt", "moved"));
    REGISTRY(HKEY_CURRENT_USER, "Software\\Kelvo", "Horalink", REGISTRY_CREATE).Write("ApplicationDataDir", moved.c_str());

    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgramAsync(command, folder, &pi));
    HWND question = WaitForDialog("Horalink Uninstall", pi.dwProcessId, RUN_MS);
    ASSERT_TRUE(question);
    EXPECT_THAT(DialogStaticText(question), testing::HasSubstr("remove Horalink"));
    PressDialogButton(question, IDYES);
    EXPECT_TRUE(WaitProgram(&pi, RUN_MS).ended) << "the first stage hands over and ends";

    ASSERT_TRUE(frame = WaitForDialog("Horalink Uninstall", 0, RUN_MS));
    ASSERT_TRUE(WaitUntil([&] { return Page() && Title() == "Your opinion counts"; }, RUN_MS));
    ASSERT_TRUE(Next("Your settings and data"));
    ASSERT_TRUE(Next("Uninstall complete"));
    ASSERT_TRUE(WaitUntil([&] { return ButtonStates(frame, {IDC_SETUP_BACK, IDC_SETUP_NEXT, IDCANCEL}, "BNC") == "--C"; },
                          RUN_MS));
    EXPECT_TRUE(PressAndAwaitExit(frame, IDCANCEL, RUN_MS));

    std::istringstream recorded(files);
    for (std::string name; std::getline(recorded, name, '|');)
        EXPECT_TRUE(name.empty() || !FileExistsOnDisk(folder + "\\" + name)) << name;
    EXPECT_FALSE(FileExistsOnDisk(group));
    EXPECT_FALSE(FileExistsOnDisk(shell_folder(CSIDL_DESKTOPDIRECTORY) + "\\Horalink.LNK"));
    EXPECT_FALSE(REGISTRY(HKEY_LOCAL_MACHINE, PRODUCT_KEY, "", REGISTRY_READ).IsOpen());
    EXPECT_EQ(AutoStartValue("Horalink"), "<none>");
    EXPECT_EQ(service_state(), 0u) << "the service is uninstalled";
    EXPECT_EQ(ReadFileBytes(folder + "\\notes.ini"), "mine") << "protected";
    EXPECT_EQ(ReadFileBytes(moved + "\\notes.txt"), "moved");
}
