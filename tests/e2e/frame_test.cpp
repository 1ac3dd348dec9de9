// The three programs started for real: the language library and its fall-backs,
// the log of a whole run with its argument table, and the development-tree rule.
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

static std::string quoted(const std::string& path) { return "\"" + path + "\""; }

// A data folder whose settings need no first-start wizard and schedule no checks;
// returns the option that points horalink at it.
static std::string configured_data_folder(const TEMPDIR& dir)
{
    std::string data = dir.File("data");
    CreateDirectoryA(data.c_str(), nullptr);
    WriteFileBytes(data + "\\horalink.cfg", "ConnectionType=0\r\nTimeCyclic=0\r\nVersion=1.00\r\n");
    return " /WORKDIR:" + data;
}

// Closes horalink's main window of the process and waits for the process to end.
static PROGRAMRUN close_main_window(PROCESS_INFORMATION* pi)
{
    HWND main = WaitForWindowOfClass("KelvoHoralinkWinClass", pi->dwProcessId, 20000);
    EXPECT_NE(main, nullptr) << "no main window";
    if (main) PostMessageA(main, WM_CLOSE, 0, 0);
    return WaitProgram(pi, 20000);
}

TEST(LanguageLibrary, MissingEverywhereShowsTheBoxAndEndsWith99)
{
    TEMPDIR dir;
    copy_program("horalink.exe", dir.Path());
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(StartProgramAsync(quoted(dir.File("horalink.exe")), dir.Path(), &pi));
    HWND box = WaitForDialog("Kelvo Application", pi.dwProcessId, 20000);
    ASSERT_NE(box, nullptr);
    std::string text = DialogStaticText(box);
    EXPECT_EQ(text, "DLL not found:\r" + dir.File("horalinkenglish.dll"));
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
    std::string log = dir.File("run.log");
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(StartProgramAsync(quoted(dir.File("horalink.exe")) + " /LANG:FRENCH /LOGIT:" + log +
                                      configured_data_folder(dir),
                                  dir.Path(), &pi));
    PROGRAMRUN run = close_main_window(&pi);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.exitcode, 0u);
    std::string content = ReadFileBytes(log);
    EXPECT_NE(content.find("horalinkenglish.dll loaded, language 9"), std::string::npos) << content;
}

TEST(LanguageLibrary, GermanIsLoadedWhenAsked)
{
    TEMPDIR dir;
    copy_program("horalink.exe", dir.Path());
    copy_program("horalinkenglish.dll", dir.Path());
    copy_program("horalinkgerman.dll", dir.Path());
    std::string log = dir.File("run.log");
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(StartProgramAsync(quoted(dir.File("horalink.exe")) + " -LANG GER /LOGIT:" + log +
                                      configured_data_folder(dir),
                                  dir.Path(), &pi));
    PROGRAMRUN run = close_main_window(&pi);
    EXPECT_EQ(run.exitcode, 0u);
    EXPECT_NE(ReadFileBytes(log).find("horalinkgerman.dll loaded, language 7"), std::string::npos);
}

TEST(RunLog, StartsAtZeroListsEveryArgumentAndEndsLinesInCrLf)
{
    TEMPDIR dir;
    copy_program("service.exe", dir.Path());
    WriteFileBytes(dir.File("commandline.ini"), "/FROMFILE:1\r\n\r\n   /SECOND   \r\n");
    std::string log = dir.File("run.log");
    std::string line = quoted(dir.File("service.exe")) + "  /LOGIT:" + log + "   \"x y\"  /B:1  ";
    PROGRAMRUN run = RunProgram(line, dir.Path(), 20000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitcode, 0u);

    std::string content = ReadFileBytes(log);
    EXPECT_EQ(content.substr(0, 9), "[0000.00:");
    for (size_t i = 0; i < content.size(); i++) {
        if (content[i] == '\n') {
            ASSERT_TRUE(i > 0 && content[i - 1] == '\r') << "bare line feed at " << i;
        }
    }
    const char* expected[] = {
        "Program Argument 0= ", "Program Argument 1= /LOGIT:", "Program Argument 2= x y\r\n",
        "Program Argument 3= /B:1\r\n", "Program Argument 4= /FROMFILE:1\r\n",
        "Program Argument 5= /SECOND\r\n"};
    size_t pos = 0;
    for (const char* e : expected) {
        size_t found = content.find(e, pos);
        ASSERT_NE(found, std::string::npos) << e << "\n" << content;
        pos = found;
    }
    EXPECT_EQ(content.find("Program Argument 6="), std::string::npos);
    EXPECT_NE(content.find("Trying " + dir.File("commandline.ini")), std::string::npos);
    EXPECT_NE(content.find("Processing " + dir.File("service_commandline.ini") + " done"),
              std::string::npos);
    EXPECT_NE(content.find("] AppMain returned 0\r\n"), std::string::npos);
    // Nothing is written after the log is closed at the end of the run.
    EXPECT_EQ(content.substr(content.size() - 20), "AppMain returned 0\r\n");
}

TEST(RunLog, UniqueNamesDifferBetweenProcesses)
{
    TEMPDIR dir;
    copy_program("service.exe", dir.Path());
    PROCESS_INFORMATION first, second;
    std::string line = quoted(dir.File("service.exe")) + " /LOGIT:UNIQUE";
    ASSERT_TRUE(StartProgramAsync(line, dir.Path(), &first));
    ASSERT_TRUE(StartProgramAsync(line, dir.Path(), &second));
    WaitProgram(&first, 20000);
    WaitProgram(&second, 20000);
    int count = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(dir.File("LOGIT_*.log").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do count++;
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(count, 2);
}

TEST(DevTree, ProgramInReleaseBesideSourcesRunsFromTheSourceFolder)
{
    TEMPDIR dir;
    std::string prog = dir.File("prog");
    std::string release = prog + "\\Release";
    std::string work = dir.File("work");
    CreateDirectoryA(prog.c_str(), nullptr);
    CreateDirectoryA(release.c_str(), nullptr);
    CreateDirectoryA(work.c_str(), nullptr);
    copy_program("horalink.exe", release);
    copy_program("horalinkenglish.dll", prog);
    WriteFileBytes(prog + "\\main.cpp", "");
    std::string log = dir.File("run.log");
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(StartProgramAsync(
        quoted(release + "\\horalink.exe") + " /LOGIT:" + log + configured_data_folder(dir), work, &pi));
    PROGRAMRUN run = close_main_window(&pi);
    EXPECT_EQ(run.exitcode, 0u);
    std::string content = ReadFileBytes(log);
    EXPECT_NE(content.find("Current Directory: " + prog + " (exe directory)"), std::string::npos)
        << content;
    EXPECT_NE(content.find("Working Directory: " + work + " (gWorkDir"), std::string::npos);
    EXPECT_NE(content.find("LoadLanguageLibrary " + prog + "\\horalinkenglish.dll loaded"),
              std::string::npos);
}
