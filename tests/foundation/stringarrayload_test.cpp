// STRINGARRAY::Load, the plain line file reader: line ends, empty lines, lines
// longer than one read piece, NUL bytes, Ctrl-Z, unescaping and missing files.
#include "stringarray.h"

#include "configfiles.h"
#include "reports.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

typedef std::vector<std::string> LINES;

// Loads a file of exactly these bytes; returns the lines read.
static LINES load_bytes(const std::string& bytes, bool unescape = false)
{
    TEMPDIR dir;
    std::string file = dir.File("lines.txt");
    EXPECT_TRUE(WriteFileBytes(file, bytes));
    STRINGARRAY a;
    int added = a.Load(file.c_str(), unescape);
    EXPECT_EQ(added, a.GetCount());
    LINES v;
    for (int i = 0; i < a.GetCount(); i++) v.push_back(BytesOf(*a.GetItem(i)));
    return v;
}

TEST(StringarrayLoad, LineEndsEmptyLinesNulBytesAndCtrlZ)
{
    const struct { std::string bytes; LINES lines; } cases[] = {
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"a\nb", {"a", "b"}},  // the last line needs no line end
        {"a\n\n", {"a", ""}},
        {"", {}},
        {"a\rb\r\r\n", {"a\rb\r"}},  // only CR LF is a line end pair
        {std::string("a\0b\nc\n", 6), {std::string("a\0b", 3), "c"}},
        {"a\nb\x1a" "c\nd\n", {"a", "b"}},
    };
    for (const auto& c : cases) EXPECT_EQ(load_bytes(c.bytes), c.lines) << "case " << &c - cases;
}

TEST(StringarrayLoad, LongLinesAreJoinedFromPieces)
{
    for (int len : {32766, 32767, 32768, 65535, 100000}) {
        std::string longline(len, 'x');
        longline[len - 1] = 'z';
        EXPECT_EQ(load_bytes(longline + "\r\nnext\r\n" + longline), (LINES{longline, "next", longline}))
            << "length " << len;
    }
    // Line ends on the boundary between two pieces, CR LF split by it included.
    std::string first(32766, 'p');
    EXPECT_EQ(load_bytes(first + "\r\nq\r\n"), (LINES{first, "q"}));
    EXPECT_EQ(load_bytes(first + "\rq\r\n"), (LINES{first + "\rq"}));
}

TEST(StringarrayLoad, UnescapesWhenAskedAndAppendsOnlyNewLines)
{
    EXPECT_EQ(load_bytes("a\\tb\\x41\n", true), (LINES{"a\tbA"}));
    EXPECT_EQ(load_bytes("a\\tb\\x41\n", false), (LINES{"a\\tb\\x41"}));
    REPORTS reports;
    EXPECT_EQ(load_bytes("bad\\q\n", true), (LINES{"badq"}));
    EXPECT_TRUE(reports.Were(1, "FALSE", "bad\\q"));

    TEMPDIR dir;
    std::string file = dir.File("more.txt");
    ASSERT_TRUE(WriteFileBytes(file, "x\ny\n"));
    STRINGARRAY a;
    a.Add(STRING("kept"));
    EXPECT_EQ(a.Load(file.c_str(), false), 2);
    EXPECT_EQ(a.Load(dir.File("missing.txt").c_str(), false), 0);
    EXPECT_EQ(a.Load(nullptr, false), 0);
    EXPECT_EQ(a.GetCount(), 3);
    EXPECT_STREQ(a.GetItem(2)->Text(), "y");
}
