// Finding the pages of a dialog made of pages (a wizard frame or a book of tabs) from
// a test thread: the page shown is the visible child dialog.
#pragma once

#include <windows.h>

#include <string>

// The child dialog (class "#32770") of frame that is visible now; null if none.
HWND ShownPage(HWND frame);
// Control id of the page shown; null if there is no such page or control.
HWND PageControl(HWND frame, int id);
// Whether a control is enabled (false for a missing one).
bool IsEnabled(HWND control);
// The value of name in the current user's Run key, "<none>" when it is missing.
std::string AutoStartValue(const char* name);
