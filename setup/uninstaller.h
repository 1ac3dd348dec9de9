// The uninstaller. The uninstall entry starts the installed setup with "-remove" and the
// product's IniKey; that first stage asks, copies the program and its libraries to the
// temporary folder and starts the copy with "-final", which runs the wizard of
// feedback, options and removal. Everything removed is named by the uninstall key.
#pragma once

#include "setupsteps.h"
#include "strings.h"

class SETUPHOOKS;

const int STEP_FEEDBACK = 11;
const int STEP_OPTIONS = 12;
// Three pages, three empty records for a plug-in's pages, and the record with idstep 9.
const int UNINSTALL_STEPCOUNT = 7;

// The program's icon that the feedback page shows.
const int UNINSTALL_ICON = 2;

struct UNINSTALLSTATE {
    STRING IniKey;         // the REMOVE argument
    STRING InstallFolder;  // UninstallPath of the uninstall key
    STRING ProductName;    // AppName of the uninstall key, else IniKey
    STRING Title;          // string 2901 with "Kelvo" replaced by the product name
    STRING Choice;         // options page: "0" keep the data, "1" remove everything
    STRING Feedback;       // the feedback page's text
    SETUPHOOKS* Hooks = nullptr;
};

// The one uninstall of the run.
UNINSTALLSTATE& Uninstall();

// The uninstall table: feedback, options, removal (STEPFINISH), three empty records,
// and the record with idstep 9.
void BuildUninstallSteps(SETUPSTEP (&steps)[UNINSTALL_STEPCOUNT]);

// Removes the product the REMOVE argument names; programpath is this program's file.
void RunUninstaller(SETUPHOOKS& hooks, const char* programpath);
