// The message boxes and the file dialog, answered by the test the way a user would,
// and the file dialog's filter texts byte for byte.
#include "winmisc.h"

#include "dialogdriver.h"
#include "logcapture.h"
#include "reports.h"
#include "testdialogs.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace std::string_literals;

// Message box icon control (Wine and Windows alike).
const int MSGBOX_ICON = 0x0440;
// File name fields of the explorer-style file dialog: edit, or combo box with edit.
const int FILEDIALOG_EDIT = 0x0480;
const int FILEDIALOG_COMBO = 0x047c;

// What the answering thread saw: "title / text / whether the icon is the system's one".
static std::thread answer_box(const std::string& title, int button, LPCSTR icon,
                              std::string* seen)
{
    return std::thread([title, button, icon, seen]() {
        HWND box = WaitForDialog(title, GetCurrentProcessId(), 20000);
        if (!box) return;
        LRESULT shown = SendDlgItemMessageA(box, MSGBOX_ICON, STM_GETICON, 0, 0);
        *seen = WindowText(box) + " / " + DialogStaticText(box) + " / " +
                (shown == reinterpret_cast<LRESULT>(LoadIconA(nullptr, icon)) ? "icon" : "other");
        PressDialogButton(box, button);
    });
}

TEST(MessageBoxes, TitleTextIconAndAnswerEachCallLoggedFirst)
{
    LOGCAPTURE log;
    const struct {
        void (*show)(HWND, const char*, const char*);
        const char* title;
        LPCSTR icon;
    } cases[] = {
        {WINKELVO::InfoMsgBox, "Info Box Test", IDI_INFORMATION},
        {WINKELVO::WarningMsgBox, "Warning Box Test", IDI_WARNING},
        {WINKELVO::ErrorMsgBox, "Error Box Test", IDI_ERROR},
    };
    for (const auto& c : cases) {
        std::string seen;
        std::thread answer = answer_box(c.title, IDOK, c.icon, &seen);
        c.show(nullptr, c.title, "Line one\nline two");
        answer.join();
        EXPECT_EQ(seen, c.title + " / Line one\nline two / icon"s);
    }
    for (bool yes : {true, false}) {
        // Without a title of its own (answered No here): the program's.
        std::string seen, title = yes ? "Question Test" : "Paths Test Program";
        std::thread answer = answer_box(title, yes ? IDYES : IDNO, IDI_QUESTION, &seen);
        EXPECT_EQ(WINKELVO::YesNoMsgBox(nullptr, yes ? title.c_str() : nullptr, "Go on?"), yes);
        answer.join();
        EXPECT_EQ(seen, title + " / Go on? / icon");
    }
    EXPECT_NE(log.Text().find("] WINKELVO::ErrorMsgBox title=Error Box Test text=Line one"),
              std::string::npos);
}

// ---------------------------------------------------------------- filter

static std::string filter_of(const char* types, int language)
{
    FILEDIALOGFILTER f = FileDialogFilter(types, language);
    return std::string(f.Filter.Text(), f.Filter.Length()) + "|" + f.DefaultExtension.Text();
}

TEST(FileDialogFilter, DescriptionsShowTheirPatternAllFilesIsAddedOnceTooLongIsReplaced)
{
    // The filter and, after "|", the default extension.
    const struct {
        const char* types;
        int language;
        std::string filter;
    } cases[] = {
        {"Text|*.txt", 9, "Text (*.txt)\0*.txt\0All Files (*.*)\0*.*\0\0|"s},
        {"Text|*.txt\r\nLogs|*.log;*.old\n", 9,
         "Text (*.txt)\0*.txt\0Logs (*.log;*.old)\0*.log;*.old\0All Files (*.*)\0*.*\0\0|"s},
        {"Text|*.txt", 7, "Text (*.txt)\0*.txt\0Alle Dateien (*.*)\0*.*\0\0|"s},
        {nullptr, 9, "All Files (*.*)\0*.*\0\0|"s},
        {"", 7, "Alle Dateien (*.*)\0*.*\0\0|"s},
        {"Everything|*.*\nText|*.txt", 9, "Everything (*.*)\0*.*\0Text (*.txt)\0*.txt\0\0|"s},
        // A dot line names the default extension; a line without "|" is no filter.
        {"Settings|*.cfg\n.cfg\nno bar here", 9,
         "Settings (*.cfg)\0*.cfg\0All Files (*.*)\0*.*\0\0|cfg"s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(filter_of(c.types, c.language), c.filter) << (c.types ? c.types : "(null)");

    std::string types;
    while (types.size() < 2100) types += "Text|*.txt\n";
    REPORTS reports;
    EXPECT_EQ(filter_of(types.c_str(), 9), "All Files (*.*)\0*.*\0\0|"s);
    EXPECT_TRUE(reports.Were(1, "_tcslen(filetypes)<2048"));
    // Just below the limit is fine.
    std::string fits = types.substr(0, 2047 - 14);
    fits = fits.substr(0, fits.rfind('\n') + 1);
    EXPECT_NE(filter_of(fits.c_str(), 9).find("All Files"), std::string::npos);
    EXPECT_TRUE(reports.Were(0));
}

// ---------------------------------------------------------------- dialog

class FILEDIALOGTEST : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteFileBytes(dir.File("a.txt"), "a"));
        ASSERT_TRUE(WriteFileBytes(dir.File("b.txt"), "b"));
    }
    // Runs the dialog while a thread types typed into its name field (unless empty) and
    // presses button; the chosen paths joined by ";".
    std::string Run(const std::string& initial, bool save, bool multiple, const char* types,
                    const std::string& typed, int button = IDOK)
    {
        DIALOGDRIVER driver("File Dialog Test", [&](HWND dialog) {
            int field = GetDlgItem(dialog, FILEDIALOG_COMBO) ? FILEDIALOG_COMBO : FILEDIALOG_EDIT;
            if (!typed.empty()) SetDlgItemTextA(dialog, field, typed.c_str());
            PressDialogButton(dialog, button);
        });
        STRINGARRAY chosen =
            FileDialog(nullptr, initial.c_str(), "File Dialog Test", save, multiple, types);
        EXPECT_TRUE(driver.Wait());
        std::string all;
        for (int i = 0; i < chosen.GetCount(); i++)
            all += (i ? ";" : "") + std::string(chosen[i].Text());
        return all;
    }
    TEMPDIR dir;
};

TEST_F(FILEDIALOGTEST, ChosenFilesAsFullPaths)
{
    const std::string a = dir.File("a.txt"), b = dir.File("b.txt");
    EXPECT_EQ(Run(a, false, false, "Text|*.txt", ""), a);  // the initial name
    std::string both = Run(dir.Path(), false, true, "Text|*.txt", "\"a.txt\" \"b.txt\"");
    EXPECT_TRUE(both == a + ";" + b || both == b + ";" + a) << both;
    // One file chosen with multiple selection allowed is still a full path.
    EXPECT_EQ(Run(dir.Path(), false, true, nullptr, "b.txt"), b);
    // Saving adds the default extension.
    EXPECT_EQ(Run(dir.File("report"), true, false, "Text|*.txt\n.txt", ""), dir.File("report.txt"));
    EXPECT_EQ(Run(a, false, true, nullptr, "", IDCANCEL), "");
}
