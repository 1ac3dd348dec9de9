// TEXTMODE and BINARY::Load in text mode: CR LF pairs split across pieces, lone
// CRs, and a Ctrl-Z ending the text wherever it falls in the file.
#include "textmode.h"

#include "configfiles.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

// The text-mode form of raw, fed as two pieces cut at split.
static std::string translated(const std::string& raw, size_t split)
{
    TEXTMODE textmode;
    STRING out;
    out.Make(0, "");
    textmode.Translate(raw.data(), static_cast<int>(split), out);
    textmode.Translate(raw.data() + split, static_cast<int>(raw.size() - split), out);
    textmode.Finish(out);
    return BytesOf(out);
}

TEST(TextMode, SameResultWhereverThePiecesAreCut)
{
    const std::string cases[][2] = {
        {"a\r\nb\rc\r\r\n\r", "a\nb\rc\r\n\r"},
        {"\r\n\r\n", "\n\n"},
        {"x\r\x1ay\r\n", "x\r"},
        {"\x1a\r\n", ""},
        {std::string("a\0\r\n", 4), std::string("a\0\n", 3)},
    };
    for (const auto& c : cases) {
        for (size_t split = 0; split <= c[0].size(); split++)
            EXPECT_EQ(translated(c[0], split), c[1]) << "cut at " << split;
    }
}

TEST(TextMode, CtrlZEndsTheTextForGood)
{
    TEXTMODE textmode;
    STRING out;
    out.Make(0, "");
    textmode.Translate("ab\x1a" "cd", 5, out);
    EXPECT_TRUE(textmode.Ended());
    textmode.Translate("more\n", 5, out);
    textmode.Finish(out);
    EXPECT_EQ(BytesOf(out), "ab");
    EXPECT_TRUE(IsTextMode("r"));
    EXPECT_TRUE(IsTextMode("rt"));
    EXPECT_FALSE(IsTextMode("rb"));
}

TEST(TextMode, BinaryLoadStopsAtCtrlZFarIntoTheFile)
{
    TEMPDIR dir;
    std::string file = dir.File("long.txt");
    std::string lines;
    for (int i = 0; i < 8000; i++) lines += "x=12\r\n";  // 48000 bytes, several reads
    ASSERT_TRUE(WriteFileBytes(file, lines + "\x1a" "after=1\r\n"));
    BINARY text;
    ASSERT_TRUE(text.Load(file.c_str(), "r"));
    EXPECT_EQ(text.Length(), 8000 * 5);
    EXPECT_EQ(BytesOf(text).find("after"), std::string::npos);
    EXPECT_EQ(BytesOf(text).find('\r'), std::string::npos);

    ASSERT_TRUE(text.Load(file.c_str(), "rb"));
    EXPECT_EQ(BytesOf(text), lines + "\x1a" "after=1\r\n");
}
