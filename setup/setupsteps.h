// The installer's step table: the pages the wizard walks, in order, handed to the
// wizard frame and to the plug-in (which may change it before the wizard starts).
#pragma once

#include <windows.h>

class SETUPDIALOGBOX;
struct SETUPSTEP;

// A page's work: it runs the page (SETUPDIALOGBOX::RunPage) and returns the button that
// ended it: 10781 Next, 10780 Back, 0 Cancel, or -1 to skip it in the last direction.
typedef INT_PTR (*SETUPPAGEFUNCTION)(SETUPDIALOGBOX* frame, SETUPSTEP* step);

// One record of seven words (pointer-sized: a page function is a word of the record).
struct SETUPSTEP {
    INT_PTR IdStep;  // 0 ends the table
    INT_PTR Title;   // string numbers of the header
    INT_PTR Subtitle;
    INT_PTR Template;   // the page's dialog template
    INT_PTR Parameter;  // 0
    SETUPPAGEFUNCTION Page;
    INT_PTR Spare;  // 0
};

const int SETUP_STEPCOUNT = 15;

const int STEP_WELCOME = 1;
const int STEP_LICENCE = 2;
const int STEP_FOLDER = 3;
const int STEP_COPY = 4;
const int STEP_SHORTCUTS = 5;
const int STEPADV = 6;
const int STEPFINISH = 7;
// The idstep of the table's last record.
const int STEP_TABLEEND = 9;

// The install table: the seven pages, records 8 to 14 empty for a plug-in's pages,
// and the last record with idstep 9.
void BuildInstallSteps(SETUPSTEP (&steps)[SETUP_STEPCOUNT]);
