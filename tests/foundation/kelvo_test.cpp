// The trace log and the assertion report: options, line format, level filter,
// hot keys, "assert.log" and the dialog.
#include "kelvo.h"

#include "logcapture.h"
#include "osys.h"
#include "testdialogs.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

static bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(Logit, LinesCarryThePrefixAndEndInCrLf)
{
    LOGCAPTURE log;
    ASSERT_TRUE(LogitActive());
    EXPECT_TRUE(Logit("abc\n"));
    Logit("value %d and %s\n", 42, "text");
    Logit("100 percent, no arguments: %%d\n");
    Logit("continued ");
    Logit("line\n");
    Logit("%s\n", std::string(20000, 'x').c_str());
    const std::string& text = log.Text();
    EXPECT_EQ(text.find("START LOGGING at "), 15u);
    EXPECT_TRUE(has(text, "Running as "));
    char prefix[32];  // seconds, hundredths and the thread's identifier
    snprintf(prefix, sizeof prefix, ":%04x] abc\r\n[", static_cast<unsigned>(GetCurrentThreadId() & 0xFFFF));
    EXPECT_TRUE(has(text, prefix)) << text.substr(0, 300);
    EXPECT_EQ(text[5], '.');
    EXPECT_TRUE(has(text, "] value 42 and text\r\n"));
    EXPECT_TRUE(has(text, "] 100 percent, no arguments: %d\r\n"));
    EXPECT_TRUE(has(text, "] continued [")) << "a line without \"\\n\" continues in the file";
    size_t bare = text.find('\n');
    while (bare != std::string::npos && text[bare - 1] == '\r') bare = text.find('\n', bare + 1);
    EXPECT_EQ(bare, std::string::npos) << "bare line feed";
    // Prefix and message together hold at most 8160 bytes.
    size_t start = text.find("xxxx") - 15;
    EXPECT_EQ(text.find_last_of('x') - start + 1, 8160u);
}

TEST(Logit, LevelsFilterByVerbosityAndCategory)
{
    LOGCAPTURE log;
    LogitOption("/D:3");
    LogitOption("/D:8");
    EXPECT_EQ(GetLogitLevel() & 15, 11u);
    EXPECT_FALSE(LogitLevel(12, "level twelve\n"));
    EXPECT_TRUE(LogitLevel(11, "level eleven\n"));
    EXPECT_FALSE(LogitLevel(0x102, "category without its bit\n"));
    LogitOption("/D:0x100");
    EXPECT_TRUE(LogitLevel(0x102, "category with its bit\n"));
    EXPECT_FALSE(LogitLevel(0x10C, "category with a too high level\n"));
    const std::string& text = log.Text();
    EXPECT_TRUE(has(text, "] LogitLevel 00000003\r\n"));
    EXPECT_TRUE(has(text, "] LogitLevel 0000000b\r\n"));
    LogitOption("/D:020");  // decimal: a leading zero is no octal sign
    EXPECT_EQ(GetLogitLevel() & 0x14, 0x14u);
}

TEST(Logit, KeepAppendsTheDashFormReplacesAndAClosedOrUncreatableLogWritesNothing)
{
    TEMPDIR dir;
    std::string file = dir.File("test.log");
    LogitOption(("/LOGIT:" + file).c_str());
    Logit("first run\n");
    LogitOption(("-LOGITKEEP:" + file).c_str());
    Logit("second run\n");
    LogitOption("/LOGITCLOSE");
    std::string kept = ReadFileBytes(file);
    EXPECT_TRUE(has(kept, "first run") && has(kept, "second run")) << kept;
    LogitOption(("-LOGIT:" + file).c_str());
    LogitOption("/LOGITCLOSE");
    EXPECT_FALSE(has(ReadFileBytes(file), "first run"));

    EXPECT_FALSE(Logit("nowhere %d\n", 1));
    LogitOption("/LOGIT:Z:\\no\\such\\folder\\at\\all\\x.log");
    EXPECT_FALSE(LogitActive());
    EXPECT_STREQ(LogitFileName(), "");
    EXPECT_FALSE(LogitLevel(0, "lost\n"));
}

TEST(Logit, DefaultAndUniqueNames)
{
    LogitOption("/LOGIT");
    std::string name = LogitFileName();
    std::string expected =
        std::string(GetWin32SystemPath(6).Text()) + "Kelvo_FOUNDATION_KELVO_TEST_LOGIT.LOG";
    EXPECT_EQ(_stricmp(name.c_str(), expected.c_str()), 0) << name;
    LogitOption("/LOGIT:unique");
    std::string unique = LogitFileName();
    LogitOption("/LOGITCLOSE");
    EXPECT_TRUE(FileExistsOnDisk(expected));
    DeleteFileA(expected.c_str());
    char pid[16];
    snprintf(pid, sizeof pid, "_%X.log", static_cast<unsigned>(GetCurrentProcessId()));
    EXPECT_TRUE(has(unique, "\\LOGIT_")) << unique;
    EXPECT_EQ(unique.substr(unique.size() - strlen(pid)), pid);
    DeleteFileA(unique.c_str());
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

TEST(AssertReport, AppendsDetailsToAssertLogInTheLanguageOfTheCode)
{
    std::string before = ReadFileBytes("assert.log");
    SetLastError(2);
    EXPECT_TRUE(Assert(false, "x==1", "C:\\src\\foundation/module.cpp", 77, nullptr, false));
    EXPECT_EQ(GetLastError(), 2u);  // the caller's error code survives the report
    LogSetProgram(nullptr, 7, nullptr);
    SetLastError(0);
    Assert(false, "y>0", "file.cpp", 5, "mehr", false);
    LogSetProgram(nullptr, 9, nullptr);
    std::string added = ReadFileBytes("assert.log").substr(before.size());
    EXPECT_EQ(added.find("--- Kelvo Application --- "), 0u) << added;
    EXPECT_TRUE(has(added, " ---\r\n\r\n    Condition: x==1\r\n    Location : module.cpp line 77\r\n"
                           "    Last Err.: 2L (")) << added;
    EXPECT_TRUE(has(added, ")\r\n    Add. Info: <null>\r\n\r\n\r\n")) << added;
    EXPECT_TRUE(has(added, "    Bedingung: y>0\r\n    Datei: file.cpp Zeile 5\r\n    Code : 0L ()\r\n"
                           "    Info : mehr\r\n")) << added;
}

TEST(AssertReport, DialogShowsWhenNoAssertIsToggledOffButNotForQuietReports)
{
    LogitOption("/NOASSERT");  // the test program starts with it on: now dialogs show
    DIALOGANSWERER yes("Kelvo Application", IDYES, 20000, GetCurrentProcessId());  // not another test's box
    EXPECT_TRUE(Assert(false, "shown==1", "dialog.cpp", 9, "info text", false));
    const DIALOGSEEN& seen = yes.Wait();
    EXPECT_TRUE(Assert(false, "quiet", "q.cpp", 1, nullptr, true));
    EXPECT_EQ(WaitForDialog("Kelvo Application", GetCurrentProcessId(), 300), nullptr);
    LogitOption("/NOASSERT");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title.find("Kelvo Application / "), 0u) << seen.title;
    EXPECT_EQ(seen.text.find("Unexpected condition encountered!"), 0u) << seen.text;
    EXPECT_TRUE(has(seen.text, "Condition: shown==1") && has(seen.text, "Add. Info: info text") &&
                has(seen.text, "Do you want to try to continue with the program?"))
        << seen.text;
}
