// Registering the product's file types below HKEY_CLASSES_ROOT.
#pragma once

#include "strings.h"

// Registers each usable item of list (";"-separated fields: extension, class "="
// description, open command or "{null}", icon, options with "{textedit}" for an edit
// command), commands and icons below folder. Returns the registered keys as
// "extension|class|" for each item, the uninstaller's list.
STRING RegisterFileTypes(const char* list, const char* folder);
