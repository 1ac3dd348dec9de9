// SERVICELAUNCHER, the service that runs one program: it starts the product with
// "/service", waits for it to end, and stops it by asking its main window to quit.
#pragma once

#include "servicewrapper.h"

const int SERVICELAUNCHER_MAXTEXT = 259;
// How long a product may take to end after the quit request before it is ended.
const DWORD SERVICELAUNCHER_QUITWAIT = 15000;
// How often the product is looked at meanwhile.
const DWORD SERVICELAUNCHER_QUITSTEP = 250;

class SERVICELAUNCHER : public SERVICEWRAPPER {
public:
    // Accepts "stop" and "shutdown". Texts longer than SERVICELAUNCHER_MAXTEXT are cut
    // after a report.
    SERVICELAUNCHER(int owner, const char* name, const char* windowclass, const char* programfile);
    ~SERVICELAUNCHER() override;

    void Run() override;
    void OnStop() override;
    void OnShutdown() override;
    int OnUserControl(DWORD code) override;

    // The working folder for a program in folder: the development tree's folder for a
    // "\Debug" or "\Release" build folder beside "..\main.cpp", otherwise folder itself.
    static STRING WorkingFolder(const char* folder);

private:
    // Posts WM_QUIT to the product's main window; false when there is none.
    bool AskToQuit();
    // After a stop: waits for the product to end, asks again while it has no window
    // yet, and ends it when the wait is over.
    void AwaitEnd(HANDLE process);

    char WindowClass[SERVICELAUNCHER_MAXTEXT + 1];
    char ProgramFile[SERVICELAUNCHER_MAXTEXT + 1];
    HANDLE StopRequested;
    DWORD QuitWait;
    bool Asked;  // the product's window had the quit request
};
