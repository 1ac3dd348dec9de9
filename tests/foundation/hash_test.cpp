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

    TEMPDIR dir;
    REPORTS reports;
};

TEST_F(HashFile, FilesAreReadAndWrittenBackByteForByte)
{
    // Keys sort ignoring case and duplicates keep their file order; comments and empty
    // lines go; a line without "=" is reported and skipped; nothing is trimmed;
    // "#Handle=" and "#Key=" are the table's own fields; only a complete block is binary.
    const struct { const char* in; int reports; const char* condition; const char* saved; } cases[] = {
        {"B=2\r\na=1\r\n// note\r\n", 0, nullptr, "a=1\r\nB=2\r\n"},
        {"NAME=1\r\nzz=3\r\nname=2\r\nb=1\nNaMe=3\n", 0, nullptr,
         "b=1\r\nNAME=1\r\nname=2\r\nNaMe=3\r\nzz=3\r\n"},
        {"# note=1\r\n#\r\n//x=2\r\n\r\n#x=3\r\nx\r\n/y=4\r\n a = b=c \r\n#novalue\r\n", 2, "item.Find(\"=\")",
         " a = b\\x3dc \r\n#x=3\r\n/y=4\r\n"},
        {"#Handle7=1\r\n#handle=7\r\n#KEY=some key\r\n", 0, nullptr, "#Handle=7\r\n#Key=some key\r\n#Handle7=1\r\n"},
        {"a=={{QUJD\r\nb=={{QUJD}}\r\nc=={{QUJD}}x\r\n", 0, nullptr,
         "a=\\x3d\\x7b\\x7bQUJD\r\nb=={{QUJD}}\r\nc=\\x3d\\x7b\\x7bQUJD\\x7d\\x7dx\r\n"},
        {"a=1\\q2\r\n", 1, "FALSE", "a=1q2\r\n"},
        {"b=\\xg0\r\n", 1, "isxdigit(xdigit[0])", "b=\\0\r\n"},
        {"c=\\x0\r\n", 1, "isxdigit(xdigit[1])", "c=\\0\r\n"},
    };
    for (const auto& c : cases) {
        HASH h = Load(c.in);
        EXPECT_TRUE(reports.Were(c.reports, c.condition)) << c.in;
        EXPECT_EQ(Saved(h), c.saved) << c.in;
    }
    EXPECT_EQ(BytesOf(Load("B=2\r\na=1\r\n").Text()), "a=1\nB=2\n");
}

TEST_F(HashFile, SpecialBytesBinaryValuesAndTheKeyAreWrittenOnOneLineAndReadBack)
{
    HASH h;
    h.Key = "C:\\data\nx=1";  // encoded like a value, since the reader decodes it like one
    h["x"] = "x=y{z}";
    h["lines"] = "one\ntwo\r\n";
    h["bytes"] = STRING("\0\t\x1a\\\x80\x7f", 6);
    STRING raw("\0\x01\x02\xff=}", 6), none("");
    raw.SetFlags(STRINGFLAG_BINARY);
    none.SetFlags(STRINGFLAG_BINARY);
    h["bin"] = raw;
    h["none"] = none;
    h["null"];
    EXPECT_EQ(Saved(h), "#Key=C:\\\\data\\nx\\x3d1\r\nbin=={{AAEC/z19}}\r\nbytes=\\0\\t\\z\\\\\\x80\x7f\r\n"
                        "lines=one\\ntwo\\r\\n\r\nnone=={{}}\r\nnull=\r\nx=x\\x3dy\\x7bz\\x7d\r\n");
    HASH back;
    EXPECT_TRUE(back.Load(dir.File("out.cfg").c_str()));
    h["null"] = "";  // saved as empty, read back as empty
    EXPECT_EQ(DumpHash(back), DumpHash(h));
    EXPECT_TRUE(reports.Were(0));

    // Keys that would come back as another key or a comment are left out.
    HASH bad;
    for (const char* key : {"a=b", "two\nlines", "#Handle", "// gone", "good"}) bad[key] = "5";
    EXPECT_EQ(Saved(bad), "good=5\r\n");
    EXPECT_TRUE(reports.Were(4, "key_writable(key)"));
}

TEST_F(HashFile, EmptyValueIsNotNullSoDefaultsFillOnlyMissingKeys)
{
    HASH h = Load("empty=\r\n");
    for (const char* key : {"empty", "missing"})
        if (h[key].IsNull()) h[key] = "default";
    EXPECT_EQ(DumpHash(h), "Handle=0 Locked=0 Key=<null>\nempty=\nmissing=default\n");
}

TEST(HashLookup, CreatesNullValuesThatStayPutAndALockedTableReportsMissingKeys)
{
    HASH h(STRING("b=\nNAME=1\nname=2\n"));
    EXPECT_TRUE(h["c"].IsNull());
    EXPECT_EQ(BytesOf(h["nAmE"]), "1");  // the first of duplicates
    EXPECT_EQ(h.IndexOf("C"), 1);
    EXPECT_FALSE(h.Exists("d"));
    EXPECT_EQ(h.GetCount(), 4);  // IndexOf and Exists never create
    // A value is a heap object of its own: it stays put while the table grows.
    STRING& c = h["c"];
    for (int i = 0; i < 300; i++) h[STRING(i).Text()] = "x";
    EXPECT_EQ(&c, &h["c"]);

    EXPECT_FALSE(h.AllowNewKeys(false));
    REPORTS reports;
    EXPECT_EQ(BytesOf(h.Existing("Name")), "1");
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
    LOGCAPTURE log;
    EXPECT_FALSE(h.Load(dir.File("nothing.cfg").c_str()));
    EXPECT_FALSE(h.Load(dir.Path().c_str()));  // a folder is no file either
    EXPECT_FALSE(h.Load(nullptr));
    EXPECT_EQ(DumpHash(h), before);

    std::string file = dir.File("a.cfg");
    WriteFileBytes(file, "new=2\r\n");
    EXPECT_TRUE(h.Load(file.c_str()));
    EXPECT_EQ(DumpHash(h), "Handle=0 Locked=0 Key=kept\nnew=2\n");  // Key stays without a "#Key" line
    const std::string& text = log.Text();
    for (const std::string& line : {"] HASH::Load " + file + "\r\n", std::string("] HASH::Load returns 1, "),
                                    std::string("] HASH::Load returns 0, ")})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

    EXPECT_EQ(DumpHash(HASH(STRING("#Handle=-3\n#Key=\nb=2\na=\\x41\n"))), "Handle=-3 Locked=0 Key=\na=A\nb=2\n");
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

    LOGCAPTURE log;
    EXPECT_TRUE(h.Save(target.c_str()));
    EXPECT_EQ(ReadFileBytes(target), "new=2\r\n");
    EXPECT_EQ(FolderEntries(dir.Path()), (NAMES{"keep.cfg"}));
    EXPECT_NE(log.Text().find("] HASH::Save " + target + "\r\n"), std::string::npos) << log.Text();
    EXPECT_NE(log.Text().find("] HASH::Save returns 1\r\n"), std::string::npos);
}
