// System queries of the OS layer under Wine: system type, shell folders, the
// millisecond counter, date and time texts, error texts, resource strings, names,
// file tests and run-time libraries.
#include "osys.h"

#include "dllinterface.h"
#include "kelvo.h"
#include "logcapture.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

namespace {

const int STRING_PRESENT = 4711;  // ids of osys_test.rc
const int STRING_LONG = 4712;
const int STRING_MISSING = 4799;

bool matches(const STRING& s, const char* pattern)
{
    return std::regex_match(std::string(s.Text()), std::regex(pattern));
}

}  // namespace

TEST(OsType, WineReportsVistaOrLater)
{
    LOGCAPTURE log(1);
    // Wine's GetVersionEx reports 6.1, which is the Vista-and-later type.
    EXPECT_EQ(OSYS::GetOSType(), 5);
    EXPECT_NE(log.Text().find("OSYS::GetOSType 6.1\r\n"), std::string::npos) << log.Text();
}

TEST(SystemPath, EveryNumberOfTheTableIsAnExistingFolder)
{
    const int numbers[] = {0, 1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    int before = AssertCount();
    for (int which : numbers) {
        STRING path = GetWin32SystemPath(which);
        printf("GetWin32SystemPath(%d) = %s\n", which, path.Text());
        ASSERT_GT(path.Length(), 1) << which;
        EXPECT_EQ(path[path.Length() - 1], '\\') << which;
        EXPECT_EQ(path.Pos("%"), -1) << "not expanded: " << path.Text();
        EXPECT_TRUE(OSYS::FileIsDirectory(path.Text())) << which << " " << path.Text();
    }
    EXPECT_EQ(AssertCount(), before);
}

TEST(SystemPath, NumbersOutsideTheTableAreReportedAndEmpty)
{
    for (int which : {3, 4, 14, -1}) {
        int before = AssertCount();
        STRING path = GetWin32SystemPath(which);
        EXPECT_TRUE(path.NotNull());
        EXPECT_EQ(path.Length(), 0);
        EXPECT_EQ(AssertCount(), before + 1);
        EXPECT_STREQ(AssertLastCondition(), "FALSE");
        EXPECT_EQ(std::string(AssertLastInfo()), "GetWin32SystemPath " + std::to_string(which));
    }
}

TEST(MsTimer, ResetSetsTheBaseAndTheCountNeverStepsBack)
{
    EXPECT_EQ(MsTimer(true), 0);
    OSYS::Sleep(300);
    long elapsed = MsTimer();
    // Tick granularity is at most a few tens of milliseconds.
    EXPECT_GE(elapsed, 250);
    long last = MsTimer();
    for (int i = 0; i < 2000; i++) {
        long now = MsTimer();
        ASSERT_GE(now, last);
        last = now;
    }
    EXPECT_EQ(MsTimer(true), 0);
    EXPECT_GE(MsTimer(), 0);
}

TEST(TimeTexts, Shapes)
{
    EXPECT_TRUE(matches(OSYS::DateIso(), "\\d{4}-\\d{2}-\\d{2}")) << OSYS::DateIso().Text();
    EXPECT_TRUE(matches(OSYS::TimeIso(), "\\d{2}:\\d{2}:\\d{2}")) << OSYS::TimeIso().Text();
    EXPECT_TRUE(matches(OSYS::Time24(), "\\d{2}:\\d{2}:\\d{2}")) << OSYS::Time24().Text();
    STRING shortdate = OSYS::DateShort();
    STRING longdate = OSYS::DateLong();
    STRING usertime = OSYS::TimeUser();
    printf("DateShort=%s DateLong=%s TimeUser=%s\n", shortdate.Text(), longdate.Text(),
           usertime.Text());
    EXPECT_TRUE(matches(shortdate, ".*\\d.*")) << shortdate.Text();
    EXPECT_GE(longdate.Length(), shortdate.Length());
    EXPECT_TRUE(matches(usertime, ".*\\d{1,2}.\\d{2}.\\d{2}.*")) << usertime.Text();
    long long now = static_cast<long long>(time(nullptr));
    EXPECT_LE(std::llabs(static_cast<long long>(OSYS::Time()) - now), 1);
}

TEST(ErrorText, SystemTextsWithoutLineBreaks)
{
    STRING text = ErrorText(ERROR_FILE_NOT_FOUND);
    printf("ErrorText(2) = %s\n", text.Text());
    EXPECT_GT(text.Length(), 0);
    EXPECT_STRNE(text.Text(), "<no error>");
    EXPECT_EQ(text.Pos("\r"), -1);
    EXPECT_EQ(text.Pos("\n"), -1);
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(ErrorText().Text(), text.Text());
    EXPECT_STREQ(ErrorText(0x20001234).Text(), "<no error>");
}

TEST(ResourceString, PresentMissingAndCut)
{
    HINSTANCE self = GetModuleHandleA(nullptr);
    LOGCAPTURE log(12);
    EXPECT_STREQ(OSYS::GetStringFromResource(STRING_PRESENT, self).Text(),
                 "Resource text of the OS layer test");
    EXPECT_STREQ(OSYS::GetStringFromResource(STRING_MISSING, self).Text(), "<STR-ERR>");
    STRING cut = OSYS::GetStringFromResource(STRING_LONG, self);
    EXPECT_EQ(cut.Length(), 255);
    // Without a language library the resource module is the program itself.
    EXPECT_STREQ(OSYS::GetStringFromResource(STRING_PRESENT).Text(),
                 "Resource text of the OS layer test");
    EXPECT_NE(log.Text().find("OSYS::GetStringFromResource 4799 returns <STR-ERR>\r\n"),
              std::string::npos)
        << log.Text();
}

TEST(Names, ComputerAndUser)
{
    STRING computer = OSYS::GetComputerName();
    STRING user = OSYS::GetUserName();
    printf("computer=%s user=%s\n", computer.Text(), user.Text());
    EXPECT_GT(computer.Length(), 0);
    EXPECT_STRNE(computer.Text(), "<N/A>");
    EXPECT_TRUE(user.NotNull());
    EXPECT_GT(user.Length(), 0);
}

TEST(FileTests, FilesFoldersAndNothing)
{
    TEMPDIR dir;
    std::string file = dir.File("a.txt");
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    EXPECT_TRUE(OSYS::FileExists(file.c_str()));
    EXPECT_FALSE(OSYS::FileIsDirectory(file.c_str()));
    EXPECT_TRUE(OSYS::FileExists(dir.Path().c_str()));
    EXPECT_TRUE(OSYS::FileIsDirectory(dir.Path().c_str()));
    EXPECT_FALSE(OSYS::FileExists(dir.File("b.txt").c_str()));
    EXPECT_FALSE(OSYS::FileIsDirectory(dir.File("b").c_str()));
    EXPECT_FALSE(OSYS::FileExists(nullptr));
    EXPECT_FALSE(OSYS::FileExists(""));
    EXPECT_FALSE(OSYS::FileIsDirectory(nullptr));
}

TEST(DllInterface, FunctionsOfALoadedLibrary)
{
    LOGCAPTURE log;
    DLLINTERFACE kernel("kernel32.dll", "GetCurrentProcessId");
    ASSERT_TRUE(kernel.IsLoaded());
    typedef DWORD(WINAPI * GETPID)();
    GETPID getpid = kernel.GetFunctionAs<GETPID>();
    ASSERT_NE(getpid, nullptr);
    EXPECT_EQ(getpid(), GetCurrentProcessId());
    typedef DWORD(WINAPI * GETTID)();
    GETTID gettid = kernel.GetFunctionAs<GETTID>("GetCurrentThreadId");
    ASSERT_NE(gettid, nullptr);
    EXPECT_EQ(gettid(), GetCurrentThreadId());
    EXPECT_EQ(kernel.GetFunction("NoSuchFunctionHere"), nullptr);

    const std::string& text = log.Text();
    EXPECT_NE(text.find("DLLINTERFACE::DLLINTERFACE\r\n"), std::string::npos) << text;
    char line[120];
    snprintf(line, sizeof line, "DLLINTERFACE::DLLINTERFACE done, hdll= %p\r\n",
             static_cast<void*>(kernel.Handle()));
    EXPECT_NE(text.find(line), std::string::npos) << text;
    snprintf(line, sizeof line, "DLLINTERFACE::GetFunction GetCurrentProcessId returns %p\r\n",
             reinterpret_cast<void*>(getpid));
    EXPECT_NE(text.find(line), std::string::npos) << text;
}

TEST(DllInterface, MissingLibraryAndOverlongNameAreHarmless)
{
    int before = AssertCount();
    DLLINTERFACE none("kelvo_no_such_library.dll", "Anything");
    EXPECT_FALSE(none.IsLoaded());
    EXPECT_EQ(none.GetFunction(), nullptr);
    EXPECT_EQ(none.GetFunction("Other"), nullptr);
    EXPECT_EQ(AssertCount(), before);  // optional libraries are not an error

    std::string longname(DLLINTERFACE_MAXNAME, 'f');
    DLLINTERFACE kernel("kernel32.dll", longname.c_str());
    EXPECT_EQ(AssertCount(), before + 1);
    EXPECT_TRUE(kernel.IsLoaded());
    EXPECT_EQ(kernel.GetFunction(), nullptr);
}
