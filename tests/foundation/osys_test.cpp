// System queries of the OS layer under Wine: system type, shell folders, the
// millisecond counter, time texts, error texts and names, resource strings, file
// tests and run-time libraries.
#include "osys.h"

#include "dllinterface.h"
#include "kelvo.h"
#include "logcapture.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

static bool matches(const STRING& s, const char* pattern)
{
    return std::regex_match(s.Text(), std::regex(pattern));
}

TEST(OsType, WineReportsVistaOrLater)
{
    LOGCAPTURE log(1);
    // Wine's GetVersionEx reports 6.1, which is the Vista-and-later type.
    EXPECT_EQ(OSYS::GetOSType(), 5);
    EXPECT_NE(log.Text().find("] OSYS::GetOSType 6.1\r\n"), std::string::npos) << log.Text();
}

TEST(SystemPath, EveryNumberOfTheTableIsAnExistingFolderOthersAreReported)
{
    REPORTS reports;
    for (int which : {0, 1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13}) {
        STRING path = GetWin32SystemPath(which);
        printf("GetWin32SystemPath(%d) = %s\n", which, path.Text());
        EXPECT_TRUE(matches(path, "[A-Za-z]:\\\\[^%]*\\\\")) << which << ": " << path.Text();
        EXPECT_TRUE(OSYS::FileIsDirectory(path)) << which << " " << path.Text();
    }
    EXPECT_TRUE(reports.Were(0));
    for (int which : {3, 4, 14, -1}) {
        STRING path = GetWin32SystemPath(which);
        EXPECT_TRUE(path.NotNull());
        EXPECT_EQ(path.Length(), 0);
        EXPECT_TRUE(reports.Were(1, "FALSE", ("GetWin32SystemPath " + std::to_string(which)).c_str()));
    }
}

TEST(MsTimer, ResetSetsTheBaseAndTheCountNeverStepsBack)
{
    EXPECT_EQ(MsTimer(true), 0);
    OSYS::Sleep(300);
    EXPECT_GE(MsTimer(), 250);  // tick granularity is at most a few tens of milliseconds
    long last = MsTimer();
    for (int i = 0; i < 2000; i++) {
        long now = MsTimer();
        ASSERT_GE(now, last);
        last = now;
    }
    EXPECT_EQ(MsTimer(true), 0);
}

TEST(SystemTexts, TimeErrorAndNames)
{
    EXPECT_TRUE(matches(OSYS::DateIso(), "\\d{4}-\\d{2}-\\d{2}")) << OSYS::DateIso().Text();
    EXPECT_TRUE(matches(OSYS::TimeIso(), "\\d{2}:\\d{2}:\\d{2}")) << OSYS::TimeIso().Text();
    EXPECT_TRUE(matches(OSYS::Time24(), "\\d{2}:\\d{2}:\\d{2}")) << OSYS::Time24().Text();
    EXPECT_LE(std::llabs(static_cast<long long>(OSYS::Time()) - time(nullptr)), 1);

    STRING text = ErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(matches(text, "[^\r\n]+") && text != "<no error>") << text.Text();
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(ErrorText().Text(), text.Text());
    EXPECT_STREQ(ErrorText(0x20001234).Text(), "<no error>");

    EXPECT_STRNE(OSYS::GetComputerName().Text(), "<N/A>");
    EXPECT_TRUE(OSYS::GetUserName().NotEmpty());
}

TEST(ResourceString, PresentMissingAndCut)
{
    const int PRESENT = 4711, LONGTEXT = 4712, MISSING = 4799;  // ids of osys_test.rc
    LOGCAPTURE log(12);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_STREQ(OSYS::GetStringFromResource(MISSING, self).Text(), "<STR-ERR>");
    EXPECT_EQ(OSYS::GetStringFromResource(LONGTEXT, self).Length(), 255);
    // Without a language library the resource module is the program itself.
    EXPECT_STREQ(OSYS::GetStringFromResource(PRESENT).Text(), "Resource text of the OS layer test");
    EXPECT_NE(log.Text().find("] OSYS::GetStringFromResource 4799 returns <STR-ERR>\r\n"), std::string::npos)
        << log.Text();
}

TEST(FileTests, FilesFoldersAndNothing)
{
    TEMPDIR dir;
    std::string file = dir.File("a.txt");
    ASSERT_TRUE(WriteFileBytes(file, "12345"));
    EXPECT_TRUE(OSYS::FileExists(file.c_str()));
    EXPECT_FALSE(OSYS::FileIsDirectory(file.c_str()));
    EXPECT_EQ(OSYS::FileSize(file.c_str()), 5);
    EXPECT_TRUE(OSYS::FileIsDirectory(dir.Path().c_str()));
    EXPECT_FALSE(OSYS::FileExists(dir.File("b.txt").c_str()));
    EXPECT_EQ(OSYS::FileSize(dir.File("b.txt").c_str()), -1);
    EXPECT_FALSE(OSYS::FileExists(nullptr) || OSYS::FileExists("") || OSYS::FileIsDirectory(nullptr));
}

TEST(DllInterface, FunctionsOfALoadedLibraryMissingOnesAreHarmless)
{
    LOGCAPTURE log;
    DLLINTERFACE kernel("kernel32.dll", "GetCurrentProcessId");
    ASSERT_TRUE(kernel.IsLoaded());
    typedef DWORD(WINAPI * GETID)();
    EXPECT_EQ(kernel.GetFunctionAs<GETID>()(), GetCurrentProcessId());
    EXPECT_EQ(kernel.GetFunctionAs<GETID>("GetCurrentThreadId")(), GetCurrentThreadId());
    EXPECT_EQ(kernel.GetFunction("NoSuchFunctionHere"), nullptr);
    char line[120];
    snprintf(line, sizeof line, "] DLLINTERFACE::DLLINTERFACE done, hdll= %p\r\n",
             static_cast<void*>(kernel.Handle()));
    EXPECT_NE(log.Text().find(line), std::string::npos) << log.Text();

    REPORTS reports;
    DLLINTERFACE none("kelvo_no_such_library.dll", "Anything");
    EXPECT_FALSE(none.IsLoaded());
    EXPECT_TRUE(none.GetFunction() == nullptr && none.GetFunction("Other") == nullptr);
    EXPECT_TRUE(reports.Were(0));  // optional libraries are not an error
    std::string longname(DLLINTERFACE_MAXNAME, 'f');
    DLLINTERFACE cut("kernel32.dll", longname.c_str());
    EXPECT_TRUE(reports.Were(1));
    EXPECT_EQ(cut.GetFunction(), nullptr);
}
