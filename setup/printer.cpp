// PRINTER: the layout keeps its own position in device pixels; the device only draws
// runs of characters and breaks pages, so the same layout can go to any context.
#include "printer.h"

#include "kelvo.h"

#include <commdlg.h>

#include <climits>
#include <cstdio>
#include <cstring>

const char CHAR_BACKSPACE = '\b';
const char CHAR_TAB = '\t';
const char CHAR_LINEFEED = '\n';
const char CHAR_FORMFEED = '\f';
const char CHAR_RETURN = '\r';

// Bytes drawn as characters: all but the control characters and DEL.
static bool is_printable(unsigned char c) { return c >= 32 && c != 127; }

// Millimetres in pixels at dpi pixels per inch (25.4 mm), cut to whole pixels.
static int mm_to_pixels(int mm, int dpi)
{
    return static_cast<int>(static_cast<long long>(mm) * dpi * 10 / 254);
}

PRINTER::PRINTER()
    : hdc(nullptr), Font(nullptr), Margins{0, 0, 0, 0}, Pos{0, 0}, Cell{0, 0},
      LineFeedOnly(false), TabWidth(8), OldFont(nullptr), Owned(false), DocOpen(false),
      PageOpen(false), Failed(false), DocName{}
{
}

PRINTER::~PRINTER()
{
    if (hdc && DocOpen) AbortDoc(hdc);
    Release();
}

bool PRINTER::PrinterDialog(HWND owner)
{
    Logit("PRINTER::PrinterDialog\n");
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    pd.nCopies = 1;
    bool chosen = PrintDlgA(&pd) && pd.hDC;
    DWORD error = chosen ? 0 : CommDlgExtendedError();
    if (error) Logit("PRINTER::PrinterDialog error %lu\n", error);
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    if (chosen) Attach(pd.hDC, true);
    Logit("PRINTER::PrinterDialog returns %d\n", chosen);
    return chosen;
}

bool PRINTER::Attach(HDC dc, bool owned)
{
    if (hdc && DocOpen) AbortDoc(hdc);
    Release();
    hdc = dc;
    Owned = owned && dc;
    DocOpen = PageOpen = Failed = false;
    Cell = SIZE{0, 0};
    return dc != nullptr;
}

void PRINTER::SetMargins(int left, int top, int right, int bottom)
{
    if (!ASSERT(this->hdc)) return;
    int dpix = GetDeviceCaps(hdc, LOGPIXELSX);
    int dpiy = GetDeviceCaps(hdc, LOGPIXELSY);
    Margins.left = mm_to_pixels(left, dpix);
    Margins.top = mm_to_pixels(top, dpiy);
    Margins.right = GetDeviceCaps(hdc, HORZRES) - mm_to_pixels(right, dpix);
    Margins.bottom = GetDeviceCaps(hdc, VERTRES) - mm_to_pixels(bottom, dpiy);
    Logit("PRINTER::SetMargins %ld, %ld, %ld, %ld pixels\n", Margins.left, Margins.top, Margins.right,
          Margins.bottom);
}

bool PRINTER::SetFont(const char* face, int points, bool bold)
{
    if (!ASSERT(this->hdc) || !ASSERT(face)) return false;
    LOGFONTA lf = {};
    lf.lfHeight = -(points * GetDeviceCaps(hdc, LOGPIXELSY) / 72);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", face);
    HFONT font = CreateFontIndirectA(&lf);
    if (!ASSERT(font)) return false;
    HFONT old = static_cast<HFONT>(SelectObject(hdc, font));
    if (Font) {
        DeleteObject(Font);
    } else {
        OldFont = old;
    }
    Font = font;
    return true;
}

bool PRINTER::StartDoc(const char* name)
{
    snprintf(DocName, sizeof DocName, "%s", name ? name : "");
    Logit("PRINTER::StartDoc %s\n", DocName);
    if (!ASSERT(this->hdc)) return false;
    DOCINFOA di = {};
    di.cbSize = sizeof di;
    di.lpszDocName = DocName;
    Failed = false;
    if (::StartDocA(hdc, &di) <= 0) {
        Logit("PRINTER::StartDoc failed, error %lu\n", GetLastError());
        Failed = true;
        return false;
    }
    DocOpen = true;
    Logit("PRINTER::StartDoc done\n");
    return true;
}

bool PRINTER::NewPage()
{
    Logit("PRINTER::NewPage\n");
    if (!ASSERT(this->hdc) || Failed) return false;
    if (!PageBreak()) {
        Logit("PRINTER::NewPage failed, error %lu\n", GetLastError());
        Abandon();
        return false;
    }
    // Some drivers reset the context on every StartPage: the text mode is set anew.
    SetMapMode(hdc, MM_TEXT);
    SetTextColor(hdc, RGB(0, 0, 0));
    SetBkMode(hdc, TRANSPARENT);
    SetTextAlign(hdc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    Cell = MeasureCell();
    if (Cell.cx < 1) Cell.cx = 1;
    if (Cell.cy < 1) Cell.cy = 1;
    Pos.x = Margins.left;
    Pos.y = Margins.top;
    Logit("PRINTER::NewPage done\n");
    return true;
}

void PRINTER::WriteText(const char* text, int length)
{
    if (length < 0 && text) {
        size_t n = strlen(text);
        length = n > INT_MAX ? INT_MAX : static_cast<int>(n);
    }
    Logit("PRINTER::WriteText %d bytes\n", length);
    if (!ASSERTTEXT(this->Margins.bottom > 0, "this->Margins.bottom>0", nullptr)) return;
    if (Failed || !ASSERT(text) || !ASSERT(this->Cell.cy > 0)) return;
    const char* p = text;
    const char* end = text + length;
    while (p < end && !Failed) {
        if (is_printable(static_cast<unsigned char>(*p))) {
            int run = 1;
            while (p + run < end && is_printable(static_cast<unsigned char>(p[run]))) run++;
            int fits = (Margins.right - Pos.x) / Cell.cx;
            if (fits <= 0) {
                if (Pos.x > Margins.left) {
                    // The line is full: the run goes on at the start of the next.
                    if (!LineDown(true)) break;
                    continue;
                }
                fits = 1;  // a text area narrower than a cell still takes one per line
            }
            if (run > fits) run = fits;
            DrawRun(Pos.x, Pos.y, p, run);
            Pos.x += run * Cell.cx;
            p += run;
            continue;
        }
        switch (*p++) {
        case CHAR_BACKSPACE:
            if (Pos.x - Cell.cx >= Margins.left) Pos.x -= Cell.cx;
            break;
        case CHAR_TAB: {
            long column = (Pos.x - Margins.left) / Cell.cx;
            long stop = Margins.left + (column / TabWidth + 1) * TabWidth * Cell.cx;
            // A stop past the right margin only says "next line": tabs without end
            // would otherwise run the position out of range.
            if (stop > Margins.right) stop = Margins.right > Pos.x ? Margins.right : Pos.x;
            Pos.x = stop;
            break;
        }
        case CHAR_LINEFEED:
            LineDown(!LineFeedOnly);
            break;
        case CHAR_RETURN:
            Pos.x = Margins.left;
            break;
        case CHAR_FORMFEED:
            NewPage();
            break;
        default:
            break;  // other control characters print nothing
        }
    }
    Logit("PRINTER::WriteText %d bytes done\n", length);
}

bool PRINTER::EndDoc()
{
    Logit("PRINTER::EndDoc\n");
    bool ok = !Failed;
    if (hdc && PageOpen && EndPage(hdc) <= 0) ok = false;
    PageOpen = false;
    if (hdc && DocOpen && ::EndDoc(hdc) <= 0) ok = false;
    DocOpen = false;
    Release();
    Logit("PRINTER::EndDoc done\n");
    return ok;
}

bool PRINTER::PrintText(HWND owner, const char* text)
{
    PRINTER printer;
    if (!printer.PrinterDialog(owner)) return false;
    printer.SetFont("Courier New", 12, false);
    printer.SetMargins(25, 25, 15, 20);
    if (printer.StartDoc("ORDER") && printer.NewPage()) printer.WriteText(text, -1);
    return printer.EndDoc();
}

void PRINTER::DrawRun(int x, int y, const char* text, int n) { TextOutA(hdc, x, y, text, n); }

bool PRINTER::PageBreak()
{
    if (PageOpen && EndPage(hdc) <= 0) return false;
    PageOpen = false;
    if (StartPage(hdc) <= 0) return false;
    PageOpen = true;
    return true;
}

SIZE PRINTER::MeasureCell()
{
    SIZE size = {0, 0};
    GetTextExtentPoint32A(hdc, "X", 1, &size);
    return size;
}

bool PRINTER::LineDown(bool home)
{
    Pos.y += Cell.cy;
    if (home) Pos.x = Margins.left;
    return Pos.y < Margins.bottom || NewPage();
}

void PRINTER::Abandon()
{
    if (hdc && DocOpen) AbortDoc(hdc);
    DocOpen = PageOpen = false;
    Failed = true;
}

void PRINTER::Release()
{
    if (hdc && Font) SelectObject(hdc, OldFont);
    if (Font) DeleteObject(Font);
    Font = OldFont = nullptr;
    if (hdc && Owned) DeleteDC(hdc);
    hdc = nullptr;
    Owned = false;
}
