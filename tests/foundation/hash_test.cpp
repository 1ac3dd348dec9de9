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

// Files in a scratch folder: tables loaded from exact bytes, and the bytes Save writes.
class HashFile : public testing::Test {
protected:
    HASH Load(const std::string& bytes)
    {
        EXPECT_TRUE(WriteFileBytes(dir.File("in.cfg"), bytes));
        HASH h;
        EXPECT_TRUE(h.Load(dir.File("in.cfg").c_str()));
        return h;
    }
    std::string Saved(const HASH& h)
    {
        EXPECT_TRUE(h.Save(dir.File("out.cfg").c_str()));
        return ReadFileBytes(dir.File("out.cfg"));
    }
    // The table as Save wrote it, read back.
    HASH Back()
    {
        HASH back;
        EXPECT_TRUE(back.Load(dir.File("out.cfg").c_str()));
        return back;
    }

    TEMPDIR dir;
    REPORTS reports;
};

static NAMES keys_of(const HASH& h)
{
    NAMES keys;
    for (int i = 0; i < h.GetCount(); i++) keys.push_back(BytesOf(h.KeyAt(i)));
    return keys;
}

TEST_F(HashFile, SortsKeysDropsCommentsAndWritesCrLf)
{
    HASH h = Load("B=2\r\na=1\r\n// note\r\n");
    EXPECT_EQ(keys_of(h), (NAMES{"a", "B"}));
    EXPECT_EQ(Saved(h), "a=1\r\nB=2\r\n");
    EXPECT_EQ(BytesOf(h.Text()), "a=1\nB=2\n");
    EXPECT_TRUE(reports.Were(0));
}

TEST_F(HashFile, EscapesSpecialBytesOnOneLineAndReadsThemBack)
{
    HASH h;
    h["x"] = "x=y{z}";
    h["lines"] = "one\ntwo\r\n";
    h["bytes"] = STRING("\0\t\x1a\\\x80\x7f", 6);
    EXPECT_EQ(Saved(h), "bytes=\\0\\t\\z\\\\\\x80\x7f\r\nlines=one\\ntwo\\r\\n\r\nx=x\\x3dy\\x7bz\\x7d\r\n");
    EXPECT_EQ(DumpHash(Back()), DumpHash(h));
}

TEST_F(HashFile, EmptyValueIsNotNullAndNullIsSavedAsEmpty)
{
    HASH h = Load("empty=\r\n");
    EXPECT_TRUE(h["empty"].NotNull());
    EXPECT_TRUE(h["missing"].IsNull());
    // Defaults go only where the file had nothing.
    for (const char* key : {"empty", "missing"})
        if (h[key].IsNull()) h[key] = "default";
    EXPECT_EQ(DumpHash(h), "Handle=0 Locked=0 Key=<null>\nempty=\nmissing=default\n");

    HASH n;
    n["never"];
    EXPECT_EQ(Saved(n), "never=\r\n");
    EXPECT_TRUE(Back()["never"].NotNull());
}

TEST_F(HashFile, KeysIgnoreCaseAndDuplicatesKeepTheirFileOrder)
{
    HASH h = Load("NAME=1\r\nzz=3\r\nname=2\r\nb=1\nNaMe=3\n");
    EXPECT_EQ(keys_of(h), (NAMES{"b", "NAME", "name", "NaMe", "zz"}));
    EXPECT_EQ(h.IndexOf("Name"), 1);
    EXPECT_EQ(BytesOf(h["nAmE"]), "1");
    EXPECT_EQ(Saved(h), "b=1\r\nNAME=1\r\nname=2\r\nNaMe=3\r\nzz=3\r\n");
}

TEST_F(HashFile, CommentsLinesWithoutEqualsAndOrdinaryHashKeys)
{
    HASH h = Load("# note=1\r\n#\r\n//x=2\r\n\r\n#x=3\r\nx\r\n/y=4\r\n a = b=c \r\n#novalue\r\n");
    EXPECT_TRUE(reports.Were(2, "item.Find(\"=\")", "#novalue"));
    EXPECT_EQ(keys_of(h), (NAMES{" a ", "#x", "/y"}));
    EXPECT_EQ(BytesOf(h[" a "]), " b=c ");  // neither keys nor values are trimmed
}

TEST_F(HashFile, HandleAndKeyLines)
{
    HASH h = Load("#Handle7=1\r\n#handle=7\r\n#KEY=some key\r\n");
    EXPECT_EQ(DumpHash(h), "Handle=7 Locked=0 Key=some key\n#Handle7=1\n");
    EXPECT_EQ(Saved(h), "#Handle=7\r\n#Key=some key\r\n#Handle7=1\r\n");

    // The Key text is encoded like a value, since the reader decodes it like one.
    HASH k;
    k.Key = "C:\\data\nx=1";
    EXPECT_EQ(Saved(k), "#Key=C:\\\\data\\nx\\x3d1\r\n");
    EXPECT_EQ(DumpHash(Back()), DumpHash(k));
    EXPECT_TRUE(reports.Were(0));
}

TEST_F(HashFile, BinaryValuesAreBase64Blocks)
{
    HASH h;
    STRING raw("\0\x01\x02\xff=}", 6);
    raw.SetFlags(STRINGFLAG_BINARY);
    h["bin"] = raw;
    STRING none("");
    none.SetFlags(STRINGFLAG_BINARY);
    h["none"] = none;
    EXPECT_EQ(Saved(h), "bin=={{AAEC/z19}}\r\nnone=={{}}\r\n");
    EXPECT_EQ(DumpHash(Back()), DumpHash(h));

    // Only a complete block is one: a value merely opening it is text.
    HASH open = Load("a=={{QUJD\r\nb=={{QUJD}}\r\nc=={{QUJD}}x\r\n");
    EXPECT_TRUE(reports.Were(0));
    EXPECT_EQ(DumpHash(open), "Handle=0 Locked=0 Key=<null>\na=={{QUJD\nb=<binary>ABC\nc=={{QUJD}}x\n");
}

TEST_F(HashFile, BadEscapesAndUnwritableKeysAreReported)
{
    EXPECT_EQ(BytesOf(Load("a=1\\q2\r\n")["a"]), "1q2");
    EXPECT_TRUE(reports.Were(1, "FALSE", "1\\q2"));
    Load("b=\\xg0\r\n");
    EXPECT_TRUE(reports.Were(1, "isxdigit(xdigit[0])"));
    Load("c=\\x0\r\n");
    EXPECT_TRUE(reports.Were(1, "isxdigit(xdigit[1])"));

    // Keys that would come back as another key or a comment are left out.
    HASH h;
    for (const char* key : {"a=b", "two\nlines", "#Handle", "// gone", "good"}) h[key] = "5";
    EXPECT_EQ(Saved(h), "good=5\r\n");
    EXPECT_TRUE(reports.Were(4, "key_writable(key)"));
}

TEST(HashLookup, CreatesNullValuesInSortedPositionThatStayPut)
{
    HASH h;
    h["b"];
    h["C"] = "3";
    h["a"] = "1";
    EXPECT_EQ(keys_of(h), (NAMES{"a", "b", "C"}));
    EXPECT_TRUE(h["B"].IsNull());
    EXPECT_EQ(h.IndexOf("c"), 2);
    EXPECT_FALSE(h.Exists("d"));
    EXPECT_EQ(h.GetCount(), 3);  // IndexOf and Exists never create
    // A value is a heap object of its own: it stays put while the table grows.
    STRING& a = h["a"];
    for (int i = 0; i < 300; i++) h[STRING(i).Text()] = "x";
    EXPECT_EQ(&a, &h["a"]);
}

TEST(HashLookup, LockedTableAndExistingKeysReportMissingOnes)
{
    HASH h;
    h["known"] = "1";
    EXPECT_FALSE(h.AllowNewKeys(false));
    REPORTS reports;
    EXPECT_EQ(BytesOf(h["KNOWN"]), "1");
    EXPECT_EQ(BytesOf(h.Existing("Known")), "1");
    EXPECT_TRUE(reports.Were(0));
    EXPECT_TRUE(h["misspelt"].IsNull());
    EXPECT_TRUE(reports.Were(1, "!this->LockTable", "misspelt"));
    EXPECT_TRUE(h.Exists("misspelt"));  // created anyway
    EXPECT_TRUE(h.AllowNewKeys(true));
    EXPECT_TRUE(h.Existing("gone").IsNull());
    EXPECT_TRUE(reports.Were(1, "rcidx!=-1", "gone"));
    const HASH& reader = h;
    EXPECT_TRUE(reader.Existing("elsewhere").IsNull());
    EXPECT_TRUE(reports.Were(1, "rcidx!=-1", "elsewhere"));
    EXPECT_FALSE(h.Exists("elsewhere"));
}

TEST_F(HashFile, LoadReplacesTheWholeTableOrLeavesItUnchanged)
{
    HASH h;
    h["old"] = "1";
    h.Handle = 4;
    h.Key = "kept";
    h.AllowNewKeys(false);
    std::string before = DumpHash(h);
    EXPECT_FALSE(h.Load(dir.File("nothing.cfg").c_str()));
    EXPECT_FALSE(h.Load(dir.Path().c_str()));  // a folder is no file either
    EXPECT_FALSE(h.Load(nullptr));
    EXPECT_EQ(DumpHash(h), before);

    WriteFileBytes(dir.File("a.cfg"), "new=2\r\n");
    EXPECT_TRUE(h.Load(dir.File("a.cfg").c_str()));
    EXPECT_EQ(DumpHash(h), "Handle=0 Locked=0 Key=kept\nnew=2\n");  // Key stays without a "#Key" line
    WriteFileBytes(dir.File("b.cfg"), "#Key=\r\n");
    EXPECT_TRUE(h.Load(dir.File("b.cfg").c_str()));
    EXPECT_EQ(DumpHash(h), "Handle=0 Locked=0 Key=\n");

    EXPECT_EQ(DumpHash(HASH(STRING("#Handle=-3\nb=2\na=\\x41\n"))),
              "Handle=-3 Locked=0 Key=<null>\na=A\nb=2\n");
    EXPECT_EQ(HASH(STRING()).GetCount(), 0);
}

TEST(HashCopy, CopiesAreDeepAndCarryEverything)
{
    HASH h(STRING("#Handle=9\n#Key=key\na=1\n"));
    h.AllowNewKeys(false);
    HASH copy(h);
    copy["a"] = "changed";
    HASH assigned(STRING("other=x\n"));
    assigned = h;
    assigned = assigned;
    EXPECT_EQ(DumpHash(h), "Handle=9 Locked=1 Key=key\na=1\n");
    EXPECT_EQ(DumpHash(assigned), DumpHash(h));
    EXPECT_EQ(DumpHash(copy), "Handle=9 Locked=1 Key=key\na=changed\n");
}

TEST(HashConcurrency, LookupsFromSeveralThreadsKeepOneSortedTable)
{
    HASH h;
    const int threads = 4, perthread = 150;  // each key once, "shared" by every thread
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
    for (int i = 1; i < h.GetCount(); i++) EXPECT_LT(_stricmp(h.KeyAt(i - 1).Text(), h.KeyAt(i).Text()), 0);
    for (int i = 0; i < h.GetCount(); i++)
        EXPECT_TRUE(h.KeyAt(i) == "shared" || h.ValueAt(i) == h.KeyAt(i)) << h.KeyAt(i).Text();
}

TEST_F(HashFile, FailedSavesLeaveTheOldFileAndNoTemporaryFile)
{
    std::string target = dir.File("keep.cfg");
    ASSERT_TRUE(WriteFileBytes(target, "old=1\r\n"));
    HASH h;
    h["new"] = "2";
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(h.Save(target.c_str()));  // replacing a read-only file is refused
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(CreateDirectoryA(dir.File("sub.cfg").c_str(), nullptr));
    EXPECT_FALSE(h.Save(dir.File("sub.cfg").c_str()));  // a folder is not replaced either
    EXPECT_TRUE(OSYS::FileIsDirectory(dir.File("sub.cfg").c_str()));
    RemoveDirectoryA(dir.File("sub.cfg").c_str());
    EXPECT_FALSE(h.Save(dir.File("no such folder\\x.cfg").c_str()));
    EXPECT_FALSE(h.Save((target + "\\x.cfg").c_str()));  // a file where the folder should be
    EXPECT_EQ(ReadFileBytes(target), "old=1\r\n");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"keep.cfg"}));
    EXPECT_TRUE(h.Save(target.c_str()));
    EXPECT_EQ(ReadFileBytes(target), "new=2\r\n");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"keep.cfg"}));
}

TEST_F(HashFile, ReadOnlyFolderRefusesTheSave)
{
    std::string folder = dir.File("ro");
    std::string target = folder + "\\keep.cfg";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(target, "old=1\r\n"));
    ASSERT_TRUE(SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY));
    bool writable = WriteFileBytes(folder + "\\probe", "x");
    DeleteFileA((folder + "\\probe").c_str());
    HASH h;
    h["new"] = "2";
    bool saved = !writable && h.Save(target.c_str());
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (writable)
        GTEST_SKIP() << "files can still be created in a read-only folder here (Windows "
                        "semantics, or Wine running as root)";
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFileBytes(target), "old=1\r\n");
    EXPECT_EQ(FolderEntries(folder), (NAMES{"keep.cfg"}));
}

TEST_F(HashFile, SaveAndLoadTraceLines)
{
    std::string file = dir.File("log.cfg");
    LOGCAPTURE log;
    HASH h;
    h["a"] = "1";
    h.Save(file.c_str());
    h.Load(file.c_str());
    h.Load(dir.File("missing.cfg").c_str());
    const std::string& text = log.Text();
    for (const std::string& line :
         {"] HASH::Save " + file + "\r\n", std::string("] HASH::Save returns 1\r\n"),
          "] HASH::Load " + file + "\r\n", std::string("] HASH::Load returns 1, "),
          std::string("] HASH::Load returns 0, ")})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}
