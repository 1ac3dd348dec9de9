// The wizard frame: header, lines, buttons and the step walk.
#include "setupdialog.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "winmisc.h"

// ---------------------------------------------------------------- HLINE3D

bool HLINE3D::Create(HWND parent, int id)
{
    RegisterWinClass(HLINE3D_CLASS, CS_HREDRAW | CS_VREDRAW);
    return WINDOW::Create(HLINE3D_CLASS, "", WS_CHILD, 0, 0, 100, 2, parent, id);
}

LRESULT HLINE3D::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) return WINDOW::WinProc(message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    RECT client;
    GetClientRect(hWnd, &client);
    RECT shadow = {0, 0, client.right, 1}, light = {0, 1, client.right, 2};
    FillSolidRect(dc, shadow, GetSysColor(COLOR_BTNSHADOW));
    FillSolidRect(dc, light, GetSysColor(COLOR_BTNHIGHLIGHT));
    EndPaint(hWnd, &ps);
    return 0;
}

// ---------------------------------------------------------------- the frame

// A control's rectangle in the frame's client coordinates.
static RECT control_rect(HWND frame, int id)
{
    RECT r = {0, 0, 0, 0};
    HWND control = GetDlgItem(frame, id);
    if (control && GetWindowRect(control, &r)) MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SETUPDIALOGBOX::SETUPDIALOGBOX(const char* title, const char* cancelquestion, int subtitlesize,
                               NEWSETUPHOOKFUNCTION hook)
    : DATADIALOGBOX(IDD_SETUP_FRAME), TitleFont(nullptr), SubtitleFont(nullptr), pSubDlg(nullptr),
      SubtitleSize(subtitlesize), CancelQuestion(cancelquestion), Hook(hook),
      WhiteBrush(CreateSolidBrush(RGB(255, 255, 255)))
{
    Logit("SETUPDIALOGBOX::SETUPDIALOGBOX\n");
    if (!Create()) return;
    SetText(title);
    ShowWindow(Item(IDC_SETUP_HIDDEN), SW_HIDE);
    RECT header = control_rect(hWnd, IDC_SETUP_HEADER);
    RECT area = control_rect(hWnd, IDC_SETUP_PAGEAREA);
    RECT back = control_rect(hWnd, IDC_SETUP_BACK);
    RECT client;
    GetClientRect(hWnd, &client);
    Lines[0].Create(hWnd, 100);
    Lines[1].Create(hWnd, 101);
    MoveWindow(Lines[0].GetHwnd(), 0, header.bottom - 1, header.right, 2, TRUE);
    MoveWindow(Lines[1].GetHwnd(), 0, area.bottom + (back.top - area.bottom) / 4, header.right, 2, TRUE);
    Lines[0].Show(SW_SHOW);
    Lines[1].Show(SW_SHOW);
}

SETUPDIALOGBOX::~SETUPDIALOGBOX()
{
    ASSERTTEXT(!pSubDlg, "!this->pSubDlg", nullptr);
    DestroyPage();
    ReleaseWindow();
    if (TitleFont) DeleteObject(TitleFont);
    if (SubtitleFont) DeleteObject(SubtitleFont);
    if (WhiteBrush) DeleteObject(WhiteBrush);
}

void SETUPDIALOGBOX::SetHeader(const char* title, const char* subtitle)
{
    SetDlgItemTextA(hWnd, IDC_SETUP_TITLE, title ? title : "");
    SetDlgItemTextA(hWnd, IDC_SETUP_SUBTITLE, subtitle ? subtitle : "");
}

bool SETUPDIALOGBOX::CreatePage(const SETUPSTEP& step)
{
    SetHeader(OSYS::GetStringFromResource(static_cast<int>(step.Title)),
              OSYS::GetStringFromResource(static_cast<int>(step.Subtitle)));
    if (!TitleFont) {
        HDC dc = GetDC(hWnd);
        TitleFont = CreateFontA(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD, FALSE, FALSE,
                                FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, "Arial");
        if (SubtitleSize != -1)
            SubtitleFont = CreateFontA(-MulDiv(SubtitleSize, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD,
                                       FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
        ReleaseDC(hWnd, dc);
    }
    SendDlgItemMessageA(hWnd, IDC_SETUP_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont), TRUE);
    if (SubtitleFont)
        SendDlgItemMessageA(hWnd, IDC_SETUP_SUBTITLE, WM_SETFONT, reinterpret_cast<WPARAM>(SubtitleFont), TRUE);

    pSubDlg = new DATADIALOG(static_cast<int>(step.Template), hWnd);
    if (!pSubDlg->Create(hWnd, true)) {
        ASSERTTEXT(false, "this->pSubDlg", "setupdialog");
        delete pSubDlg;
        pSubDlg = nullptr;
        return false;
    }
    HWND page = pSubDlg->GetHwnd();
    SetWindowLongPtrA(page, GWL_STYLE, GetWindowLongPtrA(page, GWL_STYLE) & ~WS_BORDER);
    SetWindowLongPtrA(page, GWL_EXSTYLE, GetWindowLongPtrA(page, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    RECT area = control_rect(hWnd, IDC_SETUP_PAGEAREA);
    SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    return true;
}

void SETUPDIALOGBOX::DestroyPage()
{
    delete pSubDlg;
    pSubDlg = nullptr;
}

void SETUPDIALOGBOX::SetButtons(bool first, bool final)
{
    HWND back = Item(IDC_SETUP_BACK), next = Item(IDC_SETUP_NEXT), cancel = Item(IDCANCEL);
    HWND defbutton = next;
    if (final) {
        ShowWindow(back, SW_HIDE);
        ShowWindow(next, SW_HIDE);
        SetWindowTextA(cancel, OSYS::GetStringFromResource(IDS_SETUP_FINISHBUTTON));
        defbutton = cancel;
    } else {
        ShowWindow(back, first ? SW_HIDE : SW_SHOW);
        ShowWindow(next, SW_SHOW);
    }
    const HWND buttons[] = {back, next, cancel};
    for (HWND button : buttons)
        SendMessageA(button, BM_SETSTYLE, button == defbutton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    SendMessageA(hWnd, DM_SETDEFID, GetDlgCtrlID(defbutton), 0);
    InvalidateRect(defbutton, nullptr, TRUE);
    SetFocus(defbutton);
}

// The control the focus starts on: the first enabled tab stop that is not an automatic
// radio button, or else the first checked button.
static HWND first_focus(HWND page)
{
    HWND checked = nullptr;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
        bool autoradio = (style & 0x0F) == BS_AUTORADIOBUTTON && SendMessageA(child, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON;
        if ((style & WS_TABSTOP) && IsWindowEnabled(child) && !autoradio) return child;
        if (!checked && autoradio && SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED) checked = child;
    }
    return checked;
}

INT_PTR SETUPDIALOGBOX::RunPage()
{
    if (!pSubDlg) return 0;
    pSubDlg->LoadItems();
    ShowWindow(hWnd, SW_SHOW);
    HWND focus = first_focus(pSubDlg->GetHwnd());
    if (focus) SetFocus(focus);
    // A frame button ends the page through End (the dialog's end message, 0x441).
    INT_PTR result = RunLoop();
    pSubDlg->SaveItems();
    Logit("SETUPDIALOGBOX::RunPage returns %d\n", static_cast<int>(result));
    return result;
}

int SETUPDIALOGBOX::RunSteps(SETUPSTEP* steps, int count, int finalid)
{
    int i = 0;
    INT_PTR lastmove = 0;
    for (;;) {
        // A table that a plug-in changed may lack its final step.
        if (!ASSERTTEXT(i < count, "step<count", "setupdialog")) return 0;
        SETUPSTEP& step = steps[i];
        if (!ASSERTTEXT(step.IdStep != 0, "steps[step].idstep!=0", "setupdialog")) return 0;
        bool final = step.IdStep == finalid;
        Logit("SETUPDIALOGBOX::RunSteps step %d (idstep %d)\n", i, static_cast<int>(step.IdStep));
        if (!CreatePage(step)) return 0;
        SetButtons(i == 0, final);
        HWND page = pSubDlg->GetHwnd();
        if (Hook) Hook(NEWHOOK_BEFOREPAGE, static_cast<int>(step.IdStep), hWnd, page,
                       reinterpret_cast<INT_PTR>(step.Page), reinterpret_cast<void*>(step.Spare));
        INT_PTR result = step.Page ? step.Page(this, &step) : RunPage();
        if (Hook) Hook(NEWHOOK_AFTERPAGE, static_cast<int>(step.IdStep), hWnd, page,
                       reinterpret_cast<INT_PTR>(step.Page), reinterpret_cast<void*>(result));
        DestroyPage();
        if (result == SETUPPAGE_SKIP) result = lastmove;
        if (result == IDC_SETUP_BACK) {
            if (ASSERTTEXT(i > 0, "FALSE", "setupdialog")) i--;
        } else if (result == IDC_SETUP_NEXT) {
            i++;
        } else if (result == 0 && final) {
            return 1;
        } else if (result == 0) {
            if (!WINKELVO::YesNoMsgBox(hWnd, GetText(), CancelQuestion)) return 0;
        }
        lastmove = result;
    }
}

INT_PTR SETUPDIALOGBOX::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED) break;
        // Enter is Next.
        if (id == IDOK) id = IDC_SETUP_NEXT;
        if (id == IDC_SETUP_BACK || id == IDC_SETUP_NEXT || id == IDCANCEL) {
            if (IsWindowEnabled(Item(id)) && IsWindowVisible(Item(id))) End(id == IDCANCEL ? 0 : id);
            return TRUE;
        }
        break;
    }
    case WM_CLOSE:
        End(0);
        return TRUE;
    case WM__SETUPFOCUS:
        SetFocus(Item(static_cast<int>(wParam)));
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id == IDC_SETUP_TITLE || id == IDC_SETUP_SUBTITLE || id == IDC_SETUP_ICON) {
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            return reinterpret_cast<INT_PTR>(WhiteBrush);
        }
        break;
    }
    }
    return DATADIALOGBOX::DlgProc(message, wParam, lParam);
}
