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
// ActiveSync's application manager as its App Paths key names it; empty when none is.
STRING RegisteredAppManager();
// Runs the application manager with arguments (may be empty) and console title, and
// waits for it; false when it could not run.
bool StartAppManager(const char* manager, const char* arguments, const char* title);
// Whether name can be a shortcut's or a program group's file name: a plain name in its
// folder, with no path of its own and nothing that climbs out.
bool ShortcutNameAllowed(const STRING& name);
