// PRIORITYBOOST: the whole process at high priority for as long as the object
// lives, around the moments where the clock is read or set, so that other work
// does not slip in between reading the time and acting on it.
#pragma once

#include <windows.h>

class PRIORITYBOOST {
public:
    // Raises the process to HIGH_PRIORITY_CLASS, remembering the previous class.
    PRIORITYBOOST() : Previous(GetPriorityClass(GetCurrentProcess())), Raised(false)
    {
        Raised = Previous != 0 && SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    }
    // Puts the previous class back, only when the raise succeeded.
    ~PRIORITYBOOST()
    {
        if (Raised) SetPriorityClass(GetCurrentProcess(), Previous);
    }
    PRIORITYBOOST(const PRIORITYBOOST&) = delete;
    PRIORITYBOOST& operator=(const PRIORITYBOOST&) = delete;

private:
    DWORD Previous;
    bool Raised;
};
