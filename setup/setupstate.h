// What the installer's pages, its copy worker and its plug-in share during one run.
#pragma once

#include "hash.h"
#include "strings.h"

class SETUPHOOKS;

// The uninstall entries of the system, below HKEY_LOCAL_MACHINE.
const char* const SETUP_UNINSTALLKEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Install modes.
const char* const INSTALLMODE_NEW = "0";
const char* const INSTALLMODE_REINSTALL = "1";
const char* const INSTALLMODE_UPDATE = "2";

struct SETUPSTATE {
    HASH Config;             // setup.cfg, language variants folded in
    STRING ProductTitle;     // AppName + " " + AppVersion
    STRING InstallFolder;    // without a trailing "\" once the folder page has run
    STRING ProgramGroup;     // the Start-menu folder the shortcuts page made
    STRING AppManager;       // ActiveSync's application manager (handheld-device installs)
    STRING InstallMode;      // "0", "1" or "2"
    STRING ShortcutChoice;   // shortcuts page: "0" current user, "1" all users, "2" no group
    STRING DesktopIcon;      // shortcuts page: "1" with a desktop icon
    bool WelcomeShown = false;  // the welcome page chose the mode once
    SETUPHOOKS* Hooks = nullptr;

    // A configuration value (null when missing) and its integer (dflt when missing).
    STRING Value(const char* key) const;
    int Number(const char* key, int dflt = 0) const;
};

// The one state of the run.
SETUPSTATE& Setup();
// Starts afresh (tests).
void ResetSetup();
