// DIALOG, a dialog from a template of the resource module, run modally in a loop of
// its own or kept as a modeless (or child) window; and the program-wide help hook
// that the Help buttons of all dialogs report to.
#pragma once

#include "window.h"

// Ends the loop of a running dialog; the first parameter is the result.
const UINT WM__DIALOGEND = WM_USER + 65;

// The Help button of every dialog: a click asks for help instead of ending the dialog.
const int IDC_DIALOGHELP = 9;

// Run flag: the dialog is neither shown nor brought to the foreground by Run.
const int DIALOG_RUN_NOSHOW = 1;

// Receives help requests: window asking and the number it stands for (a dialog's
// template id); true when help was shown.
typedef bool (*HELPHOOK)(HWND window, int number, void* context);

namespace WINDOWS {
// Installs the program's help (one hook for the whole program; null removes it).
void SetHelpHook(HELPHOOK hook, void* context);
// Passes a request on to the hook; false when none is installed or it showed nothing.
bool RequestHelp(HWND window, int number);
}  // namespace WINDOWS

class DIALOG : public WINDOW {
public:
    // The dialog of template id, owned by owner (may be null).
    DIALOG(int templateid, HWND owner = nullptr);
    ~DIALOG() override;

    // The dialog procedure: true when the message was handled. The base ends the dialog
    // on a push button with the button's id (Cancel with 0), turns the Help button
    // into a help request and reports every message to the logging hot keys.
    virtual INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs the dialog modally until End: the owner is disabled meanwhile; unless flags
    // hold DIALOG_RUN_NOSHOW the dialog is shown and brought to the foreground. A dialog
    // created by Run is destroyed afterwards. Returns the result given to End.
    virtual int Run(int flags = 0);
    // Ends the running loop with result.
    virtual void End(int result);

    // Creates the window without running it: a modeless dialog, or with child set a
    // child of parent (the owner when null). True when the window exists.
    bool Create(HWND parent = nullptr, bool child = false);
    // The message loop of Run alone, for callers that show and hide the dialog
    // themselves; returns the result given to End (0 when the window went away).
    int RunLoop();

    int GetTemplateId() const { return TemplateId; }
    HWND GetOwner() const { return hOwner; }
    // Where the template comes from (default: the resource module of the program).
    void SetResourceModule(HINSTANCE module) { hModule = module; }
    HINSTANCE GetResourceModule() const { return hModule; }
    // The result of a message that answers through the dialog's result slot (WM_NOTIFY).
    void SetMsgResult(LRESULT result);
    // The dialog's control id.
    HWND Item(int id) const { return GetDlgItem(hWnd, id); }

protected:
    static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Handles a command of a control; true when it ended the dialog or asked for help.
    bool OnCommand(int id, int code, HWND control);

    int TemplateId;
    HWND hOwner;
    HINSTANCE hModule;
    int Result;
    bool Ended;
    bool Looping;
};
