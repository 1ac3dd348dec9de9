// STRINGARRAY::Load, the plain line file reader: line ends, empty lines, lines
// longer than one read piece, NUL bytes, unescaping and missing files.
#include "stringarray.h"

#include "configfiles.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

typedef std::vector<std::string> LINES;

static LINES lines_of(const STRINGARRAY& a)
{
    LINES v;
    for (int i = 0; i < a.GetCount(); i++) v.push_back(BytesOf(*a.GetItem(i)));
    return v;
}

// Loads a file of exactly these bytes; returns the lines read.
static LINES load_bytes(const std::string& bytes, bool unescape = false, int* added = nullptr)
{
    TEMPDIR dir;
    std::string file = dir.File("lines.txt");
    EXPECT_TRUE(WriteFileBytes(file, bytes));
    STRINGARRAY a;
    int n = a.Load(file.c_str(), unescape);
    if (added) *added = n;
    EXPECT_EQ(n, a.GetCount());
    return lines_of(a);
}

TEST(StringarrayLoad, LinesEndsAndEmptyLines)
{
    EXPECT_EQ(load_bytes("a\r\n\r\nb\r\n"), (LINES{"a", "", "b"}));
    EXPECT_EQ(load_bytes("a\nb"), (LINES{"a", "b"}));  // the last line needs no line end
    EXPECT_EQ(load_bytes("a\n\n"), (LINES{"a", ""}));
    EXPECT_EQ(load_bytes("\n"), (LINES{""}));
    EXPECT_EQ(load_bytes(""), (LINES{}));
    EXPECT_EQ(load_bytes("a\rb\r\r\n"), (LINES{"a\rb\r"}));  // only CR LF is a line end pair
}

TEST(StringarrayLoad, LongLinesAreJoinedFromPieces)
{
    for (int len : {32766, 32767, 32768, 65534, 65535, 100000}) {
        std::string longline(len, 'x');
        longline[0] = 'a';
        longline[len - 1] = 'z';
        EXPECT_EQ(load_bytes(longline + "\r\nnext\r\n" + longline), (LINES{longline, "next", longline}))
            << "length " << len;
    }
    // Line ends falling on the boundary between two pieces, CR LF split by it included.
    std::string first(32766, 'p');
    EXPECT_EQ(load_bytes(first + "\n" + "q\n"), (LINES{first, "q"}));
    EXPECT_EQ(load_bytes(first + "\r\n" + "q\r\n"), (LINES{first, "q"}));
    EXPECT_EQ(load_bytes(first + "\rq\r\n"), (LINES{first + "\rq"}));
}

TEST(StringarrayLoad, NulBytesStayInsideTheirLine)
{
    EXPECT_EQ(load_bytes(std::string("a\0b\nc\n", 6)), (LINES{std::string("a\0b", 3), "c"}));
}

TEST(StringarrayLoad, CtrlZEndsATextFile)
{
    EXPECT_EQ(load_bytes("a\nb\x1a" "c\nd\n"), (LINES{"a", "b"}));
}

TEST(StringarrayLoad, UnescapesWhenAsked)
{
    EXPECT_EQ(load_bytes("a\\tb\\x41\n", true), (LINES{"a\tbA"}));
    EXPECT_EQ(load_bytes("a\\tb\\x41\n", false), (LINES{"a\\tb\\x41"}));
    REPORTS reports;
    EXPECT_EQ(load_bytes("bad\\q\n", true), (LINES{"badq"}));
    EXPECT_TRUE(reports.Were(1, "FALSE", "bad\\q"));
}

TEST(StringarrayLoad, AppendsAndCountsOnlyTheNewLines)
{
    TEMPDIR dir;
    std::string file = dir.File("more.txt");
    ASSERT_TRUE(WriteFileBytes(file, "x\ny\n"));
    STRINGARRAY a;
    a.Add(STRING("kept"));
    EXPECT_EQ(a.Load(file.c_str(), false), 2);
    EXPECT_EQ(lines_of(a), (LINES{"kept", "x", "y"}));
    EXPECT_EQ(a.Load(dir.File("missing.txt").c_str(), false), 0);
    EXPECT_EQ(a.Load(nullptr, false), 0);
    EXPECT_EQ(lines_of(a), (LINES{"kept", "x", "y"}));
}
