// The set-up wizard: a frame with Back, Next, Finish and Cancel around three data
// dialog pages. The pages edit copies, so Cancel leaves the settings untouched.
#include "setupwizard.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "serverlist.h"
#include "settingkeys.h"
#include "settings.h"
#include "winras.h"

// Whole hours between checks the wizard offers, and its proposal.
static const int WIZARD_CYCLIC_MIN = 2;
static const int WIZARD_CYCLIC_MAX = 100;
static const char WIZARD_CYCLIC_PRESET[] = "8";

SETUPWIZARD::SETUPWIZARD(HWND owner, const STRING& entries, HASH& settings)
    : DATADIALOGBASE(IDD_WIZARD, owner, 3), ConnectionType("0"), Server(settings[KEY::TimeServer]),
      Cyclic(WIZARD_CYCLIC_PRESET), Style(STRING(WIZARDSTYLE_QUIET)),
      AutoRun(settings[KEY::DlgAutoRun]), CheckOnce(settings[KEY::TimeCheckOnce]),
      hHeadingFont(nullptr)
{
    STRINGARRAY list = WINRAS::SplitEntryList(entries);
    ConnectionEntry = list.GetCount() > 0 ? list[0] : STRING("");

    DATADIALOG* connection = AddPage(IDD_WIZCONNECTION, nullptr);
    if (connection) {
        connection->AddRadio(IDC_CONNECTION_PERMANENT, &ConnectionType, 0);
        connection->AddRadio(IDC_CONNECTION_DIALUP, &ConnectionType, 1);
        connection->AddList(IDC_CONNECTION_ENTRIES, &ConnectionEntry, list);
        connection->AddEnableRule(IDC_CONNECTION_DIALUP, IDC_CONNECTION_ENTRIES);
    }
    DATADIALOG* server = AddPage(IDD_WIZSERVER, nullptr);
    if (server) {
        server->AddHashList(IDC_SERVER_LIST, &Server, ServerList(), SERVERLIST_SHOWKEY,
                            SERVERLIST_VALUEKEY);
        server->AddSpin(IDC_SERVER_CYCLIC, &Cyclic, WIZARD_CYCLIC_MIN, WIZARD_CYCLIC_MAX);
    }
    DATADIALOG* style = AddPage(IDD_WIZSTYLE, nullptr);
    if (style) {
        style->AddRadio(IDC_WIZSTYLE_LIVELY, &Style, WIZARDSTYLE_LIVELY);
        style->AddRadio(IDC_WIZSTYLE_QUIET, &Style, WIZARDSTYLE_QUIET);
        style->AddCheck(IDC_WIZSTYLE_AUTORUN, &AutoRun);
        style->AddCheck(IDC_WIZSTYLE_CHECKONCE, &CheckOnce);
        style->AddEnableRule(IDC_WIZSTYLE_AUTORUN, IDC_WIZSTYLE_CHECKONCE);
    }
}

SETUPWIZARD::~SETUPWIZARD()
{
    if (hHeadingFont) DeleteObject(hHeadingFont);
}

INT_PTR SETUPWIZARD::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetText(OSYS::GetStringFromResource(IDS_WIZARDTITLE));
        // Headings a little larger and bold, made from the dialog's own font.
        if (hHeadingFont) DeleteObject(hHeadingFont);
        hHeadingFont = nullptr;
        LOGFONTA font;
        HFONT dialogfont = reinterpret_cast<HFONT>(Send(WM_GETFONT));
        if (dialogfont && GetObjectA(dialogfont, sizeof font, &font)) {
            font.lfWeight = FW_BOLD;
            font.lfHeight = font.lfHeight * 5 / 4;
            hHeadingFont = CreateFontIndirectA(&font);
        }
        DATADIALOGBASE::DlgProc(message, wParam, lParam);
        // The focus is set by the page selection.
        return FALSE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case IDC_WIZARD_BACK:
                if (Selected > 0) SelectPage(Selected - 1);
                return TRUE;
            case IDC_WIZARD_NEXT:
                if (Selected + 1 < PageCount) SelectPage(Selected + 1);
                return TRUE;
            case IDC_DIALOGHELP:
                // Help on the page shown, not on the frame.
                if (Selected >= 0)
                    WINDOWS::RequestHelp(Pages[Selected]->hWnd, Pages[Selected]->GetTemplateId());
                return TRUE;
            case IDOK:
                // Enter on an earlier page moves on instead of finishing.
                if (Selected + 1 < PageCount) {
                    SelectPage(Selected + 1);
                    return TRUE;
                }
                break;
            default: break;
            }
        }
        break;
    default: break;
    }
    return DATADIALOGBASE::DlgProc(message, wParam, lParam);
}

bool SETUPWIZARD::CreatePageWindow(DATADIALOG* page)
{
    if (!DATADIALOGBASE::CreatePageWindow(page)) return false;
    RECT area = {0, 0, 0, 0};
    HWND placeholder = Item(IDC_WIZARD_AREA);
    if (ASSERT(placeholder)) {
        GetWindowRect(placeholder, &area);
        MapWindowPoints(nullptr, hWnd, reinterpret_cast<POINT*>(&area), 2);
    }
    FitPages(page, area);
    HWND heading = page->Item(IDC_WIZARD_HEADING);
    if (heading && hHeadingFont)
        SendMessageA(heading, WM_SETFONT, reinterpret_cast<WPARAM>(hHeadingFont), FALSE);
    return true;
}

void SETUPWIZARD::SelectPage(int index)
{
    if (!PageSelectable(index)) return;
    Logit("SETUPWIZARD::SelectPage %d\n", index);
    // The focus moves to the new page below.
    ShowPage(index, nullptr);
    bool last = index == PageCount - 1;
    EnableWindow(Item(IDC_WIZARD_BACK), index > 0);
    ShowWindow(Item(IDC_WIZARD_NEXT), last ? SW_HIDE : SW_SHOW);
    ShowWindow(Item(IDOK), last ? SW_SHOW : SW_HIDE);
    int defid = last ? IDOK : IDC_WIZARD_NEXT;
    Send(DM_SETDEFID, defid);
    // The old default button would keep its thick frame.
    SendMessageA(Item(last ? IDC_WIZARD_NEXT : IDOK), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageA(Item(defid), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    HWND first = GetNextDlgTabItem(Pages[index]->hWnd, nullptr, FALSE);
    Send(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first ? first : Item(defid)), TRUE);
}

WIZARDRESULT RunSetupWizard(HWND owner, HASH& settings, const STRING& entries, unsigned long now)
{
    Logit("RunSetupWizard\n");
    WIZARDRESULT result;
    SETUPWIZARD wizard(owner, entries, settings);
    int rc = wizard.Run();
    if (rc == IDOK && wizard.IsTakeBack()) {
        result.Finished = true;
        result.Style = wizard.Style.ToInt();
        settings[KEY::ConnectionType] = STRING(wizard.ConnectionType.ToInt());
        settings[KEY::ConnectionEntryToMonitor] = wizard.ConnectionEntry;
        settings[KEY::TimeServer] =
            wizard.Server.Length() > 0 ? wizard.Server : STRING(DEFAULT_TIME_SERVER);
        settings[KEY::TimeCyclic] = wizard.Cyclic;
        settings[KEY::TimeNextRefresh] = STRING(now);
        settings[KEY::DlgAutoRun] = wizard.AutoRun;
        settings[KEY::TimeCheckOnce] = wizard.CheckOnce;
        if (result.Style == WIZARDSTYLE_QUIET) {
            settings[KEY::ClockAnimation] = "0";
            settings[KEY::AgentSupportActive] = "0";
            settings[KEY::DlgStartMinimized] = "1";
            settings[KEY::ClockTenths] = "1";
        }
        SETTINGS::SetAutoRun(settings[KEY::DlgAutoRun].ToInt() != 0, "RunSetupWizard");
    }
    Logit("RunSetupWizard returns %d, style %d\n", result.Finished, result.Style);
    return result;
}
