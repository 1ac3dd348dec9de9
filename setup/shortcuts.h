// The shortcuts page's work: the program group with its shortcuts, the desktop icon,
// the firewall exceptions, and the handheld-device installation in its place.
#pragma once

#include "strings.h"

class SETUPDIALOGBOX;

// The desktop icon's item ("name;#target;arguments") taken from the last StartmenuOpts
// item whose target begins with "*"; a null STRING when there is none.
STRING DesktopEntry();
// The shortcuts page's work once the user pressed Next (frame may be null).
void MakeShortcuts(SETUPDIALOGBOX* frame);
// Runs ActiveSync's application manager on the installed files; false when it could not.
bool RunAppManager();
