// Resource numbers of setup, shared by the code and every language library.
// Prefixes: IDS_ texts, IDD_ dialogs, IDR_ menus, IDA_ accelerators, IDI_ icons, IDB_ bitmaps
// (all present in every language library, a test checks this); IDM_ commands, IDC_ controls.
#pragma once

// Common texts.
#define IDS_SETUP_TITLE 10001     // program title
#define IDS_SETUP_NAME 10002      // product name
#define IDS_SETUP_HTMLHELP 10003  // HTML help file name
#define IDS_SETUP_MSGTITLE 10004  // title of message boxes

// ---- The installer's texts (numbers shared with the plug-ins' documentation).
#define IDS_SETUP_INSTALLER 2900       // installer title: title of its message boxes and of the wizard
#define IDS_SETUP_FOLDERTITLE 2902     // folder page title; also the folder browser's prompt
#define IDS_SETUP_FOLDERSUB 2903
#define IDS_SETUP_LICENCETITLE 2904
#define IDS_SETUP_LICENCESUB 2905
#define IDS_SETUP_COPYTITLE 2906
#define IDS_SETUP_COPYSUB 2907
#define IDS_SETUP_WELCOMETITLE 2912    // the product title follows it
#define IDS_SETUP_WELCOMESUB 2913
#define IDS_SETUP_ADVTITLE 2914        // "$PROG": the product name
#define IDS_SETUP_ADVSUB 2915          // "$PROG": the advertised product
#define IDS_SETUP_SHORTCUTSTITLE 2916
#define IDS_SETUP_SHORTCUTSSUB 2917
#define IDS_SETUP_FINISHTITLE 2918
#define IDS_SETUP_FINISHSUB 2919       // "$PROG": the product name
#define IDS_SETUP_LANGSUFFIX 2980      // suffix of language variants of configuration keys, e.g. ".ENG"
#define IDS_SETUP_COPYING 2909       // copying page: the files are being copied
#define IDS_SETUP_COPIED 2911        // copying page: the copy is complete
#define IDS_SETUP_NOAPPMANAGER 2983    // ActiveSync's application manager is missing
#define IDS_SETUP_LICENCELANGUAGE 2984 // 49: LIZENZ.TXT, 12: LICENSEFR.TXT, else LICENSE.TXT
#define IDS_SETUP_NOCONFIG 2985        // setup.cfg missing or unreadable
#define IDS_SETUP_NODAO 2986           // DAO 3.6 missing
#define IDS_SETUP_CANCELQUESTION 2987  // asked when the wizard is cancelled
#define IDS_SETUP_NOEXTRACT 2988     // a file cannot be extracted: "$FILE", "$PROGRAM"; Yes tries again
#define IDS_SETUP_REPLACE 2992       // replace an existing file? "%s": its name
#define IDS_SETUP_REPLACETITLE 2993
#define IDS_SETUP_CLOSING 2994         // closing message, "$PROGRAM": the product
#define IDS_SETUP_BADFOLDER 2996       // the install folder cannot take a product, "%s": the folder
#define IDS_SETUP_UNINSTALLSHORTCUT 2998  // name of the uninstall shortcut, "$PROGRAM"
#define IDS_SETUP_FINISHBUTTON 3000    // Cancel's text on the final page
#define IDS_SETUP_BADCONFIG 3010       // setup.cfg malformed, "%d": the line
#define IDS_SETUP_LICENCETEXT 3011     // the agreement used when no licence file is there
#define IDS_SETUP_ADDPRINTER 3300
#define IDS_SETUP_REMOVEPRINTER 3301

// ---- The uninstaller's texts.
#define IDS_SETUP_UNINSTALL 2901          // uninstall title: "Kelvo" becomes the product name
#define IDS_SETUP_FEEDBACKTITLE 2932
#define IDS_SETUP_FEEDBACKSUB 2933
#define IDS_SETUP_OPTIONSTITLE 2934
#define IDS_SETUP_OPTIONSSUB 2935
#define IDS_SETUP_REMOVALTITLE 2936
#define IDS_SETUP_REMOVALSUB 2937
#define IDS_SETUP_REMOVEDTITLE 2938       // the removal page's title once it is done
#define IDS_SETUP_REMOVEDALL 2939         // the removal page's text after removing everything
#define IDS_SETUP_UNINSTALLQUESTION 2989  // remove the product? "$PROGRAM"
#define IDS_SETUP_MAILTITLE 2995          // the send dialog's title: the first "|" field
#define IDS_SETUP_UNINSTALLCANCEL 2997    // asked when the uninstall wizard is cancelled
#define IDS_SETUP_REMOVEWARNING 3008      // with 3009: remove everything? "$PROGRAM", "$DIR"
#define IDS_SETUP_REMOVEWARNING2 3009

// ---- The wizard's dialogs.
#define IDD_SETUP_FRAME 10702
#define IDD_SETUP_WELCOME 2001
#define IDD_SETUP_FOLDER 2002
#define IDD_SETUP_LICENCE 2003
#define IDD_SETUP_COPY 2004
#define IDD_SETUP_SHORTCUTS 2005
#define IDD_SETUP_ADVERTISE 2006
#define IDD_SETUP_FINISH 2009
#define IDD_SETUP_FEEDBACK 2013
#define IDD_SETUP_OPTIONS 2014
#define IDD_SETUP_REMOVAL 2015

// Frame controls.
#define IDC_SETUP_BACK 10780
#define IDC_SETUP_NEXT 10781
#define IDC_SETUP_TITLE 10782
#define IDC_SETUP_SUBTITLE 10783
#define IDC_SETUP_PAGEAREA 10791
#define IDC_SETUP_HEADER 10792
#define IDC_SETUP_ICON 10793
#define IDC_SETUP_HIDDEN 901

// Page controls.
#define IDC_SETUP_BUTTON 101     // print (licence), browse (folder), link (advertisement)
#define IDC_SETUP_SEND 110       // feedback: send the comments
#define IDC_SETUP_TEXT 201       // licence text, folder entry, copying status, description
#define IDC_SETUP_TEXT2 202      // feedback: the comments; removal: the text after removing everything
#define IDC_SETUP_CHOICE1 221    // welcome: new; shortcuts: current user; uninstall: keep the data
#define IDC_SETUP_CHOICE2 222    // welcome: reinstall; shortcuts: all users; uninstall: remove everything
#define IDC_SETUP_CHOICE3 223    // welcome: update; shortcuts: no program group
#define IDC_SETUP_CHECK 241      // licence: accept; shortcuts: desktop icon
#define IDC_SETUP_TEASER1 280
#define IDC_SETUP_TEASER2 281    // also the finish page's text
#define IDC_SETUP_PROGRESS 901   // copying: the placeholder of the progress bar
#define IDC_SETUP_PICTURE 2070

// ---- The mail send dialog (uninstall feedback).
#define IDD_SETUP_EMAIL 2090
#define IDC_EMAIL_TO 1001        // the first recipient, read-only
#define IDC_EMAIL_FROM 1002
#define IDC_EMAIL_SUBJECT 1003
#define IDC_EMAIL_BODY 1004
#define IDC_EMAIL_STATUS 1005
#define IDC_EMAIL_SEND 1009

// ---- Pictures.
#define IDI_SETUP 1              // the program's icon (and IdIcon 1 on the welcome page)
#define IDB_SETUP_FINISH 2070    // finish picture; pure red stands for the background
