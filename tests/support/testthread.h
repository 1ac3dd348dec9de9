// A piece of test code on a thread of its own whose end the test can await with a
// limit (std::thread's handle is no Win32 handle with this run-time).
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

class TESTTHREAD {
public:
    explicit TESTTHREAD(std::function<void()> work) : Work(std::move(work))
    {
        Handle = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    // Waits for the end without limit: the work must not outlive what it uses.
    ~TESTTHREAD()
    {
        if (Handle) {
            WaitForSingleObject(Handle, INFINITE);
            CloseHandle(Handle);
        }
    }
    TESTTHREAD(const TESTTHREAD&) = delete;
    TESTTHREAD& operator=(const TESTTHREAD&) = delete;

    bool Started() const { return Handle != nullptr; }
    // Whether the work has ended within ms milliseconds.
    bool Ended(int ms) { return Handle && WaitForSingleObject(Handle, ms) == WAIT_OBJECT_0; }

private:
    static DWORD WINAPI run(void* p)
    {
        static_cast<TESTTHREAD*>(p)->Work();
        return 0;
    }

    std::function<void()> Work;
    HANDLE Handle;
};
