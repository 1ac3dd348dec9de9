// The start-up frame: splitting the command line, the argument table with its
// argument files, the three argument queries, the language code and the
// development-tree rule.
#include "kelvo.h"
#include "kelvoapp.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static std::vector<std::string> tokens(const char* line)
{
    STRINGARRAY a = KELVOAPP::SplitCommandLine(line);
    std::vector<std::string> v;
    for (int i = 0; i < a.GetCount(); i++) v.push_back(a.GetItem(i)->Text());
    return v;
}

typedef std::vector<std::string> TEXTS;

TEST(CommandLine, BlanksSeparateAndQuotesGroup)
{
    EXPECT_EQ(tokens("prog  /A   \"x y\"  /B:1  "), (TEXTS{"prog", "/A", "x y", "/B:1"}));
    EXPECT_EQ(tokens("   "), TEXTS{});
    EXPECT_EQ(tokens("a\tb c"), (TEXTS{"a\tb", "c"}));  // tabs do not separate
    EXPECT_EQ(tokens("\"C:\\Program Files\\x.exe\" -o"), (TEXTS{"C:\\Program Files\\x.exe", "-o"}));
    EXPECT_EQ(tokens("a\"b\" c"), (TEXTS{"a\"b\"", "c"}));  // quotes inside a token are kept
    EXPECT_EQ(tokens("a \"unclosed rest"), (TEXTS{"a", "unclosed rest"}));
    EXPECT_EQ(tokens("\"\" x"), (TEXTS{"", "x"}));
}

class FRAME : public testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& f : files) DeleteFileA(f.c_str());
        KELVOAPP::Reset();
    }
    // Builds the argument table as WinMain does, from a command line after the program.
    void Prepare(const std::string& arguments)
    {
        std::string line = "\"" + std::string(KELVOAPP::ProgramPath()) + "\" " + arguments;
        KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), line.c_str());
    }
    // An argument file beside the test program: <program>_commandline.ini.
    void ArgumentFile(const std::string& content)
    {
        std::string path = KELVOAPP::ProgramPath();
        path = path.substr(0, path.size() - 4) + "_commandline.ini";
        WriteFileBytes(path, content);
        files.push_back(path);
    }
    std::vector<std::string> files;
};

TEST_F(FRAME, TableHoldsProgramPathThenArguments)
{
    Prepare(" /A   \"x y\"  /B:1  ");
    ASSERT_EQ(KELVOAPP::ArgCount(), 4);
    EXPECT_STREQ(KELVOAPP::ArgAt(0).Text(), KELVOAPP::ProgramPath());
    EXPECT_STREQ(KELVOAPP::ArgAt(1).Text(), "/A");
    EXPECT_STREQ(KELVOAPP::ArgAt(2).Text(), "x y");
    EXPECT_STREQ(KELVOAPP::ArgAt(3).Text(), "/B:1");
    EXPECT_FALSE(KELVOAPP::ArgAt(4).NotNull());
    EXPECT_FALSE(KELVOAPP::ArgAt(-1).NotNull());
    const STRINGARRAY* command = KELVOAPP::CommandTokens();
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->GetCount(), 4);
}

TEST_F(FRAME, ArgumentFileLinesAreStrippedAndEmptyLinesSkipped)
{
    ArgumentFile("  /LANG:ENGL \t\r\n\r\n\t\r\n/X\r\n-Y\r\nvalue");
    Prepare("/C");
    ASSERT_EQ(KELVOAPP::ArgCount(), 6);
    EXPECT_STREQ(KELVOAPP::ArgAt(1).Text(), "/C");
    EXPECT_STREQ(KELVOAPP::ArgAt(2).Text(), "/LANG:ENGL");
    EXPECT_STREQ(KELVOAPP::ArgAt(3).Text(), "/X");
    EXPECT_STREQ(KELVOAPP::ArgAt(5).Text(), "value");
    EXPECT_STREQ(GetArgValue("Y", 0).Text(), "value");
}

TEST_F(FRAME, TooManyArgumentsAreRefusedWithAReport)
{
    std::string many;
    for (int i = 0; i < 140; i++) many += " /N" + std::to_string(i);
    int before = AssertCount();
    Prepare(many);
    EXPECT_EQ(KELVOAPP::ArgCount(), ARGTABLE_SLOTS - 1);
    EXPECT_STREQ(KELVOAPP::ArgAt(126).Text(), "/N125");
    EXPECT_EQ(AssertCount(), before + 14);
    EXPECT_TRUE(TestArg("N125"));
    EXPECT_FALSE(TestArg("N126"));
}

TEST_F(FRAME, TestArgNeedsTheWholeNameTestArgValueAPrefix)
{
    Prepare("/LOGITX -Quiet /b:1 /B2");
    EXPECT_FALSE(TestArg("LOG"));
    EXPECT_TRUE(TestArgValue("LOG", 0));
    EXPECT_FALSE(TestArgValue("LOG", 1));
    EXPECT_TRUE(TestArg("quiet"));
    EXPECT_TRUE(TestArgValue("B", 1));
    EXPECT_FALSE(TestArgValue("B", 2));
    EXPECT_FALSE(TestArg("B"));
}

TEST_F(FRAME, GetArgValueFormsAndMissingValues)
{
    Prepare("/B:1 /B1 -B 2 /LANG: -last");
    EXPECT_STREQ(GetArgValue("B", 0).Text(), "1");
    EXPECT_STREQ(GetArgValue("B", 1).Text(), "1");
    EXPECT_STREQ(GetArgValue("B", 2).Text(), "2");
    EXPECT_FALSE(GetArgValue("B", 3).NotNull());
    STRING empty = GetArgValue("LANG", 0);
    EXPECT_TRUE(empty.NotNull());
    EXPECT_EQ(empty.Length(), 0);
    EXPECT_FALSE(GetArgValue("last", 0).NotNull());  // "-" form without a next argument
    EXPECT_FALSE(GetArgValue("nothing", 0).NotNull());
}

TEST_F(FRAME, LanguageWordsBecomeNumbers)
{
    const struct {
        const char* argument;
        int code;
    } cases[] = {{"/LANG:GER", 7}, {"/LANG:engl", 9}, {"/LANG:French", 12},
                 {"/LANG:HUNGARIAN", 14}, {"/LANG:12", 12}, {"-LANG 7", 7}};
    for (const auto& c : cases) {
        Prepare(c.argument);
        EXPECT_EQ(KELVOAPP::ChooseLanguageCode(), c.code) << c.argument;
        EXPECT_EQ(KELVOAPP::LanguageCode(), c.code);
        KELVOAPP::Reset();
    }
    Prepare("");
    EXPECT_EQ(KELVOAPP::ChooseLanguageCode(), static_cast<int>(GetThreadLocale() & 0x3FF));
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
    EXPECT_STREQ(KELVOAPP::DevTreeDirectory(release.c_str()).Text(), prog.c_str());
    EXPECT_STREQ(KELVOAPP::DevTreeDirectory((prog + "\\RELEASE").c_str()).Text(), prog.c_str());
    std::string other = prog + "\\other";
    EXPECT_STREQ(KELVOAPP::DevTreeDirectory(other.c_str()).Text(), other.c_str());

    DeleteFileA((prog + "\\main.cpp").c_str());
    WriteFileBytes(prog + "\\approot.cpp", "");
    EXPECT_STREQ(KELVOAPP::DevTreeDirectory((prog + "\\Debug2").c_str()).Text(), prog.c_str());
}
