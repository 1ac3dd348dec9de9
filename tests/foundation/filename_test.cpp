// FILENAME against Wine's real shell folders: placeholders, names relative to a
// folder, shell strings and their table, path parts, size, search, network test.
#include "filename.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "reports.h"
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

static std::string expanded(const char* name) { return FILENAME(name).Text(); }

class ShellStrings : public testing::Test {
protected:
    void SetUp() override { FILENAME::ShellStringsReset(); }
    void TearDown() override { FILENAME::ShellStringsReset(); }
};

TEST_F(ShellStrings, StandardFoldersTildeAndUserName)
{
    ASSERT_FALSE(folder(6).empty());
    EXPECT_EQ(expanded("~\\notes.txt"), folder(6) + "\\notes.txt");
    EXPECT_EQ(expanded("~/notes.txt"), folder(6) + "\\notes.txt");
    EXPECT_EQ(expanded("~notes.txt"), "~notes.txt");  // only "~\" at the start
    EXPECT_EQ(expanded("%APPDATA%/x/y/"), folder(5) + "\\x\\y");
    EXPECT_EQ(expanded("%appdata%\\x"), folder(5) + "\\x");
    EXPECT_EQ(expanded("%USERDESKTOP%"), folder(8));
    EXPECT_EQ(expanded("%USERPICTURES%\\a"), folder(7) + "\\a");
    EXPECT_EQ(expanded("%ALLUSERPROFILE%\\a"), folder(12) + "\\a");
    EXPECT_EQ(expanded("%ALLUSERAPPDATA%\\Kelvo"), folder(13) + "\\Kelvo");
    EXPECT_EQ(expanded("%USERPROFILE%\\a"), folder(6) + "\\a");
    EXPECT_EQ(expanded("c:\\%APPDATA%\\x"), "c:\\%APPDATA%\\x");  // only a leading name
    EXPECT_EQ(expanded("%UNKNOWN%\\x"), "%UNKNOWN%\\x");
    STRING user = OSYS::GetUserName();
    EXPECT_EQ(expanded("c:\\home\\%UserName%\\cfg"), std::string("c:\\home\\") + user.Text() + "\\cfg");
}

TEST_F(ShellStrings, SetAddsAndReplacesByExactNameEntriesAreTriedInOrderOnce)
{
    FILENAME::ShellStringSet("%MYDATA%", "d:\\data/", 0);
    EXPECT_EQ(expanded("%MYDATA%\\a.cfg"), "d:\\data\\a.cfg");
    FILENAME::ShellStringSet("%MYDATA%", "e:\\other", 0);
    // A name differing in case is another entry; the earlier one is found first.
    FILENAME::ShellStringSet("%mydata%", "f:\\third", 0);
    EXPECT_EQ(expanded("%mydata%/a.cfg"), "e:\\other\\a.cfg");
    EXPECT_STREQ(FILENAME::ShellStringGet("%mydata%").Text(), "f:\\third");
    FILENAME::ShellStringSet("%EMPTY%", "", 0);  // an entry without a value expands nothing
    EXPECT_EQ(expanded("%EMPTY%\\a"), "%EMPTY%\\a");

    FILENAME::ShellStringSet("%FIRST%", "%SECOND%\\a", 0);
    FILENAME::ShellStringSet("%SECOND%", "c:\\b", 0);
    FILENAME::ShellStringSet("%THIRD%", "%FIRST%\\z", 0);
    EXPECT_EQ(expanded("%FIRST%\\x"), "c:\\b\\a\\x");
    EXPECT_EQ(expanded("%THIRD%\\x"), "%FIRST%\\z\\x");  // %FIRST% was passed already
}

TEST_F(ShellStrings, The33rdNameChangesNothing)
{
    // Six standard entries and 26 of our own fill the table.
    for (int i = 7; i <= SHELLSTRING_MAX; i++)
        FILENAME::ShellStringSet(("%N" + std::to_string(i) + "%").c_str(),
                                 ("c:\\v" + std::to_string(i)).c_str(), i);
    EXPECT_EQ(expanded("%N32%\\x"), "c:\\v32\\x");
    REPORTS reports;
    FILENAME::ShellStringSet("%N33%", "c:\\v33", 0);
    EXPECT_TRUE(reports.Were(1));
    EXPECT_TRUE(FILENAME::ShellStringGet("%N33%").IsNull());
    EXPECT_EQ(expanded("%N33%\\x"), "%N33%\\x");
    FILENAME::ShellStringSet("%N7%", "c:\\new", 0);  // existing names can still change
    EXPECT_EQ(expanded("%N7%"), "c:\\new");
    EXPECT_EQ(expanded("%APPDATA%"), folder(5));
}

TEST(FileName, SlashesTrailingBackslashesAndNamesBelowAFolder)
{
    EXPECT_EQ(expanded("c:/a/b//"), "c:\\a\\b");
    EXPECT_EQ(expanded("c:/"), "c:\\");  // roots keep theirs
    EXPECT_EQ(expanded("\\"), "\\");
    EXPECT_EQ(expanded(nullptr), "");

    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(FILENAME("d:\\some\\dir", "c:\\a.txt").Text(), "c:\\a.txt");
    EXPECT_STREQ(FILENAME("d:\\some\\dir", "\\a.txt").Text(), "\\a.txt");
    EXPECT_STREQ(FILENAME("d:\\some\\dir\\", "sub/a.txt").Text(), "d:\\some\\dir\\sub\\a.txt");
    EXPECT_EQ(std::string(FILENAME("", "a.txt").Text()), std::string(current) + "\\a.txt");
    EXPECT_EQ(std::string(FILENAME(nullptr, "a.txt").Text()), std::string(current) + "\\a.txt");
    EXPECT_EQ(std::string(FILENAME("%APPDATA%", "Kelvo/x.cfg").Text()), folder(5) + "\\Kelvo\\x.cfg");
    // Absolute once expanded.
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
    EXPECT_TRUE(DeleteFileA(a) && DeleteFileA(b));  // created, so that the names stay unique

    SetEnvironmentVariableA("TEMP", nullptr);
    REPORTS reports;
    FILENAME none("<temp>");
    SetEnvironmentVariableA("TEMP", temp);
    EXPECT_TRUE(reports.Were(1, "fname"));
    EXPECT_STREQ(none.Text(), "");
}

TEST(FileName, PartsSizeAndSearch)
{
    // Whether absolute, the folder and the file part.
    std::string parts;
    for (const char* name : {"c:\\dir\\sub\\file.txt", "file.txt", "q:x"}) {
        FILENAME f(name);
        parts += std::to_string(f.IsAbsolute()) + " " + f.Directory().Text() + " " + f.FilePart().Text() + "|";
    }
    EXPECT_EQ(parts, "1 c:\\dir\\sub file.txt|0  file.txt|1  q:x|");

    TEMPDIR dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("a.txt"), "12345"));
    ASSERT_TRUE(WriteFileBytes(dir.File("b.txt"), ""));
    ASSERT_TRUE(WriteFileBytes(dir.File("c.log"), "x"));
    ASSERT_TRUE(CreateDirectoryA(dir.File("sub.txt").c_str(), nullptr));
    EXPECT_EQ(FILENAME(dir.File("a.txt").c_str()).FileSize(), 5);
    EXPECT_EQ(FILENAME(dir.File("none.txt").c_str()).FileSize(), -1);
    FILENAME folder(dir.Path().c_str());
    std::string files, dirs;
    for (STRING name = folder.FindFirst("*.txt"); name.NotNull(); name = folder.FindNext())
        (folder.FoundDirectory() ? dirs : files) += std::string(name.Text()) + ";";
    EXPECT_TRUE(files == "a.txt;b.txt;" || files == "b.txt;a.txt;") << files;
    EXPECT_EQ(dirs, "sub.txt;");
    EXPECT_TRUE(folder.FindNext().IsNull());
    EXPECT_TRUE(FILENAME(dir.File("missing").c_str()).FindFirst("*").IsNull());
}

TEST(FileName, NetworkTest)
{
    EXPECT_FALSE(FILENAME("c:\\windows\\x.chm").IsOnNetwork());
    EXPECT_FALSE(FILENAME("relative.chm").IsOnNetwork());
    EXPECT_TRUE(FILENAME("\\\\server\\share\\x.chm").IsOnNetwork());
    EXPECT_FALSE(FILENAME("\\\\?\\c:\\x.chm").IsOnNetwork());
    REPORTS reports;
    EXPECT_FALSE(FILENAME("").IsOnNetwork());
    EXPECT_TRUE(reports.Were(1, "fullname.NotEmpty()"));
    char drive = 0;  // a drive letter that names no drive
    for (char d = 'Q'; d >= 'D' && !drive; d--) {
        char root[] = {d, ':', '\\', 0};
        if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) drive = d;
    }
    ASSERT_NE(drive, 0);
    char path[] = {drive, ':', '\\', 'x', 0};
    EXPECT_FALSE(FILENAME(path).IsOnNetwork());
    EXPECT_TRUE(reports.Were(1, "rc!=0 && rc!=1"));
}
