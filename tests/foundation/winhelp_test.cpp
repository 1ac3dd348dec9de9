// HELPFILE: the companion topic lists, mappings and their bounds, which topics are
// shown (and how, read back from the log), context help along parent windows, and a
// help file on the network.
#include "winhelp.h"

#include "logcapture.h"
#include "reports.h"

#include <gtest/gtest.h>

#include <string>

class HELPTEST : public testing::Test {
protected:
    // A help file of the folder with its companion list of topics, "" for none.
    std::string Help(const char* name, const char* ids, const char* cnt = "")
    {
        std::string base = dir.File(name);
        EXPECT_TRUE(!*ids || WriteFileBytes(base + ".ids", ids));
        EXPECT_TRUE(!*cnt || WriteFileBytes(base + ".cnt", cnt));
        return base + ".chm";
    }
    // Whether the log holds line.
    bool Logged(const std::string& line)
    {
        return log.Text().find("] " + line + "\r\n") != std::string::npos;
    }

    LOGCAPTURE log;
    TEMPDIR dir;
};

TEST_F(HELPTEST, CompanionListGivesTheTopics)
{
    // The ids file wins over the cnt file; each line's number after its first blank.
    std::string file =
        Help("prog", "IDH_START 2000\n2015\nx 2802 more\n\nno number\nIDH_NEG -5\n", "1 999\n");
    HELPFILE help;
    EXPECT_EQ(help.GetDefaultTopic(), -1);
    help.SetFilename(file.c_str(), true);
    EXPECT_EQ(help.TopicCount(), 4);
    for (int topic : {2000, 2015, 2802, -5}) EXPECT_TRUE(help.HasTopic(topic)) << topic;
    EXPECT_FALSE(help.HasTopic(999));

    HELPFILE classic;  // without an ids file, the cnt file
    classic.SetFilename(Help("old", "", "Contents 10\r\nIndex 20\r\n").c_str(), false);
    EXPECT_TRUE(classic.HasTopic(10) && classic.HasTopic(20) && classic.TopicCount() == 2);

    REPORTS reports;
    HELPFILE none;
    none.SetFilename(Help("none", "").c_str(), true);
    EXPECT_TRUE(reports.Were(1, "fhelpcnt!=NULL", dir.File("none.cnt").c_str()));
    EXPECT_EQ(none.TopicCount(), 0);
    EXPECT_FALSE(none.ShowTopic(2000));

    // A network file that cannot be copied stays in use.
    HELPFILE remote;
    remote.SetFilename("\\\\nosuchserver\\share\\prog.chm", true);
    EXPECT_STREQ(remote.GetFilename().Text(), "\\\\nosuchserver\\share\\prog.chm");
    EXPECT_TRUE(Logged("HELPFILE::SetFilename file is on network"));
    EXPECT_TRUE(Logged("HELPFILE::SetFilename done, file is " + file + " (html= 1)"));
}

TEST_F(HELPTEST, TopicListMappingsAndLinesAreBounded)
{
    std::string ids;
    for (int i = 1; i <= HELPFILE_MAXHELPIDS + 10; i++) ids += "T " + std::to_string(i) + "\n";
    // The tail of an over-long line is no topic of its own.
    ids = "x " + std::string(600, 'a') + " 9999\n" + ids;
    REPORTS reports;
    HELPFILE help;
    help.SetFilename(Help("big", ids.c_str()).c_str(), true);
    EXPECT_TRUE(reports.Were(1, "this->NumHelpIds<ARRAYMAX(this->HelpIds)"));
    EXPECT_EQ(help.TopicCount(), HELPFILE_MAXHELPIDS);
    EXPECT_TRUE(help.HasTopic(HELPFILE_MAXHELPIDS));
    EXPECT_FALSE(help.HasTopic(HELPFILE_MAXHELPIDS + 1));
    EXPECT_FALSE(help.HasTopic(9999));

    EXPECT_TRUE(help.AddMapping(2041, 2015));
    EXPECT_TRUE(help.AddMapping(2041, 3000));
    EXPECT_EQ(help.MapTopic(2041), 2015);  // the first match
    EXPECT_EQ(help.MapTopic(2042), 2042);
    for (int i = 2; i < HELPFILE_MAXMAPPINGS; i++) EXPECT_TRUE(help.AddMapping(5000 + i, i));
    EXPECT_FALSE(help.AddMapping(1, 2));
    EXPECT_TRUE(reports.Were(1, "this->NumMappings<ARRAYMAX(this->Mappings)"));
    EXPECT_EQ(help.MapTopic(1), 1);
}

TEST_F(HELPTEST, OnlyKnownTopicsAreShownThroughTheHookAndAlongTheParents)
{
    std::string file = Help("prog", "2015\n2030\n2000\n77\n");
    HELPFILE help;
    help.SetFilename(file.c_str(), true);
    help.AddMapping(2041, 2015);
    help.AddMapping(500, 77);
    EXPECT_TRUE(help.ShowTopic(2000));
    EXPECT_FALSE(help.ShowTopic(2016));
    EXPECT_TRUE(HELPFILE::ContextHelpHook(nullptr, 2041, &help));
    EXPECT_FALSE(HELPFILE::ContextHelpHook(nullptr, 2043, &help));
    EXPECT_FALSE(HELPFILE::ContextHelpHook(nullptr, 2041, nullptr));

    // Context help: the first window up the parents with a topic.
    auto child = [](HWND parent, int id) {
        return CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 10, 10, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    HWND top = CreateWindowA("STATIC", "top", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                             nullptr, nullptr);
    HWND field = child(child(top, 500), 600);
    ASSERT_TRUE(field);
    EXPECT_TRUE(help.ContextHelp(field, 600));
    EXPECT_FALSE(help.ContextHelp(child(top, 601), 601));
    DestroyWindow(top);

    // Classic help: unknown topics never start the help program.
    HELPFILE classic;
    classic.SetFilename(Help("old", "", "1 10\n").c_str(), false);
    EXPECT_FALSE(classic.ShowTopic(11));

    for (int topic : {2000, 2015, 77})
        EXPECT_TRUE(Logged("HELPFILE::ShowTopic " + file + "::html/topic-" + std::to_string(topic) + ".html"))
            << topic;
}
