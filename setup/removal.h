// The removal worker of the uninstall wizard, and the rules that keep it inside what the
// installation made: whatever the uninstall key says, nothing outside the install
// folder, the program group, the desktop's shortcuts and the default data folders goes.
#pragma once

#include "strings.h"

#include <windows.h>

class SETUPDIALOGBOX;

// The removal worker: runs on its own thread while the removal page waits; at its end
// the page shows the closing texts and Cancel finishes the wizard.
void RemoveInstallation(SETUPDIALOGBOX* frame, HWND page, HWND progress);

// Whether inikey can name the product's registry keys and Run value: not empty, no "\",
// no quote, no control character.
bool IniKeyUsable(const char* inikey);
// Whether the install folder is a folder of the product's own: an absolute folder that
// InstallFolderAllowed accepts and that neither is nor holds one of the system's folders
// in forbidden ("|"-separated, compared without regard to case and trailing "\").
bool FolderRemovable(const char* folder, const char* windowsfolder, const char* programfiles, const char* forbidden);
// Whether group lies inside the user's or the common Programs folder (strictly below).
bool StartMenuGroupAllowed(const char* group, const char* userprograms, const char* commonprograms);
// Whether name may be deleted below HKEY_CLASSES_ROOT: a plain key name, not a key the
// system itself keeps there.
bool RootClassAllowed(const char* name);
// Whether an installed file (relative, "\" or "/") is protected: its name (the text
// after its last "\" or "/") equals a whole "|"-item of protect, without regard to case.
bool FileProtected(const char* item, const char* protect);
// The data folder to delete with everything: datafolder when it equals one of the two
// default places (folder + "Kelvo\" + inikey below appdata or commonappdata, each with a
// trailing "\"), else empty.
STRING DefaultDataFolder(const char* datafolder, const char* appdata, const char* commonappdata, const char* inikey);
