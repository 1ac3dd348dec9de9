// Resource numbers of horalink, shared by the code and every language library.
// Prefixes: IDS_ texts, IDD_ dialogs, IDR_ menus, IDA_ accelerators, IDI_ icons, IDB_ bitmaps
// (all present in every language library, a test checks this); IDM_ commands, IDC_ controls.
#pragma once

// Common texts.
#define IDS_TITLE 10001        // program title
#define IDS_HELPNAME 10002     // help name, registry and data folder name
#define IDS_HTMLHELP 10003     // HTML help file name
#define IDS_MSGTITLE 10004     // title of message boxes

// Failed time queries.
#define IDS_MAXADJUST 2978         // the correction is above the largest one allowed
#define IDS_SNTPKISSOFDEATH 2981   // the server refused to answer (stratum 0)
#define IDS_SNTPUNSYNCED 2982      // the server's own clock is not synchronised
