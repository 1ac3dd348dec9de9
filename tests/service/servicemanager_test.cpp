// service.exe against the platform's service manager, with a stand-in product
// (serviceproduct.exe) copied beside it in a scratch folder under a service name of
// the test's own: the commands and their exit codes, the service process's life, the
// configuration checks, and the controller dialog as a user drives it.
#include "registry.h"
#include "serviceres.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "testprocess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using testing::HasSubstr;

const DWORD RUN_MS = 60000;

class ServiceManager : public testing::Test {
protected:
    void SetUp() override
    {
        name = "HoralinkTestService" + std::to_string(GetCurrentProcessId());
        regkey = "Test" + name;
        ASSERT_TRUE(CopyFileA((ProductBinDir() + "\\service.exe").c_str(), dir.File("service.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((TestProgramDir() + "\\serviceproduct.exe").c_str(),
                              dir.File("serviceproduct.exe").c_str(), FALSE));
        Config("AppWinClass=KelvoServiceProductClass\r\n");
        Mode("window");
    }
    void TearDown() override
    {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
        if (service) {
            SERVICE_STATUS status;
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            WaitUntil([&] { return State() == SERVICE_STOPPED; }, 30000);
            DeleteService(service);
            CloseServiceHandle(service);
        }
        CloseServiceHandle(manager);
        RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Kelvo\\" + regkey).c_str());
    }
    // service.cfg for the stand-in; more comes first, so that its keys win.
    void Config(const std::string& more)
    {
        ASSERT_TRUE(WriteFileBytes(dir.File("service.cfg"),
                                   more + "AppName=" + name + "\r\nAppExe=serviceproduct.exe\r\n"
                                   "AppHelp=horalink|2805\r\nAppRegKey=" + regkey + "\r\n"
                                   "AppWinClass=KelvoServiceProductClass\r\n"));
    }
    void Mode(const std::string& mode) { ASSERT_TRUE(WriteFileBytes(dir.File("serviceproduct.mode"), mode)); }
    std::string Command(const std::string& arguments)
    {
        return "\"" + dir.File("service.exe") + "\" " + arguments;
    }
    // Runs service.exe with arguments to its end; its exit code (-1 when it hung).
    int Service(const std::string& arguments, DWORD timeoutms = RUN_MS)
    {
        PROGRAMRUN run = RunProgram(Command(arguments), dir.Path(), timeoutms);
        EXPECT_TRUE(run.started && run.ended) << arguments;
        return run.ended ? static_cast<int>(run.exitcode) : -1;
    }
    // The service's state as the service manager tells it; 0 when it is not installed.
    DWORD State(SERVICE_STATUS* full = nullptr)
    {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
        SERVICE_STATUS status = {};
        bool known = service && QueryServiceStatus(service, &status);
        if (service) CloseServiceHandle(service);
        CloseServiceHandle(manager);
        if (full) *full = status;
        return known ? status.dwCurrentState : 0;
    }
    std::string ProductRecord() { return ReadFileBytes(dir.File("serviceproduct.out")); }

    TEMPDIR dir;
    std::string name;
    std::string regkey;
};

TEST_F(ServiceManager, InstallsStartsStopsAndRemovesTheServiceThatRunsTheProduct)
{
    // What the installation records is checked with horalink itself (e2e).
    ASSERT_EQ(Service("/install"), 0);
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));
    // A second installation of the same name fails.
    EXPECT_EQ(Service("/install"), 2);
    // Outside the service manager the service process cannot start.
    EXPECT_EQ(Service(""), 4);

    ASSERT_EQ(Service("-START"), 0);
    ASSERT_TRUE(WaitUntil([&] { return ProductRecord().size() > 0; }, RUN_MS)) << "the product never started";
    EXPECT_THAT(ProductRecord(), HasSubstr("cmdline=\"" + dir.File("serviceproduct.exe") + "\" /service\n"));
    EXPECT_THAT(ProductRecord(), HasSubstr("cwd=" + dir.Path() + "\n"));
    EXPECT_TRUE(WaitUntil([&] { return State() == SERVICE_RUNNING; }, RUN_MS));

    // The stop returns once the product has ended.
    EXPECT_EQ(Service("/Stop"), 0);
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(FindWindowA("KelvoServiceProductClass", nullptr));
    // A stopped service cannot be stopped: at once, without the wait.
    DWORD start = GetTickCount();
    EXPECT_EQ(Service("/stop"), 7);
    EXPECT_LT(GetTickCount() - start, 10000u);

    ASSERT_EQ(Service("/uninstall"), 0);
    // The manager deletes the service once the service's own process has let go of it,
    // which a loaded machine may take a moment longer to do.
    EXPECT_TRUE(WaitUntil([&] { return State() == 0u; }, RUN_MS));
    EXPECT_EQ(Service("/uninstall"), 3);
    EXPECT_EQ(Service("/start"), 6);
    EXPECT_EQ(Service(""), 5);
}

// A product that ends by itself ends the service; without its configuration the service
// process ends at once and says why to the service manager (nobody would see a box).
TEST_F(ServiceManager, TheServiceEndsAsStoppedWhenTheProductEndsOrCannotBeNamed)
{
    struct CASE {
        bool KeepConfig;
        DWORD Win32ExitCode, ServiceExitCode;
    } cases[] = {{true, 0, 1}, {false, ERROR_SERVICE_SPECIFIC_ERROR, 100}};
    Mode("exit");
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.KeepConfig);
        ASSERT_EQ(Service("/install"), 0);
        if (!c.KeepConfig) {
            ASSERT_TRUE(DeleteFileA(dir.File("service.cfg").c_str()));
        }
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_START | DELETE);
        ASSERT_TRUE(service);
        // The start itself may report the failure: the state below tells what happened.
        StartServiceA(service, 0, nullptr);
        SERVICE_STATUS status = {};
        EXPECT_TRUE(WaitUntil([&] { return State(&status) == SERVICE_STOPPED && status.dwWin32ExitCode == c.Win32ExitCode; }, RUN_MS));
        EXPECT_EQ(status.dwServiceSpecificExitCode, c.ServiceExitCode);
        DeleteService(service);
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }
}

TEST_F(ServiceManager, AProductThatIgnoresTheQuitRequestIsEndedSoTheStopReturns)
{
    Mode("stubborn");
    ASSERT_EQ(Service("/install"), 0);
    ASSERT_EQ(Service("/start"), 0);
    ASSERT_TRUE(WaitUntil([&] { return ProductRecord().size() > 0; }, RUN_MS));
    EXPECT_TRUE(FindWindowA("KelvoServiceProductClass", nullptr));
    EXPECT_EQ(Service("/stop"), 0);
    EXPECT_TRUE(WaitUntil([&] { return State() == SERVICE_STOPPED; }, 30000));
    EXPECT_TRUE(WaitUntil([&] { return !FindWindowA("KelvoServiceProductClass", nullptr); }, 10000));
}

TEST_F(ServiceManager, ADevelopmentBuildFolderRunsTheProductInTheSourceFolder)
{
    TEMPDIR tree;
    std::string debug = tree.File("Debug");
    ASSERT_TRUE(CreateDirectoryA(debug.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(tree.File("main.cpp"), "int main() {}\n"));
    for (const char* file : {"service.exe", "serviceproduct.exe", "serviceproduct.mode"})
        ASSERT_TRUE(CopyFileA(dir.File(file).c_str(), (debug + "\\" + file).c_str(), FALSE));
    // The programs of a build folder work in the source folder: the configuration is there.
    ASSERT_TRUE(CopyFileA(dir.File("service.cfg").c_str(), tree.File("service.cfg").c_str(), FALSE));
    PROGRAMRUN run = RunProgram("\"" + debug + "\\service.exe\" /install", debug, RUN_MS);
    ASSERT_EQ(run.exitcode, 0u);
    run = RunProgram("\"" + debug + "\\service.exe\" /start", debug, RUN_MS);
    ASSERT_EQ(run.exitcode, 0u);
    std::string record;
    ASSERT_TRUE(WaitUntil([&] { return !(record = ReadFileBytes(debug + "\\serviceproduct.out")).empty(); }, RUN_MS));
    EXPECT_THAT(record, HasSubstr("cmdline=\"" + debug + "\\serviceproduct.exe\" /service\n"));
    EXPECT_THAT(record, HasSubstr("cwd=" + tree.Path() + "\n"));
    EXPECT_EQ(RunProgram("\"" + debug + "\\service.exe\" /stop", debug, RUN_MS).exitcode, 0u);
}

// Each broken configuration ends every call with 100 after the error box.
TEST_F(ServiceManager, ABrokenConfigurationEndsWithTheErrorBox)
{
    struct CASE {
        const char* What;
        std::string Content;  // ahead of the good lines, so that they win
        bool Present;         // false: no file at all
    } cases[] = {
        {"missing file", "", false},
        {"class without the maker's name", "AppWinClass=HoralinkWinClass\r\n", true},
        {"program outside the folder", "AppExe=..\\\\serviceproduct.exe\r\n", true},
        {"program with a full path", "AppExe=C:\\\\windows\\\\notepad.exe\r\n", true},
        {"empty help", "AppHelp=\r\n", true},
        {"name too long", "AppName=" + std::string(260, 'n') + "\r\n", true},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.What);
        DeleteFileA(dir.File("service.cfg").c_str());
        if (c.Present) Config(c.Content);
        for (const char* arguments : {"/install", "/start", ""}) {
            PROCESS_INFORMATION pi = {};
            ASSERT_TRUE(StartProgramAsync(Command(arguments), dir.Path(), &pi));
            DIALOGANSWERER box("Kelvo Service Controller", IDOK, 30000, pi.dwProcessId);
            const DIALOGSEEN& seen = box.Wait();
            PROGRAMRUN run = WaitProgram(&pi, RUN_MS);
            EXPECT_TRUE(seen.found) << arguments;
            EXPECT_EQ(seen.text, "Service.cfg not found or wrong.") << arguments;
            EXPECT_EQ(run.exitcode, 100u) << arguments;
        }
    }
    EXPECT_EQ(State(), 0u) << "nothing was installed";
}

TEST_F(ServiceManager, TheSyntaxNoticeAnswersTheHelpOption)
{
    for (const char* option : {"/?", "-help"}) {
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(StartProgramAsync(Command(option), dir.Path(), &pi));
        DIALOGANSWERER box("Kelvo Service Controller", IDOK, 30000, pi.dwProcessId);
        const DIALOGSEEN& seen = box.Wait();
        EXPECT_EQ(WaitProgram(&pi, RUN_MS).exitcode, 0u);
        EXPECT_EQ(seen.text, "Syntax:\r\n\r\nservice /config\r\n\r\nservice /start\r\nservice /stop\r\n"
                             "service /install\r\nservice /uninstall\r\n");
    }
}

// ---------------------------------------------------------------- the controller dialog

// The four buttons' states as "IUSP" letters, lower case when disabled: Install,
// Uninstall, Start, Stop.
static std::string buttons(HWND dialog)
{
    return ButtonStates(dialog, {IDC_INSTALL, IDC_UNINSTALL, IDC_START, IDC_STOP}, "IUSP");
}

// Presses a button and waits for status line 2 to read outcome.
static bool press_for(HWND dialog, int id, const std::string& outcome)
{
    SetDlgItemTextA(dialog, IDC_STATUSLINE2, "");
    PressDialogButton(dialog, id);
    return WaitUntil([&] { return ItemText(dialog, IDC_STATUSLINE2) == outcome; }, RUN_MS);
}

TEST_F(ServiceManager, TheControllerDialogFollowsTheServiceThroughItsStates)
{
    // The product's help file beside the controller, when the build made one.
    bool help = CopyFileA((ProductBinDir() + "\\horalink.chm").c_str(), dir.File("horalink.chm").c_str(), FALSE) &&
                CopyFileA((ProductBinDir() + "\\horalink.ids").c_str(), dir.File("horalink.ids").c_str(), FALSE);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgramAsync(Command("/ADVGUI \"/LOGIT:" + dir.File("service.log") + "\""), dir.Path(), &pi));
    HWND dialog = WaitForDialog("Kelvo Service Controller", pi.dwProcessId, RUN_MS);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(WaitForWindowOfClass("KelvoWinClassInfoWindow", pi.dwProcessId, 0)) << "no notice with ADVGUI";
    if (help) {
        PressDialogButton(dialog, 9);
        std::string shown = "HELPFILE::ShowTopic " + dir.File("horalink.chm") + "::html/topic-2805.html";
        EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(dir.File("service.log")).find(shown) != std::string::npos; }, RUN_MS));
    }
    EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_STATUSLINE1) == "Service not installed"; }, RUN_MS));
    EXPECT_EQ(buttons(dialog), "Iusp");
    EXPECT_EQ(ItemText(dialog, IDCANCEL), "Done");

    EXPECT_TRUE(press_for(dialog, IDC_INSTALL, "Service installed sucessfully."));
    EXPECT_EQ(ItemText(dialog, IDC_STATUSLINE1), "Service installed, stopped");
    EXPECT_EQ(buttons(dialog), "iUSp");
    EXPECT_TRUE(press_for(dialog, IDC_START, "Service started sucessfully."));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_STATUSLINE1) == "Service installed, running"; }, RUN_MS));
    EXPECT_EQ(buttons(dialog), "iusP");
    EXPECT_TRUE(press_for(dialog, IDC_STOP, "Service stopped sucessfully."));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_STATUSLINE1) == "Service installed, stopped"; }, RUN_MS));
    // A command that fails says so: the service is already there.
    EXPECT_TRUE(press_for(dialog, IDC_INSTALL, "Service cannot be installed."));
    EXPECT_TRUE(press_for(dialog, IDC_UNINSTALL, "Service uninstalled sucessfully."));
    EXPECT_EQ(buttons(dialog), "Iusp");
    EXPECT_EQ(State(), 0u);

    PressDialogButton(dialog, IDCANCEL);
    EXPECT_EQ(WaitProgram(&pi, RUN_MS).exitcode, 0u);
}

TEST_F(ServiceManager, TheControllerDialogSpeaksGermanWithTheGermanLanguage)
{
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgramAsync(Command("/ADVGUI /LANG:7"), dir.Path(), &pi));
    HWND dialog = WaitForDialog("Kelvo Service Controller", pi.dwProcessId, RUN_MS);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_STATUSLINE1) == "Service nicht installiert"; }, RUN_MS));
    const std::pair<int, const char*> captions[] = {{IDCANCEL, "Fertig"}, {IDC_INSTALL, "Installieren"},
                                                    {IDC_START, "Starten"}, {IDC_STOP, "Stoppen"},
                                                    {IDC_UNINSTALL, "Deinstallieren"}, {9, "Hilfe"}};
    for (const auto& caption : captions) EXPECT_EQ(ItemText(dialog, caption.first), caption.second);
    EXPECT_TRUE(press_for(dialog, IDC_INSTALL, "Service wurde erfolgreich installiert."));
    EXPECT_TRUE(press_for(dialog, IDC_UNINSTALL, "Service wurde erfolgreich deinstalliert."));
    EXPECT_TRUE(press_for(dialog, IDC_UNINSTALL, "Service konnte nicht deinstalliert werden."));
    PressDialogButton(dialog, IDCANCEL);
    EXPECT_EQ(WaitProgram(&pi, RUN_MS).exitcode, 0u);
}

// The notice comes first until the user ticks its box; on this system (Vista and later)
// the plain dialog refuses Install and Start.
TEST_F(ServiceManager, TheGuiShowsTheNoticeUntilToldNotToAndRefusesToInstall)
{
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgramAsync(Command("/GUI"), dir.Path(), &pi));
    HWND info = WaitForWindowOfClass("KelvoWinClassInfoWindow", pi.dwProcessId, RUN_MS);
    ASSERT_TRUE(info);
    EXPECT_EQ(WindowText(info), "Kelvo Service Controller");
    std::string notice = ItemText(info, 1001);
    EXPECT_THAT(notice, HasSubstr(" I M P O R T A N T !\r\n \r\n This tool can be used to install " + name + " as a system\r\n"));
    EXPECT_THAT(notice, testing::Not(HasSubstr("$PROGNAME")));
    EXPECT_EQ(ItemText(info, 1002), "Do not show this window again");
    HWND dialog = WaitForDialog("Kelvo Service Controller", pi.dwProcessId, RUN_MS);
    ASSERT_TRUE(dialog);

    DIALOGANSWERER refusal(name + " Service", IDOK, RUN_MS, pi.dwProcessId);
    PressDialogButton(dialog, IDC_INSTALL);
    const DIALOGSEEN& seen = refusal.Wait();
    EXPECT_EQ(seen.text, "The " + name + " service can not be used under Windows Vista or higher.");
    EXPECT_EQ(State(), 0u) << "the refusal installs nothing";

    SendDlgItemMessageA(info, 1002, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(info, WM_CLOSE, 0, 0);
    PressDialogButton(dialog, IDCANCEL);
    EXPECT_EQ(WaitProgram(&pi, RUN_MS).exitcode, 0u);
    REGISTRY key(regkey.c_str(), "Software\\Kelvo", REGISTRY_CURRENTUSER);
    DWORD value = 0, size = sizeof value;
    EXPECT_TRUE(key.Read("DontShowAgainSrvCtrl", &value, &size));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(value, 1u);

    ASSERT_TRUE(StartProgramAsync(Command("/config"), dir.Path(), &pi));
    dialog = WaitForDialog("Kelvo Service Controller", pi.dwProcessId, RUN_MS);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(WaitForWindowOfClass("KelvoWinClassInfoWindow", pi.dwProcessId, 0));
    PressDialogButton(dialog, IDCANCEL);
    EXPECT_EQ(WaitProgram(&pi, RUN_MS).exitcode, 0u);
}
