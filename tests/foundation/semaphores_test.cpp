// EVENTSEM, MUTEXSEM (recursive, named, on a window thread), CRITSECT and the
// message-dispatching wait.
#include "semaphores.h"

#include "kelvo.h"
#include "logcapture.h"
#include "osys.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace {

const UINT WM_TESTPING = WM_APP + 1;

struct PINGWINDOW {
    int count = 0;
    int signalat = 1;
    HANDLE signal = nullptr;
};

LRESULT CALLBACK ping_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TESTPING) {
        PINGWINDOW* w = reinterpret_cast<PINGWINDOW*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (++w->count == w->signalat && w->signal) SetEvent(w->signal);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A message-only window of the calling thread that counts WM_TESTPING and sets
// signal when the count reaches signalat.
class PINGTARGET {
public:
    PINGTARGET()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ping_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KelvoSemaphoreTestPing";
        RegisterClassA(&wc);
        hwnd = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    }
    ~PINGTARGET()
    {
        DestroyWindow(hwnd);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    HWND hwnd;
    PINGWINDOW state;
};

std::string hex_handle(HANDLE h)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%p", static_cast<void*>(h));
    return buf;
}

}  // namespace

TEST(EventSem, SetResetWaitAndTheirLogLines)
{
    LOGCAPTURE log(12);
    EVENTSEM ev;
    std::string h = hex_handle(ev.Handle());
    EXPECT_FALSE(ev.Wait(0));
    EXPECT_TRUE(ev.Set());
    EXPECT_TRUE(ev.Wait(0));
    EXPECT_TRUE(ev.Wait(0));  // manual reset: stays set
    EXPECT_TRUE(ev.Reset());
    EXPECT_FALSE(ev.Wait(0));
    const std::string& text = log.Text();
    EXPECT_NE(text.find("EVENTSEM::EVENTSEM created " + h + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("EVENTSEM::Set " + h + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("EVENTSEM::Reset " + h + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("EVENTSEM::Wait " + h + " rc=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("EVENTSEM::Wait " + h + " rc=258\r\n"), std::string::npos);
}

TEST(EventSem, InitiallySetAndReleasesWaiterOfOtherThread)
{
    EVENTSEM initially(true);
    EXPECT_TRUE(initially.Wait(0));

    EVENTSEM ev;
    bool seen = false;
    std::thread waiter([&] { seen = ev.Wait(-1); });
    ev.Set();
    waiter.join();
    EXPECT_TRUE(seen);
}

TEST(MutexSem, SameThreadObtainsAgainOtherThreadWaits)
{
    MUTEXSEM mux;
    ASSERT_TRUE(mux.Obtain());
    ASSERT_TRUE(mux.Obtain(0));
    bool other = true;
    std::thread([&] { other = mux.Obtain(0); }).join();
    EXPECT_FALSE(other);
    mux.Release();
    mux.Release();
    std::thread([&] {
        other = mux.Obtain(0);
        if (other) mux.Release();
    }).join();
    EXPECT_TRUE(other);
}

TEST(MutexSem, NamedMutexIsSharedByName)
{
    char name[64];
    snprintf(name, sizeof name, "KelvoTestMutex%lu", GetCurrentProcessId());
    LOGCAPTURE log(11);
    MUTEXSEM first(false, name);
    MUTEXSEM second(false, name);
    EXPECT_NE(first.Handle(), second.Handle());

    EVENTSEM held, release;
    std::thread holder([&] {
        second.Obtain();
        held.Set();
        release.Wait(-1);
        second.Release();
    });
    held.Wait(-1);
    EXPECT_FALSE(first.Obtain(0));
    release.Set();
    holder.join();
    EXPECT_TRUE(first.Obtain(0));
    first.Release();

    const std::string& text = log.Text();
    EXPECT_NE(text.find("MUTEXSEM::MUTEXSEM created " + hex_handle(first.Handle()) + ", name= " +
                        name + "\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("MUTEXSEM::Obtain " + hex_handle(first.Handle()) + " rc= 258\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("MUTEXSEM::Obtain " + hex_handle(first.Handle()) + " rc= 0\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("MUTEXSEM::Release " + hex_handle(first.Handle()) + " rc= 1\r\n"),
              std::string::npos);
}

TEST(MutexSem, WindowThreadKeepsDispatchingWhileItWaits)
{
    PINGTARGET target;
    ASSERT_NE(target.hwnd, nullptr);
    HANDLE dispatched = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    target.state.signal = dispatched;
    MUTEXSEM mux;
    mux.SetWindowThread(GetCurrentThreadId());

    EVENTSEM held;
    bool holderseen = false;
    std::thread holder([&] {
        mux.Obtain();
        held.Set();
        PostMessageA(target.hwnd, WM_TESTPING, 0, 0);
        // Released only once the waiting window thread has handled the message; the
        // limit merely keeps a broken wait from hanging the test run.
        holderseen = WaitForSingleObject(dispatched, 20000) == WAIT_OBJECT_0;
        mux.Release();
    });
    held.Wait(-1);
    LOGCAPTURE log(12);
    bool obtained = mux.Obtain(-1);
    holder.join();
    EXPECT_TRUE(obtained);
    EXPECT_TRUE(holderseen);
    EXPECT_EQ(target.state.count, 1);
    if (obtained) mux.Release();
    CloseHandle(dispatched);

    const std::string& text = log.Text();
    char line[80];
    snprintf(line, sizeof line, "WINDOWS::WinWaitForSingleObject dispatch msg= %04x\r\n",
             WM_TESTPING);
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_NE(text.find("WINDOWS::WinWaitForSingleObject finished\r\n"), std::string::npos);
    EXPECT_NE(text.find("MUTEXSEM::WinObtain " + hex_handle(mux.Handle()) + " rc= 1\r\n"),
              std::string::npos);
}

TEST(MutexSem, OtherThreadsWaitPlainly)
{
    PINGTARGET target;
    MUTEXSEM mux;
    EVENTSEM held, release;
    std::thread holder([&] {
        mux.Obtain();
        held.Set();
        release.Wait(-1);
        mux.Release();
    });
    held.Wait(-1);
    PostMessageA(target.hwnd, WM_TESTPING, 0, 0);
    EXPECT_FALSE(mux.Obtain(50));
    release.Set();
    holder.join();
    EXPECT_EQ(target.state.count, 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, target.hwnd, WM_TESTPING, WM_TESTPING, PM_NOREMOVE));
}

TEST(WinWait, DispatchesMoreThanOneBatchOfMessages)
{
    PINGTARGET target;
    HANDLE all = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    target.state.signal = all;
    target.state.signalat = 25;
    for (int i = 0; i < 25; i++) PostMessageA(target.hwnd, WM_TESTPING, 0, 0);
    // The handle is set by the 25th message: the wait must go on after the first ten.
    EXPECT_TRUE(WINDOWS::WinWaitForSingleObject(all, 20000));
    EXPECT_EQ(target.state.count, 25);
    CloseHandle(all);
}

TEST(WinWait, KeepsTheQuitMessageForTheThreadsLoop)
{
    PINGTARGET target;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    target.state.signal = done;
    PostMessageA(target.hwnd, WM_TESTPING, 0, 0);
    PostQuitMessage(3);
    EXPECT_TRUE(WINDOWS::WinWaitForSingleObject(done, 20000));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    CloseHandle(done);
}

TEST(WinWait, TimeoutReturnsFalse)
{
    EVENTSEM never;
    EXPECT_FALSE(WINDOWS::WinWaitForSingleObject(never.Handle(), 10));
}

TEST(CritSect, SerialisesThreads)
{
    CRITSECT cs;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; i++) {
            cs.Enter();
            long v = counter;
            if ((i & 255) == 0) SwitchToThread();  // widen the window a lost update needs
            counter = v + 1;
            cs.Leave();
        }
    };
    std::thread a(work), b(work), c(work);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(counter, 60000);
}
