// The install wizard's pages.
#include "installpages.h"

#include "actualcopy.h"
#include "filename.h"
#include "installfolder.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "printer.h"
#include "registry.h"
#include "setupcfg.h"
#include "setupdialog.h"
#include "setupstate.h"
#include "shortcuts.h"
#include "winmisc.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

// ---------------------------------------------------------------- welcome

STRING WelcomeWarningText(const char* warning, const char* today)
{
    STRING text(warning ? warning : "");
    if (text.Length() < 9 || _strnicmp(text.Text(), "ShowOnly=", 9) != 0) return text;
    STRING condition = text.Line(0);
    condition.RemoveTrailing('\r');
    int rest = text.Pos("\n");
    STRING body = rest >= 0 ? text.Mid(rest + 1) : STRING("");
    char how = condition.Length() > 9 ? condition[9] : 0;
    STRING date = condition.Mid(10);
    int order = strcmp(today, date.Text());
    if ((how == '<' && order > 0) || (how == '>' && order <= 0)) return STRING("");
    return body;
}

const char* WelcomeMode(const char* installed, const char* version, int disabled[2])
{
    disabled[0] = disabled[1] = 0;
    if (!installed) {
        disabled[0] = IDC_SETUP_CHOICE2;
        disabled[1] = IDC_SETUP_CHOICE3;
        return INSTALLMODE_NEW;
    }
    int order = _stricmp(installed, version ? version : "");
    if (order < 0) {
        disabled[0] = IDC_SETUP_CHOICE2;
        return INSTALLMODE_UPDATE;
    }
    if (order == 0) {
        disabled[0] = IDC_SETUP_CHOICE3;
        return INSTALLMODE_REINSTALL;
    }
    // A newer version is installed: every choice stays open, a new installation first.
    return INSTALLMODE_NEW;
}

INT_PTR WelcomePage(SETUPDIALOGBOX* frame, SETUPSTEP*)
{
    SETUPSTATE& s = Setup();
    DATADIALOG* page = frame->GetPage();
    int icon = s.Number("IdIcon");
    if (icon) {
        HICON h = LoadIconA(KELVOAPP::Instance(), MAKEINTRESOURCEA(icon));
        SendDlgItemMessageA(frame->GetHwnd(), IDC_SETUP_ICON, STM_SETICON, reinterpret_cast<WPARAM>(h), 0);
    }
    REGISTRY key(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, s.Value("IniKey"), REGISTRY_READ);
    STRING path = key.IsOpen() ? key.Read("UninstallPath") : STRING();
    STRING version = key.IsOpen() ? key.Read("DisplayVersion") : STRING();
    bool previous = path.NotNull() || version.NotNull();
    int disabled[2];
    const char* mode = WelcomeMode(previous ? version.Text() : nullptr, s.Value("AppVersion"), disabled);
    // Going back to the page shows the choice made before.
    if (!s.WelcomeShown) s.InstallMode = mode;
    s.WelcomeShown = true;
    for (int id : disabled)
        if (id) page->DisableItem(id);
    page->AddRadio(IDC_SETUP_CHOICE1, &s.InstallMode, 0);
    page->AddRadio(IDC_SETUP_CHOICE2, &s.InstallMode, 1);
    page->AddRadio(IDC_SETUP_CHOICE3, &s.InstallMode, 2);

    STRING warning = WelcomeWarningText(s.Value("WelcomeWarning"), OSYS::DateIso());
    if (warning.Length() > 0) WINKELVO::InfoMsgBox(frame->GetHwnd(), s.Value("AppName"), warning);

    char title[256] = "";
    GetDlgItemTextA(frame->GetHwnd(), IDC_SETUP_TITLE, title, sizeof title);
    STRING subtitle = s.Value("WelcomeMsg");
    subtitle.Replace("\r", "\n");
    frame->SetHeader(STRING(title) + s.ProductTitle, subtitle.Line(0));
    EnableWindow(frame->Button(IDC_SETUP_NEXT), TRUE);
    return frame->RunPage();
}

// ---------------------------------------------------------------- licence

const char* LicenceFileName(int language)
{
    if (language == 49) return "LIZENZ.TXT";
    if (language == 12) return "LICENSEFR.TXT";
    return "LICENSE.TXT";
}

STRING LicenceText(const STRING& raw, const char* producttitle)
{
    STRING text = raw;
    text.Replace("$PROGRAM", producttitle ? producttitle : "");
    text.Replace("\r\n", "\n");
    text.Replace("\n", "\r\n");
    return text;
}

// Any command on the licence page: Next only while the agreement is accepted; the
// print button prints it.
static bool licence_command(DATADIALOG* page, UINT message, WPARAM wParam, LPARAM, void* context)
{
    if (message != WM_COMMAND) return false;
    SETUPDIALOGBOX* frame = static_cast<SETUPDIALOGBOX*>(context);
    if (LOWORD(wParam) == IDC_SETUP_BUTTON && HIWORD(wParam) == BN_CLICKED) {
        int n = GetWindowTextLengthA(page->Item(IDC_SETUP_TEXT));
        STRING text;
        text.Make(n, nullptr);
        GetDlgItemTextA(page->GetHwnd(), IDC_SETUP_TEXT, text.Data(), n + 1);
        PRINTER::PrintText(frame->GetHwnd(), text);
    }
    EnableWindow(frame->Button(IDC_SETUP_NEXT), IsDlgButtonChecked(page->GetHwnd(), IDC_SETUP_CHECK) == BST_CHECKED);
    return false;
}

INT_PTR LicencePage(SETUPDIALOGBOX* frame, SETUPSTEP*)
{
    SETUPSTATE& s = Setup();
    if (s.InstallMode == INSTALLMODE_REINSTALL) return SETUPPAGE_SKIP;
    int language = OSYS::GetStringFromResource(IDS_SETUP_LICENCELANGUAGE).ToInt();
    BINARY file;
    STRING raw;
    if (file.Load(LicenceFileName(language), "rt"))
        raw = file;
    else
        raw = OSYS::GetLongStringFromResource(IDS_SETUP_LICENCETEXT);
    DATADIALOG* page = frame->GetPage();
    SetDlgItemTextA(page->GetHwnd(), IDC_SETUP_TEXT, LicenceText(raw, s.ProductTitle));
    SendDlgItemMessageA(page->GetHwnd(), IDC_SETUP_TEXT, EM_SETSEL, 0, 0);
    page->SetNotify(licence_command, frame);
    HWND next = frame->Button(IDC_SETUP_NEXT);
    SendMessageA(next, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EnableWindow(next, IsDlgButtonChecked(page->GetHwnd(), IDC_SETUP_CHECK) == BST_CHECKED);
    return frame->RunPage();
}

// ---------------------------------------------------------------- install folder

static int CALLBACK browse_preselect(HWND window, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

static bool browse_folder(DATADIALOG* page, UINT message, WPARAM wParam, LPARAM, void*)
{
    if (message != WM_COMMAND || LOWORD(wParam) != IDC_SETUP_BUTTON || HIWORD(wParam) != BN_CLICKED) return false;
    char current[MAX_PATH] = "";
    GetDlgItemTextA(page->GetHwnd(), IDC_SETUP_TEXT, current, sizeof current);
    STRING prompt = OSYS::GetStringFromResource(IDS_SETUP_FOLDERTITLE);
    BROWSEINFOA bi = {};
    bi.hwndOwner = page->GetHwnd();
    bi.lpszTitle = prompt;
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    bi.lpfn = browse_preselect;
    bi.lParam = reinterpret_cast<LPARAM>(current);
    CoInitialize(nullptr);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    char folder[MAX_PATH] = "";
    if (chosen && SHGetPathFromIDListA(chosen, folder)) {
        size_t n = strlen(folder);
        if (n > 0 && folder[n - 1] == '\\') folder[n - 1] = 0;
        SetDlgItemTextA(page->GetHwnd(), IDC_SETUP_TEXT, folder);
    }
    if (chosen) CoTaskMemFree(chosen);
    CoUninitialize();
    return true;
}

INT_PTR FolderPage(SETUPDIALOGBOX* frame, SETUPSTEP*)
{
    SETUPSTATE& s = Setup();
    if (s.Number("ActiveSyncInstall")) {
        s.InstallFolder = PathJoin(FILENAME(s.AppManager).Directory(), s.Value("AppName"));
        return IDC_SETUP_NEXT;
    }
    DATADIALOG* page = frame->GetPage();
    page->AddEntry(IDC_SETUP_TEXT, &s.InstallFolder, INSTALLFOLDER_MAXPATH);
    page->SetNotify(browse_folder, nullptr);
    if (s.InstallMode != INSTALLMODE_NEW) {
        page->DisableItem(IDC_SETUP_TEXT);
        page->DisableItem(IDC_SETUP_BUTTON);
    }
    INT_PTR result = frame->RunPage();
    s.InstallFolder = FinishedInstallFolder(s.InstallFolder, s.Value("AppName"));
    if (result == IDC_SETUP_NEXT &&
        !InstallFolderAllowed(s.InstallFolder, WindowsFolder(), GetWin32SystemPath(SYSTEMPATH_PROGRAMFILES))) {
        STRING text = OSYS::GetStringFromResource(IDS_SETUP_BADFOLDER);
        text.Replace("%s", s.InstallFolder);
        WINKELVO::ErrorMsgBox(frame->GetHwnd(), OSYS::GetStringFromResource(IDS_SETUP_INSTALLER), text);
        return SETUPPAGE_AGAIN;
    }
    return result;
}

// ---------------------------------------------------------------- copying

struct PAGEJOB {
    SETUPPAGEWORK Work;
    SETUPDIALOGBOX* Frame;
    HWND Page;
    HWND Progress;
};

static void __cdecl page_thread(void* parameter)
{
    PAGEJOB* job = static_cast<PAGEJOB*>(parameter);
    job->Work(job->Frame, job->Page, job->Progress);
}

INT_PTR RunWorkerPage(SETUPDIALOGBOX* frame, SETUPPAGEWORK work)
{
    HWND page = frame->GetPage()->GetHwnd();
    HWND placeholder = GetDlgItem(page, IDC_SETUP_PROGRESS);
    RECT r = {0, 0, 0, 0};
    GetWindowRect(placeholder, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    DestroyWindow(placeholder);
    HWND progress = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                                    r.bottom - r.top, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SETUP_PROGRESS)),
                                    nullptr, nullptr);
    SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SetFocus(frame->Button(IDCANCEL));
    const int buttons[] = {IDC_SETUP_BACK, IDC_SETUP_NEXT, IDCANCEL};
    for (int id : buttons) EnableWindow(frame->Button(id), FALSE);
    PAGEJOB job = {work, frame, page, progress};
    HANDLE worker = OSYS::CreateThread(page_thread, &job);
    // Without its worker the page can only be given up.
    if (!worker) EnableWindow(frame->Button(IDCANCEL), TRUE);
    INT_PTR result = frame->RunPage();
    if (worker) OSYS::WaitThread(worker, -1);
    SetFocus(frame->GetHwnd());
    return result;
}

INT_PTR CopyPage(SETUPDIALOGBOX* frame, SETUPSTEP*) { return RunWorkerPage(frame, ActualCopy); }

// ---------------------------------------------------------------- shortcuts

INT_PTR ShortcutsPage(SETUPDIALOGBOX* frame, SETUPSTEP*)
{
    SETUPSTATE& s = Setup();
    if (s.Number("ActiveSyncInstall")) {
        RunAppManager();
        return IDC_SETUP_NEXT;
    }
    DATADIALOG* page = frame->GetPage();
    // The desktop icon is offered when an item's target begins with "*".
    bool desktop = DesktopEntry().NotEmpty();
    int desktopicon = s.Number("DesktopIcon", 1);
    bool reinstall = s.InstallMode == INSTALLMODE_REINSTALL;
    if (s.ShortcutChoice.IsNull()) {
        s.ShortcutChoice = reinstall ? "2" : "0";
        s.DesktopIcon = desktopicon >= 2 && !reinstall ? "1" : "0";
    }
    if (GetWin32SystemPath(SYSTEMPATH_COMMONPROGRAMS).Length() == 0) page->DisableItem(IDC_SETUP_CHOICE2);
    page->AddRadio(IDC_SETUP_CHOICE1, &s.ShortcutChoice, 0);
    page->AddRadio(IDC_SETUP_CHOICE2, &s.ShortcutChoice, 1);
    page->AddRadio(IDC_SETUP_CHOICE3, &s.ShortcutChoice, 2);
    page->AddCheck(IDC_SETUP_CHECK, &s.DesktopIcon);
    ShowWindow(page->Item(IDC_SETUP_CHECK), desktop && desktopicon != 0 ? SW_SHOW : SW_HIDE);
    INT_PTR result = frame->RunPage();
    if (result == IDC_SETUP_NEXT) MakeShortcuts(frame);
    return result;
}

// ---------------------------------------------------------------- advertisement

INT_PTR AdvertisePage(SETUPDIALOGBOX* frame, SETUPSTEP*)
{
    SETUPSTATE& s = Setup();
    HASH advert;
    STRING file = s.Value("Advertise");
    if (file.Length() == 0 || LoadSetupConfig(file, advert) != SETUPCFG_OK) return IDC_SETUP_NEXT;
    FoldLanguageKeys(advert, OSYS::GetStringFromResource(IDS_SETUP_LANGSUFFIX));
    auto value = [&](const char* key) {
        int i = advert.IndexOf(key);
        return i >= 0 ? advert.ValueAt(i) : STRING("");
    };
    HWND f = frame->GetHwnd();
    HWND page = frame->GetPage()->GetHwnd();
    char text[512] = "";
    GetDlgItemTextA(f, IDC_SETUP_TITLE, text, sizeof text);
    STRING title(text);
    title.Replace("$PROG", s.Value("AppName"));
    GetDlgItemTextA(f, IDC_SETUP_SUBTITLE, text, sizeof text);
    STRING subtitle(text);
    subtitle.Replace("$PROG", value("Product"));
    frame->SetHeader(title, subtitle);

    struct TEXT {
        int Id, Points, Weight;
        const char* Key;
        STRING Fallback;
        HFONT Font, Old;
    } texts[] = {{IDC_SETUP_TEASER1, 12, FW_BOLD, "Teaser1", s.Value("AppName"), nullptr, nullptr},
                 {IDC_SETUP_TEASER2, 9, FW_BOLD, "Teaser2", value("Product"), nullptr, nullptr},
                 {IDC_SETUP_TEXT, 8, FW_NORMAL, "Description", STRING(), nullptr, nullptr}};
    HDC dc = GetDC(page);
    for (TEXT& t : texts) {
        t.Font = CreateFontA(-MulDiv(t.Points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, t.Weight, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "Arial");
        t.Old = reinterpret_cast<HFONT>(SendDlgItemMessageA(page, t.Id, WM_GETFONT, 0, 0));
        SendDlgItemMessageA(page, t.Id, WM_SETFONT, reinterpret_cast<WPARAM>(t.Font), TRUE);
        STRING own = value(t.Key);
        if (own.Length() == 0 && t.Fallback.NotNull()) {
            GetDlgItemTextA(page, t.Id, text, sizeof text);
            own = text;
            own.Replace("$PROG", t.Fallback);
        }
        SetDlgItemTextA(page, t.Id, own);
    }
    ReleaseDC(page, dc);
    STRING url = value("Url");
    SetDlgItemTextA(page, IDC_SETUP_BUTTON, url);
    frame->GetPage()->SetNotify(
        [](DATADIALOG* p, UINT message, WPARAM wParam, LPARAM, void* context) {
            if (message != WM_COMMAND || LOWORD(wParam) != IDC_SETUP_BUTTON || HIWORD(wParam) != BN_CLICKED) return false;
            ShellExecuteA(p->GetHwnd(), "open", static_cast<STRING*>(context)->Text(), nullptr, nullptr, SW_SHOWNORMAL);
            return true;
        },
        &url);
    INT_PTR result = frame->RunPage();
    for (TEXT& t : texts) {
        SendDlgItemMessageA(page, t.Id, WM_SETFONT, reinterpret_cast<WPARAM>(t.Old), FALSE);
        DeleteObject(t.Font);
    }
    return result;
}

// ---------------------------------------------------------------- finish

// The finish picture, its pure red turned into the button face; null when module has none.
static HBITMAP finish_picture(HINSTANCE module)
{
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(IDB_SETUP_FINISH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION dib;
    if (!picture || GetObjectA(picture, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel < 24) return picture;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    int step = dib.dsBm.bmBitsPixel / 8;
    for (int y = 0; y < dib.dsBm.bmHeight; y++) {
        unsigned char* row = static_cast<unsigned char*>(dib.dsBm.bmBits) + y * dib.dsBm.bmWidthBytes;
        for (int x = 0; x < dib.dsBm.bmWidth; x++) {
            unsigned char* p = row + x * step;  // blue, green, red
            if (p[0] == 0 && p[1] == 0 && p[2] == 255) {
                p[0] = GetBValue(face);
                p[1] = GetGValue(face);
                p[2] = GetRValue(face);
            }
        }
    }
    return picture;
}

INT_PTR FinishPage(SETUPDIALOGBOX* frame, SETUPSTEP*)
{
    SETUPSTATE& s = Setup();
    HWND page = frame->GetPage()->GetHwnd();
    HBITMAP picture = finish_picture(KELVOAPP::Instance());
    if (!picture) picture = finish_picture(KELVOAPP::ResourceModule());
    HBITMAP old = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(page, IDC_SETUP_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    if (old) DeleteObject(old);
    char text[512] = "";
    GetDlgItemTextA(frame->GetHwnd(), IDC_SETUP_SUBTITLE, text, sizeof text);
    STRING subtitle(text);
    subtitle.Replace("$PROG", s.Value("AppName"));
    GetDlgItemTextA(frame->GetHwnd(), IDC_SETUP_TITLE, text, sizeof text);
    frame->SetHeader(text, subtitle);
    SetDlgItemTextA(page, IDC_SETUP_TEASER2, s.Value("FinishMsg"));
    INT_PTR result = frame->RunPage();
    DeleteObject(picture);
    return result;
}
