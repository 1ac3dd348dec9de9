// Finding and answering dialogs and message boxes from tests, the way a user would:
// read the title and texts, press a button.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

// A visible top-level dialog (class "#32770") whose title contains titlepart (any title
// when empty), of process pid (0: any process); null after timeoutms.
HWND WaitForDialog(const std::string& titlepart, DWORD pid, DWORD timeoutms);
// A visible top-level window of the class, of process pid (0: any); null after timeoutms.
HWND WaitForWindowOfClass(const std::string& windowclass, DWORD pid, DWORD timeoutms);
std::string WindowText(HWND hwnd);
// The texts of a dialog's static controls, joined by "\n".
std::string DialogStaticText(HWND dialog);
// The text of control id of window (of any process).
std::string ItemText(HWND window, int id);
// The buttons' states, one letter each from letters: upper case when enabled, lower case
// when disabled, "-" when hidden.
std::string ButtonStates(HWND window, const std::vector<int>& ids, const char* letters);
// Presses the button (WM_COMMAND with BN_CLICKED), as a click would.
void PressDialogButton(HWND dialog, int id);

// Presses button id of window and waits up to timeoutms for the window's process to
// end (false when it does not).
bool PressAndAwaitExit(HWND window, int id, DWORD timeoutms);

struct DIALOGSEEN {
    bool found = false;
    std::string title;
    std::string text;
};

// The message box in front of owner (a dialog it owns), answered with button once it
// shows (waiting up to timeoutms); meanwhile (when given) runs while the box is shown.
// The box is gone when this returns.
DIALOGSEEN AnswerOwnedBox(HWND owner, int button, DWORD timeoutms,
                          const std::function<void()>& meanwhile = nullptr);

// Answers the next dialog matching titlepart with the button id, from a thread of its
// own (the test's thread is blocked in the dialog). Wait() returns what it saw.
class DIALOGANSWERER {
public:
    DIALOGANSWERER(const std::string& titlepart, int button, DWORD timeoutms = 20000,
                   DWORD pid = 0);
    ~DIALOGANSWERER();
    DIALOGANSWERER(const DIALOGANSWERER&) = delete;
    DIALOGANSWERER& operator=(const DIALOGANSWERER&) = delete;

    const DIALOGSEEN& Wait();

private:
    std::thread worker;
    DIALOGSEEN seen;
    bool joined = false;
};
