// HASHLIST: the sectioned file format with its reports, finding records by a
// key's value, and sorting by named keys.
#include "hash.h"

#include "configfiles.h"
#include "kelvo.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

// Loads a file of exactly these bytes into list; returns Load's result.
static int load_bytes(HASHLIST& list, const std::string& bytes)
{
    TEMPDIR dir;
    EXPECT_TRUE(WriteFileBytes(dir.File("list.cfg"), bytes));
    return list.Load(dir.File("list.cfg").c_str());
}

static std::string dumps(const HASHLIST& list)
{
    std::string all;
    for (int i = 0; i < list.GetCount(); i++) all += "[" + DumpHash(*list.GetItem(i)) + "]";
    return all;
}

static const char SERVERS[] = "[#1]\r\nloc=Berlin\r\ndns=ntp1.example\r\n"
                              "[#2]\r\nloc=Paris\r\ndns=ntp2.example\r\n\r\n"
                              "[#3]\r\n";

TEST(HashlistLoad, SectionsBecomeRecordsAndATrailingEmptySectionNone)
{
    HASHLIST list;
    REPORTS reports;
    EXPECT_EQ(load_bytes(list, SERVERS), 2);
    EXPECT_TRUE(reports.Were(0));
    EXPECT_EQ(dumps(list), "[Handle=0 Locked=0 Key=<null>\ndns=ntp1.example\nloc=Berlin\n]"
                           "[Handle=0 Locked=0 Key=<null>\ndns=ntp2.example\nloc=Paris\n]");
    // Sections carry their own Handle and Key; Load appends to what the list holds.
    EXPECT_EQ(load_bytes(list, "[#1]\n#Handle=5\n#Key=first\nx=\\x3d\n[#2]\ny=={{QUJD}}\n"), 2);
    EXPECT_EQ(DumpHash(list[2]), "Handle=5 Locked=0 Key=first\nx==\n");
    EXPECT_EQ(DumpHash(list[3]), "Handle=0 Locked=0 Key=<null>\ny=<binary>ABC\n");
}

TEST(HashlistLoad, MalformedHeadersAndTextBeforeTheFirstAreReported)
{
    REPORTS reports;
    HASHLIST list;
    EXPECT_EQ(load_bytes(list, "[#1]\na=1\n[2]\nb=2\n"), 2);
    EXPECT_TRUE(reports.Were(1, "buf[1]=='#'", "[2]\n"));
    HASHLIST other;
    EXPECT_EQ(load_bytes(other, "[#1\na=1\n[\nb=2\n"), 2);  // still headers
    EXPECT_TRUE(reports.Were(3, "buf[buf.Length()-2]==']'", "[\n"));  // "[#1" once, "[" twice
    EXPECT_EQ(DumpHash(other[1]), "Handle=0 Locked=0 Key=<null>\nb=2\n");

    HASHLIST before;
    EXPECT_EQ(load_bytes(before, "a=1\n[#1]\nb=2\n[#2]\nc=3\n"), 2);
    EXPECT_TRUE(reports.Were(1, "Section.Length()==0", "a=1\n"));
    EXPECT_EQ(DumpHash(before[0]), "Handle=0 Locked=0 Key=<null>\na=1\nb=2\n");
    HASHLIST plain;  // without any header the whole file is one record, and nothing is reported
    EXPECT_EQ(load_bytes(plain, "a=1\nb=2\n"), 1);
    EXPECT_TRUE(reports.Were(0));
}

TEST(HashlistLoad, EmptySectionsAnUnterminatedLastLineAndNoFile)
{
    HASHLIST list;
    // A section closed by the next header is a record even when empty; the last line
    // counts without its line end.
    EXPECT_EQ(load_bytes(list, "[#1]\n\n[#2]\nloc=x"), 2);
    EXPECT_EQ(dumps(list), "[Handle=0 Locked=0 Key=<null>\n][Handle=0 Locked=0 Key=<null>\nloc=x\n]");
    HASHLIST empty;
    EXPECT_EQ(load_bytes(empty, ""), 0);
    EXPECT_EQ(load_bytes(empty, "\r\n\r\n[#1]\r\n"), 0);
    EXPECT_EQ(empty.Load("no such list.cfg"), 0);
    EXPECT_EQ(empty.GetCount(), 0);
}

TEST(HashlistFind, ExactAndPrefixMatchesIgnoreCase)
{
    HASHLIST list;
    ASSERT_EQ(load_bytes(list, SERVERS), 2);
    HASH nulled;
    nulled["loc"];  // a null value never matches
    list.Add(nulled);
    EXPECT_EQ(list.Find("loc", "paris", true), 1);
    EXPECT_EQ(list.Find("LOC", "PAR", true), -1);
    EXPECT_EQ(list.Find("loc", "PAR", false), 1);
    EXPECT_EQ(list.Find("loc", "Parisian", false), -1);
    EXPECT_EQ(list.Find("nokey", "x", false), -1);
    EXPECT_EQ(list.Find("loc", "", false), 0);
    EXPECT_EQ(list[2].GetCount(), 1);  // Find never creates keys
}

TEST(HashlistSort, ComparesNamedKeysAsTextOrNumbers)
{
    HASHLIST list;
    ASSERT_EQ(load_bytes(list, "[#1]\nloc=b\nprio=10\n[#2]\nloc=B\nprio=9\n"
                               "[#3]\nloc=a\nprio=-2147483648\n"),
              3);
    auto column = [&list](const char* key) {
        std::string all;
        for (int i = 0; i < list.GetCount(); i++) all += BytesOf(list[i][key]) + ";";
        return all;
    };
    static const char* const byloc[] = {"loc"};
    static const char* const byprio[] = {"prio"};
    list.SetSortKeys(byloc, 1);
    list.Sort(0);  // case-sensitive: "B" before "a" before "b"
    EXPECT_EQ(column("loc"), "B;a;b;");
    list.SetSortKeys(byprio, 1);
    list.Sort(HASHLIST_SORT_NUMERIC);
    EXPECT_EQ(column("prio"), "-2147483648;9;10;");
    list.Sort(HASHLIST_SORT_NUMERIC | DYNARRAY_SORT_REVERSE);
    EXPECT_EQ(column("prio"), "10;9;-2147483648;");

    // A sort key that a record lacks is reported; the record compares as empty.
    static const char* const both[] = {"missing", "loc"};
    list.SetSortKeys(both, 2);
    REPORTS reports;
    list.Sort(0);
    EXPECT_FALSE(reports.Were(0));
    EXPECT_STREQ(AssertLastCondition(), "rcidx!=-1");
    EXPECT_STREQ(AssertLastInfo(), "missing");
    EXPECT_EQ(column("loc"), "B;a;b;");
}
