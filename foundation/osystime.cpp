// Time for the whole system: the millisecond counter, sleeping, seconds since
// 1970, and the date and time texts in fixed and in the user's formats.
#include "osys.h"

#include <atomic>
#include <ctime>

// The count runs on the system's tick counter, not on the local time of day: a count
// taken from the calendar steps back at every month's end, by an hour when daylight
// saving ends, and by whatever the clock setting of this very program moves.
long MsTimer(bool reset)
{
    DWORD now = GetTickCount();
    static std::atomic<DWORD> base{now};  // the first call sets the base
    if (reset) base = now;
    // Unsigned difference: right across the counter's wrap after 49.7 days.
    return static_cast<long>(now - base.load());
}

void OSYS::Sleep(int milliseconds) { ::Sleep(milliseconds < 0 ? 0 : milliseconds); }

unsigned long OSYS::Time() { return static_cast<unsigned long>(time(nullptr)); }

STRING OSYS::DateIso()
{
    SYSTEMTIME lt;
    GetLocalTime(&lt);
    return STRING().Format("%04d-%02d-%02d", lt.wYear, lt.wMonth, lt.wDay);
}

STRING OSYS::TimeIso()
{
    SYSTEMTIME lt;
    GetLocalTime(&lt);
    return STRING().Format("%02d:%02d:%02d", lt.wHour, lt.wMinute, lt.wSecond);
}

static STRING date_text(DWORD flags)
{
    char buf[128];
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, flags, nullptr, nullptr, buf, sizeof buf))
        return OSYS::DateIso();
    return STRING(buf);
}

STRING OSYS::DateShort() { return date_text(DATE_SHORTDATE); }

STRING OSYS::DateLong() { return date_text(DATE_LONGDATE); }

static STRING time_text(const char* picture)
{
    char buf[128];
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, picture, buf, sizeof buf))
        return OSYS::TimeIso();
    return STRING(buf);
}

STRING OSYS::TimeUser()
{
    char picture[80];
    if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, picture, sizeof picture) ||
        !picture[0])
        return time_text("HH:mm:ss");
    return time_text(picture);
}

STRING OSYS::Time24() { return time_text("HH:mm:ss"); }
