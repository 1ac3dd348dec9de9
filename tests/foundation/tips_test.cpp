// Tip of the day: the tips file formats, the schedule by style, and the dialog
// with its registry values below a scratch key HKCU\Software\Kelvo\Test...
#include "tips.h"

#include "osys.h"
#include "registry.h"
#include "testdialogs.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

static std::vector<std::string> tips_of(const char* text)
{
    STRINGARRAY tips = ParseTips(STRING(text));
    std::vector<std::string> out;
    for (int i = 0; i < tips.GetCount(); i++) out.push_back(tips[i].Text());
    return out;
}

TEST(TipsFile, WithoutTipBlocksEveryNonEmptyLineIsATip)
{
    std::vector<std::string> expected = {"First tip.", "Title|Second tip.", "Third tip."};
    EXPECT_EQ(tips_of("First tip.\n\nTitle|Second tip.\n   \nThird tip.\n"), expected);
    EXPECT_TRUE(tips_of("").empty());
}

TEST(TipsFile, TipBlocksWithTitlesAndParagraphs)
{
    const char* text =
        "  [tip]\n"
        "Title=Checking now\n"
        "\tPress the button   \n"
        "to check.\n"
        "\n"
        "Second paragraph.\n"
        "\n"
        "[TIP]\n"
        "A tip without title.\n"
        "[TIP]\n"
        "\n"
        "   \n"
        "[TIP]\n"
        "title=Only a title\n"
        "[TIP]\n"
        "Last tip, no closing line.";
    std::vector<std::string> expected = {
        "Checking now|Press the button to check. \r\n\r\nSecond paragraph. ",
        "A tip without title. ",
        "Last tip, no closing line. ",
    };
    EXPECT_EQ(tips_of(text), expected);
}

TEST(TipsFile, ReadInTextMode)
{
    TEMPDIR dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("tips.txt"), "[TIP]\r\ntitle=T\r\nline one\r\n\r\nline two\r\n"));
    STRINGARRAY tips = LoadTips(dir.File("tips.txt").c_str());
    ASSERT_EQ(tips.GetCount(), 1);
    EXPECT_STREQ(tips[0].Text(), "T|line one \r\n\r\nline two ");
    EXPECT_EQ(LoadTips(dir.File("missing.txt").c_str()).GetCount(), 0);
}

TEST(TipsSchedule, ByStyle)
{
    const long today = 20000;
    EXPECT_TRUE(TipsDue(0, today, today, true));
    EXPECT_FALSE(TipsDue(0, 0, today, false));
    EXPECT_TRUE(TipsDue(1, today, today, false));
    EXPECT_FALSE(TipsDue(2, today, today, false));
    EXPECT_TRUE(TipsDue(2, today - 1, today, false));
    EXPECT_FALSE(TipsDue(3, today - 1, today, false));
    EXPECT_TRUE(TipsDue(3, today - 2, today, false));
    EXPECT_FALSE(TipsDue(4, today - 6, today, false));
    EXPECT_TRUE(TipsDue(4, today - 7, today, false));
    EXPECT_FALSE(TipsDue(5, 0, today, false));
    EXPECT_FALSE(TipsDue(-1, 0, today, false));
}

// ---------------------------------------------------------------- dialog

static const char TEST_APP[] = "TestPathsTips";

struct TIPSEEN {
    bool found = false;
    std::string title;
    std::string text;
    LOGFONTA titlefont = {};
    LOGFONTA textfont = {};
};

static LOGFONTA font_of(HWND dialog, int id)
{
    LOGFONTA font = {};
    HFONT hfont = reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0));
    if (hfont) GetObjectA(hfont, sizeof font, &font);
    return font;
}

static std::string item_text(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Answers the tip dialog: notes each tip, presses next-tip nexts times, may select a
// style, then closes.
static std::thread answer_tips(int nexts, int select, std::vector<TIPSEEN>* seen)
{
    return std::thread([nexts, select, seen]() {
        HWND dialog = WaitForDialog("Tip of the Day", GetCurrentProcessId(), 20000);
        if (!dialog) return;
        for (int i = 0; i <= nexts; i++) {
            TIPSEEN tip;
            tip.found = true;
            tip.title = item_text(dialog, IDC_TIPTITLE);
            tip.text = item_text(dialog, IDC_TIPTEXT);
            tip.titlefont = font_of(dialog, IDC_TIPTITLE);
            tip.textfont = font_of(dialog, IDC_TIPTEXT);
            seen->push_back(tip);
            if (i < nexts)
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        }
        if (select >= -1) SendDlgItemMessageA(dialog, IDC_TIPSTYLE, CB_SETCURSEL, select, 0);
        PressDialogButton(dialog, IDCANCEL);
    });
}

class TIPSHOW : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
        ASSERT_TRUE(WriteFileBytes(file, "[TIP]\ntitle=One\nfirst\n[TIP]\nsecond\n[TIP]\ntitle=Three\nthird\n"));
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }

    std::string Value(const char* name)
    {
        REGISTRY registry(TEST_APP, "Software\\Kelvo\\", REGISTRY_CURRENTUSER);
        return registry.Read(name).Text();
    }
    void Set(const char* name, long value)
    {
        REGISTRY registry(TEST_APP, "Software\\Kelvo\\", REGISTRY_CURRENTUSER);
        registry.Write(name, STRING(static_cast<int>(value)));
    }
    bool Show(bool ondemand, int nexts, int select, std::vector<TIPSEEN>* seen)
    {
        std::thread answer = answer_tips(nexts, select, seen);
        bool shown = ShowTips(nullptr, file.c_str(), TEST_APP, ondemand);
        answer.join();
        return shown;
    }

    std::string key = std::string("Software\\Kelvo\\") + TEST_APP;
    TEMPDIR dir;
    std::string file = dir.File("tips.txt");
    long today = static_cast<long>(OSYS::Time() / 86400);
};

TEST_F(TIPSHOW, FirstStartShowsTheFirstTipAndWritesTheValues)
{
    std::vector<TIPSEEN> seen;
    ASSERT_TRUE(Show(false, 0, -2, &seen));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "One");
    EXPECT_EQ(seen[0].text, "first ");
    EXPECT_STREQ(seen[0].titlefont.lfFaceName, "Arial");
    EXPECT_EQ(seen[0].titlefont.lfWeight, FW_BOLD);
    EXPECT_STREQ(seen[0].textfont.lfFaceName, "Arial");
    EXPECT_EQ(seen[0].textfont.lfWeight, FW_NORMAL);
    // 14 and 10 points.
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(seen[0].titlefont.lfHeight, -MulDiv(14, dpi, 72));
    EXPECT_EQ(seen[0].textfont.lfHeight, -MulDiv(10, dpi, 72));
    EXPECT_EQ(Value("TipOfDayLast"), std::to_string(today));
    EXPECT_EQ(Value("TipOfDayCount"), "1");
    EXPECT_EQ(Value("TipOfDayStyle"), "2");
}

TEST_F(TIPSHOW, NextTipButtonWrapsAroundAndStyleIsTaken)
{
    Set("TipOfDayCount", 2);
    std::vector<TIPSEEN> seen;
    ASSERT_TRUE(Show(true, 2, 4, &seen));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].title, "Three");
    EXPECT_EQ(seen[1].title, "One");
    // A tip without a title of its own has the program's title.
    EXPECT_EQ(seen[2].title, "Tips Test Program");
    EXPECT_EQ(seen[2].text, "second ");
    EXPECT_EQ(Value("TipOfDayCount"), "2");
    EXPECT_EQ(Value("TipOfDayStyle"), "4");
}

TEST_F(TIPSHOW, CountBeyondTheTipsStartsAgainAndNoSelectionMeansEveryStart)
{
    Set("TipOfDayCount", 7);
    std::vector<TIPSEEN> seen;
    ASSERT_TRUE(Show(true, 0, -1, &seen));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "One");
    EXPECT_EQ(Value("TipOfDayCount"), "1");
    EXPECT_EQ(Value("TipOfDayStyle"), "1");
}

TEST_F(TIPSHOW, NotDueShowsNothingAndWritesNothing)
{
    Set("TipOfDayStyle", 2);
    Set("TipOfDayLast", today);
    std::vector<TIPSEEN> seen;
    EXPECT_FALSE(ShowTips(nullptr, file.c_str(), TEST_APP, false));
    Set("TipOfDayStyle", 0);
    Set("TipOfDayLast", 0);
    EXPECT_FALSE(ShowTips(nullptr, file.c_str(), TEST_APP, false));
    EXPECT_EQ(Value("TipOfDayLast"), "0");
    EXPECT_EQ(Value("TipOfDayCount"), "");
    // Every other day: the day before yesterday is long enough ago.
    Set("TipOfDayStyle", 3);
    Set("TipOfDayLast", today - 1);
    EXPECT_FALSE(ShowTips(nullptr, file.c_str(), TEST_APP, false));
    Set("TipOfDayLast", today - 2);
    ASSERT_TRUE(Show(false, 0, -2, &seen));
    EXPECT_EQ(Value("TipOfDayLast"), std::to_string(today));
    EXPECT_EQ(Value("TipOfDayStyle"), "3");
}

TEST_F(TIPSHOW, NoTipsNoDialog)
{
    EXPECT_FALSE(ShowTips(nullptr, dir.File("missing.txt").c_str(), TEST_APP, true));
    EXPECT_EQ(Value("TipOfDayLast"), "");
}
