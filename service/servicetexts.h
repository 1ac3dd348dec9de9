// The controller's texts in the language of the user interface: German for the
// primary language 7, English otherwise.
#pragma once

#include "strings.h"

#include <windows.h>

// Whether the German texts apply.
bool ServiceGerman();
// Text id (an English id of serviceres.h) from the program's own resources, of any
// length; "<STR-ERR>" when it is missing.
STRING ServiceText(int id);
// The same with the "%s" in it replaced by product.
STRING ServiceText(int id, const char* product);
