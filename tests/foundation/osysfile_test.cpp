// The file-tree operations on real folders: making paths, listing order, copying
// with and without keeping existing files, deleting contents before folders.
#include "osysfile.h"

#include "kelvo.h"
#include "osys.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

// a.txt, b.log, sub\c.txt, sub\deep\d.txt and optionally .hidden\e.txt below root,
// each file holding its own name.
static void make_tree(const std::string& root, bool hidden)
{
    for (const char* folder : {"sub\\deep", ".hidden"})
        ASSERT_TRUE((!hidden && folder[0] == '.') || MakePath((root + "\\" + folder).c_str()));
    for (const char* file : {"a.txt", "b.log", "sub\\c.txt", "sub\\deep\\d.txt", ".hidden\\e.txt"})
        ASSERT_TRUE((!hidden && file[0] == '.') || WriteFileBytes(root + "\\" + file, file));
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
    EXPECT_TRUE(MakePath(dir.File("x\\y/z\\").c_str()));
    EXPECT_TRUE(OSYS::FileIsDirectory(dir.File("x\\y\\z").c_str()));
    EXPECT_TRUE(MakePath(dir.File("x\\y").c_str()));
    ASSERT_TRUE(WriteFileBytes(dir.File("file"), "f"));
    EXPECT_FALSE(MakePath(dir.File("file\\below").c_str()));  // a file in the way
    EXPECT_FALSE(MakePath(""));
    EXPECT_TRUE(MakePath("c:\\"));
}

TEST(ListTree, ContentsBeforeTheirFolderAndDotFoldersSkipped)
{
    TEMPDIR dir;
    make_tree(dir.Path(), true);
    STRINGARRAY list;
    EXPECT_EQ(ListTree(dir.Path().c_str(), "*.txt", &list, true), 5);
    ASSERT_EQ(list.GetCount(), 5);
    int c = index_of(list, dir.File("sub\\c.txt"));
    int deep = index_of(list, dir.File("sub\\deep"));
    int sub = index_of(list, dir.File("sub"));
    EXPECT_GE(index_of(list, dir.File("a.txt")), 0);
    EXPECT_GE(c, 0);
    EXPECT_LT(index_of(list, dir.File("sub\\deep\\d.txt")), deep);
    EXPECT_LT(c, sub);
    EXPECT_LT(deep, sub);
    STRINGARRAY flat;
    EXPECT_EQ(ListTree(dir.Path().c_str(), "*.*", &flat, false), 2);
    EXPECT_GE(index_of(flat, dir.File("b.log")), 0);
}

TEST(CopyTree, KeepReportsTheExistingFileAndCopiesTheRest)
{
    TEMPDIR from, to;
    make_tree(from.Path(), false);
    ASSERT_TRUE(WriteFileBytes(to.File("a.txt"), "old"));
    EXPECT_FALSE(CopyTree(from.Path().c_str(), (to.Path() + "\\").c_str(), "*.*", true, true));
    EXPECT_EQ(ReadFileBytes(to.File("a.txt")), "old");
    EXPECT_EQ(ReadFileBytes(to.File("b.log")), "b.log");
    EXPECT_EQ(ReadFileBytes(to.File("sub\\deep\\d.txt")), "sub\\deep\\d.txt");
    EXPECT_TRUE(CopyTree(from.Path().c_str(), to.Path().c_str(), "*.*", true, false));
    EXPECT_EQ(ReadFileBytes(to.File("a.txt")), "a.txt");

    std::string target = to.File("new\\place");  // pattern, no recursion, a new target
    EXPECT_TRUE(CopyTree(from.Path().c_str(), target.c_str(), "*.txt", false, true));
    EXPECT_EQ(ReadFileBytes(target + "\\a.txt"), "a.txt");
    EXPECT_FALSE(FileExistsOnDisk(target + "\\b.log"));
    EXPECT_FALSE(FileExistsOnDisk(target + "\\sub"));
    EXPECT_FALSE(CopyTree(from.File("missing").c_str(), target.c_str(), "*.*", true, true));
}

TEST(DeleteTree, ContentsBeforeParentsAndOnlyWhatIsListed)
{
    TEMPDIR dir;
    std::string all = dir.File("all");
    make_tree(all, false);
    EXPECT_EQ(DeleteTree(all.c_str(), "*.*", true), 3);  // deep, sub and the folder itself
    EXPECT_FALSE(FileExistsOnDisk(all));
    make_tree(dir.Path(), true);
    EXPECT_EQ(DeleteTree(dir.Path().c_str(), "*.txt", true), 2);
    EXPECT_TRUE(FileExistsOnDisk(dir.File("b.log")));
    EXPECT_TRUE(FileExistsOnDisk(dir.File(".hidden\\e.txt")));
    EXPECT_FALSE(FileExistsOnDisk(dir.File("sub")));

    REPORTS reports;
    EXPECT_EQ(DeleteTree("", "*.*", true), 0);
    EXPECT_EQ(DeleteTree("c:\\", "*.*", true), 0);
    EXPECT_EQ(DeleteTree("\\", "*.*", true), 0);
    EXPECT_TRUE(reports.Were(3));
    EXPECT_TRUE(FileExistsOnDisk("c:\\windows"));
}

// A link inside the tree (or the tree itself being one) goes as a link: what it leads
// to is another folder's business.
TEST(DeleteTree, ALinkIsRemovedAsALinkAndWhatItLeadsToStays)
{
    TEMPDIR dir;
    std::string target = dir.File("target"), tree = dir.File("tree"), link = dir.File("link");
    ASSERT_TRUE(MakePath((target + "\\deep").c_str()));
    ASSERT_TRUE(WriteFileBytes(target + "\\deep\\keep.txt", "keep"));
    ASSERT_TRUE(MakePath(tree.c_str()));
    ASSERT_TRUE(WriteFileBytes(tree + "\\mine.txt", "mine"));
    for (const std::string& name : {tree + "\\inner", link}) {
        if (!CreateSymbolicLinkA(name.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
            GTEST_SKIP() << "no folder links here: " << GetLastError();
        DWORD attributes = GetFileAttributesA(name.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            GTEST_SKIP() << "the link made is no usable reparse point here (Wine 8 makes none)";
    }
    EXPECT_EQ(DeleteTree(tree.c_str(), "*.*", true), 2);  // the link and the tree
    EXPECT_FALSE(FileExistsOnDisk(tree));
    EXPECT_EQ(DeleteTree(link.c_str(), "*.*", true), 1);
    EXPECT_FALSE(FileExistsOnDisk(link));
    EXPECT_EQ(ReadFileBytes(target + "\\deep\\keep.txt"), "keep");
}
