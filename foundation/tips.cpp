// Tip of the day: parsing the tips file, the schedule kept in the registry, and
// the dialog that shows one tip after the other.
#include "tips.h"

#include "dialogs.h"
#include "kelvo.h"
#include "osys.h"
#include "registry.h"
#include "winmisc.h"

#include <cstdlib>

static const long SECONDS_PER_DAY = 86400;

// ---------------------------------------------------------------- tips file

static void finish_tip(STRINGARRAY& tips, STRING& title, STRING& text)
{
    while (text.RemoveTrailing('\n') || text.RemoveTrailing('\r')) {
    }
    if (text.Length() > 0) {
        if (title.Length() > 0) {
            STRING tip = title + "|";
            tip += text;
            tips.Add(tip);
        } else {
            tips.Add(text);
        }
    }
    title.Make(0, "");
    text.Make(0, "");
}

STRINGARRAY ParseTips(const STRING& text)
{
    STRINGARRAY tips;
    STRINGARRAY lines(text, "\n");
    if (!text.iFind("[TIP]")) {
        for (int i = 0; i < lines.GetCount(); i++) {
            STRING line = lines[i];
            line.Strip('B', " \t\r");
            if (line.Length() > 0) tips.Add(line);
        }
        return tips;
    }
    STRING title("");
    STRING tip("");
    for (int i = 0; i < lines.GetCount(); i++) {
        STRING line = lines[i];
        line.Strip('B', " \t\r");
        if (line == "[TIP]") {
            finish_tip(tips, title, tip);
        } else if (line.Left(6) == "title=") {
            title = line.Mid(6);
        } else if (line.Length() == 0) {
            tip.Append("\r\n\r\n");
        } else {
            tip += line;
            tip.Append(" ");
        }
    }
    finish_tip(tips, title, tip);
    return tips;
}

STRINGARRAY LoadTips(const char* file)
{
    BINARY content;
    if (!file || !content.Load(file, "rt")) {
        Logit("LoadTips cannot read %s\n", file ? file : "(null)");
        return STRINGARRAY();
    }
    STRINGARRAY tips = ParseTips(content);
    Logit("LoadTips %s: %d tips\n", file, tips.GetCount());
    return tips;
}

bool TipsDue(int style, long last, long today, bool ondemand)
{
    if (ondemand) return true;
    switch (style) {
    case TIPSTYLE_EVERYSTART: return true;
    case TIPSTYLE_DAILY: return last < today;
    case TIPSTYLE_SECONDDAY: return last + 1 < today;
    case TIPSTYLE_WEEKLY: return last + 6 < today;
    default: return false;
    }
}

// ---------------------------------------------------------------- dialog

class TIPDIALOG : public DIALOG {
public:
    TIPDIALOG(HWND owner, const STRINGARRAY& tips, int count, int style)
        : DIALOG(IDD_TIPOFDAY, owner), Count(count), Style(style), Tips(tips), TitleFont(nullptr),
          TextFont(nullptr)
    {
    }
    ~TIPDIALOG() override
    {
        if (TitleFont) DeleteObject(TitleFont);
        if (TextFont) DeleteObject(TextFont);
    }

    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_INITDIALOG:
            OnInit();
            return TRUE;
        case WM_COMMAND:
            // The next-tip button keeps the dialog open.
            if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
                ShowNext();
                return TRUE;
            }
            break;
        case WM_DESTROY: {
            LRESULT selected = SendDlgItemMessageA(hWnd, IDC_TIPSTYLE, CB_GETCURSEL, 0, 0);
            Style = selected == CB_ERR ? TIPSTYLE_EVERYSTART : static_cast<int>(selected);
            break;
        }
        }
        return DIALOG::DlgProc(message, wParam, lParam);
    }

    int Count;  // the tip shown next
    int Style;

private:
    static HFONT arial(HDC hdc, int points, int weight)
    {
        return CreateFontA(-MulDiv(points, GetDeviceCaps(hdc, LOGPIXELSY), 72), 0, 0, 0, weight, FALSE,
                           FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    }

    void OnInit()
    {
        HDC hdc = GetDC(hWnd);
        TitleFont = arial(hdc, 14, FW_BOLD);
        TextFont = arial(hdc, 10, FW_NORMAL);
        ReleaseDC(hWnd, hdc);
        SendDlgItemMessageA(hWnd, IDC_TIPTITLE, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont), FALSE);
        SendDlgItemMessageA(hWnd, IDC_TIPTEXT, WM_SETFONT, reinterpret_cast<WPARAM>(TextFont), FALSE);
        STRINGARRAY styles(OSYS::GetStringFromResource(IDS_TIPSTYLES), "|");
        for (int i = 0; i < styles.GetCount(); i++)
            SendDlgItemMessageA(hWnd, IDC_TIPSTYLE, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(styles[i].Text()));
        SendDlgItemMessageA(hWnd, IDC_TIPSTYLE, CB_SETCURSEL, Style, 0);
        ShowNext();
    }

    void ShowNext()
    {
        if (Tips.GetCount() == 0) return;
        if (Count < 0 || Count >= Tips.GetCount()) Count = 0;
        const STRING& tip = *Tips.GetItem(Count);
        Count++;
        int bar = tip.Pos("|");
        STRING title = bar >= 0 ? tip.Left(bar) : OSYS::GetStringFromResource(IDS_PROGRAMTITLE);
        STRING text = bar >= 0 ? tip.Mid(bar + 1) : tip;
        SetDlgItemTextA(hWnd, IDC_TIPTITLE, title);
        SetDlgItemTextA(hWnd, IDC_TIPTEXT, text);
    }

    const STRINGARRAY& Tips;
    HFONT TitleFont;
    HFONT TextFont;
};

static int registry_number(REGISTRY& registry, const char* value, int missing)
{
    STRING text = registry.Read(value);
    return text.IsNull() ? missing : atoi(text.Text());
}

bool ShowTips(HWND owner, const char* file, const char* app, bool ondemand)
{
    Logit("ShowTips %s %s ondemand= %d\n", file ? file : "(null)", app ? app : "(null)", ondemand);
    REGISTRY registry(app, KELVO_REGISTRYKEY, REGISTRY_CURRENTUSER);
    long today = static_cast<long>(OSYS::Time() / SECONDS_PER_DAY);
    int style = registry_number(registry, "TipOfDayStyle", TIPSTYLE_DAILY);
    long last = registry_number(registry, "TipOfDayLast", 0);
    if (!TipsDue(style, last, today, ondemand)) {
        Logit("ShowTips not due (style= %d, last= %ld, today= %ld)\n", style, last, today);
        return false;
    }
    STRINGARRAY tips = LoadTips(file);
    // No dialog without something to show in it.
    if (tips.GetCount() == 0) return false;
    registry.Write("TipOfDayLast", STRING(static_cast<int>(today)));

    TIPDIALOG dialog(owner, tips, registry_number(registry, "TipOfDayCount", 0), style);
    int result = dialog.Run();
    registry.Write("TipOfDayStyle", STRING(dialog.Style));
    registry.Write("TipOfDayCount", STRING(dialog.Count));
    Logit("ShowTips done, result= %d, style= %d, count= %d\n", result, dialog.Style, dialog.Count);
    return true;
}
