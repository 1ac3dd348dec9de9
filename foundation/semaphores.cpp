// EVENTSEM, MUTEXSEM, CRITSECT and the message-dispatching wait of a window thread.
#include "semaphores.h"

#include "kelvo.h"

#include <cstdio>
#include <new>

static void report_failure(bool ok, HANDLE handle, const char* file, int line)
{
    if (ok) return;
    char info[40];
    snprintf(info, sizeof info, "handle= %p", static_cast<void*>(handle));
    Assert(false, "ok", file, line, info, false);
}

// ---------------------------------------------------------------- EVENTSEM

EVENTSEM::EVENTSEM(bool initiallyset)
{
    hev = CreateEventA(nullptr, TRUE, initiallyset ? TRUE : FALSE, nullptr);
    LogitLevel(7, "EVENTSEM::EVENTSEM created %p\n", static_cast<void*>(hev));
    ASSERT(this->hev);
}

EVENTSEM::~EVENTSEM()
{
    BOOL ok = hev ? CloseHandle(hev) : FALSE;
    LogitLevel(12, "EVENTSEM::~EVENTSEM deleted %p, ok= %d\n", static_cast<void*>(hev), ok);
    report_failure(ok, hev, __FILE__, __LINE__);
}

bool EVENTSEM::Set()
{
    LogitLevel(12, "EVENTSEM::Set %p\n", static_cast<void*>(hev));
    bool ok = SetEvent(hev);
    report_failure(ok, hev, __FILE__, __LINE__);
    return ok;
}

bool EVENTSEM::Reset()
{
    LogitLevel(12, "EVENTSEM::Reset %p\n", static_cast<void*>(hev));
    bool ok = ResetEvent(hev);
    report_failure(ok, hev, __FILE__, __LINE__);
    return ok;
}

bool EVENTSEM::Wait(int timeout)
{
    DWORD rc = WaitForSingleObject(hev, timeout < 0 ? INFINITE : static_cast<DWORD>(timeout));
    LogitLevel(12, "EVENTSEM::Wait %p rc=%d\n", static_cast<void*>(hev), static_cast<int>(rc));
    ASSERT(rc!=WAIT_FAILED);
    return rc == WAIT_OBJECT_0;
}

// ---------------------------------------------------------------- MUTEXSEM

MUTEXSEM::MUTEXSEM(bool initiallyowned, const char* name) : WindowThreadId(0)
{
    hmux = CreateMutexA(nullptr, initiallyowned ? TRUE : FALSE, name);
    LogitLevel(11, "MUTEXSEM::MUTEXSEM created %p, name= %s\n", static_cast<void*>(hmux),
               name ? name : "<NULL>");
    ASSERT(this->hmux);
}

MUTEXSEM::~MUTEXSEM()
{
    LogitLevel(11, "MUTEXSEM::MUTEXSEM delete %p\n", static_cast<void*>(hmux));
    if (hmux) report_failure(CloseHandle(hmux), hmux, __FILE__, __LINE__);
}

bool MUTEXSEM::Obtain(int timeout)
{
    bool ok;
    if (WindowThreadId != 0 && WindowThreadId == GetCurrentThreadId()) {
        ok = WINDOWS::WinWaitForSingleObject(hmux, timeout);
        LogitLevel(11, "MUTEXSEM::WinObtain %p rc= %d\n", static_cast<void*>(hmux), ok);
    } else {
        DWORD rc = WaitForSingleObject(hmux, timeout < 0 ? INFINITE : static_cast<DWORD>(timeout));
        // An abandoned mutex is owned by the caller all the same.
        ok = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
        LogitLevel(11, "MUTEXSEM::Obtain %p rc= %d\n", static_cast<void*>(hmux),
                   static_cast<int>(rc));
        if (rc == WAIT_FAILED) report_failure(false, hmux, __FILE__, __LINE__);
    }
    return ok;
}

bool MUTEXSEM::Release()
{
    BOOL ok = ReleaseMutex(hmux);
    LogitLevel(11, "MUTEXSEM::Release %p rc= %d\n", static_cast<void*>(hmux), ok);
    report_failure(ok, hmux, __FILE__, __LINE__);
    return ok;
}

// ---------------------------------------------------------------- CRITSECT

CRITSECT::CRITSECT()
{
    pCritSect = new (std::nothrow) CRITICAL_SECTION;
    if (ASSERT(this->pCritSect)) InitializeCriticalSection(pCritSect);
}

CRITSECT::~CRITSECT()
{
    if (pCritSect) DeleteCriticalSection(pCritSect);
    delete pCritSect;
}

void CRITSECT::Enter()
{
    if (pCritSect) EnterCriticalSection(pCritSect);
}

void CRITSECT::Leave()
{
    if (pCritSect) LeaveCriticalSection(pCritSect);
}

// ---------------------------------------------------------------- window-thread wait

bool WINDOWS::WinWaitForSingleObject(HANDLE handle, int timeout)
{
    DWORD wait = timeout < 0 ? INFINITE : static_cast<DWORD>(timeout);
    bool quit = false;  // a quit message belongs to the thread's own loop: keep it for later
    WPARAM quitcode = 0;
    bool result = false;
    for (;;) {
        // MWMO_INPUTAVAILABLE: messages left over from a batch of 10 must wake the wait too.
        DWORD rc = quit ? WaitForSingleObject(handle, wait)
                        : MsgWaitForMultipleObjectsEx(1, &handle, wait, QS_ALLINPUT,
                                                      MWMO_INPUTAVAILABLE);
        if (!quit && rc == WAIT_OBJECT_0 + 1) {
            MSG msg;
            for (int i = 0; i < 10 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); i++) {
                LogitLevel(12, "WINDOWS::WinWaitForSingleObject dispatch msg= %04x\n", msg.message);
                if (msg.message == WM_QUIT) {
                    quit = true;
                    quitcode = msg.wParam;
                    break;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }
        if (rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED || rc == WAIT_TIMEOUT) {
            LogitLevel(12, "WINDOWS::WinWaitForSingleObject finished\n");
            result = rc != WAIT_TIMEOUT;
        } else {
            Assert(false, "rc", __FILE__, __LINE__, nullptr, false);
        }
        break;
    }
    if (quit) PostQuitMessage(static_cast<int>(quitcode));
    return result;
}
