// PRIORITYBOOST: the whole process at high priority for as long as the object
// lives, around the moments where the clock is read or set, so that other work
// does not slip in between reading the time and acting on it.
#pragma once

#include "semaphores.h"

#include <windows.h>

class PRIORITYBOOST {
public:
    // Raises the process to HIGH_PRIORITY_CLASS; the first of several boosts alive at
    // once remembers the previous class.
    PRIORITYBOOST() : Held(false)
    {
        Guard lock;
        if (Count() == 0) {
            DWORD previous = GetPriorityClass(GetCurrentProcess());
            if (previous == 0 || !SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS)) return;
            Previous() = previous;
        }
        Count()++;
        Held = true;
    }
    // The last boost to end puts the previous class back. Priority is the process's,
    // not the thread's: a boost that ended first must not lower it under another
    // thread's feet, nor the last one restore the high class the first one found.
    ~PRIORITYBOOST()
    {
        if (!Held) return;
        Guard lock;
        if (--Count() == 0) SetPriorityClass(GetCurrentProcess(), Previous());
    }
    PRIORITYBOOST(const PRIORITYBOOST&) = delete;
    PRIORITYBOOST& operator=(const PRIORITYBOOST&) = delete;

private:
    // The process-wide count and class, under one lock.
    static CRITSECT& Lock()
    {
        static CRITSECT lock;
        return lock;
    }
    static int& Count()
    {
        static int count = 0;
        return count;
    }
    static DWORD& Previous()
    {
        static DWORD previous = NORMAL_PRIORITY_CLASS;
        return previous;
    }
    struct Guard {
        Guard() { Lock().Enter(); }
        ~Guard() { Lock().Leave(); }
    };

    bool Held;
};
