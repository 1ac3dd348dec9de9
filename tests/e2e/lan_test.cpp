// Two or three horalink.exe in one Wine prefix form a LAN through the mailslot device's
// test seam (local slots in place of the domain's): a client's check answered by a
// server, the time-out without one, and a server's cyclic broadcast taken by a client.
#include "englishlibrary.h"
#include "hash.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "registry.h"
#include "testfiles.h"
#include "testprocess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using testing::HasSubstr;
using testing::StartsWith;

namespace {

const DWORD START_MS = 30000;
const DWORD END_MS = 60000;
const char PRODUCT_KEY[] = "Software\\Kelvo\\Horalink";
const char LAN_CLIENT[] = "TimeServer=lanserver.horalink.invalid\r\n";
const char LAN_SERVER[] = "Mode=2\r\nLanDoServer=1\r\nTimeCyclic=0\r\n";

bool wait_until(const std::function<bool()>& done, DWORD timeoutms)
{
    for (DWORD start = GetTickCount(); !done(); Sleep(100))
        if (GetTickCount() - start > timeoutms) return false;
    return true;
}

// One horalink.exe of the LAN: its data folder, its slot, its log and its settings.
struct MEMBER {
    TEMPDIR dir;
    std::string slot;
    PROCESS_INFORMATION pi = {};

    std::string Log() { return ReadFileBytes(dir.File("horalink.log")); }
    bool WaitLog(const std::string& part)
    {
        return wait_until([&] { return Log().find(part) != std::string::npos; }, END_MS);
    }
    std::string Setting(const char* key)
    {
        HASH settings;
        if (!settings.Load(dir.File("horalink.cfg").c_str())) return "<no file>";
        return settings.Exists(key) ? settings[key].Text() : "<missing>";
    }
};

// The main window of a process, found by EnumWindows.
struct FOUNDWINDOW {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK main_window_of(HWND window, LPARAM context)
{
    auto* find = reinterpret_cast<FOUNDWINDOW*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (owner == find->pid && std::string(name).rfind("KelvoHoralinkWinClass", 0) == 0) find->window = window;
    return find->window == nullptr;
}

class Lan : public testing::Test {
protected:
    void SetUp() override
    {
        LoadEnglishLibrary();
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
        REGISTRY("Horalink", "Software\\Kelvo", REGISTRY_CURRENTUSER).Write("TipOfDayStyle", "0");
        // Several copies run side by side only in a development tree: the program in its
        // "Release" folder, and "main.cpp" in the folder above, which becomes the current one.
        ASSERT_TRUE(WriteFileBytes(folder.File("main.cpp"), ""));
        ASSERT_TRUE(CreateDirectoryA(folder.File("Release").c_str(), nullptr));
        // The language library is looked for in the current folder.
        for (const char* file : {"Release\\horalink.exe", "horalinkenglish.dll"}) {
            std::string name(file);
            ASSERT_TRUE(CopyFileA((ProductBinDir() + "\\" + name.substr(name.find('\\') + 1)).c_str(),
                                  folder.File(name).c_str(), FALSE)) << file;
        }
    }
    void TearDown() override
    {
        for (auto& member : members)
            if (member->pi.hProcess) {
                HWND window = FindWindowForProcess(member->pi.dwProcessId);
                if (window) PostMessageA(window, WM_COMMAND, 2200, 0);
                WaitProgram(&member->pi, END_MS);
            }
        SetEnvironmentVariableA("HORALINK_TEST_MAILSLOTS", nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
        KELVOAPP::FreeLanguageLibrary();
    }
    // A member with its settings; its slot is named after the test's process and number.
    MEMBER& Add(const std::string& config)
    {
        members.emplace_back(new MEMBER);
        MEMBER& m = *members.back();
        m.slot = "\\\\.\\mailslot\\hltest_" + std::to_string(GetCurrentProcessId()) + "_" +
                 std::to_string(members.size());
        EXPECT_TRUE(WriteFileBytes(m.dir.File("horalink.cfg"),
                                   config + "ConnectionType=0\r\nVersion=1.00\r\nNotifyDoSound=0\r\n"
                                            "NotifyDoMsgbox=0\r\nProAutoTime=0\r\n"));
        return m;
    }
    // Starts m, whose slot list is its own slot first and then every other member's.
    void Start(MEMBER& m, const std::string& arguments)
    {
        std::string slots = m.slot;
        for (auto& other : members)
            if (other.get() != &m) slots += ";" + other->slot;
        SetEnvironmentVariableA("HORALINK_TEST_MAILSLOTS", slots.c_str());
        std::string line = "\"" + folder.File("Release") + "\\horalink.exe\" \"/WORKDIR:" + m.dir.Path() +
                           "\" \"/LOGIT:" + m.dir.File("horalink.log") + "\" " + arguments;
        EXPECT_TRUE(StartProgramAsync(line, folder.Path(), &m.pi)) << line;
        EXPECT_TRUE(m.WaitLog("APP::APP done")) << m.Log();
    }
    PROGRAMRUN End(MEMBER& m)
    {
        PROGRAMRUN run = WaitProgram(&m.pi, END_MS);
        m.pi = {};
        return run;
    }
    static HWND FindWindowForProcess(DWORD pid)
    {
        FOUNDWINDOW find = {pid, nullptr};
        EnumWindows(main_window_of, reinterpret_cast<LPARAM>(&find));
        return find.window;
    }

    TEMPDIR folder;  // the current folder of every member
    std::vector<std::unique_ptr<MEMBER>> members;
};

}  // namespace

// The client's check is answered by the server: "+OK", and both clocks are the same.
TEST_F(Lan, AClientsCheckIsAnsweredByTheServer)
{
    MEMBER& server = Add(LAN_SERVER);
    MEMBER& client = Add(LAN_CLIENT);
    Start(server, "");
    Start(client, "/CHECK /ONCE");
    PROGRAMRUN end = End(client);
    ASSERT_TRUE(end.ended) << client.Log();
    EXPECT_EQ(end.exitcode, 0u);
    EXPECT_THAT(client.Log(), HasSubstr("APP::StoreResult ok= 1, output= +OK ok"));
    EXPECT_THAT(server.Log(), HasSubstr("LanTimeAnswer returns TIMENTP "));
    EXPECT_EQ(client.Setting("TimeLastOK"), "1 OK");
    EXPECT_LE(std::stoll(client.Setting("TimeLastValueMs")), 20);  // one clock, read twice
}

// Without a server the client's check runs out: "+ERR Timeout" and the two status texts.
TEST_F(Lan, WithoutAServerTheClientTimesOut)
{
    MEMBER& client = Add(LAN_CLIENT);
    Start(client, "/CHECK");
    ASSERT_TRUE(client.WaitLog("APP::UpdateItem no answer from the LAN")) << client.Log();
    PostMessageA(FindWindowForProcess(client.pi.dwProcessId), WM_COMMAND, 2200, 0);
    ASSERT_TRUE(End(client).ended);
    EXPECT_EQ(client.Setting("TimeLastOK"), "0 +ERR Timeout");
    EXPECT_EQ(client.Setting("TimeLastStatus"), OSYS::GetStringFromResource(IDS_STATUSFAILED).Text());
    EXPECT_EQ(client.Setting("TimeLastStatus2"), OSYS::GetStringFromResource(IDS_LANTIMEOUT).Text());
}

// A server broadcasting every second reaches a client that asks nothing itself.
TEST_F(Lan, AServersCyclicBroadcastReachesAClient)
{
    MEMBER& server = Add(std::string(LAN_SERVER) + "LanBrodcastCyclic=1\r\nLanBrodcastCyclicHours=0.0003\r\n");
    MEMBER& client = Add(std::string(LAN_CLIENT) + "TimeCyclic=0\r\n");
    Start(client, "");
    Start(server, "");
    ASSERT_TRUE(client.WaitLog("APP::TakeLanResult from ")) << client.Log() << server.Log();
    EXPECT_THAT(server.Log(), HasSubstr("APP::SendCommand TIME "));
}
