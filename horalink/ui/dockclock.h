// DOCKCLOCK, the always-visible clock: local time (with tenths), the date, and the
// emblem of three orbits with moving light trails, in the colour of the last result.
// A thread of its own redraws it every 50 ms; while an update runs it can show two
// status lines instead, and while the mouse rests on it the last status lines.
#pragma once

#include "dockwindow.h"

#include <atomic>

const int DOCKCLOCK_REFRESH_MS = 50;

class DOCKCLOCK : public DOCKWINDOW {
public:
    // Floating at first; APP docks it afterwards when the settings say so.
    DOCKCLOCK(HWND parent, int id, const char* tooltip, const char* registryname,
              const char* keyprefix, int menuid, DWORD styleextra, int x, int y, int cx, int cy);
    // Stops drawing, ends the refresh thread and frees the font and the surface.
    ~DOCKCLOCK() override;

    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintSurface(HDC hdc, int cx, int cy) override;
    void MinimumSize(int& cx, int& cy) override;
    void Dock(bool dock) override;

    void SetTenths(bool on);
    void SetLongDate(bool on);
    void SetAnimation(bool on);
    void SetTextColour(COLORREF colour);
    COLORREF GetTextColour() const;
    // A new font: the clock is measured again and its width follows (see the source).
    void SetFont(const LOGFONTA& font);
    // The setters take the drawing lock: any thread may call them.
    // Texts shown instead of time and date; null (or "*") shows the clock again.
    void SetOverrides(const char* time, const char* date);
    // The texts shown while the mouse rests on the clock (the last status lines).
    void SetHoverTexts(const char* time, const char* date);
    // Freezes the drawing for good (the program is ending).
    void StopUpdating();

    // What the last paint drew, for tests: the two texts and whether they were stacked.
    STRING LastTimeText();
    STRING LastDateText();
    bool LastStacked();
    // Point i (0..359) of orbit ring (0..2) as last computed, and how often the orbits
    // were computed.
    POINT OrbitPoint(int ring, int i);
    int OrbitComputations();

    // The time text of the clock for a given time: format is the user's time format
    // result, tenths -1 for none; the tenths digit goes before the blank ahead of an
    // "AM"/"PM" mark (any case), or at the end.
    static STRING TimeWithTenths(const STRING& formatted, int tenths);
    // Stacked (date below time) or side by side for these measurements (see the source).
    static bool Stacked(int cx, int cy, int timewidth, int datewidth, int blankswidth, int r,
                        bool emptydate);

private:
    static void RefreshThread(void* self);
    void Refresh();
    // The texts to show now (clock or overrides); under the lock.
    void ClockTexts(STRING& time, STRING& date);
    // Measures the texts with the font selected in hdc and decides the layout.
    void Layout(HDC hdc, int cx, int cy, int r, const STRING& time, const STRING& date);
    // Measures the current texts for the current size (after a new font).
    void Measure();
    bool MakeFont();
    void HoldFont();
    void FreeFont();
    void ComputeOrbits(int cx, int cy);
    void DrawOrbits(HDC hdc);

    HANDLE hThread;
    std::atomic<bool> StopFlag;
    std::atomic<bool> Stopped;
    HFONT Font;
    HGDIOBJ SurfaceFont;  // the surface's own font while ours is selected in it
    LOGFONTA LogFont;
    COLORREF TextColour;
    SIZE TimeExtent, DateExtent;
    int BlanksWidth;
    bool Stack;
    bool Tenths, LongDate, Animation;
    POINT Orbits[3][360];
    int OrbitCx, OrbitCy;
    int OrbitCount;
    STRING TimeOverride, DateOverride;
    STRING HoverTime, HoverDate;
    STRING LastTime, LastDate;
    // The user's time and date of the second last formatted: twenty paints a second
    // need the system's formatting once.
    SYSTEMTIME FormattedAt;
    bool FormattedLong;
    STRING FormattedTime, FormattedDate;
};
