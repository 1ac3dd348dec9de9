// What the installer does to the system behind its pages: the copy worker of the
// copying page, the shortcuts page's work, and the handheld-device installation.
#pragma once

#include <windows.h>

class SETUPDIALOGBOX;

// The copy worker: runs on its own thread while the copying page waits; its outcome
// shows in the frame's buttons (Next to go on, Cancel to give up).
void ActualCopy(SETUPDIALOGBOX* frame, HWND page, HWND progress);
// The shortcuts page's work once the user pressed Next: the program-group folder.
void MakeShortcuts(SETUPDIALOGBOX* frame);
// Runs ActiveSync's application manager on the installed files; false when it could not.
bool RunAppManager();
