// service's entry. The controller commands and the service process build on this.
#include "kelvo.h"
#include "kelvoapp.h"
#include "version.h"

int AppMain(int, char**, void*)
{
    LogStartBanner("Kelvo Service", SERVICE_VERSION);
    return 0;
}
