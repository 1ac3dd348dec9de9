// STRING: buffer growth and pool, editing, searching, fields, the null guard and
// the encodings.
#include "strings.h"

#include "configfiles.h"
#include "kelvo.h"
#include "reports.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

static STRING of(const std::string& bytes) { return STRING(bytes.data(), static_cast<int>(bytes.size())); }

static std::string all_bytes()
{
    std::string all;
    for (int c = 0; c < 256; c++) all += static_cast<char>(c);
    return all;
}

TEST(StringGrowth, GranulesFollowTheBufferSize)
{
    // An exact multiple of the granule still gets one granule more (95 bytes take 192).
    const struct { int length, buflen, granule; } cases[] = {
        {1, 96, 96}, {95, 192, 96}, {1100, 1152, 1024}, {5000, 5088, 2048}, {9000, 9024, 4096}};
    for (const auto& c : cases) {
        STRING s;
        s.Make(c.length, nullptr);
        EXPECT_EQ(s.GetBufLen(), c.buflen) << c.length;
        EXPECT_EQ(s.GetBlockSize(), c.granule) << c.length;
    }
    STRING big;
    big.Make(32768, nullptr);
    EXPECT_TRUE(big.GetFlags() & STRINGFLAG_DYNABLOCK);
    EXPECT_EQ(big.GetBlockSize(), 16382);
    big.Make(262144, nullptr);
    EXPECT_EQ(big.GetBlockSize(), 131072);
    big.Make(600000, nullptr);
    EXPECT_EQ(big.GetBlockSize(), 131072);  // the largest granule
}

TEST(StringGrowth, TextInsideTheOwnBufferSurvivesGrowth)
{
    STRING s("0123456789");
    s.Append(s.Data() + 2, 3);
    EXPECT_EQ(BytesOf(s), "0123456789234");
    for (int i = 0; i < 20000; i++) s.Append(s.Data() + 10, 3);  // through every granule change
    EXPECT_EQ(s.Length(), 13 + 60000);
    EXPECT_EQ(BytesOf(s).substr(s.Length() - 4), "4234");
    EXPECT_EQ(s.Data()[s.Length()], 0);
    s.Make(3, s.Data() + 5);
    EXPECT_EQ(BytesOf(s), "567");
}

TEST(StringPool, RecyclesClearedBuffersOfNinetySixBytesUpTo127)
{
    { STRING a("short"), b("texts"), c("here"); }
    int kept = StringPoolCount();
    EXPECT_GE(kept, 3);
    {
        STRING d("reuses one");
        EXPECT_EQ(StringPoolCount(), kept - 1);
        EXPECT_EQ(d.Data()[11], 0);  // a recycled buffer comes back cleared
        STRING large(std::string(200, 'z').c_str());  // other sizes never touch the pool
        EXPECT_EQ(StringPoolCount(), kept - 1);
    }
    {
        STRING many[200];
        for (STRING& s : many) s = "x";
    }
    EXPECT_EQ(StringPoolCount(), 127);
}

TEST(StringBasics, NullEmptyCopiesAndNumbers)
{
    STRING null;
    EXPECT_TRUE(null == STRING());
    EXPECT_FALSE(null == "");
    EXPECT_FALSE(STRING("") == static_cast<const char*>(nullptr));
    EXPECT_TRUE("hello" == STRING("HeLLo"));

    STRING s = STRING::Granule(500);
    s = "abc";
    s.SetFlags(STRINGFLAG_BINARY);
    STRING assigned;
    assigned = STRING(s);
    assigned = assigned;
    EXPECT_EQ(DumpValue(assigned) + " " + std::to_string(assigned.GetBlockSize()), "<binary>abc 500");
    assigned = null;
    EXPECT_TRUE(assigned.IsNull());

    EXPECT_EQ(BytesOf(STRING(-42)) + BytesOf(STRING(4294967295UL)) + BytesOf(STRING(-9000000000LL)),
              "-424294967295-9000000000");
    EXPECT_EQ(STRING("  12abc").ToInt(), 12);
    EXPECT_EQ(STRING("9000000000").ToInt64(), 9000000000LL);
}

TEST(StringReports, OutOfRangeAndOverlongFormatsAreReportedAndCarryOn)
{
    STRING s("abc");
    REPORTS reports;
    s[3] = 'x';
    EXPECT_TRUE(reports.Were(1, "i>=0 && i<this->StrLen", "i= 3, len= 3, buf= abc"));
    EXPECT_EQ(s[-1], 0);
    EXPECT_EQ(BytesOf(s), "abc");
    EXPECT_TRUE(reports.Were(1));
    EXPECT_EQ(s.AtOrEnd(3), 0);  // the terminator's place is allowed there
    EXPECT_TRUE(reports.Were(0));
    s.AtOrEnd(4);
    EXPECT_TRUE(reports.Were(1, "i>=0 && i<=this->StrLen"));

    s.Format("%d-%s", 7, "x");
    s.AppendFormat("/%03d", 5);
    EXPECT_EQ(BytesOf(s), "7-x/005");
    std::string longtext(3000, 'q');  // overlong results are cut
    s.Format("%s", longtext.c_str());
    EXPECT_TRUE(reports.Were(1, "rc<sizeof(buf)-1"));
    EXPECT_EQ(s.Length(), 2046);
    s.AppendFormat("%s%s", longtext.c_str(), longtext.c_str());
    EXPECT_TRUE(reports.Were(1, "rc<sizeof(buf)-1"));
    EXPECT_EQ(s.Length(), 2046 + 4094);
}

TEST(StringEditing, PartsCutsAndInsertsAtTheEdges)
{
    STRING s("abcdef");
    EXPECT_EQ(BytesOf(s.Left(99)) + BytesOf(s.Right(2)) + BytesOf(s.Right(99)), "abcdefefabcdef");
    EXPECT_EQ(BytesOf(s.Mid(2)) + BytesOf(s.Mid(4, 99)) + BytesOf(s.Mid(2, INT_MAX)), "cdefefcdef");
    EXPECT_EQ(DumpValue(s.Mid(6)) + DumpValue(s.Mid(60)), "");  // empty, not null

    s.CutLeft(2);
    s.CutRight(1);
    s.Truncate(10);  // never lengthens
    EXPECT_EQ(BytesOf(s), "cde");
    EXPECT_TRUE(s.RemoveTrailing('e'));
    EXPECT_FALSE(s.RemoveTrailing('e'));
    EXPECT_TRUE(s.RemoveLeading('c'));
    s.CutLeft(5);
    EXPECT_EQ(DumpValue(s), "");  // empty, not null

    STRING t("abcd");
    t.Insert("XY", 1);
    t.Insert("!", t.Length());
    t.Insert("?", 99);
    t.InsertFill('-', 3, 0);
    t.InsertFill('-', 3, t.Length());  // nothing at or past the end
    EXPECT_EQ(BytesOf(t), "---aXYbcd!");

    REPORTS reports;
    t.CutRight(-1);
    t.Truncate(-1);
    EXPECT_TRUE(reports.Were(2));
    t.Insert(t.Data(), 0);
    EXPECT_TRUE(reports.Were(1, "text!=this->Buffer"));
    EXPECT_EQ(BytesOf(t), "---aXYbcd!");

    STRING w("Ab");
    w.Widen();
    EXPECT_EQ(w.Length(), 4);
    EXPECT_EQ(std::string(w.Data(), 6), std::string("A\0b\0\0\0", 6));
}

TEST(StringEditing, StripRemovesEveryCharacterOfTheSet)
{
    const struct { char how; const char* text; const char* result; } cases[] = {
        {'B', " \tx \t", "x"}, {'l', "..a..", "a.."}, {'R', "..a..", "..a"}, {'b', "....", ""}};
    for (const auto& c : cases) {
        STRING s(c.text);
        s.Strip(c.how, c.how == 'B' ? " \t" : ".");
        EXPECT_EQ(BytesOf(s), c.result) << c.how << " " << c.text;
    }
    REPORTS reports;
    STRING bad(" y ");
    bad.Strip('X', " ");
    EXPECT_TRUE(reports.Were(1, "how=='L' || how=='R' || how=='B'"));
    EXPECT_EQ(BytesOf(bad), " y ");
}

TEST(StringSearch, PositionsAndReplace)
{
    STRING s("Hello hello");
    EXPECT_EQ(s.Pos("hello"), 6);
    EXPECT_EQ(s.Pos("Hello", 1) + s.Pos("o", 11), -2);
    int pos = 0;
    EXPECT_TRUE(s.iFind("LLO", &pos, 3));  // ignoring case, from position 3
    EXPECT_EQ(pos, 8);
    EXPECT_FALSE(s.Find("LLO", &pos));
    EXPECT_EQ(pos, -1);

    STRING a("aaa");
    EXPECT_EQ(a.Replace("a", "aa"), 3);  // scans on behind the inserted text
    EXPECT_EQ(BytesOf(a), "aaaaaa");
    STRING t("One one ONE");
    EXPECT_EQ(t.Replace("one", "1", false), 3);
    EXPECT_EQ(t.Replace("", "x"), 0);
    EXPECT_EQ(BytesOf(t), "1 1 1");
}

TEST(StringFields, FieldsLinesAndWords)
{
    STRING s("a,b,,d");
    EXPECT_EQ(DumpValue(s.Field(1, ",")) + "|" + DumpValue(s.Field(2, ",")) + "|" + DumpValue(s.Field(3, ",")),
              "b||d");
    EXPECT_EQ(DumpValue(s.Field(4, ",")) + "|" + DumpValue(s.Field(4, ",", STRINGFIELD_EMPTYIFMISSING)), "<null>|");
    EXPECT_EQ(BytesOf(s.Field(1, ",", 1)), "b,,d");  // the rest of the text
    EXPECT_EQ(DumpValue(STRING().Field(0, ",")), "<null>");
    EXPECT_EQ(BytesOf(STRING("one\ntwo").Line(1)), "two");
    EXPECT_EQ(BytesOf(STRING("one two  three").Word(3)), "three");
    EXPECT_EQ(BytesOf(STRING("x|y").Field(0, "|;")), "x");
}

TEST(StringEscape, EveryByteRoundTripsAndBadEscapesCarryOn)
{
    std::string raw("\x00\x09\x0a\x0d\x1a\x5c\x7f\x80=a{}", 12);
    STRING e = of(raw).Escape("={}");
    EXPECT_EQ(BytesOf(e), "\\0\\t\\n\\r\\z\\\\\x7f\\x80\\x3da\\x7b\\x7d");
    EXPECT_EQ(BytesOf(e.Unescape(false)), raw);
    EXPECT_EQ(BytesOf(of(all_bytes()).Escape("={}").Unescape(false)), all_bytes());

    REPORTS reports;
    EXPECT_EQ(BytesOf(STRING("a\\qb").Unescape(false)), "aqb");
    EXPECT_TRUE(reports.Were(1, "FALSE", "a\\qb"));
    EXPECT_EQ(BytesOf(STRING("a\\qb").Unescape(true)), "a\\qb");
    EXPECT_EQ(BytesOf(STRING("\\x4A\\X").Unescape(true)), "J\\X");
    EXPECT_EQ(BytesOf(STRING("end\\").Unescape(true)), "end\\");
    EXPECT_TRUE(reports.Were(0));
    STRING("\\xg1").Unescape(false);
    EXPECT_TRUE(reports.Were(1, "isxdigit(xdigit[0])"));
    STRING("\\x4").Unescape(false);  // cut short at the end of the text
    EXPECT_TRUE(reports.Were(1, "isxdigit(xdigit[1])"));
}

TEST(StringBase64, PaddingWrappingAndSkipping)
{
    EXPECT_EQ(BytesOf(STRING("M").Base64Encode(false)), "TQ==");
    EXPECT_EQ(BytesOf(STRING("Ma").Base64Encode(false)), "TWE=");
    EXPECT_EQ(BytesOf(STRING("Man").Base64Encode(false)), "TWFu");
    EXPECT_EQ(STRING("").Base64Encode(true).Length(), 0);

    std::string raw = all_bytes().substr(0, 120);
    std::string wrapped = BytesOf(of(raw).Base64Encode(true));
    EXPECT_EQ(wrapped.substr(76, 2), "\r\n");
    EXPECT_EQ(wrapped.size(), 160u + 2 * 3);  // 76 + 76 + 8 characters, each line ended
    EXPECT_EQ(BytesOf(of(wrapped).Base64Decode()), raw);
    EXPECT_EQ(BytesOf(of(all_bytes()).Base64Encode(false).Base64Decode()), all_bytes());

    EXPECT_EQ(BytesOf(STRING(" T Q\r\n==").Base64Decode()), "M");
    EXPECT_EQ(BytesOf(STRING("TWE=TWFu").Base64Decode()), "Ma");  // "=" ends the decoding
    EXPECT_EQ(BytesOf(STRING("TWFu!TWFu").Base64Decode()), "ManMan");
    EXPECT_EQ(BytesOf(STRING("\x01\xab\xff", 3).HexEncode()), "01abff");
}

TEST(StringNullGuard, FailOnNullBitsChooseTheResult)
{
    _putenv("KELVOFAILONNULL=0");
    STRING s("x");
    s.Append(nullptr);
    EXPECT_EQ(BytesOf(s), "x<NULL>");

    REPORTS reports;
    _putenv("KELVOFAILONNULL=1");  // bit 1: null stays null, bit 2: and is reported
    EXPECT_EQ(StringNullGuard(nullptr, "label"), nullptr);
    EXPECT_TRUE(reports.Were(0));
    _putenv("KELVOFAILONNULL=3");
    STRING t("y");
    t.Append(nullptr);  // appends nothing when the guard hands back null
    EXPECT_EQ(BytesOf(t), "y");
    EXPECT_TRUE(reports.Were(1, "p!=NULL", "STRING::Append op1"));

    // Without the variable, the value read last time stays in force.
    _putenv("KELVOFAILONNULL=");
    EXPECT_EQ(StringNullGuard(nullptr, "<none>"), nullptr);
    _putenv("KELVOFAILONNULL=0");
    EXPECT_STREQ(StringNullGuard(nullptr, "label"), "<NULL>");
}
