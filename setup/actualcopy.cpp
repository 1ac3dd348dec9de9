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
