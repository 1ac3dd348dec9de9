// ATOMICFILE and BINARY::Save: the new content replaces the target only when
// committed, an abandoned or failed write leaves the old file and no temporary
// file, and writing in place is kept for appending.
#include "atomicfile.h"

#include "configfiles.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

typedef std::vector<std::string> NAMES;

TEST(AtomicFile, AbandonedWriteLeavesTheTargetAsItWas)
{
    TEMPDIR dir;
    std::string target = dir.File("t.cfg");
    ASSERT_TRUE(WriteFileBytes(target, "old"));
    {
        ATOMICFILE out;
        ASSERT_NE(out.Open(target.c_str(), "wb"), nullptr);
        EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u);  // the temporary file beside it
        fputs("half of the new", out.Stream());
        // Going out of scope without Commit stands for a write that failed midway.
    }
    ATOMICFILE out;
    ASSERT_NE(out.Open(target.c_str(), "wb"), nullptr);
    fputs("dropped", out.Stream());
    out.Abandon();
    EXPECT_FALSE(out.Commit());
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"t.cfg"}));
}

TEST(AtomicFile, CommitReplacesOrCreatesTheTargetOnce)
{
    TEMPDIR dir;
    std::string target = dir.File("t.cfg");
    ASSERT_TRUE(WriteFileBytes(target, "old content that is longer"));
    ATOMICFILE out;
    ASSERT_NE(out.Open(target.c_str(), "w"), nullptr);
    fputs("a\nb\n", out.Stream());
    EXPECT_TRUE(out.Commit());
    EXPECT_EQ(ReadFileBytes(target), "a\r\nb\r\n");  // text mode
    EXPECT_FALSE(out.Commit());
    ASSERT_NE(out.Open(dir.File("new.cfg").c_str(), "wb"), nullptr);
    fputs("a\nb\n", out.Stream());
    EXPECT_TRUE(out.Commit());
    EXPECT_EQ(ReadFileBytes(dir.File("new.cfg")), "a\nb\n");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"new.cfg", "t.cfg"}));
}

TEST(AtomicFile, BinarySaveReplacesWholeBareNamesTooAndAppendsInPlace)
{
    TEMPDIR dir;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    bool ok = BINARY("one\n").Save("t.log", "w");  // a bare name is written in the current folder
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(ok);
    std::string target = dir.File("t.log");
    EXPECT_TRUE(BINARY("two\n").Save(target.c_str(), "a"));
    EXPECT_EQ(ReadFileBytes(target), "one\r\ntwo\r\n");
    EXPECT_TRUE(BINARY("").Save(target.c_str(), "wb"));
    EXPECT_EQ(ReadFileBytes(target), "");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"t.log"}));

    ATOMICFILE out;
    REPORTS reports;
    EXPECT_EQ(out.Open(target.c_str(), "a"), nullptr);
    EXPECT_TRUE(reports.Were(1, "mode && mode[0] == 'w'", "a"));
    EXPECT_EQ(out.Open(nullptr, "w"), nullptr);
}
