// Driving dialogs from a test thread with messages.
#include "dialogdriver.h"

#include "testdialogs.h"

#include <commctrl.h>

struct CONTROLSEARCH {
    int id;
    HWND found;
};

static BOOL CALLBACK match_id(HWND hwnd, LPARAM param)
{
    CONTROLSEARCH* search = reinterpret_cast<CONTROLSEARCH*>(param);
    if (GetDlgCtrlID(hwnd) != search->id) return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND FindControl(HWND top, int id)
{
    CONTROLSEARCH search = {id, nullptr};
    EnumChildWindows(top, match_id, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ControlText(HWND control) { return WindowText(control); }

bool IsChecked(HWND control) { return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }

static void notify_parent(HWND control, int code)
{
    SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

void ClickCheck(HWND control, bool checked)
{
    SendMessageA(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    // An automatic radio button takes the others of its group out.
    LONG_PTR type = GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    if (checked && type == BS_AUTORADIOBUTTON) {
        HWND parent = GetParent(control);
        for (HWND other = GetNextDlgGroupItem(parent, control, FALSE); other && other != control;
             other = GetNextDlgGroupItem(parent, other, FALSE))
            SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    notify_parent(control, BN_CLICKED);
}

void ClickButton(HWND control) { notify_parent(control, BN_CLICKED); }

void SetControlText(HWND control, const char* text)
{
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    notify_parent(control, EN_CHANGE);
}

void TypeText(HWND control, const char* text)
{
    for (const char* p = text; *p; p++)
        SendMessageA(control, WM_CHAR, static_cast<unsigned char>(*p), 1);
}

static bool is_combo(HWND control)
{
    char cls[32] = "";
    GetClassNameA(control, cls, sizeof cls);
    return lstrcmpiA(cls, "ComboBox") == 0;
}

void SelectListEntry(HWND control, int index)
{
    bool combo = is_combo(control);
    SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0);
    notify_parent(control, combo ? CBN_SELCHANGE : LBN_SELCHANGE);
}

std::string ListEntries(HWND control)
{
    bool combo = is_combo(control);
    int count = static_cast<int>(SendMessageA(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    std::string all;
    for (int i = 0; i < count; i++) {
        char text[512] = "";
        SendMessageA(control, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        if (i) all += "|";
        all += text;
    }
    return all;
}

int ListSelection(HWND control)
{
    return static_cast<int>(SendMessageA(control, is_combo(control) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
}

void SelectTab(HWND tab, int index)
{
    SendMessageA(tab, TCM_SETCURSEL, index, 0);
    NMHDR nm = {tab, static_cast<UINT_PTR>(GetDlgCtrlID(tab)), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(GetParent(tab), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
}

DIALOGDRIVER::DIALOGDRIVER(const std::string& titlepart, std::function<void(HWND)> drive,
                           DWORD timeoutms)
    : found(false), joined(false)
{
    DWORD testthread = GetCurrentThreadId();
    worker = std::thread([this, titlepart, drive, timeoutms, testthread]() {
        HWND dialog = WaitForDialog(titlepart, GetCurrentProcessId(), timeoutms);
        if (!dialog) {
            PostThreadMessageA(testthread, WM_QUIT, 0, 0);
            return;
        }
        found = true;
        drive(dialog);
    });
}

bool DIALOGDRIVER::Wait()
{
    if (!joined && worker.joinable()) worker.join();
    joined = true;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return found;
}

DIALOGDRIVER::~DIALOGDRIVER() { Wait(); }
