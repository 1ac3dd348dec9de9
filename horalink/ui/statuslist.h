// STATUSLIST, the main window's status list: two columns (label, value) of labelled
// rows computed from the settings (date and time, the last difference, the server, the
// status lines, the next update and the drift correction), each with its icon. Any
// thread may ask for a refresh; full rebuilds run on the window thread, one at a time.
#pragma once

#include "appengine.h"
#include "clock.h"
#include "listview.h"
#include "semaphores.h"
#include "strings.h"

#include <windows.h>

#include <functional>

// The rows, by their fixed numbers (also their item data and their sort key).
const int ROW_BLANK = 1002;
const int ROW_DATE = 1003;
const int ROW_TIME = 1004;
const int ROW_GAP = 1005;
const int ROW_DIFFERENCE = 1006;
const int ROW_STATUS = 1009;
const int ROW_STATUS2 = 1010;
const int ROW_SERVER = 1012;
const int ROW_NEXT = 1013;
const int ROW_DRIFT = 1014;
const int ROW_ALL = -1;

// Bits of AutoWidth.
const int AUTOWIDTH_LABELS = 1;  // column 0 to its contents and header
const int AUTOWIDTH_VALUES = 2;  // column 1 takes the rest of the width

class STATUSLIST : public LISTVIEW {
public:
    STATUSLIST(APPENGINE& engine, SYSTEMCLOCK& clock);

    // The list as child id of the main window (hidden until placed).
    bool Create(HWND parent, int id);
    // Whether the dock clock is docked (no date and time rows then), and where the two
    // status lines go besides row 1009 (the dock clock's hover texts).
    void SetClockDocked(std::function<bool()> docked);
    void SetStatusLines(std::function<void(const STRING&, const STRING&)> lines);

    // The list's background; the text takes black or light grey, whichever reads on it.
    void SetBackground(COLORREF background);
    static COLORREF TextColourOn(COLORREF background);

    // A full rebuild on the window thread: under the list mutex (at most 100 ms), else
    // message 1028 goes to the parent again. True when it was rebuilt.
    bool FillFromQueue();
    // Rebuilds (rebuild set) and refreshes the value of row, or of all rows (ROW_ALL).
    void UpdateScreen(bool rebuild, int row);
    // Recomputes the icon of row by the current state.
    void RefreshIcon(int row);
    // Inserts one row with its icon and sorts again.
    void InsertItemIntoListview(int row, const char* label, const char* value);
    void AutoWidth(int flags);
    // A click on column's header: sorts by it, or turns the order on a second click.
    void ColumnClick(int column);
    void Sort();

    // The row's value text, or an empty string without the row (tests).
    STRING RowValue(int row);
    int RowIcon(int row);  // the icon's resource id, 0 without the row
    MUTEXSEM& ListMutex() { return FillMutex; }

    // Value texts by themselves: the next update seconds away (negative: past), the
    // drift correction of nanoseconds per tick of increment100ns.
    static STRING NextRefreshText(long long seconds);
    static STRING DriftText(bool supported, bool on, long long nanoseconds, DWORD increment100ns);

private:
    void InsertRow(int row, const char* label);
    void RefreshRow(int row);
    STRING ValueOf(int row);
    int IconOf(int row);  // the icon's resource id
    static int IconIndex(int iconid);
    void SetIcon(int index, int iconid);

    APPENGINE& Engine;
    SYSTEMCLOCK& Clock;
    MUTEXSEM FillMutex;  // one rebuild at a time
    std::function<bool()> ClockDocked;
    std::function<void(const STRING&, const STRING&)> StatusLines;
};
