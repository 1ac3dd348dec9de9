// Time for the whole system: the millisecond counter, sleeping, seconds since
// 1970, and the date and time texts in fixed and in the user's formats.
#include "osys.h"

#include <ctime>

long MsTimer(bool reset)
{
    static bool have_base;
    static long long base;
    SYSTEMTIME lt;
    GetLocalTime(&lt);
    long long now =
        ((((lt.wDay * 24LL + lt.wHour) * 60 + lt.wMinute) * 60) + lt.wSecond) * 1000 +
        lt.wMilliseconds;
    if (!have_base || reset) {
        base = now;
        have_base = true;
    }
    return static_cast<long>(now - base);
}

void OSYS::Sleep(int milliseconds) { ::Sleep(milliseconds < 0 ? 0 : milliseconds); }

unsigned long OSYS::Time() { return static_cast<unsigned long>(time(nullptr)); }

STRING OSYS::DateIso()
{
    SYSTEMTIME lt;
    GetLocalTime(&lt);
    STRING s;
    s.Format("%04d-%02d-%02d", lt.wYear, lt.wMonth, lt.wDay);
    return s;
}

STRING OSYS::TimeIso()
{
    SYSTEMTIME lt;
    GetLocalTime(&lt);
    STRING s;
    s.Format("%02d:%02d:%02d", lt.wHour, lt.wMinute, lt.wSecond);
    return s;
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
