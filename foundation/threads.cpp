// Starting threads through the C run-time (so its per-thread data is set up and
// freed) and waiting for their end.
#include "osys.h"

#include "kelvo.h"

#include <new>
#include <process.h>

struct THREADSTART {
    THREADFUNCTION2 function;
    void* parameter;
};

// The run-time starts only the first kind; the second runs inside this adapter.
static unsigned __stdcall run_cdecl_thread(void* p)
{
    THREADSTART start = *static_cast<THREADSTART*>(p);
    delete static_cast<THREADSTART*>(p);
    start.function(start.parameter);
    return 0;
}

static HANDLE begin_thread(THREADFUNCTION function, void* parameter, const char* method)
{
    unsigned tid = 0;
    HANDLE hthread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, THREAD_STACKSIZE, function, parameter, 0, &tid));
    Logit("OSYS::%s returned hthread= %p, tid= %04x\n", method, static_cast<void*>(hthread), tid);
    ASSERT(hthread);
    return hthread;
}

HANDLE OSYS::CreateThread(THREADFUNCTION function, void* parameter)
{
    if (!ASSERT(function)) return nullptr;
    return begin_thread(function, parameter, "CreateThread");
}

HANDLE OSYS::CreateThread(THREADFUNCTION2 function, void* parameter)
{
    if (!ASSERT(function)) return nullptr;
    THREADSTART* start = new (std::nothrow) THREADSTART{function, parameter};
    if (!ASSERT(start)) return nullptr;
    HANDLE hthread = begin_thread(run_cdecl_thread, start, "CreateThread2");
    if (!hthread) delete start;
    return hthread;
}

bool OSYS::WaitThread(HANDLE& hThread, int timeout)
{
    if (!ASSERT(hThread!=NULL)) return false;
    // A poll (timeout 0) is silent: owners poll their threads in loops.
    if (timeout != 0)
        Logit("OSYS::WaitThread hThread=%p, timeout= %d\n", static_cast<void*>(hThread), timeout);
    DWORD rc = WaitForSingleObject(hThread, timeout < 0 ? INFINITE : static_cast<DWORD>(timeout));
    if (rc == WAIT_OBJECT_0) {
        CloseHandle(hThread);
        hThread = nullptr;
        return true;
    }
    if (timeout != 0)
        Logit("OSYS::WaitThread hThread=%p timeout= %d failed\n", static_cast<void*>(hThread),
              timeout);
    ASSERT(rc!=WAIT_FAILED);
    return false;
}
