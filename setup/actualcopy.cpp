// The copy worker and the shortcuts page's work. The product archive cannot be
// extracted yet: the worker says so and leaves only Cancel, so the wizard never
// reports an installation that did not happen.
#include "actualcopy.h"

#include "filename.h"
#include "kelvo.h"
#include "osys.h"
#include "setupdialog.h"
#include "setuphook.h"
#include "setupstate.h"

#include <commctrl.h>

#include <cstdlib>

void ActualCopy(SETUPDIALOGBOX* frame, HWND page, HWND progress)
{
    SETUPSTATE& s = Setup();
    Logit("ActualCopy to %s (mode %s)\n", s.InstallFolder.Text(), s.InstallMode.Text());
    INT_PTR mode = atoi(s.InstallMode.Text());
    if (s.Hooks) s.Hooks->NewSetup(NEWHOOK_COPYBEGINS, 0, frame->GetHwnd(), page, 0, reinterpret_cast<void*>(mode));
    SendMessageA(progress, PBM_SETPOS, 0, 0);
    SetDlgItemTextA(page, IDC_SETUP_TEXT, OSYS::GetStringFromResource(IDS_SETUP_NOCOPY));
    if (s.Hooks) s.Hooks->NewSetup(NEWHOOK_COPYENDED, 0, frame->GetHwnd(), page, 0, nullptr);
    EnableWindow(frame->Button(IDCANCEL), TRUE);
    Logit("ActualCopy: nothing copied\n");
}

void MakeShortcuts(SETUPDIALOGBOX*)
{
    SETUPSTATE& s = Setup();
    bool group = s.ShortcutChoice != "2";
    bool common = s.ShortcutChoice == "1";
    STRING parent = GetWin32SystemPath(common ? SYSTEMPATH_COMMONPROGRAMS : SYSTEMPATH_PROGRAMS);
    s.ProgramGroup = PathJoin(parent, s.Value("StartmenuName"));
    if (s.Hooks) s.Hooks->NewSetup(NEWHOOK_GROUPCHOSEN, 0, nullptr, nullptr, 0, &s.ProgramGroup);
    Logit("MakeShortcuts group %d in %s\n", group, s.ProgramGroup.Text());
    STRING inikey = s.Value("IniKey");
    if (s.Hooks) s.Hooks->NewSetup(NEWHOOK_SHORTCUTSDONE, 0, nullptr, nullptr, 0, inikey.Data());
}

bool RunAppManager()
{
    Logit("RunAppManager %s: not available in this setup\n", Setup().AppManager.Text());
    return false;
}
