// TEXTMODE and BINARY::Load in text mode: CR LF pairs split across pieces, lone
// CRs, and a Ctrl-Z ending the text wherever it falls in the file.
#include "textmode.h"

#include "configfiles.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextMode, SameResultWhereverThePiecesAreCut)
{
    const std::string cases[][2] = {
        {"a\r\nb\rc\r\r\n\r", "a\nb\rc\r\n\r"}, {"\r\n\r\n", "\n\n"},   {"x\r\x1ay\r\n", "x\r"},
        {"\x1a\r\n", ""},                       {std::string("a\0\r\n", 4), std::string("a\0\n", 3)}};
    for (const auto& c : cases) {
        for (size_t split = 0; split <= c[0].size(); split++) {
            TEXTMODE textmode;
            STRING out("");
            textmode.Translate(c[0].data(), static_cast<int>(split), out);
            textmode.Translate(c[0].data() + split, static_cast<int>(c[0].size() - split), out);
            textmode.Finish(out);
            EXPECT_EQ(BytesOf(out), c[1]) << "cut at " << split;
            EXPECT_EQ(textmode.Ended(), c[0].find('\x1a') != std::string::npos);
        }
    }
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
    EXPECT_EQ(BytesOf(text).find_first_of("\ra"), std::string::npos);
    ASSERT_TRUE(text.Load(file.c_str(), "rb"));
    EXPECT_EQ(BytesOf(text), lines + "\x1a" "after=1\r\n");
}
