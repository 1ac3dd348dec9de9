// ENGINETEST: the language library per test and the frozen clock.
#include "enginetest.h"

#include "englishlibrary.h"
#include "kelvoapp.h"
#include "osys.h"
#include "testfiles.h"

void ENGINETEST::SetUp()
{
    ASSERT_TRUE(FileExistsOnDisk(ProductBinDir() + "\\horalinkenglish.dll"));
    LoadEnglishLibrary();
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

std::string ENGINETEST::Values(std::initializer_list<const char*> keys)
{
    std::string joined;
    for (const char* key : keys) joined += Get(key) + "|";
    return joined.substr(0, joined.size() - 1);
}
