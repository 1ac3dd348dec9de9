// HASH: the configuration file format byte for byte on disk, lookups and their
// reports, Load replacing the table, copies, concurrent lookups, and saves that
// fail without touching the old file.
#include "hash.h"

#include "configfiles.h"
#include "logcapture.h"
#include "osys.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

typedef std::vector<std::string> NAMES;

// A table loaded from a file holding exactly these bytes.
static HASH load_bytes(const TEMPDIR& dir, const std::string& bytes)
{
    std::string file = dir.File("in.cfg");
    EXPECT_TRUE(WriteFileBytes(file, bytes));
    HASH h;
    EXPECT_TRUE(h.Load(file.c_str()));
    return h;
}

// The bytes Save puts on disk.
static std::string saved_bytes(const TEMPDIR& dir, const HASH& h)
{
    std::string file = dir.File("out.cfg");
    EXPECT_TRUE(h.Save(file.c_str()));
    return ReadFileBytes(file);
}

static NAMES keys_of(const HASH& h)
{
    NAMES keys;
    for (int i = 0; i < h.GetCount(); i++) keys.push_back(BytesOf(h.KeyAt(i)));
    return keys;
}

TEST(HashFormat, SortsKeysDropsCommentsAndWritesCrLf)
{
    TEMPDIR dir;
    REPORTS reports;
    HASH h = load_bytes(dir, "B=2\r\na=1\r\n// note\r\n");
    EXPECT_EQ(keys_of(h), (NAMES{"a", "B"}));
    EXPECT_EQ(saved_bytes(dir, h), "a=1\r\nB=2\r\n");
    EXPECT_EQ(BytesOf(h.Text()), "a=1\nB=2\n");
    EXPECT_TRUE(reports.Were(0));
}

TEST(HashFormat, EscapesSpecialBytesOnOneLineAndReadsThemBack)
{
    TEMPDIR dir;
    HASH h;
    h["x"] = "x=y{z}";
    h["lines"] = "one\ntwo\r\n";
    h["bytes"] = STRING("\0\t\x1a\\\x80\x7f", 6);
    EXPECT_EQ(saved_bytes(dir, h),
              "bytes=\\0\\t\\z\\\\\\x80\x7f\r\n"
              "lines=one\\ntwo\\r\\n\r\n"
              "x=x\\x3dy\\x7bz\\x7d\r\n");

    HASH back;
    EXPECT_TRUE(back.Load(dir.File("out.cfg").c_str()));
    EXPECT_EQ(BytesOf(back["x"]), "x=y{z}");
    EXPECT_EQ(BytesOf(back["lines"]), "one\ntwo\r\n");
    EXPECT_EQ(BytesOf(back["bytes"]), std::string("\0\t\x1a\\\x80\x7f", 6));
}

TEST(HashFormat, EmptyValueIsNotNullAndNullIsSavedAsEmpty)
{
    TEMPDIR dir;
    HASH h = load_bytes(dir, "empty=\r\n");
    EXPECT_TRUE(h["empty"].NotNull());
    EXPECT_EQ(h["empty"].Length(), 0);
    EXPECT_TRUE(h["missing"].IsNull());
    EXPECT_EQ(h["missing"].ToInt(), 0);

    // Defaults go only where the file had nothing.
    for (const char* key : {"empty", "missing"})
        if (h[key].IsNull()) h[key] = "default";
    EXPECT_EQ(BytesOf(h["empty"]), "");
    EXPECT_EQ(BytesOf(h["missing"]), "default");

    HASH n;
    n["never"];
    EXPECT_EQ(saved_bytes(dir, n), "never=\r\n");
    HASH back;
    EXPECT_TRUE(back.Load(dir.File("out.cfg").c_str()));
    EXPECT_TRUE(back["never"].NotNull());
    EXPECT_EQ(back["never"].Length(), 0);
}

TEST(HashFormat, KeysIgnoreCaseAndDuplicatesAreKept)
{
    TEMPDIR dir;
    HASH h = load_bytes(dir, "NAME=1\r\nzz=3\r\nname=2\r\n");
    EXPECT_EQ(keys_of(h), (NAMES{"NAME", "name", "zz"}));
    EXPECT_EQ(h.IndexOf("Name"), 0);
    EXPECT_EQ(BytesOf(h["nAmE"]), "1");
    EXPECT_EQ(h.GetCount(), 3);
    EXPECT_EQ(saved_bytes(dir, h), "NAME=1\r\nname=2\r\nzz=3\r\n");
}

TEST(HashFormat, EqualKeysKeepTheirFileOrder)
{
    TEMPDIR dir;
    HASH h = load_bytes(dir, "b=1\na=1\nB=2\nA=2\nb=3\n");
    EXPECT_EQ(keys_of(h), (NAMES{"a", "A", "b", "B", "b"}));
    EXPECT_EQ(BytesOf(h.ValueAt(0)) + BytesOf(h.ValueAt(1)) + BytesOf(h.ValueAt(2)) +
                  BytesOf(h.ValueAt(3)) + BytesOf(h.ValueAt(4)),
              "12123");
}

TEST(HashFormat, LineWithoutEqualsIsReportedAndSkipped)
{
    TEMPDIR dir;
    REPORTS reports;
    HASH h = load_bytes(dir, "x\r\na=1\r\n#novalue\r\n");
    EXPECT_TRUE(reports.Were(2, "item.Find(\"=\")", "#novalue"));
    EXPECT_EQ(keys_of(h), (NAMES{"a"}));
}

TEST(HashFormat, CommentFormsAndOrdinaryHashKeys)
{
    TEMPDIR dir;
    REPORTS reports;
    HASH h = load_bytes(dir, "# note=1\r\n#\r\n//x=2\r\n\r\n#x=3\r\n/y=4\r\n a = b=c \r\n");
    EXPECT_TRUE(reports.Were(0));
    EXPECT_EQ(keys_of(h), (NAMES{" a ", "#x", "/y"}));
    EXPECT_EQ(BytesOf(h[" a "]), " b=c ");  // neither keys nor values are trimmed
    EXPECT_EQ(BytesOf(h["#x"]), "3");
}

TEST(HashFormat, HandleAndKeyLines)
{
    TEMPDIR dir;
    HASH h = load_bytes(dir, "#Handle7=1\r\n#handle=7\r\n#KEY=some key\r\n");
    EXPECT_EQ(h.Handle, 7);
    EXPECT_EQ(BytesOf(h.Key), "some key");
    EXPECT_EQ(keys_of(h), (NAMES{"#Handle7"}));
    EXPECT_EQ(saved_bytes(dir, h), "#Handle=7\r\n#Key=some key\r\n#Handle7=1\r\n");

    // Nothing is written for Handle 0 or a null Key.
    HASH plain;
    plain["a"] = "1";
    EXPECT_EQ(saved_bytes(dir, plain), "a=1\r\n");
}

TEST(HashFormat, KeyTextSurvivesBackslashesAndLineBreaks)
{
    TEMPDIR dir;
    HASH h;
    h.Key = "C:\\data\nx=1";
    EXPECT_EQ(saved_bytes(dir, h), "#Key=C:\\\\data\\nx\\x3d1\r\n");
    REPORTS reports;
    HASH back;
    EXPECT_TRUE(back.Load(dir.File("out.cfg").c_str()));
    EXPECT_TRUE(reports.Were(0));
    EXPECT_EQ(BytesOf(back.Key), "C:\\data\nx=1");
    EXPECT_EQ(back.GetCount(), 0);
}

TEST(HashFormat, BinaryValuesAreBase64Blocks)
{
    TEMPDIR dir;
    HASH h;
    STRING raw("\0\x01\x02\xff=}", 6);
    raw.SetFlags(STRINGFLAG_BINARY);
    h["bin"] = raw;
    STRING none("");
    none.SetFlags(STRINGFLAG_BINARY);
    h["none"] = none;
    EXPECT_EQ(saved_bytes(dir, h), "bin=={{AAEC/z19}}\r\nnone=={{}}\r\n");

    HASH back;
    EXPECT_TRUE(back.Load(dir.File("out.cfg").c_str()));
    EXPECT_EQ(BytesOf(back["bin"]), std::string("\0\x01\x02\xff=}", 6));
    EXPECT_TRUE(back["bin"].GetFlags() & STRINGFLAG_BINARY);
    EXPECT_TRUE(back["none"].NotNull());
    EXPECT_TRUE(back["none"].GetFlags() & STRINGFLAG_BINARY);

    // Only a complete block is one: a value merely opening it is text.
    REPORTS reports;
    HASH open = load_bytes(dir, "a=={{QUJD\r\nb=={{QUJD}}\r\nc=={{QUJD}}x\r\n");
    EXPECT_TRUE(reports.Were(0));
    EXPECT_EQ(BytesOf(open["a"]), "={{QUJD");
    EXPECT_FALSE(open["a"].GetFlags() & STRINGFLAG_BINARY);
    EXPECT_EQ(BytesOf(open["b"]), "ABC");
    EXPECT_EQ(BytesOf(open["c"]), "={{QUJD}}x");
}

TEST(HashFormat, BadEscapesAreReportedAndKeepTheCharacter)
{
    TEMPDIR dir;
    REPORTS reports;
    HASH h = load_bytes(dir, "a=1\\q2\r\n");
    EXPECT_TRUE(reports.Were(1, "FALSE", "1\\q2"));
    EXPECT_EQ(BytesOf(h["a"]), "1q2");

    load_bytes(dir, "b=\\xg0\r\n");
    EXPECT_TRUE(reports.Were(1, "isxdigit(xdigit[0])"));
    load_bytes(dir, "c=\\x0\r\n");
    EXPECT_TRUE(reports.Were(1, "isxdigit(xdigit[1])"));
}

TEST(HashFormat, KeysThatCannotBeReadBackAreReportedAndLeftOut)
{
    TEMPDIR dir;
    HASH h;
    h["a=b"] = "1";
    h["two\nlines"] = "2";
    h["#Handle"] = "3";
    h["// gone"] = "4";
    h["good"] = "5";
    REPORTS reports;
    EXPECT_EQ(saved_bytes(dir, h), "good=5\r\n");
    EXPECT_TRUE(reports.Were(4, "key_writable(key)"));
}

TEST(HashLookup, CreatesNullValuesInSortedPosition)
{
    HASH h;
    h["b"];
    h["C"] = "3";
    h["a"] = "1";
    EXPECT_EQ(keys_of(h), (NAMES{"a", "b", "C"}));
    EXPECT_TRUE(h["B"].IsNull());
    EXPECT_EQ(h.IndexOf("c"), 2);
    EXPECT_EQ(h.IndexOf("d"), -1);
    EXPECT_FALSE(h.Exists("d"));
    EXPECT_TRUE(h.Exists("A"));
    EXPECT_EQ(h.GetCount(), 3);  // IndexOf and Exists never create

    // A value is a heap object of its own: it stays put while the table grows.
    STRING& a = h["a"];
    for (int i = 0; i < 300; i++) h[STRING(i).Text()] = "x";
    EXPECT_EQ(&a, &h["a"]);
    EXPECT_EQ(BytesOf(a), "1");
}

TEST(HashLookup, LockedTableReportsNewKeysAndCreatesThemAnyway)
{
    HASH h;
    h["known"] = "1";
    EXPECT_FALSE(h.AllowNewKeys(false));
    REPORTS reports;
    EXPECT_EQ(BytesOf(h["KNOWN"]), "1");
    EXPECT_TRUE(reports.Were(0));
    EXPECT_TRUE(h["misspelt"].IsNull());
    EXPECT_TRUE(reports.Were(1, "!this->LockTable", "misspelt"));
    EXPECT_TRUE(h.Exists("misspelt"));
    EXPECT_TRUE(h.AllowNewKeys(true));
    h["another"];
    EXPECT_TRUE(reports.Were(0));
}

TEST(HashLookup, ExistingKeyLookupReportsAMissingKey)
{
    HASH h;
    h["here"] = "1";
    REPORTS reports;
    EXPECT_EQ(BytesOf(h.Existing("HERE")), "1");
    EXPECT_TRUE(reports.Were(0));

    EXPECT_TRUE(h.Existing("gone").IsNull());
    EXPECT_TRUE(reports.Were(1, "rcidx!=-1", "gone"));

    const HASH& reader = h;
    EXPECT_TRUE(reader.Existing("elsewhere").IsNull());
    EXPECT_TRUE(reports.Were(1, "rcidx!=-1", "elsewhere"));
    EXPECT_FALSE(h.Exists("elsewhere"));
}

// A locked table with one key, a Handle and a Key: something for Load to replace.
static HASH filled_table(const char* key)
{
    HASH h;
    h[key] = "1";
    h.Handle = 4;
    h.Key = "kept";
    h.AllowNewKeys(false);
    return h;
}

TEST(HashLoad, MissingFileLeavesTheTableUnchanged)
{
    TEMPDIR dir;
    HASH h = filled_table("a");
    std::string before = DumpHash(h);
    EXPECT_FALSE(h.Load(dir.File("nothing.cfg").c_str()));
    EXPECT_FALSE(h.Load(dir.Path().c_str()));  // a folder is no file either
    EXPECT_FALSE(h.Load(nullptr));
    EXPECT_EQ(DumpHash(h), before);
}

TEST(HashLoad, ReplacesTheWholeTableButKeepsKeyWithoutKeyLine)
{
    TEMPDIR dir;
    HASH h = filled_table("old");
    WriteFileBytes(dir.File("a.cfg"), "new=2\r\n");
    EXPECT_TRUE(h.Load(dir.File("a.cfg").c_str()));
    EXPECT_EQ(DumpHash(h), "Handle=0 Locked=0 Key=kept\nnew=2\n");

    WriteFileBytes(dir.File("b.cfg"), "#Key=\r\n");
    EXPECT_TRUE(h.Load(dir.File("b.cfg").c_str()));
    EXPECT_EQ(DumpHash(h), "Handle=0 Locked=0 Key=\n");
}

TEST(HashLoad, TextConstructorParsesLikeLoad)
{
    HASH h(STRING("#Handle=-3\nb=2\na=\\x41\n"));
    EXPECT_EQ(DumpHash(h), "Handle=-3 Locked=0 Key=<null>\na=A\nb=2\n");
    HASH none((STRING()));
    EXPECT_EQ(none.GetCount(), 0);
}

TEST(HashCopy, CopiesAreDeepAndCarryEverything)
{
    HASH h;
    h["a"] = "1";
    h.Handle = 9;
    h.Key = "key";
    h.AllowNewKeys(false);
    HASH copy(h);
    EXPECT_EQ(DumpHash(copy), DumpHash(h));
    copy["a"] = "changed";
    EXPECT_EQ(BytesOf(h["a"]), "1");

    HASH assigned;
    assigned["other"] = "x";
    assigned = h;
    EXPECT_EQ(DumpHash(assigned), DumpHash(h));
    assigned = assigned;
    EXPECT_EQ(DumpHash(assigned), DumpHash(h));
}

TEST(HashConcurrency, LookupsFromSeveralThreadsKeepOneSortedTable)
{
    HASH h;
    const int threads = 4;
    const int perthread = 150;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([&h, t] {
            char key[32];
            for (int i = 0; i < perthread; i++) {
                snprintf(key, sizeof key, "k%03d_%d", i, t);
                h[key] = key;
                h["shared"];
            }
        });
    }
    for (std::thread& w : workers) w.join();
    ASSERT_EQ(h.GetCount(), threads * perthread + 1);
    for (int i = 1; i < h.GetCount(); i++)
        EXPECT_LT(_stricmp(h.KeyAt(i - 1).Text(), h.KeyAt(i).Text()), 0);
    for (int i = 0; i < h.GetCount(); i++) {
        if (h.KeyAt(i) != "shared") {
            EXPECT_EQ(BytesOf(h.ValueAt(i)), BytesOf(h.KeyAt(i)));
        }
    }
}

TEST(HashSave, FailedSavesLeaveTheOldFileAndNoTemporaryFile)
{
    TEMPDIR dir;
    std::string target = dir.File("keep.cfg");
    ASSERT_TRUE(WriteFileBytes(target, "old=1\r\n"));
    HASH h;
    h["new"] = "2";

    // Replacing a read-only file is refused.
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(h.Save(target.c_str()));
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(target), "old=1\r\n");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"keep.cfg"}));

    // A folder where the file should be cannot be replaced either.
    ASSERT_TRUE(CreateDirectoryA(dir.File("sub.cfg").c_str(), nullptr));
    EXPECT_FALSE(h.Save(dir.File("sub.cfg").c_str()));
    EXPECT_TRUE(OSYS::FileIsDirectory(dir.File("sub.cfg").c_str()));
    RemoveDirectoryA(dir.File("sub.cfg").c_str());

    // A missing folder, or a file where the folder should be.
    EXPECT_FALSE(h.Save(dir.File("no such folder\\x.cfg").c_str()));
    EXPECT_FALSE(h.Save((target + "\\x.cfg").c_str()));
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"keep.cfg"}));

    EXPECT_TRUE(h.Save(target.c_str()));
    EXPECT_EQ(ReadFileBytes(target), "new=2\r\n");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"keep.cfg"}));
}

static bool running_under_wine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

TEST(HashSave, TargetHeldOpenWithoutShareDeleteIsNotReplaced)
{
    if (running_under_wine())
        GTEST_SKIP() << "known Wine difference: Wine renames over a file that another handle "
                        "holds open without FILE_SHARE_DELETE; Windows refuses with a sharing violation";
    TEMPDIR dir;
    std::string target = dir.File("keep.cfg");
    ASSERT_TRUE(WriteFileBytes(target, "old=1\r\n"));
    HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HASH h;
    h["new"] = "2";
    EXPECT_FALSE(h.Save(target.c_str()));
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(target), "old=1\r\n");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"keep.cfg"}));
}

TEST(HashSave, ReadOnlyFolderRefusesTheSave)
{
    TEMPDIR dir;
    std::string folder = dir.File("ro");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string target = folder + "\\keep.cfg";
    ASSERT_TRUE(WriteFileBytes(target, "old=1\r\n"));
    ASSERT_TRUE(SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string probe = folder + "\\probe";
    bool writable = WriteFileBytes(probe, "x");
    DeleteFileA(probe.c_str());
    if (writable) {
        SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "files can still be created in a read-only folder here (Windows "
                        "semantics, or Wine running as root)";
    }
    HASH h;
    h["new"] = "2";
    EXPECT_FALSE(h.Save(target.c_str()));
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(target), "old=1\r\n");
    EXPECT_EQ(FolderEntries(folder), (NAMES{"keep.cfg"}));
}

TEST(HashLog, SaveAndLoadTraceLines)
{
    TEMPDIR dir;
    std::string file = dir.File("log.cfg");
    std::string missing = dir.File("missing.cfg");
    LOGCAPTURE log;
    HASH h;
    h["a"] = "1";
    h.Save(file.c_str());
    h.Load(file.c_str());
    h.Load(missing.c_str());
    const std::string& text = log.Text();
    EXPECT_NE(text.find("HASH::Save " + file + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("HASH::Save returns 1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("HASH::Load " + file + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("HASH::Load returns 1, "), std::string::npos) << text;
    EXPECT_NE(text.find("HASH::Load returns 0, "), std::string::npos) << text;
}
