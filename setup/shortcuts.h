// The shortcuts page's work: the program group with its shortcuts, the desktop icon,
// the firewall exceptions, and the handheld-device installation in its place.
#pragma once

class SETUPDIALOGBOX;

// The shortcuts page's work once the user pressed Next.
void MakeShortcuts(SETUPDIALOGBOX* frame);
// Runs ActiveSync's application manager on the installed files; false when it could not.
bool RunAppManager();
