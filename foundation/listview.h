// LISTVIEW, the report-style list control: columns, rows filled from tab-separated
// records with their id as item data, and image lists of fixed images.
#pragma once

#include "strings.h"
#include "window.h"

#include <windows.h>
#include <commctrl.h>

class LISTVIEW : public CONTROL {
public:
    LISTVIEW();
    ~LISTVIEW() override;

    // Creates a report-style "SysListView32" as child id of parent; style adds to
    // LVS_REPORT (for example LVS_NOCOLUMNHEADER), exstyle is the list's extended style.
    bool Create(HWND parent, int id, int x, int y, int cx, int cy, DWORD style = 0,
                DWORD exstyle = LVS_EX_FULLROWSELECT);

    // Inserts column n with the header text; true when it was inserted.
    bool InsertColumn(int n, const char* text, int width = 100);
    // Appends a row: the tab-separated fields of text fill the columns in order, id is
    // the row's item data, image its image (-1: none). Returns the row index or -1.
    int InsertRecord(int id, int image, const char* text);

    // The small image list from icon resources of the resource module, in this order.
    bool SetIcons(const int* ids, int count, int size = 16);
    // The small image list from a bitmap resource holding images of cx pixels side by
    // side (32 bits with alpha, or with the colour of the top left pixel transparent).
    bool SetImageStrip(int bitmapid, int cx);

    int GetCount() const;
    // The row whose item data is id, or -1.
    int FindRecord(int id) const;
    // Item data of a row (0 for none).
    LPARAM GetRecordId(int row) const;
    STRING GetItemText(int row, int column) const;
    bool SetItemText(int row, int column, const char* text);
    bool DeleteAll();

private:
    void ReplaceImages(HIMAGELIST images);
};
