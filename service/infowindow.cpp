// The information window: sized to its notice, centred on the desktop.
#include "infowindow.h"

#include "kelvo.h"
#include "registry.h"
#include "serviceres.h"
#include "servicetexts.h"

INFOWINDOW::INFOWINDOW(const char* product, const char* regkey)
    : Product(product), RegKey(regkey), hFont(nullptr)
{
    Notice = ServiceText(IDS_INFONOTICE);
    Notice.Replace("$PROGNAME", Product);
}

INFOWINDOW::~INFOWINDOW()
{
    ReleaseWindow();
    if (hFont) DeleteObject(hFont);
}

bool INFOWINDOW::Suppressed(const char* regkey)
{
    REGISTRY key(regkey, KELVO_REGISTRYKEY, REGISTRY_CURRENTUSER);
    return key.IsOpen() && key.Read(INFOWINDOW_DONTSHOW).NotNull();
}

bool INFOWINDOW::Open()
{
    HDC screen = GetDC(nullptr);
    hFont = CreateFontA(-MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                        FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Shell Dlg");
    HGDIOBJ old = SelectObject(screen, hFont);
    // The widest line and the lines' heights decide the size.
    int widest = 50, height = 0;
    for (int i = 0;; i++) {
        STRING line = Notice.Field(i, "\n");
        if (line.IsNull()) break;
        line.RemoveTrailing('\r');
        SIZE size = {0, 0};
        GetTextExtentPoint32A(screen, line.Length() ? line.Text() : " ", line.Length() ? line.Length() : 1, &size);
        if (size.cx > widest) widest = size.cx;
        height += size.cy;
    }
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    // The sizes are the inside's: the frame comes on top.
    RECT outer = {0, 0, widest + 30, height + 50 + 85};
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
    int cx = outer.right - outer.left, cy = outer.bottom - outer.top;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + (work.right - work.left - cx) / 2;
    int y = work.top + (work.bottom - work.top - cy) / 2;

    RegisterWinClass(INFOWINDOW_CLASS, CS_HREDRAW | CS_VREDRAW, nullptr,
                     reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    if (!Create(INFOWINDOW_CLASS, ServiceText(IDS_CONTROLLERTITLE), WS_OVERLAPPEDWINDOW, x, y, cx, cy))
        return false;
    CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", Notice,
                    WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                    0, 0, 0, 0, hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_INFOTEXT)),
                    nullptr, nullptr);
    CreateWindowExA(0, "BUTTON", ServiceText(IDS_DONTSHOWAGAIN),
                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 0, 0, hWnd,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DONTSHOWAGAIN)), nullptr, nullptr);
    const int controls[] = {IDC_INFOTEXT, IDC_DONTSHOWAGAIN};
    for (int id : controls)
        SendDlgItemMessageA(hWnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    RECT client;
    GetClientRect(hWnd, &client);
    Layout(client.right, client.bottom);
    Show(SW_SHOW);
    UpdateWindow(hWnd);
    return true;
}

void INFOWINDOW::Layout(int width, int height)
{
    MoveWindow(GetDlgItem(hWnd, IDC_INFOTEXT), 10, 10, width - 20, height - 45, TRUE);
    MoveWindow(GetDlgItem(hWnd, IDC_DONTSHOWAGAIN), 10, height - 20 - 16, width - 20, 16, TRUE);
}

LRESULT INFOWINDOW::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        Layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        // The read-only notice and the check box sit on the button face.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DESTROY:
        if (IsDlgButtonChecked(hWnd, IDC_DONTSHOWAGAIN) == BST_CHECKED) {
            REGISTRY key(RegKey, KELVO_REGISTRYKEY, REGISTRY_CURRENTUSER);
            DWORD one = 1;
            bool written = key.Write(INFOWINDOW_DONTSHOW, &one, sizeof one);
            Logit("INFOWINDOW %s %s\n", INFOWINDOW_DONTSHOW, written ? "written" : "not written");
        }
        break;
    }
    return WINDOW::WinProc(message, wParam, lParam);
}
