// The copy worker behind the copying page.
#pragma once

#include <windows.h>

class SETUPDIALOGBOX;

// The copy worker: runs on its own thread while the copying page waits; its outcome
// shows in the frame's buttons (Next to go on, Cancel to give up).
void ActualCopy(SETUPDIALOGBOX* frame, HWND page, HWND progress);
