// StartProgram against a helper that records how it was started: quoting, hidden
// start, working folder, title, waiting, handles handed back, length limits.
#include "osys.h"

#include "kelvo.h"
#include "logcapture.h"
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
        ASSERT_TRUE(FileExistsOnDisk(source)) << source;
        spaced = dir.Path() + "\\with space";
        ASSERT_TRUE(CreateDirectoryA(spaced.c_str(), nullptr));
        spacedexe = spaced + "\\argrecorder.exe";
        plainexe = dir.File("argrecorder.exe");
        ASSERT_TRUE(CopyFileA(source.c_str(), spacedexe.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(source.c_str(), plainexe.c_str(), FALSE));
        record = dir.File("record.txt");
        SetEnvironmentVariableA("ARGRECORDER_OUT", record.c_str());
        SetEnvironmentVariableA("ARGRECORDER_DELAY", nullptr);
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("ARGRECORDER_OUT", nullptr);
        SetEnvironmentVariableA("ARGRECORDER_DELAY", nullptr);
    }
    // The recorder's lines as key and value.
    std::map<std::string, std::string> Record()
    {
        std::map<std::string, std::string> fields;
        std::string text = ReadFileBytes(record);
        size_t start = 0;
        for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
            std::string line = text.substr(start, nl - start);
            size_t eq = line.find('=');
            if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return fields;
    }
    // Waits for a started recorder and returns its exit code.
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
    std::string spaced, spacedexe, plainexe, record;
};

}  // namespace

TEST_F(StartProgramTest, AsteriskStartsHiddenWithProgramQuoted)
{
    LOGCAPTURE log;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgram(("*" + spacedexe).c_str(), "one \"two three\"", nullptr, nullptr,
                             true, &pi));
    ASSERT_NE(pi.hProcess, nullptr);
    ASSERT_NE(pi.hThread, nullptr);
    EXPECT_NE(pi.dwProcessId, 0u);
    EXPECT_NE(pi.dwThreadId, 0u);
    // With wait the program has ended when the call returns.
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);

    std::map<std::string, std::string> r = Record();
    EXPECT_EQ(r["cmdline"], "\"" + spacedexe + "\" one \"two three\"");
    EXPECT_EQ(std::stoul(r["flags"]) & STARTF_USESHOWWINDOW, static_cast<DWORD>(STARTF_USESHOWWINDOW));
    EXPECT_EQ(r["show"], "0");  // SW_HIDE

    const std::string& text = log.Text();
    EXPECT_NE(text.find("START PROGRAM: " + spacedexe + " one \"two three\"\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("START PROGRAM: rc= 1\r\n"), std::string::npos);
    EXPECT_NE(text.find("START PROGRAM: return\r\n"), std::string::npos);
}

TEST_F(StartProgramTest, QuotedProgramIsNotQuotedAgain)
{
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgram(("\"" + spacedexe + "\"").c_str(), "/STOP", nullptr, nullptr, true, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    std::map<std::string, std::string> r = Record();
    EXPECT_EQ(r["cmdline"], "\"" + spacedexe + "\" /STOP");
    EXPECT_EQ(std::stoul(r["flags"]) & STARTF_USESHOWWINDOW, 0u);
}

TEST_F(StartProgramTest, ProgramAloneInFolderWithTitle)
{
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgram(plainexe.c_str(), nullptr, spaced.c_str(), "Kelvo Service-Control",
                             true, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    std::map<std::string, std::string> r = Record();
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
    // The record is written just before the end, after the delay.
    EXPECT_TRUE(FileExistsOnDisk(record));
    EXPECT_EQ(after, before);

    // Without wait the call returns at once; the handles show the program's end later.
    SetEnvironmentVariableA("ARGRECORDER_DELAY", "0");
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgram(plainexe.c_str(), "y", nullptr, nullptr, false, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    EXPECT_EQ(Record()["cmdline"], "\"" + plainexe + "\" y");
}

TEST_F(StartProgramTest, LengthLimitsRefuseTooLongInput)
{
    // Command line of exactly 1023 characters: "\"exe\" " + parameters.
    int room = STARTPROGRAM_MAXCOMMAND - static_cast<int>(plainexe.size()) - 3;
    ASSERT_GT(room, 10);
    std::string params(room, 'p');
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProgram(plainexe.c_str(), params.c_str(), nullptr, nullptr, true, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    EXPECT_EQ(Record()["cmdline"].size(), static_cast<size_t>(STARTPROGRAM_MAXCOMMAND));

    LOGCAPTURE log;
    int reports = AssertCount();
    params += "p";
    EXPECT_FALSE(StartProgram(plainexe.c_str(), params.c_str(), nullptr, nullptr, true, nullptr));
    std::string longdir(STARTPROGRAM_MAXCOMMAND + 1, 'd');
    EXPECT_FALSE(StartProgram(plainexe.c_str(), nullptr, longdir.c_str(), nullptr, true, nullptr));
    std::string longtitle(STARTPROGRAM_MAXTITLE + 1, 't');
    EXPECT_FALSE(StartProgram(plainexe.c_str(), nullptr, nullptr, longtitle.c_str(), true, nullptr));
    std::string title(STARTPROGRAM_MAXTITLE, 't');
    EXPECT_EQ(AssertCount(), reports + 3);
    EXPECT_EQ(log.Text().find("START PROGRAM: rc="), std::string::npos) << log.Text();

    ASSERT_TRUE(StartProgram(plainexe.c_str(), nullptr, nullptr, title.c_str(), true, &pi));
    EXPECT_EQ(Finish(pi), RECORDER_EXITCODE);
    EXPECT_EQ(Record()["title"], title);
}

TEST_F(StartProgramTest, MissingProgramFails)
{
    LOGCAPTURE log;
    int reports = AssertCount();
    PROCESS_INFORMATION pi = {};
    EXPECT_FALSE(StartProgram(dir.File("nothere.exe").c_str(), "a", nullptr, nullptr, true, &pi));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_NE(log.Text().find("START PROGRAM: rc= 0\r\n"), std::string::npos) << log.Text();
}
