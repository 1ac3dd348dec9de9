// The controller dialog's captions, state display and buttons.
#include "servicedlg.h"

#include "kelvo.h"
#include "osys.h"
#include "serviceres.h"
#include "servicehelp.h"
#include "servicetexts.h"
#include "winhelp.h"
#include "winmisc.h"

// Buttons of a state: 1 enabled, 0 disabled, -1 as they are.
struct BUTTONSTATES {
    int Install, Uninstall, Start, Stop;
};

SERVICEDLG::SERVICEDLG(const SERVICECONFIG& config, HELPFILE& help, bool advanced, HWND infowindow)
    : DIALOG(IDD_SERVICEDLG), Config(config), Help(help), Advanced(advanced), hInfoWindow(infowindow)
{
}

STRING SERVICEDLG::StateText(int state)
{
    if (state >= 0 && state <= 7) return ServiceText(IDS_STATE0 + state);
    STRING text = ServiceText(IDS_STATEUNKNOWN);
    text.Replace("%d", STRING(state));
    return text;
}

STRING SERVICEDLG::OutcomeText(SERVICECOMMAND command, int rc)
{
    int verb = IDS_VERBNONE;
    switch (command) {
    case SERVICECMD_INSTALL: verb = IDS_VERBINSTALLED; break;
    case SERVICECMD_UNINSTALL: verb = IDS_VERBUNINSTALLED; break;
    case SERVICECMD_START: verb = IDS_VERBSTARTED; break;
    case SERVICECMD_STOP: verb = IDS_VERBSTOPPED; break;
    default: break;
    }
    STRING text = ServiceText(rc == SERVICERC_OK ? IDS_OUTCOMEGOOD : IDS_OUTCOMEBAD);
    text.Replace("*", ServiceText(verb));
    return text;
}

void SERVICEDLG::SetCaptions()
{
    static const struct {
        int Control, Text;
    } captions[] = {{IDCANCEL, IDS_DONE},         {IDC_INSTALL, IDS_INSTALL}, {IDC_START, IDS_START},
                    {IDC_STOP, IDS_STOP},         {IDC_UNINSTALL, IDS_UNINSTALL},
                    {IDC_DIALOGHELP, IDS_HELP},   {IDC_STATUSGROUP, IDS_STATUS}};
    for (const auto& caption : captions) SetDlgItemTextA(hWnd, caption.Control, ServiceText(caption.Text));
    SetText(ServiceText(IDS_CONTROLLERTITLE));
}

void SERVICEDLG::SetButtons(int install, int uninstall, int start, int stop)
{
    const int ids[] = {IDC_INSTALL, IDC_UNINSTALL, IDC_START, IDC_STOP};
    const int states[] = {install, uninstall, start, stop};
    for (int i = 0; i < 4; i++)
        if (states[i] >= 0) EnableWindow(Item(ids[i]), states[i] != 0);
}

void SERVICEDLG::RefreshState()
{
    int state = ExecuteServiceCommand(SERVICECMD_QUERYSTATUS, Config);
    SetDlgItemTextA(hWnd, IDC_STATUSLINE1, StateText(state));
    switch (state) {
    case 0: SetButtons(1, 0, 0, 0); break;
    case SERVICE_STOPPED: SetButtons(0, 1, 1, 0); break;
    case SERVICE_RUNNING: SetButtons(0, 0, 0, 1); break;
    case SERVICE_PAUSED: SetButtons(0, 0, 1, 1); break;
    case SERVICE_START_PENDING:
    case SERVICE_STOP_PENDING:
    case SERVICE_CONTINUE_PENDING:
    case SERVICE_PAUSE_PENDING: break;
    default: SetButtons(1, 1, 1, 1); break;
    }
}

void SERVICEDLG::OnButton(int id)
{
    SERVICECOMMAND command = id == IDC_INSTALL     ? SERVICECMD_INSTALL
                             : id == IDC_START     ? SERVICECMD_START
                             : id == IDC_STOP      ? SERVICECMD_STOP
                                                   : SERVICECMD_UNINSTALL;
    bool refused = (command == SERVICECMD_INSTALL || command == SERVICECMD_START) && !Advanced &&
                   OSYS::GetOSType() >= 5;
    if (refused) {
        Logit("SERVICEDLG::OnButton %d refused on this system\n", id);
        WINKELVO::InfoMsgBox(hWnd, ServiceText(IDS_SERVICETITLE, Config.AppName),
                             ServiceText(command == SERVICECMD_INSTALL ? IDS_NOTONVISTAINSTALL
                                                                       : IDS_NOTONVISTASTART,
                                         Config.AppName));
        return;
    }
    int rc = ExecuteServiceCommand(command, Config);
    SetDlgItemTextA(hWnd, IDC_STATUSLINE2, OutcomeText(command, rc));
}

INT_PTR SERVICEDLG::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetCaptions();
        SetTimer(hWnd, SERVICEDLG_STATETIMER, SERVICEDLG_STATEINTERVAL, nullptr);
        RefreshState();
        if (hInfoWindow && IsWindow(hInfoWindow)) SetTimer(hWnd, SERVICEDLG_FRONTTIMER, SERVICEDLG_FRONTDELAY, nullptr);
        return TRUE;
    case WM_TIMER:
        if (wParam == SERVICEDLG_STATETIMER) {
            RefreshState();
        } else if (wParam == SERVICEDLG_FRONTTIMER) {
            KillTimer(hWnd, SERVICEDLG_FRONTTIMER);
            if (IsWindow(hInfoWindow)) SetForegroundWindow(hInfoWindow);
        }
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED) break;
        if (id == IDC_INSTALL || id == IDC_START || id == IDC_STOP || id == IDC_UNINSTALL) {
            OnButton(id);
            RefreshState();
            return TRUE;
        }
        if (id == IDC_DIALOGHELP) {
            Help.SetOwner(hWnd);
            Help.ShowTopic(ServiceHelpTopic(Config.AppHelp));
            return TRUE;
        }
        break;
    }
    case WM_DESTROY:
        KillTimer(hWnd, SERVICEDLG_STATETIMER);
        KillTimer(hWnd, SERVICEDLG_FRONTTIMER);
        break;
    }
    return DIALOG::DlgProc(message, wParam, lParam);
}
