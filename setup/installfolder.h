// The install folder: proposed from an earlier installation or from InstallPath,
// finished after the directory page, and refused where no product belongs.
#pragma once

#include "strings.h"

// Longest install folder (a path of the platform's classic limit, less the terminator).
const int INSTALLFOLDER_MAXPATH = 259;

// The proposal: the earlier installation's folder when it still exists, else InstallPath
// ("*" + an absolute folder, or a folder below programfiles, which ends with "\").
STRING ProposedInstallFolder(const char* earlierfolder, const char* installpath, const char* programfiles);

// The folder as the directory page leaves it: one trailing "\" dropped, and a folder of
// fewer than 5 characters (a drive) gets "\" + appname.
STRING FinishedInstallFolder(const char* folder, const char* appname);

// Whether the folder may take a product: a full path of at most INSTALLFOLDER_MAXPATH
// characters that is neither a drive root nor the Windows folder nor the program-files
// folder itself (compared without regard to case and trailing "\").
bool InstallFolderAllowed(const char* folder, const char* windowsfolder, const char* programfiles);

// The Windows folder; empty when it cannot be read.
STRING WindowsFolder();
