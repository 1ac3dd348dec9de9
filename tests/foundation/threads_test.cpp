// Threads of the OS layer: both kinds of thread function, waiting with and
// without a limit, and the log lines of starting and waiting.
#include "osys.h"

#include "kelvo.h"
#include "logcapture.h"
#include "reports.h"
#include "semaphores.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>

namespace {

struct THREADDATA {
    EVENTSEM go;
    std::atomic<int> runs{0};
};

unsigned __stdcall stdcall_thread(void* p)
{
    static_cast<THREADDATA*>(p)->go.Wait(-1);
    static_cast<THREADDATA*>(p)->runs++;
    return 7;
}

void __cdecl cdecl_thread(void* p) { stdcall_thread(p); }

}  // namespace

TEST(Threads, BothKindsRunWithTheirParameterAndAreLogged)
{
    THREADDATA data;
    data.go.Set();
    LOGCAPTURE log;
    HANDLE a = OSYS::CreateThread(stdcall_thread, &data);
    ASSERT_EQ(WaitForSingleObject(a, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(a, &code));
    EXPECT_EQ(code, 7u);
    ASSERT_TRUE(OSYS::WaitThread(a, -1));
    EXPECT_EQ(a, nullptr);
    HANDLE b = OSYS::CreateThread(cdecl_thread, &data);
    DWORD tid = GetThreadId(b);
    ASSERT_TRUE(OSYS::WaitThread(b, -1));
    EXPECT_EQ(data.runs.load(), 2);
    const std::string& text = log.Text();
    std::regex first("\\] OSYS::CreateThread returned hthread= [0-9A-Fa-f]+, tid= [0-9a-f]{4,}\r\n");
    EXPECT_TRUE(std::regex_search(text, first)) << text;
    char tail[40];
    snprintf(tail, sizeof tail, ", tid= %04x\r\n", static_cast<unsigned>(tid));
    std::regex second("\\] OSYS::CreateThread2 returned hthread= [0-9A-Fa-f]+" + std::string(tail));
    EXPECT_TRUE(std::regex_search(text, second)) << text;
}

TEST(Threads, PollOfRunningThreadFailsSilentlyAndKeepsHandle)
{
    THREADDATA data;
    HANDLE h = OSYS::CreateThread(cdecl_thread, &data);
    ASSERT_NE(h, nullptr);
    HANDLE kept = h;
    LOGCAPTURE poll;
    EXPECT_FALSE(OSYS::WaitThread(h, 0));
    EXPECT_EQ(h, kept);
    EXPECT_EQ(poll.Text().find("WaitThread"), std::string::npos) << poll.Text();

    LOGCAPTURE wait;
    EXPECT_FALSE(OSYS::WaitThread(h, 20));
    EXPECT_EQ(h, kept);
    char lines[200];
    snprintf(lines, sizeof lines, "] OSYS::WaitThread hThread=%p, timeout= 20\r\n", static_cast<void*>(kept));
    EXPECT_NE(wait.Text().find(lines), std::string::npos) << wait.Text();
    snprintf(lines, sizeof lines, "] OSYS::WaitThread hThread=%p timeout= 20 failed\r\n",
             static_cast<void*>(kept));
    EXPECT_NE(wait.Text().find(lines), std::string::npos) << wait.Text();

    data.go.Set();  // the kept handle still serves to wait for the end
    EXPECT_TRUE(OSYS::WaitThread(h, -1));
    EXPECT_EQ(data.runs.load(), 1);

    REPORTS reports;
    EXPECT_FALSE(OSYS::WaitThread(h, 0));  // h is null now
    EXPECT_TRUE(reports.Were(1, "hThread!=NULL"));
}
