// LISTVIEW: a "SysListView32" in report style, filled one record at a time from
// tab-separated texts; its image list belongs to the control.
#include "listview.h"

#include "kelvo.h"
#include "kelvoapp.h"

#include <cstdio>

LISTVIEW::LISTVIEW() {}

LISTVIEW::~LISTVIEW() { LogitLevel(7, "LISTVIEW::~LISTVIEW %p\n", static_cast<void*>(hWnd)); }

bool LISTVIEW::Create(HWND parent, int id, int x, int y, int cx, int cy, DWORD style,
                      DWORD exstyle)
{
    LogitLevel(7, "LISTVIEW::Create id=%d\n", id);
    if (!CONTROL::Create(WC_LISTVIEWA, parent, id,
                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | style,
                         x, y, cx, cy, WS_EX_CLIENTEDGE))
        return false;
    if (exstyle) Send(LVM_SETEXTENDEDLISTVIEWSTYLE, exstyle, exstyle);
    return true;
}

bool LISTVIEW::InsertColumn(int n, const char* text, int width)
{
    Logit("LISTVIEW::InsertColumn %d %s\n", n, text ? text : "");
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<char*>(text ? text : "");
    col.cx = width;
    col.iSubItem = n;
    return Send(LVM_INSERTCOLUMNA, n, reinterpret_cast<LPARAM>(&col)) != -1;
}

int LISTVIEW::InsertRecord(int id, int image, const char* text)
{
    LogitLevel(7, "LISTVIEW::InsertRecord %d %d %s\n", id, image, text ? text : "");
    STRING record = text ? text : "";
    STRING first = record.Field(0, "\t", STRINGFIELD_EMPTYIFMISSING);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = GetCount();
    item.pszText = first.Data() ? first.Data() : const_cast<char*>("");
    item.lParam = id;
    if (image != -1) {
        item.mask |= LVIF_IMAGE;
        item.iImage = image;
    }
    int rc = hWnd ? static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)))
                  : -1;
    if (!ASSERTINFO(rc!=-1, record.Text())) return -1;
    for (int column = 1;; column++) {
        STRING field = record.Field(column, "\t");
        if (field.IsNull()) break;
        LogitLevel(7, "LISTVIEW::InsertRecord row %d column %d %s\n", rc, column, field.Text());
        if (!SetItemText(rc, column, field)) {
            char info[48];
            snprintf(info, sizeof info, "insert failed for column %d", column);
            ASSERTINFO(FALSE, info);
        }
    }
    LogitLevel(7, "LISTVIEW::~InsertRecord returns %d\n", rc);
    return rc;
}

void LISTVIEW::ReplaceImages(HIMAGELIST images)
{
    HIMAGELIST old = reinterpret_cast<HIMAGELIST>(
        Send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)));
    if (old && old != images) ImageList_Destroy(old);
}

bool LISTVIEW::SetIcons(const int* ids, int count, int size)
{
    LogitLevel(7, "LISTVIEW::SetIcons count=%d size=%d\n", count, size);
    if (!hWnd || !ids || count <= 0) return false;
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 0);
    if (!ASSERT(images)) return false;
    bool ok = true;
    for (int i = 0; i < count; i++) {
        HICON icon = static_cast<HICON>(LoadImageA(KELVOAPP::ResourceModule(),
                                                   MAKEINTRESOURCEA(ids[i]), IMAGE_ICON, size,
                                                   size, LR_DEFAULTCOLOR));
        char info[32];
        snprintf(info, sizeof info, "icon %d", ids[i]);
        // A missing icon still takes its place, so the later images keep their index.
        if (!ASSERTINFO(icon, info)) {
            ok = false;
            icon = LoadIcon(nullptr, IDI_APPLICATION);
        }
        ImageList_AddIcon(images, icon);
        DestroyIcon(icon);
    }
    ReplaceImages(images);
    return ok;
}

bool LISTVIEW::SetImageStrip(int bitmapid, int cx)
{
    LogitLevel(7, "LISTVIEW::SetImageStrip %d cx=%d\n", bitmapid, cx);
    if (!hWnd || cx <= 0) return false;
    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(KELVOAPP::ResourceModule(),
                                                    MAKEINTRESOURCEA(bitmapid), IMAGE_BITMAP, 0,
                                                    0, LR_CREATEDIBSECTION));
    if (!ASSERTINFO(strip, "LISTVIEW::SetImageStrip")) return false;
    BITMAP bm = {};
    GetObjectA(strip, sizeof bm, &bm);
    HIMAGELIST images = ImageList_Create(cx, bm.bmHeight, ILC_COLOR32 | ILC_MASK,
                                         bm.bmWidth / cx, 0);
    if (images) {
        if (bm.bmBitsPixel == 32) {
            ImageList_Add(images, strip, nullptr);
        } else {
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, strip);
            COLORREF key = GetPixel(dc, 0, 0);
            SelectObject(dc, old);
            DeleteDC(dc);
            ImageList_AddMasked(images, strip, key);
        }
        ReplaceImages(images);
    }
    DeleteObject(strip);
    return ASSERT(images);
}

int LISTVIEW::GetCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

int LISTVIEW::FindRecord(int id) const
{
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = id;
    return static_cast<int>(Send(LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(&find)));
}

LPARAM LISTVIEW::GetRecordId(int row) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

STRING LISTVIEW::GetItemText(int row, int column) const
{
    // The control tells only how much it copied, so the buffer grows until text fits.
    for (int size = 256;; size *= 4) {
        STRING text;
        text.Make(size, nullptr);
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text.Data();
        item.cchTextMax = size + 1;
        int n = static_cast<int>(Send(LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
        if (n < size || size >= 65536) {
            text.Truncate(n < 0 ? 0 : n);
            return text;
        }
    }
}

bool LISTVIEW::SetItemText(int row, int column, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text ? text : "");
    return Send(LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

bool LISTVIEW::DeleteAll()
{
    LogitLevel(7, "LISTVIEW::DeleteAll\n");
    return Send(LVM_DELETEALLITEMS) != FALSE;
}
