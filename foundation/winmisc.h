// The standard dialogs of every program: the four message boxes of WINKELVO and
// the file-open and file-save dialog with the filter built from a file-types text.
#pragma once

#include "stringarray.h"
#include "strings.h"

#include <windows.h>

// String resource with the program's title, used where a caller gives no title.
const int IDS_PROGRAMTITLE = 10001;

// Longest filter text the file dialog accepts (the finished file types stay below it).
const int FILEDIALOG_MAXFILTER = 2048;
// Answer buffer of the file dialog, in characters.
const int FILEDIALOG_SINGLEBUFFER = MAX_PATH;
const int FILEDIALOG_MULTIBUFFER = 16384;

namespace WINKELVO {
// Message boxes in front of owner; a null title stands for the program's title.
void InfoMsgBox(HWND owner, const char* title, const char* text);
void WarningMsgBox(HWND owner, const char* title, const char* text);
void ErrorMsgBox(HWND owner, const char* title, const char* text);
// True when the user answered Yes.
bool YesNoMsgBox(HWND owner, const char* title, const char* text);
}  // namespace WINKELVO

struct FILEDIALOGFILTER {
    // Pairs "description (pattern)", pattern, each ending in a NUL, and a final NUL.
    STRING Filter;
    // From a line ".ext" of the file types (without the dot); null when there is none.
    STRING DefaultExtension;
};

// Builds the file dialog's filter from file-type lines "description|pattern" separated
// by "\n"; an "All Files" line is added unless the types hold "|*.*" (German texts
// for language code 7).
FILEDIALOGFILTER FileDialogFilter(const char* filetypes, int languagecode);

// Runs the open (or, with save, the save) dialog starting at initialfile (a folder,
// or a file whose folder is opened). Returns the chosen full path, with multiple every
// chosen full path; empty when cancelled.
STRINGARRAY FileDialog(HWND owner, const char* initialfile, const char* title, bool save,
                       bool multiple, const char* filetypes);
