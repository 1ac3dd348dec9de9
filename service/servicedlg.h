// SERVICEDLG, the controller dialog: the service's state, and buttons to install,
// start, stop and remove it.
#pragma once

#include "dialogs.h"
#include "servicecfg.h"
#include "servicecommands.h"

class HELPFILE;

const UINT SERVICEDLG_STATETIMER = 1;   // every 2 s: the state and the buttons
const UINT SERVICEDLG_FRONTTIMER = 2;   // once after 200 ms: the information window to the front
const UINT SERVICEDLG_STATEINTERVAL = 2000;
const UINT SERVICEDLG_FRONTDELAY = 200;

class SERVICEDLG : public DIALOG {
public:
    // advanced: the Vista refusals are skipped. infowindow: the information window
    // shown before, when it is open.
    SERVICEDLG(const SERVICECONFIG& config, HELPFILE& help, bool advanced, HWND infowindow);

    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Status line 2 for the outcome rc of command.
    static STRING OutcomeText(SERVICECOMMAND command, int rc);
    // Status line 1 for a state.
    static STRING StateText(int state);

private:
    void SetCaptions();
    void RefreshState();
    void OnButton(int id);
    void SetButtons(int install, int uninstall, int start, int stop);

    const SERVICECONFIG& Config;
    HELPFILE& Help;
    bool Advanced;
    HWND hInfoWindow;
};
