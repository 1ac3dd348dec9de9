// DLLINTERFACE, a library loaded at run time and the functions taken from it.
#pragma once

#include <windows.h>

// Longest function name a DLLINTERFACE keeps (with its terminator).
const int DLLINTERFACE_MAXNAME = 128;

class DLLINTERFACE {
public:
    // Loads library; with function, keeps its name and looks up its address. A missing
    // library or function is logged, not reported: callers treat both as optional.
    explicit DLLINTERFACE(const char* library, const char* function = nullptr);
    ~DLLINTERFACE();
    DLLINTERFACE(const DLLINTERFACE&) = delete;
    DLLINTERFACE& operator=(const DLLINTERFACE&) = delete;

    bool IsLoaded() const { return hDll != nullptr; }
    HMODULE Handle() const { return hDll; }
    // Address of name, or of the constructor's function when name is null; null when missing.
    FARPROC GetFunction(const char* name = nullptr);
    // The same, typed as the caller's function pointer.
    template <class FUNCTION>
    FUNCTION GetFunctionAs(const char* name = nullptr)
    {
        // Through the generic function type, so the compiler accepts any target type.
        return reinterpret_cast<FUNCTION>(reinterpret_cast<void (*)()>(GetFunction(name)));
    }

private:
    HMODULE hDll;
    FARPROC pFunction;
    char FunctionName[DLLINTERFACE_MAXNAME];
};
