// DIALOG: one dialog procedure for all objects, the modal loop that ends on the
// private end message, and the program-wide help hook.
#include "dialogs.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"

#include <cstdio>

static HELPHOOK help_hook;
static void* help_context;

// ---------------------------------------------------------------- help hook

void WINDOWS::SetHelpHook(HELPHOOK hook, void* context)
{
    help_hook = hook;
    help_context = context;
}

bool WINDOWS::RequestHelp(HWND window, int number)
{
    Logit("WINDOWS::RequestHelp %p %d\n", static_cast<void*>(window), number);
    bool shown = help_hook && help_hook(window, number, help_context);
    Logit("WINDOWS::RequestHelp returns %d\n", shown);
    return shown;
}

// ---------------------------------------------------------------- DIALOG

DIALOG::DIALOG(int templateid, HWND owner)
    : TemplateId(templateid), hOwner(owner), hModule(nullptr), Result(0), Ended(false), Looping(false)
{
}

DIALOG::~DIALOG()
{
    // The window goes without the object: the derived parts are already gone.
    if (hWnd && IsWindow(hWnd)) SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    ReleaseWindow();
}

INT_PTR CALLBACK DIALOG::StaticDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DIALOG* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DIALOG*>(lParam);
        self->hWnd = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<DIALOG*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    LogitHotKey(message, wParam, lParam);
    if (!self) return FALSE;
    INT_PTR handled = self->DlgProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hWnd = nullptr;
        self->AutoDestroy = false;
    }
    return handled;
}

INT_PTR DIALOG::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM__DIALOGEND:
        // Reached the procedure through a nested loop; with no loop of ours running
        // there is nothing to end.
        if (Looping) {
            Ended = true;
            Result = static_cast<int>(wParam);
        }
        return TRUE;
    default: return FALSE;
    }
}

static bool is_push_button(HWND control)
{
    char cls[16] = "";
    if (!control || !GetClassNameA(control, cls, sizeof cls) || lstrcmpiA(cls, "Button") != 0)
        return false;
    LONG_PTR type = GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool DIALOG::OnCommand(int id, int code, HWND control)
{
    if (code != BN_CLICKED) return false;
    if (id == IDC_DIALOGHELP) {
        WINDOWS::RequestHelp(hWnd, TemplateId);
        return true;
    }
    // Pages inside another dialog leave ending to the dialog around them.
    if (GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) return false;
    if (id == IDCANCEL) {
        End(0);
        return true;
    }
    if (!control) control = GetDlgItem(hWnd, id);
    // Enter without a default button comes as IDOK from no control at all.
    if (is_push_button(control) || (id == IDOK && !control)) {
        End(id);
        return true;
    }
    return false;
}

bool DIALOG::Create(HWND parent, bool child)
{
    if (!ASSERT(!this->hWnd)) return false;
    WINDOWS::InitCommonControls();
    if (!parent) parent = hOwner;
    HINSTANCE module = hModule ? hModule : KELVOAPP::ResourceModule();
    Logit("DIALOG::Create %d child= %d\n", TemplateId, child);
    HWND created = CreateDialogParamA(module, MAKEINTRESOURCEA(TemplateId), parent, StaticDlgProc,
                                      reinterpret_cast<LPARAM>(this));
    if (!created) {
        char info[300];
        snprintf(info, sizeof info, "template %d: %s", TemplateId, ErrorText().Text());
        ASSERTINFO(this->hWnd, info);
        return false;
    }
    hWnd = created;
    AutoDestroy = true;
    if (child) {
        // A page: no frame of its own, and its controls join the parent's tab order.
        const LONG_PTR frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_BORDER |
                               WS_DLGFRAME | DS_MODALFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        const LONG_PTR exframe = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE |
                                 WS_EX_STATICEDGE | WS_EX_APPWINDOW;
        LONG_PTR style = GetWindowLongPtrA(hWnd, GWL_STYLE);
        SetWindowLongPtrA(hWnd, GWL_STYLE, (style & ~frame) | WS_CHILD);
        LONG_PTR exstyle = GetWindowLongPtrA(hWnd, GWL_EXSTYLE);
        SetWindowLongPtrA(hWnd, GWL_EXSTYLE, (exstyle & ~exframe) | WS_EX_CONTROLPARENT);
        SetParent(hWnd, parent);
        SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    return true;
}

int DIALOG::RunLoop()
{
    int result = 0;
    MSG msg;
    bool outer = Looping;
    Looping = true;
    while (!Ended && hWnd) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The quit message belongs to the thread's main loop.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.hwnd == hWnd && msg.message == WM__DIALOGEND) {
            result = static_cast<int>(msg.wParam);
            break;
        }
        if (!IsDialogMessageA(hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (Ended) result = Result;
    Ended = false;
    Looping = outer;
    return result;
}

int DIALOG::Run(int flags)
{
    Logit("DIALOG::Run %d\n", TemplateId);
    bool created = false;
    if (!hWnd) {
        if (!Create(hOwner, false)) return 0;
        created = true;
    }
    HWND owner = hOwner ? hOwner : GetWindow(hWnd, GW_OWNER);
    bool disabled = owner && IsWindowEnabled(owner);
    if (disabled) EnableWindow(owner, FALSE);
    if (!(flags & DIALOG_RUN_NOSHOW)) {
        ShowWindow(hWnd, SW_SHOW);
        SetForegroundWindow(hWnd);
    }
    int result = RunLoop();
    // The owner first, so that it becomes the active window again.
    if (disabled) EnableWindow(owner, TRUE);
    if (created && hWnd) DestroyWindow(hWnd);
    Logit("DIALOG::Run returns %d\n", result);
    return result;
}

void DIALOG::End(int result)
{
    Logit("DIALOG::End %d\n", result);
    Post(WM__DIALOGEND, static_cast<WPARAM>(result));
}

void DIALOG::SetMsgResult(LRESULT result)
{
    if (hWnd) SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
}
