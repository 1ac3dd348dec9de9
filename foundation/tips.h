// The tip of the day: short texts from a tips file shown in a small dialog at most
// as often as the user chose, with the choice and the place in the file kept in the
// registry below HKCU "Software\Kelvo\" + the application's name.
#pragma once

#include "stringarray.h"
#include "strings.h"

#include <windows.h>

// The tip dialog (from the resource module): title and text fields, a drop-down list
// of the styles, the next-tip button IDOK and the close button IDCANCEL.
const int IDD_TIPOFDAY = 10700;
const int IDC_TIPTITLE = 10701;
const int IDC_TIPTEXT = 10702;
const int IDC_TIPSTYLE = 10703;
// String resource: the names of the styles 0 to 4, separated by "|".
const int IDS_TIPSTYLES = 10700;

// How often tips come: only on demand, at every start, once a day, every other day,
// once a week.
const int TIPSTYLE_ONDEMAND = 0;
const int TIPSTYLE_EVERYSTART = 1;
const int TIPSTYLE_DAILY = 2;
const int TIPSTYLE_SECONDDAY = 3;
const int TIPSTYLE_WEEKLY = 4;

// The tips of a tips file's text: every non-empty line, or, when the text holds a
// "[TIP]" line, the blocks between such lines ("title|text" for a block with a title).
STRINGARRAY ParseTips(const STRING& text);
// The tips of a file (read in text mode); none when it cannot be read.
STRINGARRAY LoadTips(const char* file);
// Whether the dialog is due: on demand, or by style with the day last shown and today
// (days since 1970).
bool TipsDue(int style, long last, long today, bool ondemand);

// Shows the next tip of file when due (or ondemand); true when the dialog was shown.
bool ShowTips(HWND owner, const char* file, const char* app, bool ondemand);
