// The shortcuts page's work.
#include "shortcuts.h"

#include "filename.h"
#include "kelvo.h"
#include "osys.h"
#include "setupdialog.h"
#include "setuphook.h"
#include "setupstate.h"

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
