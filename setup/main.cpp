// setup's entry: loads the installer's language library. The install flow builds on this.
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "setupres.h"
#include "version.h"

int AppMain(int, char**, void*)
{
    LoadLanguageLibrary(KELVOAPP::ProgramPath(), SETUP_NAME, SETUP_VERSION);
    LogStartBanner(OSYS::GetStringFromResource(IDS_SETUP_TITLE).Text(), SETUP_VERSION);
    return 0;
}
