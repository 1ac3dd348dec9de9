// service.cfg: which product the controller serves, read from the program's folder
// (or the file the "CFG" option names) and checked before anything is done with it.
#pragma once

#include "strings.h"

// Longest value: the launcher keeps the program file and window class in texts of
// this many characters.
const int SERVICECFG_MAXVALUE = 259;

struct SERVICECONFIG {
    STRING AppName;      // service name, display name and product name in texts
    STRING AppExe;       // the product program, relative to the controller's folder
    STRING AppHelp;      // help file name, "|", topic number
    STRING AppRegKey;    // the product's key below Software\Kelvo
    STRING AppWinClass;  // class of the product's main window
};

// The file to read: the "CFG" option's file when it exists, otherwise "service.cfg".
STRING ServiceConfigFile();

// Reads file into config. False when it cannot be read, a key is missing, empty or
// longer than SERVICECFG_MAXVALUE, AppWinClass lacks "Kelvo", or AppExe does not name
// a file inside the controller's folder (absolute, drive, "..", a device name).
bool LoadServiceConfig(const char* file, SERVICECONFIG& config);
