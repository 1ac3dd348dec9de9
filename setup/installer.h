// The installer's run from setup.cfg to the closing box, and the checks before it.
#pragma once

#include "setupsteps.h"
#include "strings.h"

class SETUPHOOKS;

// Installs: the configuration, the checks, the wizard and what follows it.
void RunInstaller(SETUPHOOKS& hooks);

// DAO 3.6: the library in the shared tools' folder, else the one the registry names.
bool DaoPresent();
// The registered DAO 3.6 library: the 3.6 path, else a 3.5 path (of the key "dao350.dll",
// else "DAO350") with "350.dll" turned into "360.dll"; empty when none is registered.
STRING DaoRegisteredPath(const char* dao360, const char* dao350, const char* dao350old);
