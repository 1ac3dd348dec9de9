// horalink.exe as a user runs it: started from the build's bin folder with a
// prepared horalink.cfg in a data folder of its own ("/WORKDIR:"), asking the SNTP
// test server on 127.0.0.1 port 123 (the port the program always asks). One good
// check and the end, the clock set and refused under Wine, a silent server, the
// second server, no schedule, a second start, service mode, closing, the end of the
// session, the attention blinking and the tip of the day.
#include "hash.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "sntpserver.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "testprocess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

// Generous waits: the machine is shared, and one silent try alone takes 10 s.
const DWORD START_MS = 30000;
const DWORD END_MS = 60000;
const char PRODUCT_KEY[] = "Software\\Kelvo\\Horalink";

static std::string text(int id) { return OSYS::GetStringFromResource(id).Text(); }

static bool wait_until(const std::function<bool()>& done, DWORD timeoutms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutms) return false;
        Sleep(100);
    }
    return true;
}

class Horalink : public testing::Test {
protected:
    void SetUp() override
    {
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
        // The product's own key: window place and tips start afresh, and no tip waits for
        // an answer unless a test asks for one.
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
        SetProductValue("TipOfDayStyle", "0");
    }
    void TearDown() override
    {
        for (PROCESS_INFORMATION& pi : running) {
            if (pi.hProcess) WaitProgram(&pi, 0);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
        KELVOAPP::FreeLanguageLibrary();
    }

    static void SetProductValue(const char* name, const char* value)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, PRODUCT_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr), ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(strlen(value) + 1));
        RegCloseKey(key);
    }
    static std::string ProductValue(const char* name)
    {
        char buffer[256] = "";
        DWORD size = sizeof buffer;
        if (RegGetValueA(HKEY_CURRENT_USER, PRODUCT_KEY, name, RRF_RT_REG_SZ, nullptr, buffer,
                         &size) != ERROR_SUCCESS)
            return "<none>";
        return buffer;
    }

    // The SNTP test server on the program's port, or the test is skipped.
    bool StartServer(const SNTPSERVERCONFIG& config)
    {
        server.Configure(config);
        return server.Start(SNTPSERVER_ADDRESS, 123);
    }

    // The settings file: the first check due at once against the test server, no sound,
    // no question; more comes first, so that its keys win.
    void Config(const std::string& more)
    {
        std::string base = "ConnectionType=0\r\nVersion=1.00\r\nTimeServer=127.0.0.1\r\n"
                           "NotifyDoSound=0\r\nNotifyDoMsgbox=0\r\nTimeNetVariance=50\r\n"
                           "TimeMaxDiff=1000\r\n";
        ASSERT_TRUE(WriteFileBytes(dir.File("horalink.cfg"), more + base));
    }

    // Starts horalink.exe with the data folder, a log and arguments; the process index.
    int Start(const std::string& arguments)
    {
        std::string line = "\"" + ProductBinDir() + "\\horalink.exe\" \"/WORKDIR:" + dir.Path() +
                           "\" \"/LOGIT:" + dir.File("horalink.log") + "\" " + arguments;
        PROCESS_INFORMATION pi = {};
        EXPECT_TRUE(StartProgramAsync(line, "", &pi)) << line;
        running.push_back(pi);
        return static_cast<int>(running.size()) - 1;
    }
    DWORD Pid(int run) { return running[run].dwProcessId; }
    bool Running(int run) { return WaitForSingleObject(running[run].hProcess, 0) == WAIT_TIMEOUT; }
    PROGRAMRUN WaitEnd(int run, DWORD timeoutms = END_MS)
    {
        PROGRAMRUN result = WaitProgram(&running[run], timeoutms);
        running[run] = {};
        return result;
    }
    HWND Window(int run, bool service = false)
    {
        return WaitForWindowOfClass(service ? "KelvoHoralinkWinClassService" : "KelvoHoralinkWinClass",
                                    Pid(run), START_MS);
    }
    std::string Log() { return ReadFileBytes(dir.File("horalink.log")); }
    bool WaitLog(const std::string& part, DWORD timeoutms = END_MS)
    {
        return wait_until([&] { return Log().find(part) != std::string::npos; }, timeoutms);
    }
    std::string Setting(const char* key)
    {
        HASH settings;
        if (!settings.Load(dir.File("horalink.cfg").c_str())) return "<no file>";
        return settings.Exists(key) ? settings[key].Text() : "<missing>";
    }

    SNTPSERVER server;
    TEMPDIR dir;
    std::vector<PROCESS_INFORMATION> running;
};

#define START_SERVER(config)                                                              \
    if (!StartServer(config)) GTEST_SKIP() << "no SNTP test server on 127.0.0.1:123: " \
                                           << server.ErrorText()

TEST_F(Horalink, CheckOnceEndsAfterOneGoodUpdate)
{
    SNTPSERVERCONFIG config;
    config.OffsetUs = 300000;  // the server is 0.3 s ahead: this PC is behind
    START_SERVER(config);
    Config("");
    time_t before = time(nullptr);
    int run = Start("/CHECK /ONCE");
    PROGRAMRUN end = WaitEnd(run);
    time_t after = time(nullptr);
    ASSERT_TRUE(end.ended) << Log();
    EXPECT_EQ(end.exitcode, 0u);
    EXPECT_EQ(server.Requests(), 1);

    EXPECT_EQ(Setting("TimeLastOK"), "1 OK");
    EXPECT_EQ(Setting("TimeErrCount"), "0");
    long long ms = atoll(Setting("TimeLastValueMs").c_str());
    EXPECT_NEAR(ms, 300, 15);
    EXPECT_THAT(Setting("TimeLastDiffNice"), StartsWith("-0."));
    EXPECT_EQ(Setting("TimeLastQuality"), "1");
    long long refresh = atoll(Setting("TimeLastRefresh").c_str());
    EXPECT_GE(refresh, static_cast<long long>(before) - 2);
    EXPECT_LE(refresh, static_cast<long long>(after) + 2);
    std::string log = Log();
    EXPECT_THAT(log, HasSubstr("APP::UpdateItem one good update was asked for: exit"));
    EXPECT_THAT(log, HasSubstr("main::~main"));
    // The help file beside the program was found with its topic list.
    EXPECT_THAT(log, HasSubstr("HELPFILE::SetFilename done"));
}

TEST_F(Horalink, SetsTheClockByItselfAndIsRefusedUnderWine)
{
    SNTPSERVERCONFIG config;
    config.OffsetUs = 5000000;
    START_SERVER(config);
    Config("ProAutoTime=1\r\n");
    int run = Start("/CHECK /ONCE");
    ASSERT_TRUE(WaitEnd(run).ended) << Log();
    std::string log = Log();
    EXPECT_THAT(log, HasSubstr("APP::AdjustClock"));
    // Known Wine difference: the prefix runs without the right to set the clock.
    EXPECT_THAT(log, HasSubstr("APP::AdjustSystemTime GetLastError after SetSystemTime is 1314"));
    // The status reads as after a success all the same.
    EXPECT_EQ(Setting("TimeLastStatus"), text(IDS_STATUSADJUSTED));
    EXPECT_EQ(Setting("TimeLastTimeDelta"), "00000000.00000000");
    EXPECT_EQ(Setting("TimeLastQuality"), "0");
}

TEST_F(Horalink, ASilentServerIsRecordedAsAFailureAndShowsTheErrorIcon)
{
    SNTPSERVERCONFIG config;
    config.Reply = SNTPREPLY::Silent;
    START_SERVER(config);
    Config("TimeLastOK=0 No answer\r\nTimeErrCount=1\r\n");
    int run = Start("/CHECK /ONCE");
    HWND window = Window(run);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitLog("APP::~UpdateItem")) << Log();
    // A failed check does not end the program, even with /ONCE.
    EXPECT_TRUE(Running(run));
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitEnd(run).ended) << Log();

    EXPECT_THAT(Setting("TimeLastOK"), StartsWith("0 "));
    EXPECT_EQ(Setting("TimeErrCount"), "2");
    EXPECT_EQ(Setting("TimeLastStatus"), text(IDS_STATUSFAILED));
    EXPECT_THAT(Log(), HasSubstr("APP::DrawTrayIcon icon=2052 tip=" + text(IDS_TRAYTIP) + ": " +
                                 text(IDS_STATUSFAILED)));
}

TEST_F(Horalink, TheSecondServerIsAskedWhenTheFirstFails)
{
    START_SERVER(SNTPSERVERCONFIG());
    // A name that cannot be an address fails at once.
    Config("TimeServer=1.2.3.4.5\r\nTimeServer2=127.0.0.1\r\nTimeDoServer2=1\r\n");
    int run = Start("/CHECK /ONCE");
    ASSERT_TRUE(WaitEnd(run).ended) << Log();
    std::string log = Log();
    EXPECT_THAT(log, HasSubstr("APP::UpdateItem try 1/2"));
    EXPECT_THAT(log, HasSubstr("APP::UpdateItem try 2/2"));
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_EQ(Setting("TimeLastOK"), "1 OK");
    EXPECT_EQ(Setting("LastTimeServer"), "127.0.0.1");
}

TEST_F(Horalink, WithoutAScheduleNothingIsAsked)
{
    START_SERVER(SNTPSERVERCONFIG());
    Config("TimeCyclic=0\r\n");
    int run = Start("/CHECK");
    HWND window = Window(run);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitLog("APP::WorkThread loop online changed"));
    // A few rounds of the update thread.
    Sleep(3000);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitEnd(run).ended);
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_THAT(Log(), Not(HasSubstr("APP::UpdateItem")));
}

TEST_F(Horalink, ASecondStartBringsTheFirstWindowToTheFrontAndEnds)
{
    Config("TimeCyclic=0\r\n");
    int first = Start("");
    HWND window = Window(first);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(wait_until([&] { return IsIconic(window) != FALSE; }, START_MS));

    int second = Start("");
    PROGRAMRUN end = WaitEnd(second);
    ASSERT_TRUE(end.ended);
    EXPECT_EQ(end.exitcode, 0u);
    EXPECT_TRUE(wait_until([&] { return !IsIconic(window); }, START_MS));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(Running(first));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitEnd(first).ended);
}

TEST_F(Horalink, ServiceModeOnlyMinimisesAndOutlivesTheSession)
{
    Config("TimeCyclic=0\r\n");
    int run = Start("/SERVICE");
    HWND window = Window(run, true);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsIconic(window));

    ShowWindow(window, SW_RESTORE);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsIconic(window));
    ShowWindow(window, SW_RESTORE);
    SendMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_TRUE(IsIconic(window));
    DWORD_PTR result = 99;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, START_MS, &result));
    EXPECT_EQ(result, 0u);
    EXPECT_TRUE(Running(run));
    EXPECT_THAT(Log(), HasSubstr("WM_ENDSESSION in service mode"));

    // A second copy in service mode says so and ends.
    int second = Start("/SERVICE");
    DIALOGANSWERER answer(text(IDS_MSGTITLE), IDOK, START_MS, Pid(second));
    const DIALOGSEEN& seen = answer.Wait();
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.text, text(IDS_ALREADYRUNNING));
    PROGRAMRUN end = WaitEnd(second);
    EXPECT_TRUE(end.ended);
    EXPECT_EQ(end.exitcode, 1u);

    // The service controller ends it with the quit message.
    ASSERT_TRUE(DeleteFileA(dir.File("horalink.cfg").c_str()));
    PostMessageA(window, WM_QUIT, 0, 0);
    ASSERT_TRUE(WaitEnd(run).ended);
    EXPECT_EQ(Setting("TimeCyclic"), "0");
}

TEST_F(Horalink, ClosingEndsTheProgramAndSavesTheSettings)
{
    Config("TimeCyclic=0\r\n");
    int run = Start("");
    HWND window = Window(run);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitLog("APP::APP done"));
    // Saved at the start already (the version); gone now, so the end must write it.
    ASSERT_TRUE(DeleteFileA(dir.File("horalink.cfg").c_str()));
    PostMessageA(window, WM_CLOSE, 0, 0);
    PROGRAMRUN end = WaitEnd(run);
    ASSERT_TRUE(end.ended) << Log();
    EXPECT_EQ(end.exitcode, 0u);
    EXPECT_EQ(Setting("TimeCyclic"), "0");
    EXPECT_EQ(Setting("DlgCloseMinimize"), "0");
    std::string log = Log();
    EXPECT_THAT(log, HasSubstr("WM_CLOSE StopThread=TRUE"));
    EXPECT_THAT(log, Not(HasSubstr("APP_TIMER_QUIT")));
}

TEST_F(Horalink, TheEndOfTheSessionSavesOnceAndQuits)
{
    Config("TimeCyclic=0\r\n");
    int run = Start("");
    HWND window = Window(run);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitLog("APP::APP done"));
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, END_MS, &result));
    EXPECT_EQ(result, 1u);
    ASSERT_TRUE(WaitEnd(run).ended);
    std::string log = Log();
    size_t end = log.find("WM_ENDSESSION\r\n");
    ASSERT_NE(end, std::string::npos);
    std::string after = log.substr(end);
    EXPECT_THAT(after, HasSubstr("WM_ENDSESSION -> saved all and QUIT posted"));
    size_t first = after.find("APP::SaveSettings");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(after.find("APP::SaveSettings", first + 1), std::string::npos);
}

TEST_F(Horalink, AWrongClockThatIsNotSetMakesTheTrayIconBlink)
{
    SNTPSERVERCONFIG config;
    config.OffsetUs = -4500000;  // the server is behind: this PC is ahead
    START_SERVER(config);
    Config("NotifyDoMsgbox=1\r\n");
    int run = Start("/CHECK /LOG:4");
    HWND window = Window(run);
    ASSERT_NE(window, nullptr);
    DIALOGANSWERER answer(text(IDS_MSGTITLE), IDNO, END_MS, Pid(run));
    const DIALOGSEEN& seen = answer.Wait();
    ASSERT_TRUE(seen.found) << Log();
    EXPECT_THAT(seen.text, HasSubstr("+4."));
    ASSERT_TRUE(WaitLog("APP::DrawTrayIcon icon=2053")) << Log();
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitEnd(run).ended);
    EXPECT_EQ(Setting("TimeLastQuality"), "2");
    EXPECT_THAT(Setting("TimeLastDiffNice"), StartsWith("+4."));
    EXPECT_THAT(Log(), Not(HasSubstr("APP::AdjustClock")));
}

TEST_F(Horalink, TheTipOfTheDayComesWhenDue)
{
    Config("TimeCyclic=0\r\n");
    SetProductValue("TipOfDayStyle", "1");
    int run = Start("");
    DIALOGANSWERER answer("Tip of the Day", IDCANCEL, START_MS, Pid(run));
    EXPECT_TRUE(answer.Wait().found);
    ASSERT_TRUE(WaitLog("APP::APP done"));
    EXPECT_EQ(ProductValue("TipOfDayCount"), "1");
    PostMessageA(Window(run), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitEnd(run).ended);
}
