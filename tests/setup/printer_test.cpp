// PRINTER: where every run of text goes (wrapping, tabs, control characters, pages),
// the margins in device pixels, and a job on a context that cannot print.
#include "printer.h"

#include "logcapture.h"
#include "reports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Records what the layout hands the device, "x,y:text" per run and "P" per page, on a
// 10 by 20 pixel cell in a text area of 20 cells by 3 lines.
class PAGERECORDER : public PRINTER {
public:
    PAGERECORDER() : PRINTER()
    {
        Attach(CreateCompatibleDC(nullptr), true);
        Margins = RECT{100, 50, 300, 110};
    }
    void Place(const RECT& margins) { Margins = margins; }
    std::string Record;
    std::vector<RECT> Runs;  // from x, y to the run's right end
    int PagesLeft = -1;      // page breaks the device takes (-1: any number)

protected:
    void DrawRun(int x, int y, const char* text, int n) override
    {
        Runs.push_back(RECT{x, y, x + 10 * n, y});
        Add(std::to_string(x) + "," + std::to_string(y) + ":" + std::string(text, n));
    }
    bool PageBreak() override
    {
        Add("P");
        return PagesLeft-- != 0;
    }
    SIZE MeasureCell() override { return SIZE{10, 20}; }

private:
    void Add(const std::string& item) { Record += (Record.empty() ? "" : " ") + item; }
};

struct LAYOUTCASE {
    const char* name;
    std::string text;
    int length;
    bool lineFeedOnly;
    std::string expected;
};

TEST(Printer, PlacesEveryRunInCells)
{
    const std::string line(20, 'x');
    const LAYOUTCASE cases[] = {
        {"plain and 8-bit", "ab\xe4\xf6", -1, false, "100,50:ab\xe4\xf6"},
        {"cut at the cells that fit", "abcdefghijklmnopqrstUVW", -1, false,
         "100,50:abcdefghijklmnopqrst 100,70:UVW"},
        {"full line, then line feed", line + "\ny", -1, false, "100,50:" + line + " 100,70:y"},
        {"tab stops every 8 cells", "a\tb\tc", -1, false, "100,50:a 180,50:b 260,50:c"},
        {"tab from a stop", "12345678\tx", -1, false, "100,50:12345678 260,50:x"},
        {"tab past the right margin", "a\t\t\tb", -1, false, "100,50:a 100,70:b"},
        {"backspace stays at the left margin", "\bab\b\b\bc", -1, false, "100,50:ab 100,50:c"},
        {"carriage return", "abc\rd", -1, false, "100,50:abc 100,50:d"},
        {"line feed", "ab\ncd", -1, false, "100,50:ab 100,70:cd"},
        {"line feed keeping the column", "ab\ncd", -1, true, "100,50:ab 120,70:cd"},
        {"form feed", "a\fb", -1, false, "100,50:a P 100,50:b"},
        {"bottom margin", "1\n2\n3\n4", -1, false, "100,50:1 100,70:2 100,90:3 P 100,50:4"},
        {"long line over a page", line + line + line + "zz", -1, false,
         "100,50:" + line + " 100,70:" + line + " 100,90:" + line + " P 100,50:zz"},
        {"other control bytes print nothing", std::string("a\0\x01\x1b\x7f" "b", 6), 6, false,
         "100,50:a 110,50:b"},
        {"explicit length", "abcdef", 3, false, "100,50:abc"},
        {"length -1 ends at the zero", std::string("abc\0def", 7), -1, false, "100,50:abc"},
    };
    for (const auto& c : cases) {
        REPORTS reports;
        PAGERECORDER printer;
        printer.SetLineFeedOnly(c.lineFeedOnly);
        ASSERT_TRUE(printer.NewPage());
        printer.Record.clear();
        printer.WriteText(c.text.c_str(), c.length);
        EXPECT_EQ(printer.Record, c.expected) << c.name;
        EXPECT_TRUE(reports.Were(0)) << c.name;
    }
}

TEST(Printer, WithoutMarginsReportsAndDrawsNothing)
{
    REPORTS reports;
    PAGERECORDER printer;
    printer.Place(RECT{0, 0, 0, 0});
    ASSERT_TRUE(printer.NewPage());
    printer.Record.clear();
    printer.WriteText("abc");
    EXPECT_TRUE(reports.Were(1, "this->Margins.bottom>0"));
    EXPECT_EQ(printer.Record, "");
}

TEST(Printer, FailingPageEndsTheJob)
{
    REPORTS reports;
    PAGERECORDER printer;
    printer.PagesLeft = 1;
    ASSERT_TRUE(printer.NewPage());
    printer.WriteText("a\fb\fc");
    EXPECT_EQ(printer.Record, "P 100,50:a P");
    EXPECT_FALSE(printer.NewPage());
    EXPECT_FALSE(printer.EndDoc());
    EXPECT_TRUE(reports.Were(0));
}

TEST(Printer, AnyBytesStayInsideTheTextArea)
{
    REPORTS reports;
    std::string bytes;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; i++) {
        seed = seed * 1103515245 + 12345;
        bytes += static_cast<char>(seed >> 16);
    }
    bytes += std::string(500, '\f') + std::string(100000, '\t') + std::string(100000, 'w');
    PAGERECORDER printer;
    ASSERT_TRUE(printer.NewPage());
    printer.WriteText(bytes.data(), static_cast<int>(bytes.size()));
    EXPECT_TRUE(reports.Were(0));
    POINT end = printer.GetPosition();
    EXPECT_TRUE(end.x >= 100 && end.x <= 300 && end.y >= 50 && end.y < 110);
    // Every run starts inside the area and ends by its right edge.
    for (const RECT& run : printer.Runs) {
        ASSERT_TRUE(run.left >= 100 && run.right <= 300 && run.top >= 50 && run.top < 110)
            << run.left << "," << run.top << " to " << run.right;
    }
    EXPECT_GT(printer.Runs.size(), 10000u);
    // Tabs past the right margin wait there for the next line.
    printer.WriteText(std::string(1000, '\t').c_str());
    EXPECT_EQ(printer.GetPosition().x, 300);
    // An area narrower than a cell still takes one character a line.
    PAGERECORDER narrow;
    narrow.Place(RECT{100, 50, 105, 110});
    ASSERT_TRUE(narrow.NewPage());
    narrow.Record.clear();
    narrow.WriteText("ab\tc");
    EXPECT_EQ(narrow.Record, "100,50:a 100,70:b 100,90:c");
}

TEST(Printer, MarginsInPixelsOfTheDevice)
{
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    {
        REPORTS reports;
        PRINTER printer;
        ASSERT_TRUE(printer.Attach(screen));
        // Whole inches (25.4 mm) come out exact in any resolution.
        printer.SetMargins(254, 127, 0, 254);
        RECT m = printer.GetMargins();
        EXPECT_EQ(m.left, 10 * GetDeviceCaps(screen, LOGPIXELSX));
        EXPECT_EQ(m.top, 5 * GetDeviceCaps(screen, LOGPIXELSY));
        EXPECT_EQ(m.right, GetDeviceCaps(screen, HORZRES));
        int dpiy = GetDeviceCaps(screen, LOGPIXELSY);
        EXPECT_EQ(m.bottom, GetDeviceCaps(screen, VERTRES) - 10 * dpiy);
        EXPECT_TRUE(reports.Were(0));
    }
    ReleaseDC(nullptr, screen);
}

TEST(Printer, JobOnAContextThatCannotPrintEndsCleanly)
{
    REPORTS reports;
    LOGCAPTURE log;
    PRINTER printer;
    ASSERT_TRUE(printer.Attach(CreateCompatibleDC(nullptr), true));
    EXPECT_TRUE(printer.SetFont("Courier New", 12, true));
    LOGFONTA font = {};
    GetObjectA(GetCurrentObject(printer.GetHdc(), OBJ_FONT), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "Courier New");
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfPitchAndFamily & 3, FIXED_PITCH);
    EXPECT_EQ(-font.lfHeight * 6, GetDeviceCaps(printer.GetHdc(), LOGPIXELSY));  // 12 points: 1/6 inch
    printer.SetMargins(25, 25, 15, 20);
    EXPECT_FALSE(printer.StartDoc("ORDER"));
    EXPECT_FALSE(printer.NewPage());
    printer.WriteText("text\fmore");
    EXPECT_FALSE(printer.EndDoc());
    EXPECT_EQ(printer.GetHdc(), nullptr);
    const std::string& text = log.Text();
    EXPECT_NE(text.find("PRINTER::StartDoc ORDER\r"), std::string::npos);
    EXPECT_NE(text.find("PRINTER::StartDoc failed"), std::string::npos);
    EXPECT_NE(text.find("PRINTER::EndDoc done\r"), std::string::npos);
    EXPECT_TRUE(reports.Were(0));
}
