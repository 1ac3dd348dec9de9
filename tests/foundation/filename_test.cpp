// FILENAME against Wine's real shell folders: placeholders, names relative to a
// folder, shell strings and their table, path parts, size, search, network test.
#include "filename.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

// A shell folder as the expansion uses it: without its trailing backslash.
static std::string folder(int which)
{
    STRING path = GetWin32SystemPath(which);
    path.RemoveTrailing('\\');
    return path.Text();
}

static std::string current_directory()
{
    char dir[MAX_PATH];
    GetCurrentDirectoryA(sizeof dir, dir);
    return dir;
}

class ShellStrings : public testing::Test {
protected:
    void SetUp() override { FILENAME::ShellStringsReset(); }
    void TearDown() override { FILENAME::ShellStringsReset(); }
};

TEST_F(ShellStrings, TildeIsTheDocumentsFolder)
{
    ASSERT_FALSE(folder(6).empty());
    EXPECT_EQ(std::string(FILENAME("~\\notes.txt").Text()), folder(6) + "\\notes.txt");
    EXPECT_EQ(std::string(FILENAME("~/notes.txt").Text()), folder(6) + "\\notes.txt");
    // Only "~\" at the start is the documents folder.
    EXPECT_STREQ(FILENAME("~notes.txt").Text(), "~notes.txt");
}

TEST_F(ShellStrings, StandardFoldersWithSlashesAndTrailingBackslash)
{
    EXPECT_EQ(std::string(FILENAME("%APPDATA%/x/y/").Text()), folder(5) + "\\x\\y");
    EXPECT_EQ(std::string(FILENAME("%appdata%\\x").Text()), folder(5) + "\\x");
    EXPECT_EQ(std::string(FILENAME("%USERDESKTOP%").Text()), folder(8));
    EXPECT_EQ(std::string(FILENAME("%USERPICTURES%\\a").Text()), folder(7) + "\\a");
    EXPECT_EQ(std::string(FILENAME("%ALLUSERPROFILE%\\a").Text()), folder(12) + "\\a");
    EXPECT_EQ(std::string(FILENAME("%ALLUSERAPPDATA%\\Kelvo").Text()), folder(13) + "\\Kelvo");
    EXPECT_EQ(std::string(FILENAME("%USERPROFILE%\\a").Text()), folder(6) + "\\a");
}

TEST_F(ShellStrings, OnlyALeadingNameIsExpanded)
{
    EXPECT_STREQ(FILENAME("c:\\%APPDATA%\\x").Text(), "c:\\%APPDATA%\\x");
    EXPECT_STREQ(FILENAME("%UNKNOWN%\\x").Text(), "%UNKNOWN%\\x");
}

TEST_F(ShellStrings, UserNameAnywhere)
{
    STRING user = OSYS::GetUserName();
    ASSERT_TRUE(user.NotEmpty());
    EXPECT_EQ(std::string(FILENAME("c:\\home\\%UserName%\\cfg").Text()),
              std::string("c:\\home\\") + user.Text() + "\\cfg");
}

TEST_F(ShellStrings, SetAddsAndReplacesByExactName)
{
    FILENAME::ShellStringSet("%MYDATA%", "d:\\data/", 0);
    EXPECT_STREQ(FILENAME("%MYDATA%\\a.cfg").Text(), "d:\\data\\a.cfg");
    FILENAME::ShellStringSet("%MYDATA%", "e:\\other", 0);
    EXPECT_STREQ(FILENAME("%mydata%/a.cfg").Text(), "e:\\other\\a.cfg");
    // A name differing in case is another entry; the earlier one is found first.
    FILENAME::ShellStringSet("%mydata%", "f:\\third", 0);
    EXPECT_STREQ(FILENAME("%MYDATA%\\a").Text(), "e:\\other\\a");
    EXPECT_STREQ(FILENAME::ShellStringGet("%mydata%").Text(), "f:\\third");
    // An entry without a value expands nothing.
    FILENAME::ShellStringSet("%EMPTY%", "", 0);
    EXPECT_STREQ(FILENAME("%EMPTY%\\a").Text(), "%EMPTY%\\a");
}

TEST_F(ShellStrings, EntriesAreTriedInTableOrderEachOnce)
{
    FILENAME::ShellStringSet("%FIRST%", "%SECOND%\\a", 0);
    FILENAME::ShellStringSet("%SECOND%", "c:\\b", 0);
    FILENAME::ShellStringSet("%THIRD%", "%FIRST%\\z", 0);
    EXPECT_STREQ(FILENAME("%FIRST%\\x").Text(), "c:\\b\\a\\x");
    // %FIRST% was already passed when %THIRD% put it there.
    EXPECT_STREQ(FILENAME("%THIRD%\\x").Text(), "%FIRST%\\z\\x");
}

TEST_F(ShellStrings, The33rdNameChangesNothing)
{
    // Six standard entries and 26 of our own fill the table.
    for (int i = 7; i <= SHELLSTRING_MAX; i++) {
        char name[32], value[32];
        snprintf(name, sizeof name, "%%N%d%%", i);
        snprintf(value, sizeof value, "c:\\v%d", i);
        FILENAME::ShellStringSet(name, value, i);
    }
    EXPECT_STREQ(FILENAME("%N32%\\x").Text(), "c:\\v32\\x");
    int reports = AssertCount();
    FILENAME::ShellStringSet("%N33%", "c:\\v33", 0);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_TRUE(FILENAME::ShellStringGet("%N33%").IsNull());
    EXPECT_STREQ(FILENAME("%N33%\\x").Text(), "%N33%\\x");
    // Existing names can still be changed in a full table.
    FILENAME::ShellStringSet("%N7%", "c:\\new", 0);
    EXPECT_STREQ(FILENAME("%N7%").Text(), "c:\\new");
    EXPECT_EQ(std::string(FILENAME("%APPDATA%").Text()), folder(5));
}

TEST(FileName, SlashesAndTrailingBackslashesButRootsKeepTheirs)
{
    EXPECT_STREQ(FILENAME("c:/a/b//").Text(), "c:\\a\\b");
    EXPECT_STREQ(FILENAME("c:\\").Text(), "c:\\");
    EXPECT_STREQ(FILENAME("c:/").Text(), "c:\\");
    EXPECT_STREQ(FILENAME("\\").Text(), "\\");
    EXPECT_STREQ(FILENAME("").Text(), "");
    EXPECT_STREQ(FILENAME(nullptr).Text(), "");
}

TEST(FileName, NameBelowAFolder)
{
    EXPECT_STREQ(FILENAME("d:\\some\\dir", "c:\\a.txt").Text(), "c:\\a.txt");
    EXPECT_STREQ(FILENAME("d:\\some\\dir", "\\a.txt").Text(), "\\a.txt");
    EXPECT_STREQ(FILENAME("d:\\some\\dir", "a.txt").Text(), "d:\\some\\dir\\a.txt");
    EXPECT_STREQ(FILENAME("d:\\some\\dir\\", "sub/a.txt").Text(), "d:\\some\\dir\\sub\\a.txt");
    EXPECT_EQ(std::string(FILENAME("", "a.txt").Text()), current_directory() + "\\a.txt");
    EXPECT_EQ(std::string(FILENAME(nullptr, "a.txt").Text()), current_directory() + "\\a.txt");
    EXPECT_EQ(std::string(FILENAME("%APPDATA%", "Kelvo/x.cfg").Text()), folder(5) + "\\Kelvo\\x.cfg");
    // An expanded name is absolute and ignores the folder.
    EXPECT_EQ(std::string(FILENAME("d:\\dir", "~\\n.txt").Text()), folder(6) + "\\n.txt");
}

TEST(FileName, SelfAndTemp)
{
    EXPECT_STREQ(FILENAME("<self>").Text(), KELVOAPP::ProgramPath());
    char temp[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA("TEMP", temp, sizeof temp), 0u);
    FILENAME a("<temp>");
    FILENAME b("<tmp>");
    EXPECT_STRNE(a.Text(), b.Text());
    EXPECT_STREQ(a.Directory().Text(), FILENAME(temp).Text());
    EXPECT_TRUE(OSYS::FileExists(a));
    EXPECT_TRUE(OSYS::FileExists(b));
    DeleteFileA(a);
    DeleteFileA(b);
}

TEST(FileName, TempWithoutTempVariableIsReported)
{
    char temp[MAX_PATH];
    GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    SetEnvironmentVariableA("TEMP", nullptr);
    int reports = AssertCount();
    FILENAME f("<temp>");
    SetEnvironmentVariableA("TEMP", temp);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "fname");
    EXPECT_STREQ(f.Text(), "");
}

TEST(FileName, PartsAndAbsoluteTest)
{
    FILENAME f("c:\\dir\\sub\\file.txt");
    EXPECT_TRUE(f.IsAbsolute());
    EXPECT_STREQ(f.Directory().Text(), "c:\\dir\\sub");
    EXPECT_STREQ(f.FilePart().Text(), "file.txt");
    FILENAME bare("file.txt");
    EXPECT_FALSE(bare.IsAbsolute());
    EXPECT_STREQ(bare.Directory().Text(), "");
    EXPECT_STREQ(bare.FilePart().Text(), "file.txt");
    EXPECT_TRUE(FILENAME("\\x").IsAbsolute());
    EXPECT_TRUE(FILENAME("q:x").IsAbsolute());
}

TEST(FileName, SizeAndSearch)
{
    TEMPDIR dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("a.txt"), "12345"));
    ASSERT_TRUE(WriteFileBytes(dir.File("b.txt"), ""));
    ASSERT_TRUE(WriteFileBytes(dir.File("c.log"), "x"));
    ASSERT_TRUE(CreateDirectoryA(dir.File("sub.txt").c_str(), nullptr));
    EXPECT_EQ(FILENAME(dir.File("a.txt").c_str()).FileSize(), 5);
    EXPECT_EQ(FILENAME(dir.File("b.txt").c_str()).FileSize(), 0);
    EXPECT_EQ(FILENAME(dir.File("none.txt").c_str()).FileSize(), -1);

    FILENAME folder(dir.Path().c_str());
    std::string files, dirs;
    for (STRING name = folder.FindFirst("*.txt"); name.NotNull(); name = folder.FindNext())
        (folder.FoundDirectory() ? dirs : files) += std::string(name.Text()) + ";";
    EXPECT_TRUE(files == "a.txt;b.txt;" || files == "b.txt;a.txt;") << files;
    EXPECT_EQ(dirs, "sub.txt;");
    EXPECT_TRUE(folder.FindNext().IsNull());
    EXPECT_TRUE(folder.FindFirst("*.none").IsNull());
    EXPECT_TRUE(FILENAME(dir.File("missing").c_str()).FindFirst("*").IsNull());
}

TEST(FileName, NetworkTest)
{
    EXPECT_FALSE(FILENAME("c:\\windows\\x.chm").IsOnNetwork());
    EXPECT_FALSE(FILENAME("relative.chm").IsOnNetwork());
    EXPECT_TRUE(FILENAME("\\\\server\\share\\x.chm").IsOnNetwork());
    EXPECT_FALSE(FILENAME("\\\\?\\c:\\x.chm").IsOnNetwork());

    int reports = AssertCount();
    EXPECT_FALSE(FILENAME("").IsOnNetwork());
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "fullname.NotEmpty()");

    // A drive letter that names no drive.
    char drive = 0;
    for (char d = 'Q'; d >= 'D' && !drive; d--) {
        char root[] = {d, ':', '\\', 0};
        if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) drive = d;
    }
    ASSERT_NE(drive, 0);
    char path[] = {drive, ':', '\\', 'x', 0};
    EXPECT_FALSE(FILENAME(path).IsOnNetwork());
    EXPECT_EQ(AssertCount(), reports + 2);
    EXPECT_STREQ(AssertLastCondition(), "rc!=0 && rc!=1");
}
