// Resource numbers of setup, shared by the code and every language library.
// Prefixes: IDS_ texts, IDD_ dialogs, IDR_ menus, IDA_ accelerators, IDI_ icons, IDB_ bitmaps
// (all present in every language library, a test checks this); IDM_ commands, IDC_ controls.
#pragma once

// Common texts.
#define IDS_SETUP_TITLE 10001     // program title
#define IDS_SETUP_NAME 10002      // product name
#define IDS_SETUP_HTMLHELP 10003  // HTML help file name
#define IDS_SETUP_MSGTITLE 10004  // title of message boxes
