// The synchronisation objects of the system: a manual-reset event, a kernel mutex
// that keeps a window thread's messages flowing while it waits, a critical section.
#pragma once

#include <windows.h>

class EVENTSEM {
public:
    explicit EVENTSEM(bool initiallyset = false);
    ~EVENTSEM();
    EVENTSEM(const EVENTSEM&) = delete;
    EVENTSEM& operator=(const EVENTSEM&) = delete;

    bool Set();
    bool Reset();
    // True when the event is set within timeout milliseconds (-1 waits without limit).
    bool Wait(int timeout);
    HANDLE Handle() const { return hev; }

private:
    HANDLE hev;
};

class MUTEXSEM {
public:
    // An unnamed mutex, or one that processes share by name.
    explicit MUTEXSEM(bool initiallyowned = false, const char* name = nullptr);
    ~MUTEXSEM();
    MUTEXSEM(const MUTEXSEM&) = delete;
    MUTEXSEM& operator=(const MUTEXSEM&) = delete;

    // True when the mutex was acquired within timeout milliseconds (-1 without limit).
    // On the window thread named by SetWindowThread, messages are dispatched meanwhile.
    bool Obtain(int timeout = -1);
    bool Release();
    void SetWindowThread(DWORD threadid) { WindowThreadId = threadid; }
    DWORD GetWindowThread() const { return WindowThreadId; }
    HANDLE Handle() const { return hmux; }

private:
    HANDLE hmux;
    DWORD WindowThreadId;
};

class CRITSECT {
public:
    CRITSECT();
    ~CRITSECT();
    CRITSECT(const CRITSECT&) = delete;
    CRITSECT& operator=(const CRITSECT&) = delete;

    void Enter();
    void Leave();

private:
    CRITICAL_SECTION* pCritSect;
};

// Holds a CRITSECT for one scope.
class CRITSECTLOCK {
public:
    explicit CRITSECTLOCK(CRITSECT& cs) : Cs(cs) { Cs.Enter(); }
    ~CRITSECTLOCK() { Cs.Leave(); }
    CRITSECTLOCK(const CRITSECTLOCK&) = delete;
    CRITSECTLOCK& operator=(const CRITSECTLOCK&) = delete;

private:
    CRITSECT& Cs;
};

namespace WINDOWS {
// Waits for the handle while removing and dispatching the thread's window messages;
// true when the handle was signalled.
bool WinWaitForSingleObject(HANDLE handle, int timeout);
}
