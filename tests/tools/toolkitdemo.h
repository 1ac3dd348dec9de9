// Resource numbers of the toolkit demo, shared by its code and its resource script.
#pragma once

#define IDI_DEMO 100
#define IDB_STRIP16 110
#define IDB_STRIP24 111
#define IDR_DEMOMENU 300
#define IDA_DEMO 301

// Commands (menu items and tool bar buttons).
#define IDM_SYNC 401
#define IDM_ADJUST 402
#define IDM_SETTINGS 403
#define IDM_PAUSE 404
#define IDM_LIST 405
#define IDM_SERVERS 406
#define IDM_HELP 407
#define IDM_EXIT 408
#define IDM_SMALLSYMBOLS 410

// The settings dialog.
#define IDD_SETTINGS 500
#define IDC_SERVER 501
#define IDC_INTERVAL 502
#define IDC_INTERVALSPIN 503
#define IDC_AUTOADJUST 504
#define IDC_MODEMANUAL 505
#define IDC_MODEASK 506
#define IDC_MODEAUTO 507
#define IDC_TOLERANCE 508

// The server book and its two pages.
#define IDD_BOOK 510
#define IDC_BOOKTAB 511
#define IDD_PAGESERVER 520
#define IDC_PRIMARY 521
#define IDC_SECONDARY 522
#define IDC_USESECONDARY 523
#define IDD_PAGENETWORK 530
#define IDC_INTERNET 531
#define IDC_LAN 532
#define IDC_TIMEOUT 533
#define IDC_TIMEOUTSPIN 534
#define IDC_DIALUP 535
