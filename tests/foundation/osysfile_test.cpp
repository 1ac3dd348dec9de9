// The file-tree operations on real folders: making paths, listing order, copying
// with and without keeping existing files, deleting contents before folders.
#include "osysfile.h"

#include "kelvo.h"
#include "osys.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

// root: a.txt, b.log, sub\c.txt, sub\deep\d.txt, and optionally .hidden\e.txt
static void make_tree(const TEMPDIR& dir, bool hidden)
{
    ASSERT_TRUE(WriteFileBytes(dir.File("a.txt"), "a"));
    ASSERT_TRUE(WriteFileBytes(dir.File("b.log"), "b"));
    ASSERT_TRUE(CreateDirectoryA(dir.File("sub").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir.File("sub\\c.txt"), "c"));
    ASSERT_TRUE(CreateDirectoryA(dir.File("sub\\deep").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir.File("sub\\deep\\d.txt"), "d"));
    if (hidden) {
        ASSERT_TRUE(CreateDirectoryA(dir.File(".hidden").c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(dir.File(".hidden\\e.txt"), "e"));
    }
}

static int index_of(const STRINGARRAY& list, const std::string& path)
{
    for (int i = 0; i < list.GetCount(); i++)
        if (list.GetItem(i)->Text() == path) return i;
    return -1;
}

TEST(MakePath, CreatesEveryMissingFolder)
{
    TEMPDIR dir;
    std::string deep = dir.File("x\\y/z\\");
    EXPECT_TRUE(MakePath(deep.c_str()));
    EXPECT_TRUE(OSYS::FileIsDirectory(dir.File("x\\y\\z").c_str()));
    EXPECT_TRUE(MakePath(dir.File("x\\y").c_str()));
    // A file in the way.
    ASSERT_TRUE(WriteFileBytes(dir.File("file"), "f"));
    EXPECT_FALSE(MakePath(dir.File("file\\below").c_str()));
    EXPECT_FALSE(MakePath(""));
    EXPECT_TRUE(MakePath("c:\\"));
}

TEST(ListTree, ContentsBeforeTheirFolderAndDotFoldersSkipped)
{
    TEMPDIR dir;
    make_tree(dir, true);
    STRINGARRAY list;
    EXPECT_EQ(ListTree(dir.Path().c_str(), "*.txt", &list, true), 5);
    ASSERT_EQ(list.GetCount(), 5);
    int a = index_of(list, dir.File("a.txt"));
    int c = index_of(list, dir.File("sub\\c.txt"));
    int d = index_of(list, dir.File("sub\\deep\\d.txt"));
    int deep = index_of(list, dir.File("sub\\deep"));
    int sub = index_of(list, dir.File("sub"));
    EXPECT_GE(a, 0);
    EXPECT_GE(c, 0);
    EXPECT_LT(d, deep);
    EXPECT_LT(c, sub);
    EXPECT_LT(deep, sub);
    EXPECT_EQ(index_of(list, dir.File("b.log")), -1);
    EXPECT_EQ(index_of(list, dir.File(".hidden\\e.txt")), -1);

    STRINGARRAY flat;
    EXPECT_EQ(ListTree(dir.Path().c_str(), "*.*", &flat, false), 2);
    EXPECT_GE(index_of(flat, dir.File("a.txt")), 0);
    EXPECT_GE(index_of(flat, dir.File("b.log")), 0);
}

TEST(CopyTree, KeepReportsTheExistingFileAndCopiesTheRest)
{
    TEMPDIR from, to;
    make_tree(from, false);
    ASSERT_TRUE(WriteFileBytes(to.File("a.txt"), "old"));
    EXPECT_FALSE(CopyTree(from.Path().c_str(), (to.Path() + "\\").c_str(), "*.*", true, true));
    EXPECT_EQ(ReadFileBytes(to.File("a.txt")), "old");
    EXPECT_EQ(ReadFileBytes(to.File("b.log")), "b");
    EXPECT_EQ(ReadFileBytes(to.File("sub\\c.txt")), "c");
    EXPECT_EQ(ReadFileBytes(to.File("sub\\deep\\d.txt")), "d");

    EXPECT_TRUE(CopyTree(from.Path().c_str(), to.Path().c_str(), "*.*", true, false));
    EXPECT_EQ(ReadFileBytes(to.File("a.txt")), "a");
}

TEST(CopyTree, PatternRecursionAndNewTarget)
{
    TEMPDIR from, to;
    make_tree(from, false);
    std::string target = to.File("new\\place");
    EXPECT_TRUE(CopyTree(from.Path().c_str(), target.c_str(), "*.txt", false, true));
    EXPECT_EQ(ReadFileBytes(target + "\\a.txt"), "a");
    EXPECT_FALSE(FileExistsOnDisk(target + "\\b.log"));
    EXPECT_FALSE(FileExistsOnDisk(target + "\\sub"));
    EXPECT_FALSE(CopyTree(from.File("missing").c_str(), target.c_str(), "*.*", true, true));
}

TEST(DeleteTree, ContentsBeforeParents)
{
    TEMPDIR dir;
    std::string root = dir.File("data");
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(root + "\\a.txt", "a"));
    ASSERT_TRUE(MakePath((root + "\\sub\\deep").c_str()));
    ASSERT_TRUE(WriteFileBytes(root + "\\sub\\c.txt", "c"));
    ASSERT_TRUE(WriteFileBytes(root + "\\sub\\deep\\d.txt", "d"));
    // deep, sub and the folder itself.
    EXPECT_EQ(DeleteTree(root.c_str(), "*.*", true), 3);
    EXPECT_FALSE(FileExistsOnDisk(root));
}

TEST(DeleteTree, KeepsWhatIsNotListed)
{
    TEMPDIR dir;
    make_tree(dir, true);
    EXPECT_EQ(DeleteTree(dir.Path().c_str(), "*.txt", true), 2);
    EXPECT_TRUE(FileExistsOnDisk(dir.File("b.log")));
    EXPECT_TRUE(FileExistsOnDisk(dir.File(".hidden\\e.txt")));
    EXPECT_FALSE(FileExistsOnDisk(dir.File("a.txt")));
    EXPECT_FALSE(FileExistsOnDisk(dir.File("sub")));
}

TEST(DeleteTree, RefusesEmptyNamesAndRoots)
{
    int reports = AssertCount();
    EXPECT_EQ(DeleteTree("", "*.*", true), 0);
    EXPECT_EQ(DeleteTree("c:\\", "*.*", true), 0);
    EXPECT_EQ(DeleteTree("\\", "*.*", true), 0);
    EXPECT_EQ(AssertCount(), reports + 3);
    EXPECT_TRUE(FileExistsOnDisk("c:\\windows"));
}
