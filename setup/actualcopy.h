// The copy worker behind the copying page.
#pragma once

#include <windows.h>

class SETUPDIALOGBOX;

// The copy worker: runs on its own thread while the copying page waits; its outcome
// shows in the frame's buttons (Next to go on, Cancel to give up).
void ActualCopy(SETUPDIALOGBOX* frame, HWND page, HWND progress);

// Runs the service controller "service.exe" of folder with a command (console title
// "Kelvo Service-Control", folder as working directory) and waits for it: its exit
// code, -1 when it could not run.
long ServiceControl(const char* folder, const char* command);
