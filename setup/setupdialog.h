// The wizard frame of installing and uninstalling: a white header with title, subtitle
// and icon, two etched lines, the page area and Back, Next and Cancel. It walks a step
// table, one page at a time.
#pragma once

#include "datadialogs.h"
#include "setuphook.h"
#include "setupres.h"
#include "setupsteps.h"

// Sent to the frame to move the focus to control wParam.
const UINT WM__SETUPFOCUS = 0x409;

// Page results besides the buttons.
const INT_PTR SETUPPAGE_SKIP = -1;
const INT_PTR SETUPPAGE_DONE = 1;
// Any other result shows the same page again.
const INT_PTR SETUPPAGE_AGAIN = 100;

const char HLINE3D_CLASS[] = "KelvoWinClassHline3D";

// An etched line: a shadow line over a highlight line.
class HLINE3D : public WINDOW {
public:
    bool Create(HWND parent, int id);
    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class SETUPDIALOGBOX : public DATADIALOGBOX {
public:
    // title: the window title; cancelquestion: asked when a page before the final one
    // is cancelled; hook: the plug-in's NewSetupHook or null.
    SETUPDIALOGBOX(const char* title, const char* cancelquestion, int subtitlesize,
                   NEWSETUPHOOKFUNCTION hook = nullptr);
    ~SETUPDIALOGBOX() override;

    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Walks the count steps until the final step (finalid) ends; 1 when the final page
    // was closed, 0 when the user gave up earlier or the walk left the table.
    int RunSteps(SETUPSTEP* steps, int count, int finalid);
    // Runs the current page until a frame button ends it; the button's id (0: Cancel).
    INT_PTR RunPage();
    // The page now shown; null between pages.
    DATADIALOG* GetPage() const { return pSubDlg; }
    // Sets the header's title and subtitle texts.
    void SetHeader(const char* title, const char* subtitle);
    HWND Button(int id) const { return GetDlgItem(hWnd, id); }

private:
    bool CreatePage(const SETUPSTEP& step);
    void DestroyPage();
    void SetButtons(bool first, bool final);

    HFONT TitleFont;
    HFONT SubtitleFont;
    DATADIALOG* pSubDlg;
    int SubtitleSize;
    STRING CancelQuestion;
    NEWSETUPHOOKFUNCTION Hook;
    HLINE3D Lines[2];
    HBRUSH WhiteBrush;
};
