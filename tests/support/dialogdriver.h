// Driving a dialog that runs on the test's thread from a thread of its own, the way
// a user would: wait for it, read and change its controls, press its buttons. Every
// change is a message sent to the control and the notification its parent would get.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

// Any window with control id below top (pages are dialogs inside dialogs); null if none.
HWND FindControl(HWND top, int id);
std::string ControlText(HWND control);
bool IsChecked(HWND control);
// Sets a check box or radio button as a click would leave it and tells its parent.
void ClickCheck(HWND control, bool checked);
// A click on a push button: the parent's WM_COMMAND, sent (not posted).
void ClickButton(HWND control);
// Replaces the text of an edit field and tells its parent.
void SetControlText(HWND control, const char* text);
// Types text into an edit field character by character (WM_CHAR).
void TypeText(HWND control, const char* text);
// Selects entry index of a list box or combo box (-1: none) and tells its parent.
void SelectListEntry(HWND control, int index);
// The entries of a list box or combo box, joined by "|", and the selected index.
std::string ListEntries(HWND control);
int ListSelection(HWND control);
// Selects tab index and sends the parent TCN_SELCHANGE, as a click on the tab does.
void SelectTab(HWND tab, int index);

// Runs drive(dialog) on a thread of its own as soon as a visible dialog whose title
// contains titlepart appears. When none appears in time, the test thread's loop is
// ended with a quit message, so the test fails instead of hanging.
class DIALOGDRIVER {
public:
    DIALOGDRIVER(const std::string& titlepart, std::function<void(HWND)> drive,
                 DWORD timeoutms = 20000);
    ~DIALOGDRIVER();
    DIALOGDRIVER(const DIALOGDRIVER&) = delete;
    DIALOGDRIVER& operator=(const DIALOGDRIVER&) = delete;

    // Waits for the thread; true when the dialog was found. Removes a quit message the
    // time-out left in the test thread's queue.
    bool Wait();

private:
    std::thread worker;
    bool found;
    bool joined;
};
