// The controller's commands on the service that service.cfg names, and their results,
// which are also the program's exit codes.
#pragma once

#include "servicecfg.h"

#include <windows.h>

enum SERVICECOMMAND {
    SERVICECMD_START,
    SERVICECMD_STOP,
    SERVICECMD_QUERYSTATUS,
    SERVICECMD_INSTALL,
    SERVICECMD_UNINSTALL,
    SERVICECMD_LAUNCH
};

const int SERVICERC_OK = 0;
const int SERVICERC_WIN9X = 1;          // refused on Windows 95/98/ME
const int SERVICERC_INSTALL = 2;        // INSTALL failed
const int SERVICERC_UNINSTALL = 3;      // UNINSTALL failed
const int SERVICERC_NODISPATCHER = 4;   // LAUNCH outside the service manager
const int SERVICERC_NOTINSTALLED = 5;   // LAUNCH of a service that is not installed
const int SERVICERC_START = 6;          // START failed
const int SERVICERC_STOP = 7;           // STOP failed
const int SERVICERC_CONFIG = 100;       // service.cfg missing or incomplete

// Runs command for the service config.AppName. QUERY_STATUS answers the service's
// state (1 stopped .. 7 paused) or 0 when it is not installed or cannot be asked.
int ExecuteServiceCommand(SERVICECOMMAND command, const SERVICECONFIG& config);

// STOP as the command line does it: the stop, then up to tries waits of intervalms
// until the state is neither "stop pending" nor "running".
int StopServiceAndWait(const SERVICECONFIG& config, int tries = 21, DWORD intervalms = 1000);

// When the service manager started this program, tells it that the service ended with
// SERVICERC_CONFIG (there is nobody to read a box); false when it did not start it.
bool ReportUnconfiguredService();
