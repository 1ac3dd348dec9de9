// The install wizard's pages: welcome, licence, install folder, copying, shortcuts,
// advertisement and finish. Each runs its page and returns the button that ended it.
#pragma once

#include "setupsteps.h"
#include "strings.h"

#include <windows.h>

INT_PTR WelcomePage(SETUPDIALOGBOX* frame, SETUPSTEP* step);
INT_PTR LicencePage(SETUPDIALOGBOX* frame, SETUPSTEP* step);
INT_PTR FolderPage(SETUPDIALOGBOX* frame, SETUPSTEP* step);
INT_PTR CopyPage(SETUPDIALOGBOX* frame, SETUPSTEP* step);
INT_PTR ShortcutsPage(SETUPDIALOGBOX* frame, SETUPSTEP* step);
INT_PTR AdvertisePage(SETUPDIALOGBOX* frame, SETUPSTEP* step);
INT_PTR FinishPage(SETUPDIALOGBOX* frame, SETUPSTEP* step);

// The work of a page that runs it on a thread of its own (copying, removal).
typedef void (*SETUPPAGEWORK)(SETUPDIALOGBOX* frame, HWND page, HWND progress);
// Such a page: its placeholder 901 becomes a progress bar (0 to 100), Back, Next and
// Cancel are disabled, work runs on its own thread while the page runs, and the page
// waits for it before it returns the button that ended it.
INT_PTR RunWorkerPage(SETUPDIALOGBOX* frame, SETUPPAGEWORK work);

// The warning of WelcomeWarning for today ("YYYY-MM-DD"): a first line "ShowOnly=<date"
// keeps it until that date, "ShowOnly=>date" only after it; empty when dropped.
STRING WelcomeWarningText(const char* warning, const char* today);
// The licence file for the language number of the library: LIZENZ.TXT (49),
// LICENSEFR.TXT (12), LICENSE.TXT otherwise.
const char* LicenceFileName(int language);
// The licence text: "$PROGRAM" replaced, line ends made CR LF.
STRING LicenceText(const STRING& raw, const char* producttitle);
// The welcome page's install mode and the choices it disables for the installed
// version (null: none installed) against the version to install: disabled receives
// the control ids (0 when none).
const char* WelcomeMode(const char* installed, const char* version, int disabled[2]);
