// The data folder dialog: the user picks the folder the program works in from its
// next start on, and whether the existing data moves along.
#pragma once

#include "datadialogs.h"

class DATAFOLDERDIALOG : public DATADIALOG {
public:
    // The dialog (template 10704) editing folder in its entry field.
    DATAFOLDERDIALOG(HWND owner, STRING* folder);

    // Handles the browse and open buttons; everything else as a data dialog.
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Lets the user pick a folder in the shell's folder browser, starting at the entry
    // field's; the choice replaces the field's text. True when a folder was chosen.
    bool Browse();
    // Opens the entry field's folder with the shell's "open" action; true when it opened.
    bool OpenFolder();
};

// Shows the folder recorded below "Software\Kelvo\" + registryname (text 10002 when
// null) and, when the user confirms another one, records it for the next start
// ("*" before it when the data moves along). True when a folder was recorded.
bool DataFolderDialog(HWND owner, const char* registryname = nullptr);
