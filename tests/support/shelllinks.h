// Shortcut files read back through the shell (COM initialised by the caller).
#pragma once

#include <string>

// A .LNK file as "path|arguments|working folder|icon,index"; "<unreadable>" when the
// shell cannot load it.
std::string ReadShellLink(const std::string& file);
