// PRINTER: plain text on a printer, one fixed-pitch font, line by line in character
// cells inside the page's margins. The installer prints its licence text with it.
#pragma once

#include <windows.h>

class PRINTER {
public:
    PRINTER();
    // Ends a job still running (aborted), restores the font and releases the device context.
    virtual ~PRINTER();
    PRINTER(const PRINTER&) = delete;
    PRINTER& operator=(const PRINTER&) = delete;

    // The system's print dialog; true when the user chose a printer, whose device
    // context the object then owns.
    bool PrinterDialog(HWND owner);
    // Prints on dc instead (a context the object deletes at the end when owned).
    bool Attach(HDC dc, bool owned = false);

    // The text area: left and top are distances in millimetres from the page's left and
    // top, right and bottom from the printable area's right and bottom edges.
    void SetMargins(int left, int top, int right, int bottom);
    // A fixed-pitch font of face (at most LF_FACESIZE-1 characters), points high.
    bool SetFont(const char* face, int points, bool bold);
    // A line feed keeps the column instead of returning to the left margin.
    void SetLineFeedOnly(bool on) { LineFeedOnly = on; }
    // Tab stops every width cells from the left margin (at least 1).
    void SetTabWidth(int width) { TabWidth = width < 1 ? 1 : width; }

    // Starts the print job named name (cut to 127 characters).
    bool StartDoc(const char* name);
    // Ends the current page, starts the next one and puts the position at its top left.
    bool NewPage();
    // Prints length bytes of text (-1: up to its terminating zero) from the position on.
    void WriteText(const char* text, int length = -1);
    // Ends the page and the job and releases the device context; true when the job
    // was printed without a failure.
    bool EndDoc();

    // The licence page's print: dialog, Courier New 12 point, one document "ORDER";
    // false when the user cancelled or the printer failed.
    static bool PrintText(HWND owner, const char* text);

    // For callers and tests: the text area in device pixels, the position (the base
    // line's left end of the next character) and the character cell.
    const RECT& GetMargins() const { return Margins; }
    POINT GetPosition() const { return Pos; }
    SIZE GetCell() const { return Cell; }
    HDC GetHdc() const { return hdc; }

protected:
    // Draws n characters of text with their base line's left end at x, y.
    virtual void DrawRun(int x, int y, const char* text, int n);
    // Ends the page that is open and starts the next one on the device.
    virtual bool PageBreak();
    // The cell of one character of the selected font.
    virtual SIZE MeasureCell();

    HDC hdc;
    HFONT Font;
    RECT Margins;
    POINT Pos;
    SIZE Cell;
    bool LineFeedOnly;
    int TabWidth;

private:
    // Down one line (to the left margin when home); a new page at the bottom margin.
    bool LineDown(bool home);
    // Ends a job that failed on the device, so nothing more goes to it.
    void Abandon();
    // Restores the font and lets go of the device context.
    void Release();

    HFONT OldFont;
    bool Owned;
    bool DocOpen;
    bool PageOpen;
    bool Failed;
    char DocName[128];
};
