// STRING: buffer growth, editing, searching, fields, the null guard and the encodings.
#include "kelvo.h"
#include "strings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

static std::string bytes(const STRING& s) { return std::string(s.Data() ? s.Data() : "", s.Length()); }

// Counts the assertion reports raised while it lives.
class REPORTS {
public:
    REPORTS() : start(AssertCount()) {}
    int Count() const { return AssertCount() - start; }

private:
    int start;
};

TEST(StringGrowth, GranulesFollowTheBufferSize)
{
    STRING one;
    one.Make(1, "x");
    EXPECT_EQ(one.GetBufLen(), 96);

    STRING ninetyfive;
    ninetyfive.Make(95, std::string(95, 'a').c_str());
    EXPECT_EQ(ninetyfive.GetBufLen(), 192);  // an exact multiple still gets one granule more

    STRING big;
    big.Make(32768, nullptr);
    EXPECT_TRUE(big.GetFlags() & STRINGFLAG_DYNABLOCK);
    EXPECT_EQ(big.GetBlockSize(), 16382);
    EXPECT_GE(big.GetBufLen(), 32769);

    STRING huge;
    huge.Make(32768, nullptr);
    huge.Make(262144, nullptr);
    EXPECT_EQ(huge.GetBlockSize(), 131072);
    huge.Make(600000, nullptr);
    EXPECT_EQ(huge.GetBlockSize(), 131072);
    EXPECT_EQ(huge.Length(), 600000);
}

TEST(StringGrowth, MediumBuffersSwitchToLargerGranules)
{
    STRING s;
    s.Make(1100, nullptr);  // 12 granules of 96 = 1152
    EXPECT_EQ(s.GetBufLen(), 1152);
    EXPECT_EQ(s.GetBlockSize(), 1024);
    s.Make(5000, nullptr);
    EXPECT_EQ(s.GetBlockSize(), 2048);
    s.Make(9000, nullptr);
    EXPECT_EQ(s.GetBlockSize(), 4096);
}

TEST(StringGrowth, AppendingKeepsTheTextAndItsTerminator)
{
    STRING s("ab");
    for (int i = 0; i < 20000; i++) s.Append("xyz");
    EXPECT_EQ(s.Length(), 2 + 60000);
    EXPECT_EQ(s.Data()[s.Length()], 0);
    EXPECT_EQ(bytes(s).substr(0, 5), "abxyz");
    EXPECT_EQ(bytes(s).substr(s.Length() - 3), "xyz");
}

TEST(StringGrowth, TextInsideTheOwnBufferSurvivesGrowth)
{
    STRING s("0123456789");
    s.Append(s.Data() + 2, 3);
    EXPECT_EQ(bytes(s), "0123456789234");
    s.Make(3, s.Data() + 5);
    EXPECT_EQ(bytes(s), "567");
}

TEST(StringPool, BuffersOfNinetySixBytesAreRecycled)
{
    {
        STRING a("short"), b("texts"), c("here");
    }
    int kept = StringPoolCount();
    EXPECT_GE(kept, 3);
    {
        STRING d("reuses one");
        EXPECT_EQ(StringPoolCount(), kept - 1);
        EXPECT_EQ(bytes(d), "reuses one");  // a recycled buffer comes back cleared
        EXPECT_EQ(d.Data()[11], 0);
        STRING large(std::string(200, 'z').c_str());  // other sizes never touch the pool
        EXPECT_EQ(StringPoolCount(), kept - 1);
    }
    EXPECT_EQ(StringPoolCount(), kept);
}

TEST(StringPool, KeepsAtMost127Buffers)
{
    {
        STRING many[200];
        for (STRING& s : many) s = "x";
    }
    EXPECT_EQ(StringPoolCount(), 127);
}

TEST(StringBasics, NullDiffersFromEmpty)
{
    STRING null;
    STRING empty("");
    EXPECT_FALSE(null.NotNull());
    EXPECT_TRUE(empty.NotNull());
    EXPECT_FALSE(empty.NotEmpty());
    EXPECT_TRUE(null == STRING());
    EXPECT_FALSE(null == "");
    EXPECT_FALSE(empty == static_cast<const char*>(nullptr));
    EXPECT_TRUE(STRING("HeLLo") == "hello");
    EXPECT_TRUE("hello" == STRING("HELLO"));

    STRING copy(empty);
    EXPECT_TRUE(copy.NotNull());
    copy = null;
    EXPECT_FALSE(copy.NotNull());
}

TEST(StringBasics, CopyKeepsGranuleAndFlags)
{
    STRING s = STRING::Granule(500);
    s = "abc";
    s.SetFlags(STRINGFLAG_BINARY);
    STRING t(s);
    EXPECT_EQ(t.GetBlockSize(), 500);
    EXPECT_EQ(t.GetFlags(), STRINGFLAG_BINARY);
    STRING u;
    u = s;
    EXPECT_EQ(u.GetBlockSize(), 500);
    EXPECT_EQ(u.GetFlags(), STRINGFLAG_BINARY);
    u = u;
    EXPECT_EQ(bytes(u), "abc");
    EXPECT_EQ(STRING::Granule(0).GetBlockSize(), 96);
}

TEST(StringBasics, NumbersAndBytes)
{
    EXPECT_EQ(bytes(STRING(-42)), "-42");
    EXPECT_EQ(bytes(STRING(4294967295UL)), "4294967295");
    EXPECT_EQ(bytes(STRING(-9000000000LL)), "-9000000000");
    EXPECT_EQ(STRING("  12abc").ToInt(), 12);
    EXPECT_EQ(STRING("9000000000").ToInt64(), 9000000000LL);
    EXPECT_DOUBLE_EQ(STRING("0.5").ToDouble(), 0.5);
    EXPECT_EQ(STRING().ToInt(), 0);

    STRING zeros("a\0b", 3);
    EXPECT_EQ(zeros.Length(), 3);
    EXPECT_EQ(bytes(zeros), std::string("a\0b", 3));
}

TEST(StringAccess, OutOfRangeReachesADummyByteAfterAReport)
{
    STRING s("abc");
    REPORTS reports;
    s[3] = 'x';
    EXPECT_EQ(reports.Count(), 1);
    EXPECT_STREQ(AssertLastCondition(), "i>=0 && i<this->StrLen");
    EXPECT_STREQ(AssertLastInfo(), "i= 3, len= 3, buf= abc");
    EXPECT_EQ(s[-1], 0);
    EXPECT_EQ(bytes(s), "abc");
    EXPECT_EQ(s.AtOrEnd(3), 0);  // the terminator's place is allowed there
    EXPECT_EQ(reports.Count(), 2);
    s.AtOrEnd(4);
    EXPECT_STREQ(AssertLastCondition(), "i>=0 && i<=this->StrLen");
}

TEST(StringFormat, OverlongResultsAreReportedAndCut)
{
    STRING s;
    s.Format("%d-%s", 7, "x");
    EXPECT_EQ(bytes(s), "7-x");
    s.AppendFormat("/%03d", 5);
    EXPECT_EQ(bytes(s), "7-x/005");

    REPORTS reports;
    std::string longtext(3000, 'q');
    s.Format("%s", longtext.c_str());
    EXPECT_EQ(reports.Count(), 1);
    EXPECT_STREQ(AssertLastCondition(), "rc<sizeof(buf)-1");
    EXPECT_EQ(s.Length(), 2046);
    s.AppendFormat("%s%s", longtext.c_str(), longtext.c_str());
    EXPECT_EQ(reports.Count(), 2);
    EXPECT_EQ(s.Length(), 2046 + 4094);
}

TEST(StringParts, LeftRightMidAtTheEdges)
{
    STRING s("abcdef");
    EXPECT_EQ(bytes(s.Left(2)), "ab");
    EXPECT_EQ(bytes(s.Left(99)), "abcdef");
    EXPECT_EQ(bytes(s.Right(2)), "ef");
    EXPECT_EQ(bytes(s.Right(99)), "abcdef");
    EXPECT_EQ(bytes(s.Mid(2)), "cdef");
    EXPECT_EQ(bytes(s.Mid(2, 2)), "cd");
    EXPECT_EQ(bytes(s.Mid(4, 99)), "ef");
    EXPECT_EQ(bytes(s.Mid(2, INT_MAX)), "cdef");  // start + count beyond INT_MAX
    EXPECT_TRUE(s.Mid(6).NotNull());
    EXPECT_EQ(s.Mid(6).Length(), 0);
    EXPECT_EQ(s.Mid(60).Length(), 0);
}

TEST(StringEditing, CutsTruncatesAndRemoves)
{
    STRING s("abcdef");
    s.CutLeft(2);
    EXPECT_EQ(bytes(s), "cdef");
    s.CutRight(1);
    EXPECT_EQ(bytes(s), "cde");
    s.Truncate(10);  // never lengthens
    EXPECT_EQ(bytes(s), "cde");
    EXPECT_TRUE(s.RemoveTrailing('e'));
    EXPECT_FALSE(s.RemoveTrailing('e'));
    EXPECT_TRUE(s.RemoveLeading('c'));
    EXPECT_EQ(bytes(s), "d");
    s.CutLeft(5);
    EXPECT_TRUE(s.NotNull());
    EXPECT_EQ(s.Length(), 0);

    REPORTS reports;
    STRING t("xyz");
    t.CutRight(-1);
    t.Truncate(-1);
    EXPECT_EQ(reports.Count(), 2);
    EXPECT_EQ(bytes(t), "xyz");
}

TEST(StringEditing, InsertOpensAGapAppendsAtTheEndAndIgnoresBeyond)
{
    STRING s("abcd");
    s.Insert("XY", 1);
    EXPECT_EQ(bytes(s), "aXYbcd");
    s.Insert("!", s.Length());
    EXPECT_EQ(bytes(s), "aXYbcd!");
    s.Insert("?", 99);
    EXPECT_EQ(bytes(s), "aXYbcd!");

    s.InsertFill('-', 3, 0);
    EXPECT_EQ(bytes(s), "---aXYbcd!");
    s.InsertFill('-', 3, s.Length());  // nothing at or past the end
    EXPECT_EQ(bytes(s), "---aXYbcd!");

    REPORTS reports;
    s.Insert(s.Data(), 0);
    EXPECT_EQ(reports.Count(), 1);
    EXPECT_STREQ(AssertLastCondition(), "text!=this->Buffer");
    EXPECT_EQ(bytes(s), "---aXYbcd!");
}

TEST(StringSearch, PositionsCaseSensitiveAndNot)
{
    STRING s("Hello hello");
    EXPECT_EQ(s.Pos("hello"), 6);
    EXPECT_EQ(s.Pos("Hello", 1), -1);
    EXPECT_EQ(s.iPos("HELLO"), 0);
    EXPECT_EQ(s.iPos("HELLO", 1), 6);
    EXPECT_EQ(s.Pos("o", 11), -1);
    int pos = 0;
    EXPECT_TRUE(s.iFind("LLO", &pos, 3));
    EXPECT_EQ(pos, 8);
    EXPECT_FALSE(s.Find("LLO", &pos));
    EXPECT_EQ(pos, -1);
}

TEST(StringSearch, ReplaceScansOnBehindTheInsertedText)
{
    STRING s("aaa");
    EXPECT_EQ(s.Replace("a", "aa"), 3);
    EXPECT_EQ(bytes(s), "aaaaaa");

    STRING t("One one ONE");
    EXPECT_EQ(t.Replace("one", "1", false), 3);
    EXPECT_EQ(bytes(t), "1 1 1");
    EXPECT_EQ(t.Replace("", "x"), 0);
    EXPECT_EQ(t.Replace("1", "1"), 0);
    EXPECT_EQ(bytes(t), "1 1 1");
}

TEST(StringEditing, StripRemovesEveryCharacterOfTheSet)
{
    STRING s(" \tx \t");
    s.Strip('B', " \t");
    EXPECT_EQ(bytes(s), "x");

    STRING l("..a..");
    l.Strip('l', ".");
    EXPECT_EQ(bytes(l), "a..");
    STRING r("..a..");
    r.Strip('R', ".");
    EXPECT_EQ(bytes(r), "..a");

    REPORTS reports;
    STRING bad(" y ");
    bad.Strip('X', " ");
    EXPECT_EQ(reports.Count(), 1);
    EXPECT_STREQ(AssertLastCondition(), "how=='L' || how=='R' || how=='B'");
    EXPECT_EQ(bytes(bad), " y ");
}

TEST(StringFields, FieldsLinesAndWords)
{
    STRING s("a,b,,d");
    EXPECT_EQ(bytes(s.Field(0, ",")), "a");
    EXPECT_EQ(bytes(s.Field(1, ",")), "b");
    EXPECT_TRUE(s.Field(2, ",").NotNull());
    EXPECT_EQ(s.Field(2, ",").Length(), 0);
    EXPECT_EQ(bytes(s.Field(3, ",")), "d");
    EXPECT_FALSE(s.Field(4, ",").NotNull());
    STRING missing = s.Field(4, ",", STRINGFIELD_EMPTYIFMISSING);
    EXPECT_TRUE(missing.NotNull());
    EXPECT_EQ(missing.Length(), 0);
    EXPECT_EQ(bytes(s.Field(1, ",", 1)), "b,,d");  // the rest of the text

    EXPECT_FALSE(STRING().Field(0, ",").NotNull());
    EXPECT_EQ(bytes(STRING("one\ntwo").Line(1)), "two");
    EXPECT_EQ(bytes(STRING("one two  three").Word(3)), "three");
    EXPECT_EQ(bytes(STRING("x|y").Field(0, "|;")), "x");
}

TEST(StringCase, UpperLowerAndWiden)
{
    STRING s("MiXeD 1");
    s.ToUpper();
    EXPECT_EQ(bytes(s), "MIXED 1");
    s.ToLower();
    EXPECT_EQ(bytes(s), "mixed 1");

    STRING w("Ab");
    w.Widen();
    EXPECT_EQ(w.Length(), 4);
    EXPECT_EQ(bytes(w), std::string("A\0b\0", 4));
    EXPECT_EQ(w.Data()[4], 0);
    EXPECT_EQ(w.Data()[5], 0);
}

TEST(StringEscape, EscapesAndUnescapesEveryByte)
{
    std::string raw("\x00\x09\x0a\x0d\x1a\x5c\x7f\x80=a{}", 12);
    STRING s(raw.data(), static_cast<int>(raw.size()));
    STRING e = s.Escape("={}");
    EXPECT_EQ(bytes(e), "\\0\\t\\n\\r\\z\\\\\x7f\\x80\\x3da\\x7b\\x7d");
    EXPECT_EQ(bytes(e.Unescape(false)), raw);

    std::string all;
    for (int c = 0; c < 256; c++) all += static_cast<char>(c);
    STRING every(all.data(), 256);
    EXPECT_EQ(bytes(every.Escape("={}").Unescape(false)), all);
}

TEST(StringEscape, BadEscapesAreReportedAndCarryOn)
{
    REPORTS reports;
    EXPECT_EQ(bytes(STRING("a\\qb").Unescape(false)), "aqb");
    EXPECT_STREQ(AssertLastCondition(), "FALSE");
    EXPECT_STREQ(AssertLastInfo(), "a\\qb");
    EXPECT_EQ(bytes(STRING("a\\qb").Unescape(true)), "a\\qb");
    EXPECT_EQ(reports.Count(), 1);

    STRING("\\xg1").Unescape(false);
    EXPECT_STREQ(AssertLastCondition(), "isxdigit(xdigit[0])");
    STRING("\\x4").Unescape(false);  // cut short at the end of the text
    EXPECT_STREQ(AssertLastCondition(), "isxdigit(xdigit[1])");
    EXPECT_EQ(bytes(STRING("\\x4A\\X").Unescape(true)), "J\\X");
    EXPECT_EQ(bytes(STRING("end\\").Unescape(true)), "end\\");
}

TEST(StringBase64, PaddingWrappingAndSkipping)
{
    EXPECT_EQ(bytes(STRING("M").Base64Encode(false)), "TQ==");
    EXPECT_EQ(bytes(STRING("Ma").Base64Encode(false)), "TWE=");
    EXPECT_EQ(bytes(STRING("Man").Base64Encode(false)), "TWFu");
    EXPECT_EQ(STRING("").Base64Encode(true).Length(), 0);

    std::string raw;
    for (int i = 0; i < 120; i++) raw += static_cast<char>(i * 7);
    STRING s(raw.data(), static_cast<int>(raw.size()));
    std::string wrapped = bytes(s.Base64Encode(true));
    EXPECT_EQ(wrapped.substr(76, 2), "\r\n");
    EXPECT_EQ(wrapped.substr(wrapped.size() - 2), "\r\n");
    EXPECT_EQ(wrapped.size(), 160u + 2 * 3);  // 76 + 76 + 8 characters, each line ended
    EXPECT_EQ(bytes(STRING(wrapped.c_str()).Base64Decode()), raw);

    EXPECT_EQ(bytes(STRING(" T Q\r\n==").Base64Decode()), "M");
    EXPECT_EQ(bytes(STRING("TWE=TWFu").Base64Decode()), "Ma");  // "=" ends the decoding
    EXPECT_EQ(bytes(STRING("TWFu!TWFu").Base64Decode()), "ManMan");

    std::string all;
    for (int c = 0; c < 256; c++) all += static_cast<char>(c);
    EXPECT_EQ(bytes(STRING(all.data(), 256).Base64Encode(false).Base64Decode()), all);
}

TEST(StringHex, TwoLowercaseDigitsPerByte)
{
    EXPECT_EQ(bytes(STRING("\x01\xab\xff", 3).HexEncode()), "01abff");
    EXPECT_EQ(STRING("").HexEncode().Length(), 0);
}

TEST(StringNullGuard, FailOnNullBitsChooseTheResult)
{
    _putenv("KELVOFAILONNULL=0");
    EXPECT_STREQ(StringNullGuard(nullptr, "label"), "<NULL>");
    STRING s("x");
    s.Append(nullptr);
    EXPECT_EQ(bytes(s), "x<NULL>");

    _putenv("KELVOFAILONNULL=1");
    EXPECT_EQ(StringNullGuard(nullptr, "label"), nullptr);
    REPORTS reports;
    _putenv("KELVOFAILONNULL=3");
    EXPECT_EQ(StringNullGuard(nullptr, "STRING::Append op1"), nullptr);
    EXPECT_EQ(reports.Count(), 1);
    EXPECT_STREQ(AssertLastCondition(), "p!=NULL");
    EXPECT_STREQ(AssertLastInfo(), "STRING::Append op1");
    STRING t("y");
    t.Append(nullptr);  // appends nothing when the guard hands back null
    EXPECT_EQ(bytes(t), "y");

    // Without the variable, the value read last time stays in force.
    _putenv("KELVOFAILONNULL=");
    EXPECT_EQ(StringNullGuard(nullptr, "label"), nullptr);
    _putenv("KELVOFAILONNULL=0");
    EXPECT_STREQ(StringNullGuard("text", "label"), "text");
    EXPECT_STREQ(StringNullGuard(nullptr, "label"), "<NULL>");
}
