// The standard controls: each operation is one or two messages to the control.
#include "wincontrols.h"

#include "kelvo.h"

#include <commctrl.h>

// ---------------------------------------------------------------- ENTRYFIELD

bool ENTRYFIELD::AcceptChar(unsigned) { return true; }

LRESULT ENTRYFIELD::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Control characters (backspace, Ctrl+C and the like) are editing, not text.
    if (message == WM_CHAR && wParam >= 32 && !AcceptChar(static_cast<unsigned>(wParam))) {
        MessageBeep(MB_OK);
        return 0;
    }
    return CONTROL::WinProc(message, wParam, lParam);
}

bool ENTRYFIELD::Create(HWND parent, int id, DWORD style, int x, int y, int cx, int cy)
{
    return CONTROL::Create("Edit", parent, id, style, x, y, cx, cy, WS_EX_CLIENTEDGE);
}

void ENTRYFIELD::SetLimit(int length) { Send(EM_LIMITTEXT, length > 0 ? length : 0); }

void ENTRYFIELD::Select(int start, int end) { Send(EM_SETSEL, start, end); }

// ---------------------------------------------------------------- LISTBOX

static bool is_combo(HWND hwnd)
{
    char cls[32] = "";
    if (hwnd) GetClassNameA(hwnd, cls, sizeof cls);
    return lstrcmpiA(cls, "ComboBox") == 0;
}

LISTBOX::LISTBOX(HWND dialog, int id) : CONTROL(dialog, id), Combo(is_combo(hWnd)) {}

bool LISTBOX::Create(HWND parent, int id, DWORD style, int x, int y, int cx, int cy)
{
    bool ok = CONTROL::Create("ListBox", parent, id, style | LBS_NOTIFY, x, y, cx, cy,
                              WS_EX_CLIENTEDGE);
    Combo = false;
    return ok;
}

void LISTBOX::Reset() { Send(Combo ? CB_RESETCONTENT : LB_RESETCONTENT); }

int LISTBOX::Add(const char* text, LPARAM data)
{
    LPARAM ptext = reinterpret_cast<LPARAM>(text ? text : "");
    int index = static_cast<int>(Send(Combo ? CB_ADDSTRING : LB_ADDSTRING, 0, ptext));
    if (index < 0) return -1;
    Send(Combo ? CB_SETITEMDATA : LB_SETITEMDATA, index, data);
    return index;
}

int LISTBOX::GetCount() const { return static_cast<int>(Send(Combo ? CB_GETCOUNT : LB_GETCOUNT)); }

int LISTBOX::Find(const char* text) const
{
    // The list's own search matches prefixes; compare whole texts instead.
    int count = GetCount();
    for (int i = 0; i < count; i++)
        if (GetItemText(i) == text) return i;
    return -1;
}

void LISTBOX::Select(int index) { Send(Combo ? CB_SETCURSEL : LB_SETCURSEL, index); }

int LISTBOX::GetSelected() const
{
    return static_cast<int>(Send(Combo ? CB_GETCURSEL : LB_GETCURSEL));
}

STRING LISTBOX::GetItemText(int index) const
{
    int length = static_cast<int>(Send(Combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index));
    if (length < 0) return STRING();
    STRING text;
    text.Make(length, nullptr);
    int got = static_cast<int>(
        Send(Combo ? CB_GETLBTEXT : LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.Data())));
    text.Truncate(got < 0 ? 0 : got);
    return text;
}

LPARAM LISTBOX::GetItemData(int index) const
{
    return Send(Combo ? CB_GETITEMDATA : LB_GETITEMDATA, index);
}

// ---------------------------------------------------------------- CHECKBOX, RADIOBUTTON

bool CHECKBOX::Create(HWND parent, int id, const char* text, int x, int y, int cx, int cy)
{
    return CONTROL::Create("Button", parent, id, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, x, y,
                           cx, cy, 0, text);
}

bool CHECKBOX::IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }

void CHECKBOX::SetChecked(bool checked) { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }

bool RADIOBUTTON::Create(HWND parent, int id, const char* text, bool group, int x, int y, int cx,
                         int cy)
{
    DWORD style = WS_VISIBLE | BS_AUTORADIOBUTTON | (group ? WS_GROUP | WS_TABSTOP : 0);
    return CONTROL::Create("Button", parent, id, style, x, y, cx, cy, 0, text);
}

bool RADIOBUTTON::IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }

void RADIOBUTTON::SetChecked(bool checked)
{
    Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

// ---------------------------------------------------------------- SPINBUTTON

bool SPINBUTTON::Create(HWND parent, int id, HWND buddy)
{
    DWORD style = WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
    if (!CONTROL::Create(UPDOWN_CLASSA, parent, id, style, 0, 0, 0, 0)) return false;
    Send(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy));
    return true;
}

void SPINBUTTON::SetRange(int lower, int upper) { Send(UDM_SETRANGE32, lower, upper); }

void SPINBUTTON::SetPos(int pos) { Send(UDM_SETPOS32, 0, pos); }

int SPINBUTTON::GetPos() const { return static_cast<int>(Send(UDM_GETPOS32)); }

// ---------------------------------------------------------------- TABCONTROL

bool TABCONTROL::Create(HWND parent, int id, int x, int y, int cx, int cy)
{
    // Clipping keeps the tabs from painting over the pages laid on top of them.
    return CONTROL::Create(WC_TABCONTROLA, parent, id,
                           WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, x, y, cx, cy);
}

int TABCONTROL::AddTab(const char* title)
{
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(title ? title : "");
    return static_cast<int>(Send(TCM_INSERTITEMA, GetCount(), reinterpret_cast<LPARAM>(&item)));
}

int TABCONTROL::GetCount() const { return static_cast<int>(Send(TCM_GETITEMCOUNT)); }

int TABCONTROL::GetSelected() const { return static_cast<int>(Send(TCM_GETCURSEL)); }

void TABCONTROL::Select(int index) { Send(TCM_SETCURSEL, index); }

STRING TABCONTROL::GetTabText(int index) const
{
    char text[260] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (!Send(TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return STRING();
    return STRING(item.pszText);
}

RECT TABCONTROL::PageRect() const
{
    RECT rect = {0, 0, 0, 0};
    if (!hWnd) return rect;
    GetWindowRect(hWnd, &rect);
    Send(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
    MapWindowPoints(nullptr, GetParent(hWnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
