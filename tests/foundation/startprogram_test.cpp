// StartProgram against a helper that records how it was started: quoting, hidden
// start, working folder, title, waiting, handles handed back, length limits.
#include "osys.h"

#include "kelvo.h"
#include "logcapture.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const DWORD RECORDER_EXITCODE = 42;

class StartProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string source = TestProgramDir() + "\\argrecorder.exe";
        spaced = dir.File("with space");
        spacedexe = spaced + "\\argrecorder.exe";
        plainexe = dir.File("argrecorder.exe");
        ASSERT_TRUE(CreateDirectoryA(spaced.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(source.c_str(), spacedexe.c_str(), FALSE)) << source;
        ASSERT_TRUE(CopyFileA(source.c_str(), plainexe.c_str(), FALSE));
        SetEnvironmentVariableA("ARGRECORDER_OUT", dir.File("record.txt").c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("ARGRECORDER_OUT", nullptr);
        SetEnvironmentVariableA("ARGRECORDER_DELAY", nullptr);
    }
    // The recorder's "key=value" lines.
    std::map<std::string, std::string> Record()
    {
        std::map<std::string, std::string> fields;
        std::string text = ReadFileBytes(dir.File("record.txt"));
        for (size_t start = 0, nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
            size_t eq = text.find('=', start);
            if (eq < nl) fields[text.substr(start, eq - start)] = text.substr(eq + 1, nl - eq - 1);
        }
        return fields;
    }
    // Waits for a started recorder, closes its handles and returns its exit code.
    static DWORD Finish(PROCESS_INFORMATION& pi)
    {
        WaitForSingleObject(pi.hProcess, 30000);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return code;
    }

    TEMPDIR dir;
    std::string spaced, spacedexe, plainexe;
};

}  // namespace

TEST_F(StartProgramTest, AsteriskStartsHiddenWithProgramQuotedAndWaits)
{
    LOGCAPTURE log;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgram(("*" + spacedexe).c_str(), "one \"two three\"", nullptr, nullptr, true, &pi));
    ASSERT_NE(pi.hThread, nullptr);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0);  // ended when the call returns
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    std::map<std::string, std::string> r = Record();
    EXPECT_EQ(r["cmdline"], "\"" + spacedexe + "\" one \"two three\"");
    EXPECT_EQ(std::stoul(r["flags"]) & STARTF_USESHOWWINDOW, static_cast<DWORD>(STARTF_USESHOWWINDOW));
    EXPECT_EQ(r["show"], "0");  // SW_HIDE
    const std::string& text = log.Text();
    for (const std::string& line : {spacedexe + " one \"two three\"", std::string("rc= 1"), std::string("return")})
        EXPECT_NE(text.find("] START PROGRAM: " + line + "\r\n"), std::string::npos) << line << "\n" << text;
}

TEST_F(StartProgramTest, QuotedProgramAloneInFolderWithTitle)
{
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgram(("\"" + spacedexe + "\"").c_str(), "/STOP", nullptr, nullptr, true, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    std::map<std::string, std::string> r = Record();
    EXPECT_EQ(r["cmdline"], "\"" + spacedexe + "\" /STOP");
    EXPECT_EQ(std::stoul(r["flags"]) & STARTF_USESHOWWINDOW, 0u);  // shown as usual

    ASSERT_TRUE(StartProgram(plainexe.c_str(), nullptr, spaced.c_str(), "Kelvo Service-Control", true, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    r = Record();
    EXPECT_EQ(r["cmdline"], plainexe);
    EXPECT_EQ(r["title"], "Kelvo Service-Control");
    EXPECT_EQ(r["cwd"], spaced);
}

TEST_F(StartProgramTest, WaitsForTheEndAndClosesHandlesNotHandedBack)
{
    SetEnvironmentVariableA("ARGRECORDER_DELAY", "300");
    DWORD before = 0, after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &before);
    ASSERT_TRUE(StartProgram(plainexe.c_str(), "x", nullptr, nullptr, true, nullptr));
    GetProcessHandleCount(GetCurrentProcess(), &after);
    EXPECT_EQ(Record()["cmdline"], "\"" + plainexe + "\" x");  // written just before the end
    EXPECT_EQ(after, before);
}

TEST_F(StartProgramTest, TooLongInputAndMissingProgramsAreRefused)
{
    // Command line of exactly 1023 characters: "\"exe\" " + parameters.
    std::string params(STARTPROGRAM_MAXCOMMAND - plainexe.size() - 3, 'p');
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgram(plainexe.c_str(), params.c_str(), nullptr, nullptr, true, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    EXPECT_EQ(Record()["cmdline"].size(), static_cast<size_t>(STARTPROGRAM_MAXCOMMAND));
    std::string title(STARTPROGRAM_MAXTITLE, 't');
    ASSERT_TRUE(StartProgram(plainexe.c_str(), nullptr, nullptr, title.c_str(), true, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    EXPECT_EQ(Record()["title"], title);

    LOGCAPTURE log;
    REPORTS reports;
    EXPECT_FALSE(StartProgram(plainexe.c_str(), (params + "p").c_str(), nullptr, nullptr, true, nullptr));
    std::string longdir(STARTPROGRAM_MAXCOMMAND + 1, 'd');
    EXPECT_FALSE(StartProgram(plainexe.c_str(), nullptr, longdir.c_str(), nullptr, true, nullptr));
    EXPECT_FALSE(StartProgram(plainexe.c_str(), nullptr, nullptr, (title + "t").c_str(), true, nullptr));
    EXPECT_TRUE(reports.Were(3));
    EXPECT_EQ(log.Text().find("START PROGRAM: rc="), std::string::npos) << log.Text();

    LOGCAPTURE missing;
    pi = {};
    EXPECT_FALSE(StartProgram(dir.File("nothere.exe").c_str(), "a", nullptr, nullptr, true, &pi));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_TRUE(reports.Were(1, "rc"));
    EXPECT_NE(missing.Text().find("] START PROGRAM: rc= 0\r\n"), std::string::npos) << missing.Text();
}
