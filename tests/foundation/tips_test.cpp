// Tip of the day: the tips file formats, the schedule by style, and the dialog
// with its registry values below a scratch key HKCU\Software\Kelvo\Test...
#include "tips.h"

#include "dialogdriver.h"
#include "osys.h"
#include "scratchkey.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The tips joined by "#".
static std::string joined(STRINGARRAY tips)
{
    std::string all;
    for (int i = 0; i < tips.GetCount(); i++) all += (i ? "#" : "") + std::string(tips[i].Text());
    return all;
}

TEST(TipsFile, LinesWithoutTipBlocksAndBlocksWithTitlesAndParagraphs)
{
    EXPECT_EQ(joined(ParseTips("First tip.\n\nTitle|Second tip.\n   \nThird tip.\n")),
              "First tip.#Title|Second tip.#Third tip.");
    EXPECT_EQ(ParseTips("").GetCount(), 0);
    // Blocks stripped at both ends, "title=" in any case, blank lines as paragraph breaks;
    // an empty block and one with only a title are no tips, the last needs no "[TIP]".
    const char* text = "  [tip]\nTitle=Checking now\n\tPress the button   \nto check.\n\n"
                       "Second paragraph.\n\n[TIP]\nA tip without title.\n[TIP]\n\n   \n"
                       "[TIP]\ntitle=Only a title\n[TIP]\nLast tip, no closing line.";
    EXPECT_EQ(joined(ParseTips(text)),
              "Checking now|Press the button to check. \r\n\r\nSecond paragraph. #"
              "A tip without title. #Last tip, no closing line. ");

    TEMPDIR dir;  // read in text mode
    std::string file = dir.File("tips.txt");
    ASSERT_TRUE(WriteFileBytes(file, "[TIP]\r\ntitle=T\r\nline one\r\n\r\nline two\r\n"));
    EXPECT_EQ(joined(LoadTips(file.c_str())), "T|line one \r\n\r\nline two ");
    EXPECT_EQ(LoadTips(dir.File("missing.txt").c_str()).GetCount(), 0);
}

TEST(TipsSchedule, ByStyle)
{
    const long today = 20000;
    // Style, days since the last showing, and whether a tip is due.
    const struct {
        int style;
        long ago;
        bool due;
    } cases[] = {{0, 20000, false}, {1, 0, true},  {2, 0, false}, {2, 1, true},
                 {3, 1, false},     {3, 2, true},  {4, 6, false}, {4, 7, true},
                 {5, 20000, false}, {-1, 20000, false}};
    for (const auto& c : cases)
        EXPECT_EQ(TipsDue(c.style, today - c.ago, today, false), c.due) << c.style << " " << c.ago;
    EXPECT_TRUE(TipsDue(0, today, today, true));  // on demand always
}

// ---------------------------------------------------------------- dialog

// A control's font as "face weight height".
static std::string font_of(HWND dialog, int id)
{
    LOGFONTA font = {};
    HFONT hfont = reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0));
    if (hfont) GetObjectA(hfont, sizeof font, &font);
    return std::string(font.lfFaceName) + " " + std::to_string(font.lfWeight) + " " +
           std::to_string(font.lfHeight);
}

class TIPSHOW : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteFileBytes(
            file, "[TIP]\ntitle=One\nfirst\n[TIP]\nsecond\n[TIP]\ntitle=Three\nthird\n"));
    }
    // Shows the tips while a thread notes each tip as "title|text", presses the next-tip
    // button nexts times, selects style select (unless -2) and closes the dialog.
    bool Show(bool ondemand, int nexts = 0, int select = -2)
    {
        DIALOGDRIVER driver("Tip of the Day", [&](HWND dialog) {
            for (int i = 0; i <= nexts; i++) {
                seen.push_back(ControlText(GetDlgItem(dialog, IDC_TIPTITLE)) + "|" +
                               ControlText(GetDlgItem(dialog, IDC_TIPTEXT)));
                if (i < nexts) ClickButton(GetDlgItem(dialog, IDOK));
            }
            fonts = font_of(dialog, IDC_TIPTITLE) + ", " + font_of(dialog, IDC_TIPTEXT);
            if (select >= -1) SendDlgItemMessageA(dialog, IDC_TIPSTYLE, CB_SETCURSEL, select, 0);
            ClickButton(GetDlgItem(dialog, IDCANCEL));
        });
        bool shown = ShowTips(nullptr, file.c_str(), key.Name().c_str(), ondemand);
        EXPECT_TRUE(driver.Wait());
        return shown;
    }
    void Set(const char* name, long value) { key.SetValue(name, std::to_string(value)); }

    SCRATCHKEY key;
    TEMPDIR dir;
    std::string file = dir.File("tips.txt");
    long today = static_cast<long>(OSYS::Time() / 86400);
    std::vector<std::string> seen;
    std::string fonts;
};

TEST_F(TIPSHOW, FirstStartShowsTheFirstTipAndWritesTheValues)
{
    ASSERT_TRUE(Show(false));
    EXPECT_EQ(seen, std::vector<std::string>{"One|first "});
    // Arial, bold at 14 points and normal at 10.
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(fonts, "Arial 700 " + std::to_string(-MulDiv(14, dpi, 72)) + ", Arial 400 " +
                         std::to_string(-MulDiv(10, dpi, 72)));
    EXPECT_EQ(key.Value("TipOfDayLast"), std::to_string(today));
    EXPECT_EQ(key.Value("TipOfDayCount") + " " + key.Value("TipOfDayStyle"), "1 2");
}

TEST_F(TIPSHOW, NextTipButtonWrapsAroundAndStyleIsTaken)
{
    Set("TipOfDayCount", 2);
    ASSERT_TRUE(Show(true, 2, 4));
    // A tip without a title of its own has the program's title.
    EXPECT_EQ(seen, (std::vector<std::string>{"Three|third ", "One|first ",
                                               "Tips Test Program|second "}));
    EXPECT_EQ(key.Value("TipOfDayCount") + " " + key.Value("TipOfDayStyle"), "2 4");

    // A count beyond the tips starts again; no style selected means every start.
    seen.clear();
    Set("TipOfDayCount", 7);
    ASSERT_TRUE(Show(true, 0, -1));
    EXPECT_EQ(seen, std::vector<std::string>{"One|first "});
    EXPECT_EQ(key.Value("TipOfDayCount") + " " + key.Value("TipOfDayStyle"), "1 1");
}

TEST_F(TIPSHOW, NotDueOrNoTipsShowsNothingAndWritesNothing)
{
    Set("TipOfDayStyle", 2);
    Set("TipOfDayLast", today);
    EXPECT_FALSE(ShowTips(nullptr, file.c_str(), key.Name().c_str(), false));
    Set("TipOfDayStyle", 0);
    Set("TipOfDayLast", 0);
    EXPECT_FALSE(ShowTips(nullptr, file.c_str(), key.Name().c_str(), false));
    EXPECT_FALSE(ShowTips(nullptr, dir.File("missing.txt").c_str(), key.Name().c_str(), true));
    EXPECT_EQ(key.Value("TipOfDayLast") + " " + key.Value("TipOfDayCount"), "0 <none>");
}
