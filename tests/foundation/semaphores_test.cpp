// EVENTSEM, MUTEXSEM (recursive, named, on a window thread), CRITSECT and the
// message-dispatching wait.
#include "semaphores.h"

#include "kelvo.h"
#include "logcapture.h"
#include "testwindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace {

const UINT WM_TESTPING = WM_APP + 1;

// A hidden window of the calling thread that counts WM_TESTPING and sets
// signal when the count reaches signalat.
class PINGTARGET {
public:
    explicit PINGTARGET(int signalat = 1) : hwnd(CreateTestWindow("ping", proc, 0)), signalat(signalat)
    {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~PINGTARGET()
    {
        DestroyWindow(hwnd);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void Ping() { PostMessageA(hwnd, WM_TESTPING, 0, 0); }

    HWND hwnd;
    int count = 0;
    int signalat;
    EVENTSEM signal;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg != WM_TESTPING) return DefWindowProcA(hwnd, msg, wp, lp);
        PINGTARGET* t = reinterpret_cast<PINGTARGET*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (++t->count == t->signalat) t->signal.Set();
        return 0;
    }
};

std::string handle_text(HANDLE h)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%p", static_cast<void*>(h));
    return buf;
}

}  // namespace

TEST(EventSem, ManualResetAcrossThreadsAndItsLogLines)
{
    LOGCAPTURE log(12);
    EVENTSEM ev;
    std::string h = handle_text(ev.Handle());
    EXPECT_FALSE(ev.Wait(0));
    bool seen = false;
    std::thread waiter([&] { seen = ev.Wait(-1); });
    EXPECT_TRUE(ev.Set());
    waiter.join();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(ev.Wait(0));  // manual reset: stays set
    EXPECT_TRUE(ev.Reset());
    EXPECT_FALSE(ev.Wait(0));
    EXPECT_TRUE(EVENTSEM(true).Wait(0));
    const std::string& text = log.Text();
    for (const std::string& line :
         {"EVENTSEM::EVENTSEM created " + h, "EVENTSEM::Set " + h, "EVENTSEM::Reset " + h,
          "EVENTSEM::Wait " + h + " rc=0", "EVENTSEM::Wait " + h + " rc=258"})
        EXPECT_NE(text.find("] " + line + "\r\n"), std::string::npos) << line << "\n" << text;
}

TEST(MutexSem, RecursiveForItsOwnerAndSharedByName)
{
    char name[64];
    snprintf(name, sizeof name, "KelvoTestMutex%lu", GetCurrentProcessId());
    LOGCAPTURE log(11);
    MUTEXSEM first(false, name);
    MUTEXSEM second(false, name);
    ASSERT_TRUE(first.Obtain());
    ASSERT_TRUE(first.Obtain(0));
    bool other = true;
    std::thread([&] { other = second.Obtain(0); }).join();
    EXPECT_FALSE(other);
    first.Release();
    first.Release();
    std::thread([&] {
        other = second.Obtain(0);
        if (other) second.Release();
    }).join();
    EXPECT_TRUE(other);
    const std::string& text = log.Text();
    std::string h = handle_text(first.Handle());
    for (const std::string& line : {"MUTEXSEM::MUTEXSEM created " + h + ", name= " + name,
                                   "MUTEXSEM::Obtain " + h + " rc= 0", "MUTEXSEM::Release " + h + " rc= 1",
                                   "MUTEXSEM::Obtain " + handle_text(second.Handle()) + " rc= 258"})
        EXPECT_NE(text.find("] " + line + "\r\n"), std::string::npos) << line << "\n" << text;
}

TEST(MutexSem, WindowThreadKeepsDispatchingWhileItWaitsOthersWaitPlainly)
{
    PINGTARGET target;
    MUTEXSEM mux;
    EVENTSEM held;
    bool holderseen = false;
    std::thread holder([&] {
        mux.Obtain();
        target.Ping();
        held.Set();
        // Released only once the waiting window thread has handled the message; the
        // limit merely keeps a broken wait from hanging the test run.
        holderseen = target.signal.Wait(20000);
        mux.Release();
    });
    held.Wait(-1);
    EXPECT_FALSE(mux.Obtain(50));  // not yet the window thread: the waiting ping stays queued
    EXPECT_EQ(target.count, 0);
    mux.SetWindowThread(GetCurrentThreadId());
    LOGCAPTURE log(12);
    bool obtained = mux.Obtain(-1);
    holder.join();
    EXPECT_TRUE(obtained);
    EXPECT_TRUE(holderseen);
    EXPECT_EQ(target.count, 1);
    if (obtained) mux.Release();
    const std::string& text = log.Text();
    char line[80];
    snprintf(line, sizeof line, "] WINDOWS::WinWaitForSingleObject dispatch msg= %04x\r\n", WM_TESTPING);
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_NE(text.find("] WINDOWS::WinWaitForSingleObject finished\r\n"), std::string::npos);
    EXPECT_NE(text.find("] MUTEXSEM::WinObtain " + handle_text(mux.Handle()) + " rc= 1\r\n"),
              std::string::npos);
}

TEST(WinWait, DispatchesBatchesKeepsTheQuitMessageAndTimesOut)
{
    PINGTARGET target(25);
    for (int i = 0; i < 25; i++) target.Ping();
    PostQuitMessage(3);
    // The handle is set by the 25th message: the wait must go on after the first ten,
    // and past the quit message, which stays for the thread's own loop.
    EXPECT_TRUE(WINDOWS::WinWaitForSingleObject(target.signal.Handle(), 20000));
    EXPECT_EQ(target.count, 25);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
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
