// The trace log and the assertion report: options, line format, level filter,
// hot keys, "assert.log" and the dialog.
#include "testdialogs.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

// Lines of a log file (CR LF pairs kept), without their "[ssss.hh:tttt] " prefixes.
static std::string without_prefixes(const std::string& log)
{
    std::string out;
    size_t pos = 0;
    while (pos < log.size()) {
        size_t end = log.find('\n', pos);
        if (end == std::string::npos) end = log.size() - 1;
        std::string line = log.substr(pos, end - pos + 1);
        if (line.size() > 15 && line[0] == '[' && line[14] == ' ') line = line.substr(15);
        out += line;
        pos = end + 1;
    }
    return out;
}

class LOGFILE : public testing::Test {
protected:
    void SetUp() override { LogitOption(("/LOGIT:" + file).c_str()); }
    void TearDown() override { LogitOption("/LOGITCLOSE"); }
    std::string Content() { return ReadFileBytes(file); }

    TEMPDIR dir;
    std::string file = dir.File("test.log");
};

TEST_F(LOGFILE, LinesCarryThePrefixAndEndInCrLf)
{
    ASSERT_TRUE(LogitActive());
    EXPECT_TRUE(Logit("abc\n"));
    Logit("value %d and %s\n", 42, "text");
    Logit("continued ");
    Logit("line\n");
    LogitOption("/LOGITCLOSE");
    std::string log = Content();
    EXPECT_EQ(log.find("START LOGGING at "), 15u);
    EXPECT_NE(log.find("Running as "), std::string::npos);
    std::string body = without_prefixes(log);
    EXPECT_NE(body.find("abc\r\nvalue 42 and text\r\ncontinued [") , std::string::npos);
    EXPECT_NE(body.find("line\r\n"), std::string::npos);
    // Every line break is a CR LF pair.
    for (size_t i = 0; i < log.size(); i++)
        if (log[i] == '\n') {
            ASSERT_TRUE(i > 0 && log[i - 1] == '\r') << "at " << i;
        }
    // The prefix: seconds, hundredths and the thread's identifier.
    char prefix[32];
    snprintf(prefix, sizeof prefix, ":%04x] abc", static_cast<unsigned>(GetCurrentThreadId() & 0xFFFF));
    EXPECT_NE(log.find(prefix), std::string::npos);
    EXPECT_EQ(log[5], '.');
}

TEST_F(LOGFILE, FormatsOnlyWhenThereIsAPercentSign)
{
    Logit("100 percent sure, no arguments: %%d stays\n");
    Logit("plain text with no format\n");
    LogitOption("/LOGITCLOSE");
    std::string body = without_prefixes(Content());
    EXPECT_NE(body.find("no arguments: %d stays"), std::string::npos);
    EXPECT_NE(body.find("plain text with no format\r\n"), std::string::npos);
}

TEST_F(LOGFILE, VeryLongMessagesAreCut)
{
    std::string longtext(20000, 'x');
    Logit("%s\n", longtext.c_str());
    LogitOption("/LOGITCLOSE");
    std::string log = Content();
    size_t start = log.find("xxxx") - 15;
    size_t end = log.find_last_of('x');
    EXPECT_EQ(end - start + 1, 8160u);
}

TEST_F(LOGFILE, LevelsFilterByVerbosityAndCategory)
{
    LogitOption("/D:3");
    LogitOption("/D:8");
    EXPECT_EQ(GetLogitLevel() & 15, 11u);
    EXPECT_FALSE(LogitLevel(12, "level twelve\n"));
    EXPECT_TRUE(LogitLevel(11, "level eleven\n"));
    EXPECT_FALSE(LogitLevel(0x102, "category without its bit\n"));
    LogitOption("/D:0x100");
    EXPECT_TRUE(LogitLevel(0x102, "category with its bit\n"));
    EXPECT_FALSE(LogitLevel(0x10C, "category with a too high level\n"));
    LogitOption("/LOGITCLOSE");
    std::string log = Content();
    EXPECT_NE(log.find("LogitLevel 00000003"), std::string::npos);
    EXPECT_NE(log.find("LogitLevel 0000000b"), std::string::npos);
    EXPECT_NE(log.find("level eleven"), std::string::npos);
    EXPECT_EQ(log.find("level twelve"), std::string::npos);
    EXPECT_NE(log.find("category with its bit"), std::string::npos);
    EXPECT_EQ(log.find("without its bit"), std::string::npos);
}

TEST_F(LOGFILE, KeepAppendsAndTheDashFormWorks)
{
    Logit("first run\n");
    LogitOption(("-LOGITKEEP:" + file).c_str());
    Logit("second run\n");
    LogitOption("/LOGITCLOSE");
    std::string log = Content();
    EXPECT_NE(log.find("first run"), std::string::npos);
    EXPECT_NE(log.find("second run"), std::string::npos);

    LogitOption(("-LOGIT:" + file).c_str());  // replaces the file
    LogitOption("/LOGITCLOSE");
    EXPECT_EQ(Content().find("first run"), std::string::npos);
}

TEST(Logit, ClosedLogWritesNothing)
{
    LogitOption("/LOGITCLOSE");
    EXPECT_FALSE(LogitActive());
    EXPECT_FALSE(Logit("nowhere %d\n", 1));
    EXPECT_FALSE(LogitLevel(0, "nowhere\n"));
}

TEST(Logit, AFileThatCannotBeCreatedLeavesTheLogClosed)
{
    LogitOption("/LOGIT:Z:\\no\\such\\folder\\at\\all\\x.log");
    EXPECT_FALSE(LogitActive());
    EXPECT_STREQ(LogitFileName(), "");
    EXPECT_FALSE(Logit("lost\n"));
}

TEST(Logit, DefaultNameLivesInTheDocumentsFolder)
{
    LogitOption("/LOGIT");
    std::string name = LogitFileName();
    LogitOption("/LOGITCLOSE");
    std::string expected = std::string(GetWin32SystemPath(6).Text()) +
                           "Kelvo_FOUNDATION_KELVO_TEST_LOGIT.LOG";
    EXPECT_EQ(_stricmp(name.c_str(), expected.c_str()), 0) << name;
    EXPECT_TRUE(FileExistsOnDisk(expected));
    DeleteFileA(expected.c_str());
}

TEST(Logit, UniqueNamesCarryTimeAndProcess)
{
    LogitOption("/LOGIT:unique");
    std::string name = LogitFileName();
    LogitOption("/LOGITCLOSE");
    char pid[16];
    snprintf(pid, sizeof pid, "_%X.log", static_cast<unsigned>(GetCurrentProcessId()));
    EXPECT_NE(name.find("\\LOGIT_"), std::string::npos) << name;
    EXPECT_EQ(name.substr(name.size() - strlen(pid)), pid);
    DeleteFileA(name.c_str());
}

TEST(Logit, HotKeysNeedControlAndShift)
{
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    LogitHotKey(WM_KEYDOWN, VK_F5, 0);
    EXPECT_FALSE(LogitActive());

    keys[VK_CONTROL] = keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    LogitHotKey(WM_KEYDOWN, VK_F5, 0);
    EXPECT_TRUE(LogitActive());
    std::string name = LogitFileName();
    LogitHotKey(WM_KEYDOWN, VK_F9, 0);  // other keys do nothing
    EXPECT_TRUE(LogitActive());
    LogitHotKey(WM_KEYDOWN, VK_F8, 0);
    EXPECT_FALSE(LogitActive());
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    DeleteFileA(name.c_str());
}

// ---------------------------------------------------------------- assertion report

TEST(AssertReport, PassingChecksCostNothing)
{
    int before = AssertCount();
    EXPECT_TRUE(Assert(true, "x", __FILE__, __LINE__, nullptr, false));
    EXPECT_TRUE(ASSERT(1 + 1 == 2));
    EXPECT_EQ(AssertCount(), before);
}

TEST(AssertReport, AppendsDetailsToAssertLog)
{
    std::string before = ReadFileBytes("assert.log");
    SetLastError(2);
    bool carryon = Assert(false, "x==1", "C:\\src\\foundation/module.cpp", 77, nullptr, false);
    DWORD error = GetLastError();  // the caller's error code survives the report
    EXPECT_TRUE(carryon);
    EXPECT_EQ(error, 2u);
    std::string after = ReadFileBytes("assert.log");
    ASSERT_GT(after.size(), before.size());
    std::string added = after.substr(before.size());
    EXPECT_EQ(added.substr(0, 4), "--- ");
    EXPECT_NE(added.find(std::string(KELVOAPP::AppTitle()) + " --- "), std::string::npos);
    EXPECT_NE(added.find(" ---\r\n\r\n    Condition: x==1\r\n    Location : module.cpp line 77\r\n"
                         "    Last Err.: 2L ("),
              std::string::npos)
        << added;
    EXPECT_NE(added.find(")\r\n    Add. Info: <null>\r\n\r\n\r\n"), std::string::npos) << added;
}

TEST(AssertReport, GermanDetailsForLanguageSeven)
{
    std::string before = ReadFileBytes("assert.log");
    KELVOAPP::SetLanguageCode(7);
    SetLastError(0);
    Assert(false, "y>0", "file.cpp", 5, "mehr", false);
    KELVOAPP::SetLanguageCode(9);
    std::string added = ReadFileBytes("assert.log").substr(before.size());
    EXPECT_NE(added.find("    Bedingung: y>0\r\n    Datei: file.cpp Zeile 5\r\n    Code : 0L ()\r\n"
                         "    Info : mehr\r\n"),
              std::string::npos)
        << added;
}

TEST(AssertReport, DialogIsShownWhenNoAssertIsToggledOff)
{
    LogitOption("/NOASSERT");  // the test program starts with it on: now dialogs show
    DIALOGANSWERER yes("Kelvo Application", IDYES);
    EXPECT_TRUE(Assert(false, "shown==1", "dialog.cpp", 9, "info text", false));
    const DIALOGSEEN& seen = yes.Wait();
    LogitOption("/NOASSERT");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title.find("Kelvo Application / "), 0u) << seen.title;
    EXPECT_EQ(seen.text.find("Unexpected condition encountered!"), 0u) << seen.text;
    EXPECT_NE(seen.text.find("Condition: shown==1"), std::string::npos);
    EXPECT_NE(seen.text.find("Add. Info: info text"), std::string::npos);
    EXPECT_NE(seen.text.find("Do you want to try to continue with the program?"),
              std::string::npos);
}

TEST(AssertReport, QuietReportsShowNoDialog)
{
    LogitOption("/NOASSERT");
    int before = AssertCount();
    EXPECT_TRUE(Assert(false, "quiet", "q.cpp", 1, nullptr, true));
    LogitOption("/NOASSERT");
    EXPECT_EQ(AssertCount(), before + 1);
    EXPECT_EQ(WaitForDialog("Kelvo Application", GetCurrentProcessId(), 300), nullptr);
}
