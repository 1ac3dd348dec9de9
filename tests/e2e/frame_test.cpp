// The programs started for real: the language library and its fall-backs, the log
// of a whole run with its argument table, and the development-tree rule.
#include "testdialogs.h"
#include "testfiles.h"
#include "testprocess.h"

#include <gtest/gtest.h>

#include <string>

static void copy_program(const std::string& name, const std::string& folder)
{
    std::string from = ProductBinDir() + "\\" + name;
    ASSERT_TRUE(CopyFileA(from.c_str(), (folder + "\\" + name).c_str(), FALSE)) << from;
}

// service.exe with a configuration for a service that is not installed: a whole run of
// the frame that ends at once, with exit code 5.
static void copy_service(const std::string& folder)
{
    copy_program("service.exe", folder);
    ASSERT_TRUE(WriteFileBytes(folder + "\\service.cfg",
                               "AppName=HoralinkFrameTestNoService\r\nAppExe=none.exe\r\nAppHelp=none|1\r\n"
                               "AppRegKey=TestFrame\r\nAppWinClass=KelvoFrameTest\r\n"));
}

// Runs horalink with a data folder that needs no first-start wizard and schedules no
// checks, closes its main window and returns the run's log.
static std::string run_horalink(const TEMPDIR& dir, const std::string& exe, const std::string& options,
                                const std::string& workdir)
{
    std::string data = dir.File("data");
    CreateDirectoryA(data.c_str(), nullptr);
    WriteFileBytes(data + "\\horalink.cfg", "ConnectionType=0\r\nTimeCyclic=0\r\nVersion=1.00\r\n");
    std::string log = dir.File("run.log");
    PROCESS_INFORMATION pi;
    std::string line = "\"" + exe + "\" " + options + " /LOGIT:" + log + " /WORKDIR:" + data;
    EXPECT_TRUE(StartProgramAsync(line, workdir, &pi));
    HWND main = WaitForWindowOfClass("KelvoHoralinkWinClass", pi.dwProcessId, 20000);
    EXPECT_NE(main, nullptr) << "no main window";
    if (main) PostMessageA(main, WM_CLOSE, 0, 0);
    PROGRAMRUN run = WaitProgram(&pi, 20000);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.exitcode, 0u);
    return ReadFileBytes(log);
}

TEST(LanguageLibrary, MissingEverywhereShowsTheBoxAndEndsWith99)
{
    TEMPDIR dir;
    copy_program("horalink.exe", dir.Path());
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(StartProgramAsync("\"" + dir.File("horalink.exe") + "\"", dir.Path(), &pi));
    HWND box = WaitForDialog("Kelvo Application", pi.dwProcessId, 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogStaticText(box), "DLL not found:\r" + dir.File("horalinkenglish.dll"));
    PressDialogButton(box, IDOK);
    PROGRAMRUN run = WaitProgram(&pi, 20000);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.exitcode, 99u);
}

TEST(LanguageLibrary, FrenchFallsBackToEnglish)
{
    TEMPDIR dir;
    copy_program("horalink.exe", dir.Path());
    copy_program("horalinkenglish.dll", dir.Path());
    std::string log = run_horalink(dir, dir.File("horalink.exe"), "/LANG:FRENCH", dir.Path());
    EXPECT_NE(log.find("horalinkenglish.dll loaded, language 9"), std::string::npos) << log;
}

TEST(DevTree, ProgramInReleaseBesideSourcesRunsFromTheSourceFolderInGerman)
{
    TEMPDIR dir;
    std::string prog = dir.File("prog");
    std::string work = dir.File("work");
    CreateDirectoryA(prog.c_str(), nullptr);
    CreateDirectoryA((prog + "\\Release").c_str(), nullptr);
    CreateDirectoryA(work.c_str(), nullptr);
    copy_program("horalink.exe", prog + "\\Release");
    copy_program("horalinkenglish.dll", prog);
    copy_program("horalinkgerman.dll", prog);
    WriteFileBytes(prog + "\\main.cpp", "");
    std::string log = run_horalink(dir, prog + "\\Release\\horalink.exe", "-LANG GER", work);
    EXPECT_NE(log.find("Current Directory: " + prog + " (exe directory)"), std::string::npos) << log;
    EXPECT_NE(log.find("Working Directory: " + work + " (gWorkDir"), std::string::npos);
    EXPECT_NE(log.find("LoadLanguageLibrary " + prog + "\\horalinkgerman.dll loaded, language 7"),
              std::string::npos);
}

TEST(RunLog, StartsAtZeroListsEveryArgumentAndEndsLinesInCrLf)
{
    TEMPDIR dir;
    copy_service(dir.Path());
    WriteFileBytes(dir.File("commandline.ini"), "/FROMFILE:1\r\n\r\n   /SECOND   \r\n");
    std::string log = dir.File("run.log");
    std::string line = "\"" + dir.File("service.exe") + "\"  /LOGIT:" + log + "   \"x y\"  /B:1  ";
    PROGRAMRUN run = RunProgram(line, dir.Path(), 20000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitcode, 5u);

    std::string content = ReadFileBytes(log);
    EXPECT_EQ(content.substr(0, 9), "[0000.00:");
    size_t bare = content.find('\n');
    while (bare != std::string::npos && content[bare - 1] == '\r') bare = content.find('\n', bare + 1);
    EXPECT_EQ(bare, std::string::npos) << "bare line feed";
    size_t pos = 0;
    for (const char* e : {"Program Argument 0= ", "Program Argument 1= /LOGIT:",
                          "Program Argument 2= x y\r\n", "Program Argument 3= /B:1\r\n",
                          "Program Argument 4= /FROMFILE:1\r\n", "Program Argument 5= /SECOND\r\n"}) {
        pos = content.find(e, pos);
        ASSERT_NE(pos, std::string::npos) << e << "\n" << content;
    }
    EXPECT_EQ(content.find("Program Argument 6="), std::string::npos);
    EXPECT_NE(content.find("Processing " + dir.File("service_commandline.ini") + " done"), std::string::npos);
    // Nothing is written after the log is closed at the end of the run.
    EXPECT_EQ(content.substr(content.size() - 22), "] AppMain returned 5\r\n");
}

TEST(RunLog, UniqueNamesDifferBetweenProcesses)
{
    TEMPDIR dir;
    copy_service(dir.Path());
    PROCESS_INFORMATION first, second;
    std::string line = "\"" + dir.File("service.exe") + "\" /LOGIT:UNIQUE";
    ASSERT_TRUE(StartProgramAsync(line, dir.Path(), &first));
    ASSERT_TRUE(StartProgramAsync(line, dir.Path(), &second));
    WaitProgram(&first, 20000);
    WaitProgram(&second, 20000);
    int count = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(dir.File("LOGIT_*.log").c_str(), &fd);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &fd)) count++;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    EXPECT_EQ(count, 2);
}
