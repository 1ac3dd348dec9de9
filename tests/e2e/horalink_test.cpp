// horalink.exe as a user runs it: started from the build's bin folder with a prepared
// horalink.cfg in a data folder of its own ("/WORKDIR:"), asking the SNTP test server on
// 127.0.0.1 port 123 (the port the program always asks). One good check (from the second
// server) and the end, the clock set and refused under Wine, a failed check, a run
// without schedule that a second start brings to the front and closing ends, service
// mode, the end of the session, and a LAN time server answering SNTP clients. Silence
// itself, which the program sits out for its ten seconds, is the SNTP query test's subject.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "englishlibrary.h"
#include "hash.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "registry.h"
#include "sntpserver.h"
#include "socketlibrary.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "testprocess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

// Generous waits: the machine is shared.
const DWORD START_MS = 30000;
const DWORD END_MS = 60000;
const char PRODUCT_KEY[] = "Software\\Kelvo\\Horalink";

static std::string text(int id) { return OSYS::GetStringFromResource(id).Text(); }

// The reply of an SNTP server on 127.0.0.1:port to a version 4 client request, "" when
// none comes within ms; and a port that is free (the system handed it out and took it back).
static std::string sntp_ask(unsigned short port, DWORD ms)
{
    SOCKETLIBRARY library;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    to.sin_port = htons(port);
    unsigned char request[48] = {0x23};
    request[47] = 0x5A;
    sendto(s, reinterpret_cast<const char*>(request), sizeof request, 0, reinterpret_cast<const sockaddr*>(&to),
           sizeof to);
    std::string reply;
    for (DWORD start = GetTickCount(); reply.empty() && GetTickCount() - start < ms;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval timeout = {0, 100000};
        char buffer[512];
        int n = select(0, &readable, nullptr, nullptr, &timeout) == 1 ? recv(s, buffer, sizeof buffer, 0) : 0;
        if (n > 0) reply.assign(buffer, n);
    }
    closesocket(s);
    return reply;
}

static unsigned short free_port()
{
    SOCKETLIBRARY library;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

// Leap indicator, stratum and reference id of an SNTP reply, as "leap|stratum|refid".
static std::string sntp_fields(const std::string& reply)
{
    if (reply.size() < 48) return "no reply (" + std::to_string(reply.size()) + " bytes)";
    char text[64];
    const unsigned char* r = reinterpret_cast<const unsigned char*>(reply.data());
    snprintf(text, sizeof text, "%d|%d|%d.%d.%d.%d", r[0] >> 6, r[1], r[12], r[13], r[14], r[15]);
    return text;
}

class Horalink : public testing::Test {
protected:
    void SetUp() override
    {
        LoadEnglishLibrary();
        // The product's own key: the window place starts afresh, and no tip of the day waits.
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
        REGISTRY("Horalink", "Software\\Kelvo", REGISTRY_CURRENTUSER).Write("TipOfDayStyle", "0");
    }
    void TearDown() override
    {
        for (PROCESS_INFORMATION& pi : running)
            if (pi.hProcess) WaitProgram(&pi, 0);
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
        KELVOAPP::FreeLanguageLibrary();
    }
    // The settings file: a permanent connection, the test server, no sound, no question;
    // more comes first, so that its keys win.
    void Config(const std::string& more)
    {
        ASSERT_TRUE(WriteFileBytes(dir.File("horalink.cfg"),
                                   more + "ConnectionType=0\r\nVersion=1.00\r\nTimeServer=127.0.0.1\r\n"
                                          "NotifyDoSound=0\r\nNotifyDoMsgbox=0\r\n"));
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
    PROGRAMRUN WaitEnd(int run)
    {
        PROGRAMRUN result = WaitProgram(&running[run], END_MS);
        running[run] = {};
        return result;
    }
    HWND Window(int run, const char* suffix = "")
    {
        return WaitForWindowOfClass(std::string("KelvoHoralinkWinClass") + suffix, Pid(run), START_MS);
    }
    std::string Log() { return ReadFileBytes(dir.File("horalink.log")); }
    // Whether a run logging its window's messages (/D:8) dispatched n ticks of the update
    // thread after the first message of kind (a number as "%04x").
    bool TicksAfter(const char* kind, int n)
    {
        std::string log = Log();
        size_t at = log.find(std::string("APP WinProc msg=") + kind + " ");
        for (; at != std::string::npos && n > 0; n--)
            at = log.find("APP WinProc msg=0405 ", at + 1);  // WM__TICKUPDATE
        return at != std::string::npos;
    }
    bool WaitLog(const std::string& part)
    {
        return WaitUntil([&] { return Log().find(part) != std::string::npos; }, END_MS);
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

// The SNTP test server on the program's port, or the test is skipped.
#define START_SERVER(config)                                                               \
    server.Configure(config);                                                              \
    if (!server.Start(SNTPSERVER_ADDRESS, 123))                                            \
    GTEST_SKIP() << "no SNTP test server on 127.0.0.1:123: " << server.ErrorText()

// The first server fails (a name that cannot be an address fails at once), the second is
// asked and its good answer ends the run.
TEST_F(Horalink, CheckOnceEndsAfterOneGoodUpdateFromTheSecondServer)
{
    SNTPSERVERCONFIG config;
    config.OffsetUs = 300000;  // the server is 0.3 s ahead: this PC is behind
    START_SERVER(config);
    Config("TimeServer=1.2.3.4.5\r\nTimeServer2=127.0.0.1\r\nTimeDoServer2=1\r\n");
    long long before = time(nullptr);
    PROGRAMRUN end = WaitEnd(Start("/CHECK /ONCE"));
    long long after = time(nullptr);
    ASSERT_TRUE(end.ended) << Log();
    EXPECT_EQ(end.exitcode, 0u);
    // One query: a single exchange, or up to four when the loaded machine made the round
    // trip longer than the query settles for.
    EXPECT_GE(server.Requests(), 1);
    EXPECT_LE(server.Requests(), 4);

    EXPECT_EQ(Setting("TimeLastOK") + "|" + Setting("TimeErrCount") + "|" + Setting("TimeLastQuality") +
                  "|" + Setting("LastTimeServer"),
              "1 OK|0|1|127.0.0.1");
    EXPECT_NEAR(atoll(Setting("TimeLastValueMs").c_str()), 300, 15);
    EXPECT_THAT(Setting("TimeLastDiffNice"), StartsWith("-0."));
    long long refresh = atoll(Setting("TimeLastRefresh").c_str());
    EXPECT_GE(refresh, before - 2);
    EXPECT_LE(refresh, after + 2);
    EXPECT_THAT(Log(), HasSubstr("APP::UpdateItem try 1/2"));
    EXPECT_THAT(Log(), HasSubstr("APP::UpdateItem try 2/2"));
    EXPECT_THAT(Log(), HasSubstr("APP::UpdateItem one good update was asked for: exit"));
    EXPECT_THAT(Log(), HasSubstr("main::~main"));
    // The help file beside the program was found with its topic list.
    EXPECT_THAT(Log(), HasSubstr("HELPFILE::SetFilename done"));
}

TEST_F(Horalink, SetsTheClockByItselfAndIsRefusedUnderWine)
{
    SNTPSERVERCONFIG config;
    config.OffsetUs = 5000000;
    START_SERVER(config);
    Config("ProAutoTime=1\r\n");
    ASSERT_TRUE(WaitEnd(Start("/CHECK /ONCE")).ended) << Log();
    EXPECT_THAT(Log(), HasSubstr("APP::AdjustClock"));
    // Known Wine difference: the prefix runs without the right to set the clock.
    EXPECT_THAT(Log(), HasSubstr("APP::AdjustSystemTime GetLastError after SetSystemTime is 1314"));
    // The status says so, and the clock stays known wrong by the measured offset.
    EXPECT_EQ(Setting("TimeLastStatus") + "|" + Setting("TimeLastQuality"), text(IDS_STATUSNOTSET) + "|2");
    EXPECT_THAT(Setting("TimeLastStatus2"), HasSubstr("(1314)"));
    EXPECT_NE(Setting("TimeLastTimeDelta"), "00000000.00000000");
    EXPECT_NEAR(atoll(Setting("TimeLastValueMs").c_str()), 5000, 15);
}

// A server that answers at once that it is not synchronised: the failure is the same as
// after silence, without the ten seconds' wait.
TEST_F(Horalink, AFailedCheckIsRecordedAndShowsTheErrorIcon)
{
    SNTPSERVERCONFIG config;
    config.Reply = SNTPREPLY::Unsynchronised;
    START_SERVER(config);
    Config("TimeLastOK=0 No answer\r\nTimeErrCount=1\r\n");
    int run = Start("/CHECK /ONCE");
    HWND window = Window(run);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitLog("APP::~UpdateItem")) << Log();
    EXPECT_TRUE(Running(run));  // a failed check does not end the program, even with /ONCE
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitEnd(run).ended) << Log();

    EXPECT_THAT(Setting("TimeLastOK"), StartsWith("0 "));
    EXPECT_EQ(Setting("TimeErrCount") + "|" + Setting("TimeLastStatus") + "|" + Setting("TimeLastStatus2"),
              "2|" + text(IDS_STATUSFAILED) + "|" + text(IDS_SNTPUNSYNCED));
    EXPECT_THAT(Log(), HasSubstr("APP::DrawTrayIcon icon=2052 tip=" + text(IDS_TRAYTIP) + ": " +
                                 text(IDS_STATUSFAILED)));
    // Running when asked, but it might have been about to end.
    EXPECT_THAT(Log(), Not(HasSubstr("APP::UpdateItem one good update was asked for: exit")));
}

// Without a schedule nothing is asked, even after /CHECK; a second start brings the
// window to the front and ends; closing ends the program and saves the settings.
TEST_F(Horalink, ARunWithoutScheduleASecondStartAndClosing)
{
    START_SERVER(SNTPSERVERCONFIG());
    Config("TimeCyclic=0\r\n");
    // The rounds of the update thread show in the log as the ticks it posts to the window.
    int first = Start("/CHECK /D:8");
    HWND window = Window(first);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitLog("APP::APP done"));
    // Posted after the start was done, so the ticks that follow it come from rounds that saw
    // whatever /CHECK scheduled.
    PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, START_MS));

    PROGRAMRUN second = WaitEnd(Start(""));
    ASSERT_TRUE(second.ended);
    EXPECT_EQ(second.exitcode, 0u);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(window); }, START_MS));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(Running(first));

    ASSERT_TRUE(WaitUntil([&] { return TicksAfter("0112", 2); }, END_MS)) << Log();  // WM_SYSCOMMAND
    // Saved at the start already (the version); gone now, so the end must write it.
    ASSERT_TRUE(DeleteFileA(dir.File("horalink.cfg").c_str()));
    PostMessageA(window, WM_CLOSE, 0, 0);
    PROGRAMRUN end = WaitEnd(first);
    ASSERT_TRUE(end.ended) << Log();
    EXPECT_EQ(end.exitcode, 0u);
    EXPECT_EQ(Setting("TimeCyclic") + "|" + Setting("DlgCloseMinimize"), "0|0");
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_THAT(Log(), Not(HasSubstr("APP::UpdateItem")));
    EXPECT_THAT(Log(), HasSubstr("WM_CLOSE StopThread=TRUE"));
    EXPECT_THAT(Log(), Not(HasSubstr("APP_TIMER_QUIT")));
}

TEST_F(Horalink, ServiceModeOnlyMinimisesAndOutlivesTheSession)
{
    Config("TimeCyclic=0\r\n");
    int run = Start("/SERVICE");
    HWND window = Window(run, "Service");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsIconic(window));
    for (UINT message : {WM_CLOSE, WM_COMMAND}) {
        ShowWindow(window, SW_RESTORE);
        SendMessageA(window, message, message == WM_COMMAND ? IDM_EXIT : 0, 0);
        EXPECT_TRUE(IsIconic(window)) << message;
    }
    DWORD_PTR result = 99;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, START_MS, &result));
    EXPECT_EQ(result, 0u);
    EXPECT_TRUE(Running(run));
    EXPECT_THAT(Log(), HasSubstr("WM_ENDSESSION in service mode"));

    // A second copy in service mode ends without a box that would hold it.
    PROGRAMRUN end = WaitEnd(Start("/SERVICE"));
    EXPECT_TRUE(end.ended);
    EXPECT_EQ(end.exitcode, 1u);

    // The service controller ends it with the quit message.
    ASSERT_TRUE(DeleteFileA(dir.File("horalink.cfg").c_str()));
    PostMessageA(window, WM_QUIT, 0, 0);
    ASSERT_TRUE(WaitEnd(run).ended);
    EXPECT_EQ(Setting("TimeCyclic"), "0");
}

TEST_F(Horalink, TheEndOfTheSessionSavesBeforeAndAfterTheThreadAndQuits)
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
    // Once before the wait for the update thread (the system may end the process during
    // it), once after with the thread's last values, and not again when the program ends.
    size_t first = after.find("APP::SaveSettings");
    size_t closed = after.find("WM_ENDSESSION thread closed");
    ASSERT_LT(first, closed);
    size_t second = after.find("APP::SaveSettings", closed);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(after.find("APP::SaveSettings", second + 1), std::string::npos);
}

// A LAN time server with the SNTP server on (its port from the test seam): until its
// first check was good its answers say it is not synchronised; after it, stratum of the
// server asked + 1, that server as reference. Closing the program closes the port.
TEST_F(Horalink, ALanServerAnswersSntpClientsOnceItsCheckWasGood)
{
    SNTPSERVERCONFIG config;
    config.Stratum = 2;
    START_SERVER(config);
    unsigned short port = free_port();
    ASSERT_NE(port, 0);
    SetEnvironmentVariableA("HORALINK_TEST_SNTPSERVERPORT", std::to_string(port).c_str());
    // A schedule whose next check is a day away: only check-now asks the server.
    long long now = time(nullptr);
    Config("TimeCyclic=24\r\nTimeLastRefresh=" + std::to_string(now) + "\r\nTimeNextRefresh=" +
           std::to_string(now + 86400) + "\r\nMode=2\r\nLanDoServer=1\r\nLanSntpServer=1\r\nTimeMaxDiff=10000\r\n");
    int run = Start("");
    SetEnvironmentVariableA("HORALINK_TEST_SNTPSERVERPORT", nullptr);
    HWND window = Window(run);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitLog("APP::APP done")) << Log();
    EXPECT_EQ(sntp_fields(sntp_ask(port, START_MS)), "3|16|0.0.0.0");

    PostMessageA(window, WM_COMMAND, IDM_CHECKNOW, 0);
    ASSERT_TRUE(WaitLog("APP::~UpdateItem")) << Log();
    EXPECT_EQ(sntp_fields(sntp_ask(port, START_MS)), "0|3|127.0.0.1") << Log();

    PostMessageA(window, WM_CLOSE, 0, 0);
    PROGRAMRUN end = WaitEnd(run);
    ASSERT_TRUE(end.ended) << Log();
    EXPECT_THAT(Log(), HasSubstr("SNTPRESPONDER::Stop done"));
    EXPECT_EQ(sntp_fields(sntp_ask(port, 500)), "no reply (0 bytes)");
}
