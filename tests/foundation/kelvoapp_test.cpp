// The start-up frame: splitting the command line, the argument table with its
// argument files, the three argument queries, the language code and the
// development-tree rule.
#include "kelvoapp.h"

#include "configfiles.h"
#include "englishlibrary.h"
#include "kelvo.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

typedef std::vector<std::string> TEXTS;

static TEXTS tokens(const char* line)
{
    STRINGARRAY a = KELVOAPP::SplitCommandLine(line);
    TEXTS v;
    for (int i = 0; i < a.GetCount(); i++) v.push_back(a.GetItem(i)->Text());
    return v;
}

static TEXTS table()
{
    TEXTS v;
    for (int i = 0; i < KELVOAPP::ArgCount(); i++) v.push_back(KELVOAPP::ArgAt(i).Text());
    return v;
}

TEST(CommandLine, BlanksSeparateAndQuotesGroup)
{
    EXPECT_EQ(tokens("prog  /A   \"x y\"  /B:1  "), (TEXTS{"prog", "/A", "x y", "/B:1"}));
    EXPECT_EQ(tokens("   "), TEXTS{});
    EXPECT_EQ(tokens("a\tb c"), (TEXTS{"a\tb", "c"}));  // tabs do not separate
    EXPECT_EQ(tokens("a\"b\" c"), (TEXTS{"a\"b\"", "c"}));  // quotes inside a token are kept
    EXPECT_EQ(tokens("a \"unclosed rest"), (TEXTS{"a", "unclosed rest"}));
    EXPECT_EQ(tokens("\"\" x"), (TEXTS{"", "x"}));
}

class FRAME : public testing::Test {
protected:
    void TearDown() override
    {
        DeleteFileA(ArgumentFileName().c_str());
        KELVOAPP::Reset();
    }
    // Builds the argument table as WinMain does, from a command line after the program.
    void Prepare(const std::string& arguments)
    {
        std::string line = "\"" + std::string(KELVOAPP::ProgramPath()) + "\" " + arguments;
        KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), line.c_str());
    }
    // The argument file beside the test program: <program>_commandline.ini.
    static std::string ArgumentFileName()
    {
        std::string path = KELVOAPP::ProgramPath();
        return path.substr(0, path.size() - 4) + "_commandline.ini";
    }
};

TEST_F(FRAME, TableHoldsProgramPathArgumentsAndArgumentFileLines)
{
    WriteFileBytes(ArgumentFileName(), "  /LANG:ENGL \t\r\n\r\n\t\r\n-Y\r\nvalue");
    Prepare(" /A   \"x y\"  /B:1  ");
    std::string self = KELVOAPP::ProgramPath();
    EXPECT_EQ(table(), (TEXTS{self, "/A", "x y", "/B:1", "/LANG:ENGL", "-Y", "value"}));
    EXPECT_TRUE(KELVOAPP::ArgAt(7).IsNull() && KELVOAPP::ArgAt(-1).IsNull());
    ASSERT_NE(KELVOAPP::CommandTokens(), nullptr);
    EXPECT_EQ(KELVOAPP::CommandTokens()->GetCount(), 4);  // argument files are not in argv
    EXPECT_STREQ(GetArgValue("Y", 0).Text(), "value");
}

TEST_F(FRAME, TooManyArgumentsAreRefusedWithAReport)
{
    std::string many;
    for (int i = 0; i < 140; i++) many += " /N" + std::to_string(i);
    REPORTS reports;
    Prepare(many);
    EXPECT_TRUE(reports.Were(14));
    EXPECT_EQ(KELVOAPP::ArgCount(), ARGTABLE_SLOTS - 1);
    EXPECT_TRUE(TestArg("N125"));
    EXPECT_FALSE(TestArg("N126"));
}

TEST_F(FRAME, ArgumentQueries)
{
    Prepare("/LOGITX -Quiet /b:1 /B2 -B 2 /LANG: -last");
    EXPECT_FALSE(TestArg("LOG"));
    EXPECT_TRUE(TestArgValue("LOG", 0));
    EXPECT_FALSE(TestArgValue("LOG", 1));
    EXPECT_TRUE(TestArg("quiet"));
    EXPECT_TRUE(TestArgValue("B", 2));
    EXPECT_FALSE(TestArgValue("B", 3));
    // The three forms "/b:1", "/B2" and "-B 2"; "-last" has no next argument for its value.
    EXPECT_EQ(DumpValue(GetArgValue("B", 0)) + "|" + DumpValue(GetArgValue("B", 1)) + "|" +
                  DumpValue(GetArgValue("B", 2)) + "|" + DumpValue(GetArgValue("B", 3)),
              "1|2|2|<null>");
    EXPECT_EQ(DumpValue(GetArgValue("LANG", 0)) + "|" + DumpValue(GetArgValue("last", 0)), "|<null>");
}

TEST_F(FRAME, LanguageWordsBecomeNumbers)
{
    const struct { const char* argument; int code; } cases[] = {
        {"/LANG:GER", 7}, {"/LANG:engl", 9}, {"/LANG:French", 12}, {"/LANG:HUNGARIAN", 14}, {"-LANG 12", 12}};
    for (const auto& c : cases) {
        Prepare(c.argument);
        EXPECT_EQ(KELVOAPP::ChooseLanguageCode(), c.code) << c.argument;
        EXPECT_EQ(KELVOAPP::LanguageCode(), c.code);
        KELVOAPP::Reset();
    }
    Prepare("");
    EXPECT_EQ(KELVOAPP::ChooseLanguageCode(), static_cast<int>(GetThreadLocale() & 0x3FF));
}

// The log hears of every change: reports come in the language and under the title of
// the moment.
TEST_F(FRAME, TheLogReportsInTheFramesLanguageUnderItsTitle)
{
    std::string before = ReadFileBytes("assert.log");
    KELVOAPP::SetLanguageCode(7);
    Assert(false, "first", "a.cpp", 1, nullptr, true);
    LoadEnglishLibrary();
    Assert(false, "second", "a.cpp", 2, nullptr, true);
    KELVOAPP::Reset();
    Assert(false, "third", "a.cpp", 3, nullptr, true);
    std::string added = ReadFileBytes("assert.log").substr(before.size());
    size_t second = added.find("--- Kelvo Application (Horalink 1.00) --- ");
    size_t third = added.find("--- Kelvo Application --- ", 1);
    ASSERT_EQ(added.find("--- Kelvo Application --- "), 0u) << added;
    ASSERT_TRUE(second != std::string::npos && third != std::string::npos && second < third) << added;
    EXPECT_NE(added.substr(0, second).find("Bedingung: first"), std::string::npos) << added;
    EXPECT_NE(added.substr(second, third - second).find("Condition: second"), std::string::npos)
        << added;
    EXPECT_NE(added.find("Condition: third", third), std::string::npos) << added;
}

TEST(DevTree, BuildFoldersAreCutBackBesideTheSources)
{
    TEMPDIR dir;
    std::string prog = dir.File("prog");
    CreateDirectoryA(prog.c_str(), nullptr);
    for (const char* sub : {"Release", "Debug2", "other"})
        CreateDirectoryA((prog + "\\" + sub).c_str(), nullptr);
    std::string release = prog + "\\Release";
    EXPECT_STREQ(KELVOAPP::DevTreeDirectory(release.c_str()).Text(), release.c_str());
    WriteFileBytes(prog + "\\main.cpp", "");
    EXPECT_STREQ(KELVOAPP::DevTreeDirectory((prog + "\\RELEASE").c_str()).Text(), prog.c_str());
    std::string other = prog + "\\other";
    EXPECT_STREQ(KELVOAPP::DevTreeDirectory(other.c_str()).Text(), other.c_str());
    DeleteFileA((prog + "\\main.cpp").c_str());
    WriteFileBytes(prog + "\\approot.cpp", "");
    EXPECT_STREQ(KELVOAPP::DevTreeDirectory((prog + "\\Debug2").c_str()).Text(), prog.c_str());
}
