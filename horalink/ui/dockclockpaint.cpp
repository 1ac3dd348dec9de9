// Painting the clock into its surface: the time (with tenths) and the date in the
// user's formats, laid out side by side or stacked around the emblem.
#include "dockclock.h"

#include "kelvo.h"

#include <cstring>

static const char DOCKCLOCK_TIMEFORMAT[] = "HH:mm:ss";  // when the user's cannot be read
static const char DOCKCLOCK_BLANKS[] = "   ";

static STRING time_text(const SYSTEMTIME& st)
{
    char format[80];
    if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, format, sizeof format))
        strcpy(format, DOCKCLOCK_TIMEFORMAT);
    char text[80];
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, format, text, sizeof text) &&
        !GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, DOCKCLOCK_TIMEFORMAT, text, sizeof text))
        text[0] = 0;
    return STRING(text);
}

static STRING date_text(const SYSTEMTIME& st, bool longdate)
{
    char text[128];
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, longdate ? DATE_LONGDATE : DATE_SHORTDATE, &st,
                        nullptr, text, sizeof text))
        text[0] = 0;
    return STRING(text);
}

// Before the mark of a 12-hour time (and before the blank ahead of it), so that
// "9:41:07 PM" becomes "9:41:07.3 PM"; a mark that opens the text does not count.
STRING DOCKCLOCK::TimeWithTenths(const STRING& formatted, int tenths)
{
    STRING text = formatted;
    if (tenths < 0) return text;
    char digit[4];
    digit[0] = '.';
    digit[1] = static_cast<char>('0' + tenths % 10);
    digit[2] = 0;
    int am = text.iPos("AM"), pm = text.iPos("PM");
    int mark = am < 0 ? pm : pm < 0 ? am : am < pm ? am : pm;
    if (mark > 0 && text[mark - 1] == ' ') mark--;
    if (mark > 0)
        text.Insert(digit, mark);
    else
        text.Append(digit);
    return text;
}

bool DOCKCLOCK::Stacked(int cx, int cy, int timewidth, int datewidth, int blankswidth, int r,
                        bool emptydate)
{
    int w2 = cx / 2;
    int room = w2 - blankswidth - r;
    return cx / 2 < cy || datewidth > room || timewidth > room || emptydate;
}

void DOCKCLOCK::ClockTexts(STRING& time, STRING& date)
{
    // Local and UTC time share their milliseconds, which give the tenths.
    SYSTEMTIME st;
    GetLocalTime(&st);
    SYSTEMTIME second = st;
    second.wMilliseconds = 0;
    if (memcmp(&second, &FormattedAt, sizeof second) != 0 || FormattedLong != LongDate ||
        FormattedTime.IsNull()) {
        FormattedDate = date_text(st, LongDate);
        FormattedTime = time_text(st);
        FormattedAt = second;
        FormattedLong = LongDate;
    }
    date = FormattedDate;
    time = FormattedTime;
    if (Tenths) time = TimeWithTenths(time, st.wMilliseconds / 100);
    if (TimeOverride != "*") time = TimeOverride;
    if (DateOverride != "*") date = DateOverride;
}

void DOCKCLOCK::Layout(HDC hdc, int cx, int cy, int r, const STRING& time, const STRING& date)
{
    SIZE blanks = {0, 0};
    TimeExtent = DateExtent = blanks;
    GetTextExtentPoint32A(hdc, time, time.Length(), &TimeExtent);
    GetTextExtentPoint32A(hdc, date, date.Length(), &DateExtent);
    GetTextExtentPoint32A(hdc, DOCKCLOCK_BLANKS, 3, &blanks);
    BlanksWidth = blanks.cx;
    Stack = Stacked(cx, cy, TimeExtent.cx, DateExtent.cx, BlanksWidth, r, date.Length() == 0);
}

void DOCKCLOCK::Measure()
{
    CRITSECTLOCK lock(DrawLock);
    if (!hdcMem) return;
    STRING time, date;
    ClockTexts(time, date);
    HoldFont();
    int w2 = ClientCx / 2, h2 = ClientCy / 2;
    int r = Animation ? (w2 < h2 ? w2 : h2) - 2 : 1;
    Layout(hdcMem, ClientCx, ClientCy, r, time, date);
}

void DOCKCLOCK::PaintSurface(HDC hdc, int cx, int cy)
{
    CRITSECTLOCK lock(DrawLock);
    if (Hidden || Stopped) {
        Logit("DOCKCLOCK::PaintBitmap pre-exit\n");
        return;
    }
    if (cx != OrbitCx || cy != OrbitCy) ComputeOrbits(cx, cy);

    RECT rect = {0, 0, cx, cy};
    bool objects = DrawingObjects(true);
    if (objects)
        FillRect(hdc, &rect, hbrush_back);
    else
        FillSolidRect(hdc, rect, Background);
    HGDIOBJ oldpen = objects ? SelectObject(hdc, hpen_grid) : nullptr;

    int w2 = cx / 2, h2 = cy / 2;
    int r = (w2 < h2 ? w2 : h2) - 2;
    if (Animation)
        DrawOrbits(hdc);
    else
        r = 1;

    STRING time, date;
    ClockTexts(time, date);
    // The surface keeps the clock's font; another context gets it for this paint.
    HGDIOBJ oldfont = nullptr;
    if (hdc == hdcMem)
        HoldFont();
    else if (MakeFont())
        oldfont = SelectObject(hdc, Font);
    int oldmode = SetBkMode(hdc, TRANSPARENT);
    UINT oldalign = SetTextAlign(hdc, TA_CENTER | TA_TOP);
    COLORREF oldcolour = SetTextColor(hdc, TextColour);
    Layout(hdc, cx, cy, r, time, date);

    int timex, timey, datex, datey;
    if (!Stack) {
        timex = (w2 - r) / 2;
        datex = (w2 - r) / 2 + r + w2;
        timey = h2 - TimeExtent.cy / 2;
        datey = h2 - DateExtent.cy / 2;
    } else {
        int d = h2 * 2 / 5;
        timex = datex = w2;
        timey = date.Length() ? h2 - TimeExtent.cy / 2 - d : h2 - TimeExtent.cy / 2;
        datey = h2 + d - DateExtent.cy / 2;
    }
    TextOutA(hdc, timex, timey, time, time.Length());
    if (date.Length()) TextOutA(hdc, datex, datey, date, date.Length());
    LastTime = time;
    LastDate = date;

    SetTextColor(hdc, oldcolour);
    SetTextAlign(hdc, oldalign);
    SetBkMode(hdc, oldmode);
    if (oldfont) SelectObject(hdc, oldfont);
    if (oldpen) SelectObject(hdc, oldpen);
}
