// ENGINETEST and THREADCLOCK: the language library per test, the frozen clock, and
// the clock's lock around FAKECLOCK's own state.
#include "enginetest.h"

#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "testfiles.h"

SYSTEMTIME THREADCLOCK::GetUtc()
{
    std::lock_guard<std::mutex> guard(Lock);
    return FAKECLOCK::GetUtc();
}

bool THREADCLOCK::SetUtc(const SYSTEMTIME& time, DWORD& error)
{
    std::lock_guard<std::mutex> guard(Lock);
    return FAKECLOCK::SetUtc(time, error);
}

void THREADCLOCK::MoveTo(long long offsetms)
{
    std::lock_guard<std::mutex> guard(Lock);
    SetOffsetMs(offsetms);
}

void ENGINETEST::SetUp()
{
    ASSERT_TRUE(FileExistsOnDisk(ProductBinDir() + "\\horalinkenglish.dll"));
    KELVOAPP::SetLanguageCode(9);
    LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
    clock.Freeze(FrozenTime());
}

void ENGINETEST::TearDown() { KELVOAPP::FreeLanguageLibrary(); }

SYSTEMTIME ENGINETEST::FrozenTime()
{
    SYSTEMTIME t = {};
    t.wYear = 2024;
    t.wMonth = 5;
    t.wDay = 1;
    t.wDayOfWeek = 3;
    t.wHour = 12;
    return t;
}

std::string ENGINETEST::Text(int id) { return OSYS::GetStringFromResource(id).Text(); }

std::string ENGINETEST::Unit(int n)
{
    return OSYS::GetStringFromResource(IDS_DIFFUNITS).Field(n, "|").Text();
}

std::string ENGINETEST::Values(std::initializer_list<const char*> keys)
{
    std::string joined;
    for (const char* key : keys) joined += (joined.empty() ? "" : "|") + Get(key);
    return joined;
}
