// What a start does when the settings come from an older version or from nowhere:
// the set-up wizard when the connection is not configured, a word of welcome, and
// the program's version written into the settings file.
#pragma once

#include "hash.h"

#include <windows.h>

class HELPFILE;

// Help topic opened with the information box of a first start.
const int HELPTOPIC_FIRSTSTEPS = 2803;

struct UPGRADERESULT {
    bool WizardRan = false;   // the set-up wizard was shown
    bool StartAgent = false;  // its third page asked for the assistant: start it
    bool Saved = false;       // the settings file was written
};

// Runs the version upgrade on settings read at start-up (defaults applied): the
// wizard when ConnectionType is -1 or the watched dial-up entry is gone, the
// information box (and help topic, when help is given) for a version below 0.80, then
// Version = this program's version and the file saved in datafolder.
UPGRADERESULT VersionUpgrade(HASH& settings, const char* datafolder, HWND owner, HELPFILE* help,
                             unsigned long now);

// Whether the set-up wizard must run: ConnectionType -1, or dial-up watching one
// entry (ConnectionDunAny off) that is not among entries (joined by "|").
bool NeedsSetupWizard(HASH& settings, const STRING& entries);
