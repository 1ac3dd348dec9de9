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
#define IDS_SNTPSTOPPED 2992       // kiss DENY/RSTR: the server is not asked until the setting changes (%s: code)
#define IDS_SNTPTOOSLOW 2993       // half the round trip exceeds TimeMaxDiff: not set (%s: the round trip)

// The data folder dialog.
#define IDS_DATAFOLDERMOVE 10120       // question: move the existing data along?
#define IDS_DATAFOLDERNEXTSTART 10121  // the new folder is used from the next start
#define IDD_DATAFOLDER 10704
#define IDC_DATAFOLDER_FOLDER 201      // the folder's entry field
#define IDC_DATAFOLDER_BROWSE 101      // chooses a folder with the shell's browser
#define IDC_DATAFOLDER_OPEN 102        // opens the folder in the shell

// Program settings: the settings dialog and its pages, the set-up wizard, the drift
// calculator and their texts.
#define IDS_SETTINGSPAGES 2903     // dialog title, then the page titles 1..8 ('|' list)
#define IDS_UPGRADEINFO 2947       // information box after a first start or an old version
#define IDS_AGENTCORRECT 2948      // assistant: the clock is right
#define IDS_AGENTNOTCORRECT 2949   // assistant: the clock is off
#define IDS_AGENTADJUSTED 2950     // assistant: the clock was set
#define IDS_AGENTWELCOME 2913      // assistant: its greeting when it comes up
#define IDS_AGENTNOSERVER 2916     // assistant: no usable character server, switched off
#define IDS_SERVERLIST 2952        // sectioned list of servers: "loc" description, "dns" host
#define IDS_WIZARDTITLE 2962       // title of the set-up wizard
#define IDS_SOUNDFILE 2963         // sound chooser: title|description of wave files
#define IDS_FONTSAMPLE 2964        // font shown on the dock clock page: "%s, %d pt"|bold|italic
#define IDD_SETTINGS 2010          // frame of the settings pages
#define IDD_SETCONNECTION 2011
#define IDD_SETSERVER 2012
#define IDD_SETPROGRAM 2013
#define IDD_SETCLOCK 2014
#define IDD_SETUPDATE 2015
#define IDD_SETLAN 2016
#define IDD_SETAGENT 2017
#define IDD_SETDRIFT 2018
#define IDD_WIZARD 2040            // frame of the wizard pages
#define IDD_WIZCONNECTION 2041
#define IDD_WIZSERVER 2042
#define IDD_WIZSTYLE 2043
#define IDD_DRIFTCALC 2059
#define IDC_SETTINGS_TABS 300
#define IDC_WIZARD_AREA 301        // where the pages go
#define IDC_WIZARD_BACK 302
#define IDC_WIZARD_NEXT 303
#define IDC_WIZARD_HEADING 280     // a page's heading, set in bold
#define IDC_CONNECTION_PERMANENT 221
#define IDC_CONNECTION_DIALUP 222
#define IDC_CONNECTION_ANY 225
#define IDC_CONNECTION_ENTRY 226
#define IDC_CONNECTION_ENTRIES 401
#define IDC_SERVER_LIST 401
#define IDC_SERVER_FROMLIST 229
#define IDC_SERVER_CUSTOM 230
#define IDC_SERVER_CUSTOMNAME 209
#define IDC_SERVER_SECOND 241
#define IDC_SERVER_SECONDFROMLIST 231
#define IDC_SERVER_SECONDCUSTOM 232
#define IDC_SERVER_SECONDLIST 402
#define IDC_SERVER_SECONDCUSTOMNAME 210
#define IDC_SERVER_CYCLIC 202      // wizard: hours between checks
#define IDC_PROGRAM_AUTORUN 244
#define IDC_PROGRAM_STARTMIN 243
#define IDC_PROGRAM_CLOSEMIN 247
#define IDC_PROGRAM_HIDETOOLBAR 246
#define IDC_PROGRAM_HIDEMENU 248
#define IDC_PROGRAM_TASKBAR 245
#define IDC_PROGRAM_DBLSHOW 220
#define IDC_PROGRAM_DBLCHECK 221
#define IDC_PROGRAM_DBLADJUST 222
#define IDC_PROGRAM_SHIFTCHECK 224
#define IDC_PROGRAM_SHIFTADJUST 225
#define IDC_CLOCK_TENTHS 244
#define IDC_CLOCK_ANIMATION 245
#define IDC_CLOCK_DATELONG 246
#define IDC_CLOCK_DOCKED 241
#define IDC_CLOCK_TOPMOST 249
#define IDC_CLOCK_DOTRANSPARENCY 242
#define IDC_CLOCK_TRANSPARENCY 202
#define IDC_CLOCK_FONT 101
#define IDC_CLOCK_COLOR0 102
#define IDC_CLOCK_COLOR1 103
#define IDC_CLOCK_COLOR2 104
#define IDC_CLOCK_COLORBG 105
#define IDC_CLOCK_FONTSAMPLE 281   // the chosen font described
#define IDC_CLOCK_SWATCH0 282      // samples of the four colours
#define IDC_CLOCK_SWATCH1 283
#define IDC_CLOCK_SWATCH2 284
#define IDC_CLOCK_SWATCHBG 285
#define IDC_UPDATE_CYCLIC 202
#define IDC_UPDATE_AUTOTIME 242
#define IDC_UPDATE_CHECKONCE 244
#define IDC_UPDATE_MSGBOX 243
#define IDC_UPDATE_SOUND 241
#define IDC_UPDATE_SOUNDFILE 206
#define IDC_UPDATE_SOUNDCHOOSE 104
#define IDC_UPDATE_SOUNDPLAY 114
#define IDC_UPDATE_SOUNDLOOP 248
#define IDC_UPDATE_SOUNDREPEAT 208
#define IDC_UPDATE_NETVARIANCE 205
#define IDC_UPDATE_MAXDIFF 203
#define IDC_UPDATE_DOMAXADJUST 245
#define IDC_UPDATE_MAXADJUST 204
#define IDC_UPDATE_EXTRA 207
#define IDC_LAN_SERVER 243
#define IDC_LAN_NEW 241
#define IDC_LAN_CYCLIC 242
#define IDC_LAN_HOURS 202
#define IDC_LAN_SNTP 244
#define IDC_AGENT_ACTIVE 241
#define IDC_AGENT_MUTE 242
#define IDC_AGENT_SHORTANIM 243
#define IDC_AGENT_CORRECT 201
#define IDC_AGENT_NOTCORRECT 202
#define IDC_AGENT_ADJUSTED 203
#define IDC_AGENT_TRY 101
#define IDC_AGENT_CHARACTER 102
#define IDC_DRIFT_ADJUST 241
#define IDC_DRIFT_INCREMENT 204
#define IDC_DRIFT_ADJUSTMENT 205
#define IDC_DRIFT_CALCULATE 104
#define IDC_DRIFTCALC_SECONDS 202
#define IDC_DRIFTCALC_HOURS 203
#define IDC_DRIFTCALC_SLOW 221
#define IDC_DRIFTCALC_FAST 222
#define IDC_WIZSTYLE_LIVELY 221
#define IDC_WIZSTYLE_QUIET 222
#define IDC_WIZSTYLE_AUTORUN 243
#define IDC_WIZSTYLE_CHECKONCE 244

// The main window: menus, commands, tool bar, tray icon, title, about box, help, tips.
#define IDR_MAINMENU 2100
#define IDR_TRAYMENU 2120          // the tray icon's menu (also the status list's)
#define IDA_MAIN 2101
#define IDI_HORALINK 2054          // the program's icon
#define IDI_TRAYNORMAL 2050        // tray icons 2050 + n: normal, suspended, error, attention
#define IDI_TRAYSUSPENDED 2051
#define IDI_TRAYERROR 2052
#define IDI_TRAYATTENTION 2053
#define IDB_TOOLBAR16 2060         // tool bar images, 16 and 24 pixels
#define IDB_TOOLBAR24 2061
#define IDD_ABOUT 2049
#define IDC_ABOUT_TITLE 280        // "<title> V<version>"
#define IDC_ABOUT_LINK 102         // the product's web site
#define IDC_ABOUT_ICON 281
#define IDD_TIPS 10700             // the tip of the day (control numbers fixed by the toolkit)
#define IDS_TIPSTYLENAMES 10700    // how often tips come ('|' list of five)
#define IDS_TRAYTIP 2901           // tool tip: this, ": " and the first status line
#define IDS_SUSPENDED 2919         // added to the title while suspended
#define IDS_ALREADYRUNNING 2923    // a second start in service mode
#define IDS_CHECKREQUESTED 2956    // first status line after the check-now command
#define IDS_CHECKWHENONLINE 2957   // second status line: the check waits for the connection
#define IDS_CHECKSOFF 2986         // first status line after check-now: checks are off (TimeCyclic 0)
#define IDS_CHECKSOFFHOW 2987      // second status line then: how to switch them on
#define IDS_MODENAMES 2976         // added to the title for Mode 1, 2 ('|' list)
#define IDS_WEBSITE 2977           // the product's web site address
#define IDS_TIPSFILE 2955          // the tips file beside the program
#define IDS_HELPMISSING 2954       // the help file cannot be found (%s: its name)
#define IDM_SETTINGS 2104
#define IDM_MODERESET 2105         // Mode 0: back to the standard mode
#define IDM_MODESTANDARD 2106
#define IDM_MODELANSERVER 2107
#define IDM_ADJUSTNOW 2115
#define IDM_CHECKNOW 2116
#define IDM_SUSPEND 2118
#define IDM_STOPALARM 2119
#define IDM_SHOWWINDOW 2120
#define IDM_TRAYSETTINGS 2121
#define IDM_QUIT 2122
#define IDM_TRAYSUSPEND 2124
#define IDM_TRAYADJUSTNOW 2125
#define IDM_TRAYCHECKNOW 2126
#define IDM_HELPCONTENTS 2190
#define IDM_HELPWINDOW 2191        // help topics 2802, 2801, 2804, 2803, 2000
#define IDM_HELPCOMMANDS 2192
#define IDM_HELPTROUBLE 2193
#define IDM_HELPSTART 2194
#define IDM_WEBSITE 2195
#define IDM_ABOUT 2199
#define IDM_EXIT 2200
#define IDM_HELPOVERVIEW 2202
#define IDM_TIPOFDAY 2203
#define IDM_DATAFOLDER 2204

// The status list: column headers, row labels and values, its icons.
#define IDS_LISTCOLUMNS 2902       // the two column headers ('|' list)
#define IDS_LISTOVERDUE 2937       // ahead of the time since a due update did not run
#define IDS_LISTLABELS 2939        // row labels ('|' list): date, time, server, -, status, next update, drift
#define IDS_LISTLANSERVER 2953     // the server row while the LAN time server is asked
#define IDS_LISTDIFFERENCE 2961    // label of the difference row
#define IDS_DRIFTSTATES 2979       // the drift row ('|' list): off, not available, on
#define IDI_LISTALERT 2071         // the clock is wrong, or a due update waits
#define IDI_LISTBUSY 2072          // an update runs
#define IDI_LISTSUSPENDED 2075     // checks are suspended
#define IDI_LISTPLAIN 2077         // nothing to point out
#define IDI_LISTEXACT 2080         // a fresh exact result
#define IDI_LISTCLOSE 2083         // a close-enough result
#define IDI_LISTNOTYET 2082        // no good result yet

// The time engine: status lines, quality levels, difference units, the question box.
#define IDS_STATUSADJUSTED 2929    // first status line after the clock was set
#define IDS_STATUSADJUSTEDBY 2930  // second status line after setting (%s: the difference)
#define IDS_STATUSNOADJUST 2931    // second status line for levels 0 and 1
#define IDS_STATUSMUSTADJUST 2932  // second status line for level 2
#define IDS_QUALITYNAMES 2933      // names of the levels 0..2 ('|' list)
#define IDS_STATUSQUALITY 2934     // first status line after a good try (%s: the level's name)
#define IDS_UNKNOWNERROR 2935      // error text of a failed try that gave none
#define IDS_STATUSFAILED 2936      // first status line after a failed try
#define IDS_DIFFUNITS 2938         // units ('|' list): 0 seconds, 2 minutes, 4 hours, 8 milliseconds
#define IDS_ASKADJUST 2940         // question before setting the clock (%s: the signed difference)
#define IDS_LANTIMEOUT 2958        // second status line: no LAN server answered
#define IDS_STATUSCHECKING 2959    // status line while an update runs
#define IDS_STATUSNOTSET 2983      // first status line after the system refused to set the clock
#define IDS_STATUSNOTSETWHY 2984   // second status line then (%s: the system's error text and code)
#define IDS_DRIFTREFUSED 2985      // a drift correction beyond the band (%s: it, %d: the limit), ns
#define IDS_SETTINGSUNREADABLE 2988  // the settings file is there but cannot be read
#define IDS_SETTINGSTOOLARGE 2989    // the settings file is too large to be one
#define IDS_SETTINGSKEPT 2990        // ... defaults used, the file kept as it is (%s: the file)
#define IDS_SETTINGSNOTSAVED 2991    // the settings could not be saved (%s: file and reason)
