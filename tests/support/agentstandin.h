// Registration of the stand-in character server (agentstandin.dll beside the test
// programs) for one test, through the library's own DllRegisterServer: the class key in
// HKCU\Software\Classes, and in the machine's classes key, where Wine's COM looks.
#pragma once

#include <windows.h>

#include <string>

class AGENTSTANDIN {
public:
    // Loads the library and registers it.
    AGENTSTANDIN();
    // Unregisters it (when still registered) and lets the library go.
    ~AGENTSTANDIN();
    AGENTSTANDIN(const AGENTSTANDIN&) = delete;
    AGENTSTANDIN& operator=(const AGENTSTANDIN&) = delete;

    bool Registered() const { return registered; }
    // The library's full path, as registered.
    const std::string& Path() const { return path; }
    // Removes the registration now; true when the library says the keys are gone.
    bool Unregister();

private:
    HMODULE module = nullptr;
    std::string path;
    bool registered = false;
};
