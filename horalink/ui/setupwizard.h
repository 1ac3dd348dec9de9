// The set-up wizard of a first start: how the PC is connected, which time server
// it asks and how often, and how the program looks and starts.
#pragma once

#include "datadialogs.h"
#include "hash.h"
#include "strings.h"

#include <windows.h>

// The third page's choices.
const int WIZARDSTYLE_LIVELY = 1;   // the animated assistant is wanted
const int WIZARDSTYLE_QUIET = 2;    // minimised, no animations, no assistant

struct WIZARDRESULT {
    bool Finished = false;  // false: cancelled, the settings are as they were
    int Style = 0;          // the third page's choice when finished
};

// Three pages in one frame with Back, Next, Finish and Cancel; the pages edit the
// wizard's own values, which RunSetupWizard takes over on Finish.
class SETUPWIZARD : public DATADIALOGBASE {
public:
    // entries: the phone-book entries joined by "|"; settings give the values shown.
    SETUPWIZARD(HWND owner, const STRING& entries, HASH& settings);
    ~SETUPWIZARD() override;

    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Lays the page over the frame's page area, hidden, its heading in bold.
    bool CreatePageWindow(DATADIALOG* page) override;
    // Shows page index with the buttons that fit it.
    void SelectPage(int index) override;

    STRING ConnectionType;
    STRING ConnectionEntry;
    STRING Server;
    STRING Cyclic;
    STRING Style;
    STRING AutoRun;
    STRING CheckOnce;

private:
    HFONT hHeadingFont;
};

// Runs the wizard; on Finish stores its choices in settings (TimeNextRefresh = now, so
// the first check is due at once) and writes or removes the autostart entry.
WIZARDRESULT RunSetupWizard(HWND owner, HASH& settings, const STRING& entries, unsigned long now);
