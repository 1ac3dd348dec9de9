// The status list: which rows a rebuild creates, what each row's value and icon are
// by the settings of now, and the list's sorting and column widths.
#include "statuslist.h"

#include "appmessages.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "settingkeys.h"
#include "settings.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>

// The icons of the image list, in its order.
static const int LIST_ICONS[] = {IDI_LISTPLAIN, IDI_LISTALERT, IDI_LISTNOTYET, IDI_LISTEXACT,
                                 IDI_LISTCLOSE, IDI_LISTSUSPENDED, IDI_LISTBUSY};
static const int LIST_ICON_COUNT = sizeof LIST_ICONS / sizeof LIST_ICONS[0];

// A difference younger than this keeps its quality icon even when it was exact.
const long long FRESH_RESULT_SECONDS = 600;
// A dial-up connection that keeps a due update waiting this long gets the alert icon.
const long long OVERDUE_SECONDS = 60;
const int FILL_WAIT_MS = 100;

// Entries of the '|' list IDS_LISTLABELS.
enum { LABEL_DATE = 0, LABEL_TIME = 1, LABEL_SERVER = 2, LABEL_STATUS = 4, LABEL_NEXT = 5, LABEL_DRIFT = 6 };
// Entries of IDS_DRIFTSTATES.
enum { DRIFT_OFF = 0, DRIFT_UNSUPPORTED = 1, DRIFT_ON = 2 };

static STRING entry(int id, int n) { return OSYS::GetStringFromResource(id).Field(n, "|", STRINGFIELD_EMPTYIFMISSING); }

STATUSLIST::STATUSLIST(APPENGINE& engine, SYSTEMCLOCK& clock) : Engine(engine), Clock(clock) {}

bool STATUSLIST::Create(HWND parent, int id)
{
    if (!LISTVIEW::Create(parent, id, 0, 0, 10, 10, LVS_NOCOLUMNHEADER | LVS_SINGLESEL)) return false;
    InsertColumn(0, entry(IDS_LISTCOLUMNS, 0), 64);
    InsertColumn(1, entry(IDS_LISTCOLUMNS, 1), 64);
    SetIcons(LIST_ICONS, LIST_ICON_COUNT);
    SetBackground(static_cast<COLORREF>(Engine.GetSetting(KEY::ListviewColorBG).ToInt64()));
    return true;
}

COLORREF STATUSLIST::TextColourOn(COLORREF background)
{
    int light = GetRValue(background) * 299 + GetGValue(background) * 587 + GetBValue(background) * 114;
    return light < 128 * 1000 ? RGB(0xDC, 0xDC, 0xDC) : RGB(0, 0, 0);
}

void STATUSLIST::SetBackground(COLORREF background)
{
    Send(LVM_SETBKCOLOR, 0, background);
    Send(LVM_SETTEXTBKCOLOR, 0, background);
    Send(LVM_SETTEXTCOLOR, 0, TextColourOn(background));
    InvalidateRect(hWnd, nullptr, TRUE);
}

void STATUSLIST::SetClockDocked(std::function<bool()> docked) { ClockDocked = std::move(docked); }

void STATUSLIST::SetStatusLines(std::function<void(const STRING&, const STRING&)> lines)
{
    StatusLines = std::move(lines);
}

bool STATUSLIST::FillFromQueue()
{
    Logit("APP::FillListviewThread\n");
    bool taken = FillMutex.Obtain(FILL_WAIT_MS);
    if (taken) {
        Logit("APP::FillListview obtained listview-mux\n");
        UpdateScreen(true, ROW_ALL);
        AutoWidth(AUTOWIDTH_LABELS | AUTOWIDTH_VALUES);
        FillMutex.Release();
    } else {
        // Another rebuild holds the list: this one waits its turn in the queue.
        Logit("APP::FillListview listview-busy try later\n");
        PostMessageA(GetParent(hWnd), WM__FILLLIST, 0, 0);
    }
    Logit("APP::~FillListviewThread\n");
    return taken;
}

// ---------------------------------------------------------------- rows

void STATUSLIST::UpdateScreen(bool rebuild, int row)
{
    if (!hWnd) return;
    if (rebuild) {
        SendMessageA(hWnd, WM_SETREDRAW, FALSE, 0);
        DeleteAll();
        if (!ClockDocked || !ClockDocked()) {
            InsertRow(ROW_BLANK, "");
            InsertRow(ROW_DATE, entry(IDS_LISTLABELS, LABEL_DATE));
            InsertRow(ROW_TIME, entry(IDS_LISTLABELS, LABEL_TIME));
        }
        InsertRow(ROW_GAP, "");
        InsertRow(ROW_DIFFERENCE, OSYS::GetStringFromResource(IDS_LISTDIFFERENCE));
        InsertRow(ROW_SERVER, entry(IDS_LISTLABELS, LABEL_SERVER));
        InsertRow(ROW_STATUS, entry(IDS_LISTLABELS, LABEL_STATUS));
        InsertRow(ROW_STATUS2, "");
        InsertRow(ROW_NEXT, entry(IDS_LISTLABELS, LABEL_NEXT));
        InsertRow(ROW_DRIFT, entry(IDS_LISTLABELS, LABEL_DRIFT));
        SendMessageA(hWnd, WM_SETREDRAW, TRUE, 0);
    }
    static const int ROWS[] = {ROW_BLANK, ROW_DATE, ROW_TIME, ROW_GAP, ROW_DIFFERENCE, ROW_SERVER,
                               ROW_STATUS, ROW_STATUS2, ROW_NEXT, ROW_DRIFT};
    for (int r : ROWS)
        if (row == ROW_ALL || row == r) RefreshRow(r);
}

void STATUSLIST::InsertItemIntoListview(int row, const char* label, const char* value)
{
    STRING record = STRING(label) + "\t" + value;
    InsertRecord(row, IconIndex(IconOf(row)), record);
    Sort();
}

void STATUSLIST::InsertRow(int row, const char* label) { InsertItemIntoListview(row, label, ""); }

void STATUSLIST::RefreshRow(int row)
{
    int index = FindRecord(row);
    if (index < 0) return;
    STRING value = ValueOf(row);
    // Only a changed text is written: the list would flicker at every tick otherwise.
    if (!(GetItemText(index, 1) == value)) SetItemText(index, 1, value);
    SetIcon(index, IconOf(row));
}

STRING STATUSLIST::ValueOf(int row)
{
    switch (row) {
    case ROW_DATE:
        return OSYS::DateShort();
    case ROW_TIME:
        return OSYS::TimeUser();
    case ROW_DIFFERENCE:
        return Engine.GetSetting(KEY::TimeLastDiffNice);
    case ROW_SERVER: {
        STRING server = Engine.GetSetting(KEY::LastTimeServer);
        return server == LAN_SERVER_HOST ? OSYS::GetStringFromResource(IDS_LISTLANSERVER) : server;
    }
    case ROW_STATUS: {
        STRING first = Engine.GetSetting(KEY::TimeLastStatus);
        STRING second = Engine.GetSetting(KEY::TimeLastStatus2);
        if (StatusLines) {
            STRING line = first;
            if (lstrcmpiA(first.Text(), OSYS::GetStringFromResource(IDS_STATUSADJUSTED).Text()) != 0)
                line += STRING(" (") + Engine.GetSetting(KEY::TimeLastDiffNice).Text() + ")";
            StatusLines(line, second);
        }
        return first;
    }
    case ROW_STATUS2:
        return Engine.GetSetting(KEY::TimeLastStatus2);
    case ROW_NEXT:
        return NextRefreshText(Engine.GetSetting(KEY::TimeNextRefresh).ToInt64() -
                               static_cast<long long>(Engine.NowSeconds()));
    case ROW_DRIFT: {
        DWORD increment = 0;
        bool supported = Engine.DriftSupported() && Clock.GetTickIncrement(increment);
        return DriftText(supported, Engine.GetSettingInt(KEY::TimeDriftDoAdjust) != 0,
                         Engine.GetSetting(KEY::TimeDriftAdjustment).ToInt64(), increment);
    }
    default:
        return "";
    }
}

STRING STATUSLIST::NextRefreshText(long long seconds)
{
    // In 64 bits: a schedule weeks ahead must not wrap around; a hand-edited time of
    // centuries is shown as a century.
    const long long CENTURY = 100LL * 366 * 24 * 3600;
    if (seconds > CENTURY) seconds = CENTURY;
    if (seconds < -CENTURY) seconds = -CENTURY;
    long long ms = seconds * 1000;
    STRING prefix = "in ";
    if (ms < 0) {
        ms = -ms;
        prefix = OSYS::GetStringFromResource(IDS_LISTOVERDUE);
    }
    return prefix + APPENGINE::FormatDiff(ms, 1000).Text();
}

STRING STATUSLIST::DriftText(bool supported, bool on, long long nanoseconds, DWORD increment100ns)
{
    if (!supported || increment100ns == 0) return entry(IDS_DRIFTSTATES, DRIFT_UNSUPPORTED);
    if (!on) return entry(IDS_DRIFTSTATES, DRIFT_OFF);
    double p = static_cast<double>(nanoseconds) * 100.0 / (static_cast<double>(increment100ns) * 100.0);
    char number[64];
    snprintf(number, sizeof number, "%0.4lf", p);
    size_t n = strlen(number);
    while (n > 0 && number[n - 1] == '0') number[--n] = 0;
    if (n > 0 && number[n - 1] == '.') number[--n] = 0;
    // "-0" of a tiny negative correction reads as no correction at all.
    if (strcmp(number, "-0") == 0) strcpy(number, "0");
    STRING text = entry(IDS_DRIFTSTATES, DRIFT_ON) + " (";
    if (p > 0 && strcmp(number, "0") != 0) text += "+";
    return text + number + "%)";
}

// ---------------------------------------------------------------- icons

int STATUSLIST::IconOf(int row)
{
    unsigned long now = Engine.NowSeconds();
    switch (row) {
    case ROW_DIFFERENCE: {
        int quality = Engine.GetSettingInt(KEY::TimeLastQuality);
        long long age = static_cast<long long>(now) - Engine.GetSetting(KEY::TimeLastRefresh).ToInt64();
        if (age >= FRESH_RESULT_SECONDS && quality == QUALITY_RIGHT) return IDI_LISTPLAIN;
        if (quality == QUALITY_RIGHT) return IDI_LISTEXACT;
        if (quality == QUALITY_CLOSE) return IDI_LISTCLOSE;
        if (quality == QUALITY_WRONG) return IDI_LISTALERT;
        return IDI_LISTPLAIN;
    }
    case ROW_STATUS:
        if (Engine.GetSettingInt(KEY::ConnectionType) != 0 &&
            static_cast<long long>(now) > Engine.GetSetting(KEY::TimeNextRefresh).ToInt64() + OVERDUE_SECONDS)
            return IDI_LISTALERT;
        return IDI_LISTPLAIN;
    case ROW_SERVER:
        if (Engine.IsBusy()) return IDI_LISTBUSY;
        if (Engine.IsSuspended()) return IDI_LISTSUSPENDED;
        if (Engine.GetSettingInt(KEY::TimeLastOK) == 0) return IDI_LISTNOTYET;
        return IDI_LISTPLAIN;
    default:
        return IDI_LISTPLAIN;
    }
}

int STATUSLIST::IconIndex(int iconid)
{
    for (int i = 0; i < LIST_ICON_COUNT; i++)
        if (LIST_ICONS[i] == iconid) return i;
    char info[32];
    snprintf(info, sizeof info, "icon %d", iconid);
    ASSERTTEXT(false, "idx!=-1", info);
    return 0;
}

void STATUSLIST::SetIcon(int index, int iconid)
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    int image = IconIndex(iconid);
    if (Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) && item.iImage == image) return;
    item.iImage = image;
    Send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void STATUSLIST::RefreshIcon(int row)
{
    int index = FindRecord(row);
    if (index >= 0) SetIcon(index, IconOf(row));
}

int STATUSLIST::RowIcon(int row)
{
    int index = FindRecord(row);
    if (index < 0) return 0;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    if (!Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.iImage >= 0 && item.iImage < LIST_ICON_COUNT ? LIST_ICONS[item.iImage] : 0;
}

STRING STATUSLIST::RowValue(int row)
{
    int index = FindRecord(row);
    return index < 0 ? STRING("") : GetItemText(index, 1);
}

// ---------------------------------------------------------------- order and widths

static int CALLBACK compare_rows(LPARAM a, LPARAM b, LPARAM descending)
{
    int order = a < b ? -1 : a > b ? 1 : 0;
    return descending ? -order : order;
}

void STATUSLIST::Sort()
{
    bool descending = Engine.GetSettingInt(KEY::LastSortOrder) == 1;
    Send(LVM_SORTITEMS, descending ? 1 : 0, reinterpret_cast<LPARAM>(compare_rows));
    // The arrow marks the column that was clicked; the rows keep their own order.
    HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
    if (!header) return;
    int column = Engine.GetSettingInt(KEY::LastSortColumn);
    for (int i = 0; i < 2; i++) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        if (!SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item))) continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
}

void STATUSLIST::ColumnClick(int column)
{
    if (column == Engine.GetSettingInt(KEY::LastSortColumn))
        Engine.PutSetting(KEY::LastSortOrder, Engine.GetSettingInt(KEY::LastSortOrder) == 1 ? "0" : "1");
    else
        Engine.PutSetting(KEY::LastSortColumn, STRING(column));
    Sort();
}

void STATUSLIST::AutoWidth(int flags)
{
    Logit("APP::AutoWidth\n");
    if (flags & AUTOWIDTH_LABELS) Send(LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
    if (flags & AUTOWIDTH_VALUES) {
        RECT client;
        GetClientRect(hWnd, &client);
        int first = static_cast<int>(Send(LVM_GETCOLUMNWIDTH, 0));
        int rest = client.right - first;
        Send(LVM_SETCOLUMNWIDTH, 1, rest > 0 ? rest : 0);
    }
    Logit("APP::~AutoWidth\n");
}
