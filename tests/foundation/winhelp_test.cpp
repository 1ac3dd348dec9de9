// HELPFILE: the companion topic lists, mappings and their bounds, which topics are
// shown (and how, read back from the log), and context help along parent windows.
#include "winhelp.h"

#include "kelvo.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

class HELPTEST : public testing::Test {
protected:
    void SetUp() override { LogitOption(("/LOGIT:" + log).c_str()); }
    void TearDown() override { LogitOption("/LOGITCLOSE"); }
    std::string Log()
    {
        LogitOption("/LOGITCLOSE");
        std::string content = ReadFileBytes(log);
        LogitOption(("/LOGITKEEP:" + log).c_str());
        return content;
    }
    bool Logged(const std::string& line) { return Log().find("] " + line + "\r\n") != std::string::npos; }

    TEMPDIR dir;
    std::string log = dir.File("help.log");
};

TEST_F(HELPTEST, IdsFileGivesTheTopics)
{
    ASSERT_TRUE(WriteFileBytes(dir.File("prog.ids"), "IDH_START 2000\n2015\nx 2802 more\n\nno number\nIDH_NEG -5\n"));
    ASSERT_TRUE(WriteFileBytes(dir.File("prog.cnt"), "1 999\n"));
    HELPFILE help;
    EXPECT_EQ(help.GetDefaultTopic(), -1);
    help.SetFilename(dir.File("prog.chm").c_str(), true);
    EXPECT_EQ(help.TopicCount(), 4);
    EXPECT_TRUE(help.HasTopic(2000));
    EXPECT_TRUE(help.HasTopic(2015));
    EXPECT_TRUE(help.HasTopic(2802));
    EXPECT_TRUE(help.HasTopic(-5));
    EXPECT_FALSE(help.HasTopic(999));
    EXPECT_TRUE(help.IsHtml());
    EXPECT_STREQ(help.GetFilename().Text(), dir.File("prog.chm").c_str());
    EXPECT_TRUE(Logged("HELPFILE::HELPFILE"));
    EXPECT_TRUE(Logged("~HELPFILE::HELPFILE"));
    EXPECT_TRUE(Logged("HELPFILE::SetFilename " + dir.File("prog.chm") + " (html= 1)"));
    EXPECT_TRUE(Logged("HELPFILE::SetFilename done, file is " + dir.File("prog.chm") + " (html= 1)"));
}

TEST_F(HELPTEST, CntFileWhenThereIsNoIdsFile)
{
    ASSERT_TRUE(WriteFileBytes(dir.File("old.cnt"), "Contents 10\r\nIndex 20\r\n"));
    HELPFILE help;
    help.SetFilename(dir.File("old.hlp").c_str(), false);
    EXPECT_EQ(help.TopicCount(), 2);
    EXPECT_TRUE(help.HasTopic(10));
    EXPECT_TRUE(help.HasTopic(20));
    EXPECT_FALSE(help.IsHtml());
}

TEST_F(HELPTEST, MissingCompanionIsReported)
{
    HELPFILE help;
    int reports = AssertCount();
    help.SetFilename(dir.File("none.chm").c_str(), true);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "fhelpcnt!=NULL");
    EXPECT_EQ(std::string(AssertLastInfo()), dir.File("none.cnt"));
    EXPECT_EQ(help.TopicCount(), 0);
    EXPECT_FALSE(help.ShowTopic(2000));
}

TEST_F(HELPTEST, TopicListAndLinesAreBounded)
{
    std::string ids;
    for (int i = 1; i <= HELPFILE_MAXHELPIDS + 10; i++) ids += "T " + std::to_string(i) + "\n";
    // The tail of an over-long line is no topic of its own.
    ids = "x " + std::string(600, 'a') + " 9999\n" + ids;
    ASSERT_TRUE(WriteFileBytes(dir.File("big.ids"), ids));
    HELPFILE help;
    int reports = AssertCount();
    help.SetFilename(dir.File("big.chm").c_str(), true);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "this->NumHelpIds<ARRAYMAX(this->HelpIds)");
    EXPECT_EQ(help.TopicCount(), HELPFILE_MAXHELPIDS);
    EXPECT_TRUE(help.HasTopic(HELPFILE_MAXHELPIDS));
    EXPECT_FALSE(help.HasTopic(HELPFILE_MAXHELPIDS + 1));
    EXPECT_FALSE(help.HasTopic(9999));
}

TEST_F(HELPTEST, MappingsFirstMatchAndBound)
{
    HELPFILE help;
    EXPECT_TRUE(help.AddMapping(2041, 2015));
    EXPECT_TRUE(help.AddMapping(2041, 3000));
    EXPECT_EQ(help.MapTopic(2041), 2015);
    EXPECT_EQ(help.MapTopic(2042), 2042);
    for (int i = 2; i < HELPFILE_MAXMAPPINGS; i++) EXPECT_TRUE(help.AddMapping(5000 + i, i));
    int reports = AssertCount();
    EXPECT_FALSE(help.AddMapping(1, 2));
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "this->NumMappings<ARRAYMAX(this->Mappings)");
    EXPECT_EQ(help.MapTopic(1), 1);
}

TEST_F(HELPTEST, OnlyKnownTopicsAreShown)
{
    ASSERT_TRUE(WriteFileBytes(dir.File("prog.ids"), "2015\n2030\n2000\n"));
    HELPFILE help;
    help.SetFilename(dir.File("prog.chm").c_str(), true);
    help.AddMapping(2041, 2015);
    help.AddMapping(2032, 2030);
    EXPECT_TRUE(help.ShowTopic(2041));
    EXPECT_TRUE(Logged("HELPFILE::ShowTopic " + dir.File("prog.chm") + "::html/topic-2015.html"));
    EXPECT_TRUE(help.ShowTopic(2000));
    EXPECT_TRUE(Logged("HELPFILE::ShowTopic " + dir.File("prog.chm") + "::html/topic-2000.html"));
    EXPECT_FALSE(help.ShowTopic(2015 + 1));
    EXPECT_FALSE(help.ShowTopic(2099));

    // Classic help: unknown topics never start the help program.
    ASSERT_TRUE(WriteFileBytes(dir.File("old.cnt"), "1 10\n"));
    HELPFILE classic;
    classic.SetFilename(dir.File("old.hlp").c_str(), false);
    EXPECT_FALSE(classic.ShowTopic(11));
}

TEST_F(HELPTEST, ContextHelpWalksUpTheParents)
{
    ASSERT_TRUE(WriteFileBytes(dir.File("prog.ids"), "77\n"));
    HELPFILE help;
    help.SetFilename(dir.File("prog.chm").c_str(), true);
    help.AddMapping(500, 77);
    HWND top = CreateWindowA("STATIC", "top", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND group = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 50, 50, top,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(500)), nullptr, nullptr);
    HWND field = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 10, 10, group,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(600)), nullptr, nullptr);
    ASSERT_TRUE(top && group && field);
    EXPECT_TRUE(help.ContextHelp(field, 600));
    EXPECT_TRUE(Logged("HELPFILE::ShowTopic " + dir.File("prog.chm") + "::html/topic-77.html"));
    help.SetDefaultTopic(2000);
    EXPECT_EQ(help.GetDefaultTopic(), 2000);
    HWND lonely = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 10, 10, top,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(601)), nullptr, nullptr);
    EXPECT_FALSE(help.ContextHelp(lonely, 601));
    DestroyWindow(top);
}

TEST_F(HELPTEST, NetworkFileThatCannotBeCopiedStaysInUse)
{
    HELPFILE help;
    help.SetSecondName("Horalink");
    EXPECT_STREQ(help.GetSecondName().Text(), "Horalink");
    help.SetFilename("\\\\nosuchserver\\share\\prog.chm", true);
    EXPECT_TRUE(Logged("HELPFILE::SetFilename file is on network"));
    EXPECT_STREQ(help.GetFilename().Text(), "\\\\nosuchserver\\share\\prog.chm");
}

TEST_F(HELPTEST, HelpHookShowsThroughTheHelpFile)
{
    ASSERT_TRUE(WriteFileBytes(dir.File("prog.ids"), "2016\n"));
    HELPFILE help;
    help.SetFilename(dir.File("prog.chm").c_str(), true);
    help.AddMapping(2042, 2016);
    EXPECT_TRUE(HELPFILE::ContextHelpHook(nullptr, 2042, &help));
    EXPECT_FALSE(HELPFILE::ContextHelpHook(nullptr, 2043, &help));
    EXPECT_FALSE(HELPFILE::ContextHelpHook(nullptr, 2042, nullptr));
    EXPECT_TRUE(Logged("HELPFILE::ShowTopic " + dir.File("prog.chm") + "::html/topic-2016.html"));
}
