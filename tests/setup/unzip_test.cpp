// The ZIP engine on archives no current tool writes: the legacy methods of the shared
// test data decode to their recorded content; encrypted and unknown entries fail with
// their texts; names that lead outside and damaged entries are refused without a file
// written outside the folder or half a file left behind.
#include "testfiles.h"
#include "unzip.h"
#include "unzipper.h"
#include "zipwriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <windows.h>

#include <string>
#include <vector>

static int list(const std::string& archive)
{
    const char* args[] = {"unzip", "-v", archive.c_str()};
    return Unzip(3, args);
}

static int extract(const std::string& archive, const std::string& entry, const std::string& folder)
{
    const char* args[] = {"unzip", "-qq", archive.c_str(), entry.c_str(), "-d", folder.c_str()};
    return Unzip(6, args);
}

static uint32_t crc_of(const std::string& bytes)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// Every file and folder below folder, "\" between names.
static std::vector<std::string> tree(const std::string& folder, const std::string& prefix = "")
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        names.push_back(prefix + name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            for (const std::string& below : tree(folder + "\\" + name, prefix + name + "\\")) names.push_back(below);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
}

TEST(Unzip, LegacyMethodsDecodeToTheirRecordedContent)
{
    struct CASE {
        const char* archive;
        const char* entry;
        uint32_t size, crc;
        const char* expected;
    } cases[] = {
        {"acc_SHRUNK.ZIP", "TEST1.XML", 76, 0x393a497a, nullptr},
        {"acc_SHRUNK.ZIP", "TEST2.XML", 81, 0xd19abf92, nullptr},
        {"acc_imploding-4Kdict-2trees.zip", "HEADER.TXT", 818, 0x3222d8c7, nullptr},
        {"acc_imploding-8Kdict-3trees.zip", "LICENSE.TXT", 11560, 0x495fc599, nullptr},
        {"zip2_shrink.zip", "FIRST.TXT", 1092, 0x22957a6e, "zip2_first.txt"},
        {"zip2_reduce.zip", "first.txt", 1092, 0x22957a6e, "zip2_first.txt"},
        {"zip2_implode.zip", "first.txt", 1092, 0x22957a6e, "zip2_first.txt"},
        {"sharpcompress_Zip.shrink.zip", "TECT.TXT", 15498, 0x9bd160fa, "sharpcompress_TECT.TXT"},
        {"sharpcompress_Zip.shrink.zip", "TEST.EXE", 45056, 0xcfb109c8, "sharpcompress_TEST.EXE"},
        {"sharpcompress_Zip.shrink.zip", "TEST.JPG", 40372, 0x088814e3, "sharpcompress_TEST.JPG"},
        {"sharpcompress_Zip.reduce1.zip", "TEST.EXE", 45056, 0xcfb109c8, "sharpcompress_TEST.EXE"},
        {"sharpcompress_Zip.reduce1.zip", "TEST.JPG", 40372, 0x088814e3, "sharpcompress_TEST.JPG"},
        {"sharpcompress_Zip.reduce2.zip", "TEST.EXE", 45056, 0xcfb109c8, "sharpcompress_TEST.EXE"},
        {"sharpcompress_Zip.reduce2.zip", "TEST.JPG", 40372, 0x088814e3, "sharpcompress_TEST.JPG"},
        {"sharpcompress_Zip.reduce3.zip", "TEST.EXE", 45056, 0xcfb109c8, "sharpcompress_TEST.EXE"},
        {"sharpcompress_Zip.reduce3.zip", "TEST.JPG", 40372, 0x088814e3, "sharpcompress_TEST.JPG"},
        {"sharpcompress_Zip.reduce4.zip", "TEST.EXE", 45056, 0xcfb109c8, "sharpcompress_TEST.EXE"},
        {"sharpcompress_Zip.reduce4.zip", "TEST.JPG", 40372, 0x088814e3, "sharpcompress_TEST.JPG"},
        {"sharpcompress_Zip.implode.zip", "EXE/TEST.EXE", 45056, 0xcfb109c8, "sharpcompress_TEST.EXE"},
        {"sharpcompress_Zip.implode.zip", "JPG/TEST.JPG", 40372, 0x088814e3, "sharpcompress_TEST.JPG"},
        {"sharpcompress_Zip.implode.zip", "\xe2\xa5\xe1\xe2.txt", 15498, 0x9bd160fa, "sharpcompress_TECT.TXT"},
    };
    TEMPDIR dir;
    for (const CASE& c : cases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.entry);
        std::string archive = SharedTestData(std::string("zip\\") + c.archive);
        ASSERT_EQ(list(archive), 0) << UnzipError();
        bool listed = false;
        for (int i = 0; i < ZIPLIST_ENTRIES; i++)
            if (std::string(ZipListing().Name[i]) == c.entry) listed = ZipListing().Size[i] == c.size;
        EXPECT_TRUE(listed);
        ASSERT_EQ(extract(archive, c.entry, dir.Path()), 0) << UnzipError();
        std::string file = dir.File(c.entry);
        for (char& ch : file)
            if (ch == '/') ch = '\\';
        std::string bytes = ReadFileBytes(file);
        EXPECT_EQ(bytes.size(), c.size);
        EXPECT_EQ(crc_of(bytes), c.crc);
        if (c.expected) {
            EXPECT_TRUE(bytes == ReadFileBytes(SharedTestData(std::string("zip\\expected\\") + c.expected)));
        }
    }
}

TEST(Unzip, EncryptedAndUnknownEntriesFailWithTheirTexts)
{
    struct CASE {
        const char* archive;
        const char* entry;
        const char* error;
    } cases[] = {
        {"libarchive_traditional_encryption_data.zip", "bar.txt", "bar.txt: encrypted (not supported)"},
        {"libarchive_strong_encryption_data.zip", "foo.txt", "foo.txt: encrypted (not supported)"},
        {"libarchive_winzip_aes128.zip", "README", "README: encrypted (not supported)"},
        {"libarchive_ppmd8.zipx", "vimrc", "vimrc: unknown compression method"},
        {"libarchive_symlink_unsupported_compression.zip", "bad_symlink", "bad_symlink: unknown compression method"},
    };
    TEMPDIR dir;
    for (const CASE& c : cases) {
        std::string archive = SharedTestData(std::string("zip\\") + c.archive);
        ASSERT_EQ(list(archive), 0) << c.archive << ": " << UnzipError();
        EXPECT_EQ(extract(archive, c.entry, dir.Path()), UNZIP_UNSUPPORTED) << c.archive;
        EXPECT_EQ(std::string(UnzipError()), c.error);
    }
    EXPECT_EQ(tree(dir.Path()), std::vector<std::string>());
    // The entry after a failed one is read as usual.
    std::string archive = SharedTestData("zip\\libarchive_symlink_unsupported_compression.zip");
    ASSERT_EQ(extract(archive, "second", dir.Path()), 0) << UnzipError();
    EXPECT_EQ(ReadFileBytes(dir.File("second")), "hello world");
}

TEST(Unzip, NamesThatLeadOutsideTheFolderAreRefused)
{
    const char* names[] = {"../x",       "/x",          "C:\\x",    "..\\x",  "aux",     "sub/../../x",
                           "sub/aux.txt", "sub\\..\\x", "a/./x",    "x:data", "...\\x",  "\\\\server\\x",
                           "sub/com1",   "x?",          "sub/ /x"};
    TEMPDIR dir;
    std::string target = dir.File("target");
    for (const char* name : names) {
        SCOPED_TRACE(name);
        std::string archive = dir.File("evil.zip");
        ASSERT_TRUE(WriteFileBytes(archive, MakeZip({{"good.txt", "good"}, {name, "escaped"}})));
        EXPECT_EQ(list(archive), UNZIP_DAMAGED);
        EXPECT_EQ(std::string(UnzipError()), std::string("the entry ") + name + " leads outside the folder: refused");
        EXPECT_EQ(ZipListing().Name[0][0], 0) << "nothing of the archive is listed";
        EXPECT_EQ(extract(archive, name, target), UNZIP_DAMAGED);
        EXPECT_EQ(std::string(UnzipError()), std::string(name) + ": the entry's name leads outside the folder: refused");
    }
    EXPECT_EQ(tree(dir.Path()), (std::vector<std::string>{"evil.zip"}));
    EXPECT_FALSE(FileExistsOnDisk("C:\\x"));
}

TEST(Unzip, ADamagedEntryNeverLeavesHalfAFile)
{
    TEMPDIR dir;
    std::string big(200000, 'a');
    for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>('a' + i % 26);
    std::string deflated = DeflateRaw(big);
    struct CASE {
        ZIPITEM item;
        const char* error;
    } cases[] = {
        {{"app.exe", big, false, -1, 0, true}, "app.exe: damaged data: CRC error"},
        {{"app.exe", big, true, -1, 0, true}, "app.exe: damaged data: CRC error"},
        {{"app.exe", deflated.substr(0, deflated.size() / 2), false, 8}, "app.exe: damaged data"},
        {{"app.exe", std::string(100, '\xff'), false, 8}, "app.exe: damaged data"},
    };
    for (const CASE& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.File("app.exe"), "the old program"));
        ASSERT_TRUE(WriteFileBytes(dir.File("bad.zip"), MakeZip({c.item})));
        EXPECT_EQ(extract(dir.File("bad.zip"), "app.exe", dir.Path()), UNZIP_DAMAGED);
        EXPECT_EQ(std::string(UnzipError()), c.error);
        EXPECT_EQ(ReadFileBytes(dir.File("app.exe")), "the old program");
        EXPECT_EQ(tree(dir.Path()), (std::vector<std::string>{"app.exe", "bad.zip"})) << "no temporary file left";
    }
    // A sound entry replaces the old file.
    ASSERT_TRUE(WriteFileBytes(dir.File("good.zip"), MakeZip({{"app.exe", big, true}})));
    EXPECT_EQ(extract(dir.File("good.zip"), "app.exe", dir.Path()), 0) << UnzipError();
    EXPECT_TRUE(ReadFileBytes(dir.File("app.exe")) == big);
}

TEST(Unzipper, ProtectedFilesAreKeptAndPatternsMatchLikeTheEngine)
{
    struct MATCH {
        const char *pattern, *name;
        bool match;
    } matches[] = {
        {"*.cfg", "SETTINGS.CFG", true}, {"*.cfg", "settings.cfg.bak", false}, {"data/*", "data/user.ini", true},
        {"[a-c]?.txt", "B1.txt", true},  {"[a-c]?.txt", "d1.txt", false},      {"[!a]*", "abc", false},
        {"[!a]*", "bcd", true},          {"a*b*c", "axxbyyc", true},           {"a*b*c", "axxbyy", false},
        {"*", "", true},                 {"[", "[", true},                     {"?", "", false},
    };
    for (const MATCH& m : matches) EXPECT_EQ(WildcardMatch(m.pattern, m.name), m.match) << m.pattern << " " << m.name;

    TEMPDIR dir;
    std::string folder = dir.File("a\\b\\install");
    ASSERT_TRUE(WriteFileBytes(dir.File("setup.fil"),
                               MakeZip({{"settings.cfg", "new settings"}, {"data/user.ini", "new user"},
                                        {"data/other.ini", "other"}})));
    UNZIPPER unzipper;
    unzipper.Open(dir.File("setup.fil").c_str(), "<NULL>", "*.cfg|data\\user.ini;kept");
    ASSERT_TRUE(unzipper.Listed());
    char name[ZIPLIST_NAMESIZE];
    bool written = false;
    // Nothing there yet: everything is written, the folder made from the left.
    for (unzipper.First(name); name[0]; unzipper.Next(name)) {
        EXPECT_TRUE(unzipper.Extract(name, folder.c_str(), &written)) << name;
        EXPECT_TRUE(written) << name;
    }
    ASSERT_TRUE(WriteFileBytes(folder + "\\settings.cfg", "old settings"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\data\\user.ini", "old user"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\data\\other.ini", "old other"));
    for (unzipper.First(name); name[0]; unzipper.Next(name)) EXPECT_TRUE(unzipper.Extract(name, folder.c_str(), &written));
    EXPECT_EQ(ReadFileBytes(folder + "\\settings.cfg"), "old settings");
    EXPECT_EQ(ReadFileBytes(folder + "\\data\\user.ini"), "old user");
    EXPECT_EQ(ReadFileBytes(folder + "\\data\\other.ini"), "other");
    unzipper.Close();

    // An archive the table cannot take is not listed at all.
    std::vector<ZIPITEM> many(251);
    for (size_t i = 0; i < many.size(); i++) many[i].Name = "f" + std::to_string(i);
    ASSERT_TRUE(WriteFileBytes(dir.File("many.fil"), MakeZip(many)));
    unzipper.Open(dir.File("many.fil").c_str(), "", "");
    EXPECT_FALSE(unzipper.Listed());
    EXPECT_EQ(unzipper.First(name), 0u);
    EXPECT_EQ(name[0], 0);
}
