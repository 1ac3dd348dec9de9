// Threads of the OS layer: both kinds of thread function, waiting, and the log
// lines of starting and waiting.
#include "osys.h"

#include "kelvo.h"
#include "logcapture.h"
#include "semaphores.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>

namespace {

struct THREADDATA {
    EVENTSEM go;
    std::atomic<int> runs{0};
    std::atomic<DWORD> tid{0};
};

unsigned __stdcall stdcall_thread(void* p)
{
    THREADDATA* data = static_cast<THREADDATA*>(p);
    data->tid = GetCurrentThreadId();
    data->go.Wait(-1);
    data->runs++;
    return 7;
}

void __cdecl cdecl_thread(void* p)
{
    THREADDATA* data = static_cast<THREADDATA*>(p);
    data->tid = GetCurrentThreadId();
    data->go.Wait(-1);
    data->runs++;
}

}  // namespace

TEST(Threads, BothKindsRunWithTheirParameterAndAreLogged)
{
    THREADDATA data;
    data.go.Set();
    LOGCAPTURE log;
    HANDLE a = OSYS::CreateThread(stdcall_thread, &data);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(OSYS::WaitThread(a, -1));
    EXPECT_EQ(a, nullptr);
    HANDLE b = OSYS::CreateThread(cdecl_thread, &data);
    ASSERT_NE(b, nullptr);
    DWORD tid = GetThreadId(b);
    ASSERT_TRUE(OSYS::WaitThread(b, -1));
    EXPECT_EQ(data.runs.load(), 2);
    EXPECT_EQ(data.tid.load(), tid);

    const std::string& text = log.Text();
    EXPECT_TRUE(std::regex_search(
        text, std::regex("\\] OSYS::CreateThread returned hthread= [0-9A-Fa-f]+, tid= [0-9a-f]{4,}\r\n")))
        << text;
    char line[80];
    snprintf(line, sizeof line, ", tid= %04x\r\n", static_cast<unsigned>(tid));
    EXPECT_TRUE(std::regex_search(
        text, std::regex("\\] OSYS::CreateThread2 returned hthread= [0-9A-Fa-f]+" + std::string(line))))
        << text;
}

TEST(Threads, StandardThreadKeepsItsExitCode)
{
    THREADDATA data;
    data.go.Set();
    HANDLE h = OSYS::CreateThread(stdcall_thread, &data);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(OSYS::WaitThread(h, 0));
}

TEST(Threads, PollOfRunningThreadFailsSilentlyAndKeepsHandle)
{
    THREADDATA data;
    HANDLE h = OSYS::CreateThread(cdecl_thread, &data);
    ASSERT_NE(h, nullptr);
    HANDLE kept = h;
    {
        LOGCAPTURE log;
        EXPECT_FALSE(OSYS::WaitThread(h, 0));
        EXPECT_EQ(h, kept);
        EXPECT_EQ(log.Text().find("WaitThread"), std::string::npos) << log.Text();
    }
    {
        LOGCAPTURE log;
        EXPECT_FALSE(OSYS::WaitThread(h, 20));
        EXPECT_EQ(h, kept);
        char expected[200];
        snprintf(expected, sizeof expected,
                 "OSYS::WaitThread hThread=%p, timeout= 20\r\n", static_cast<void*>(kept));
        EXPECT_NE(log.Text().find(expected), std::string::npos) << log.Text();
        snprintf(expected, sizeof expected, "OSYS::WaitThread hThread=%p timeout= 20 failed\r\n",
                 static_cast<void*>(kept));
        EXPECT_NE(log.Text().find(expected), std::string::npos) << log.Text();
    }
    // The handle is still good: the thread can be released and waited for.
    data.go.Set();
    EXPECT_TRUE(OSYS::WaitThread(h, -1));
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(data.runs.load(), 1);
}

TEST(Threads, NullHandleIsReported)
{
    int before = AssertCount();
    HANDLE h = nullptr;
    EXPECT_FALSE(OSYS::WaitThread(h, 0));
    EXPECT_EQ(AssertCount(), before + 1);
    EXPECT_STREQ(AssertLastCondition(), "hThread!=NULL");
}
