// Resource ids of service.exe: the controller dialog, its icon, and its texts. Every
// text exists twice, the German one SERVICE_GERMAN higher than the English one.
#pragma once

#define IDI_SERVICE 1
#define IDD_SERVICEDLG 100

// Controls of the controller dialog (Done is IDCANCEL, Help the dialogs' IDC_DIALOGHELP).
#define IDC_SERVICEICON 1
#define IDC_INSTALL 1100
#define IDC_UNINSTALL 1101
#define IDC_START 1102
#define IDC_STOP 1103
#define IDC_STATUSLINE1 1104
#define IDC_STATUSLINE2 1105
#define IDC_STATUSGROUP 1106

// Controls of the information window.
#define IDC_INFOTEXT 1001
#define IDC_DONTSHOWAGAIN 1002

#define SERVICE_GERMAN 500

#define IDS_CONTROLLERTITLE 1000   // "Kelvo Service Controller"
#define IDS_CFGWRONG 1001          // service.cfg cannot be used
#define IDS_SERVICETITLE 1002      // box title: %s is the product
#define IDS_NOTON9X 1003           // %s is the product
#define IDS_NOTONVISTAINSTALL 1004
#define IDS_NOTONVISTASTART 1005
#define IDS_SYNTAX 1006
#define IDS_DONE 1010
#define IDS_INSTALL 1011
#define IDS_START 1012
#define IDS_STOP 1013
#define IDS_UNINSTALL 1014
#define IDS_HELP 1015
#define IDS_STATUS 1016
#define IDS_STATE0 1020            // states 0..7 follow in order
#define IDS_STATEUNKNOWN 1028      // %d is the state
#define IDS_OUTCOMEGOOD 1030       // "*" stands for the verb
#define IDS_OUTCOMEBAD 1031
#define IDS_VERBINSTALLED 1032
#define IDS_VERBUNINSTALLED 1033
#define IDS_VERBSTARTED 1034
#define IDS_VERBSTOPPED 1035
#define IDS_VERBNONE 1036
#define IDS_INFONOTICE 1040        // "$PROGNAME" stands for the product
#define IDS_DONTSHOWAGAIN 1041

// Title of message boxes given no title.
#define IDS_PROGRAMTITLE_SERVICE 10001
