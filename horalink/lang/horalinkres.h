// Resource numbers of horalink, shared by the code and every language library.
#pragma once

// Common texts.
#define IDS_TITLE 10001        // program title
#define IDS_HELPNAME 10002     // help name, registry and data folder name
#define IDS_HTMLHELP 10003     // HTML help file name
#define IDS_MSGTITLE 10004     // title of message boxes
