// The message boxes and the file dialog, answered by the test the way a user would,
// and the file dialog's filter texts byte for byte.
#include "winmisc.h"

#include "testdialogs.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

// Message box icon control (Wine and Windows alike).
const int MSGBOX_ICON = 0x0440;
// File name fields of the explorer-style file dialog: edit, or combo box with edit.
const int FILEDIALOG_EDIT = 0x0480;
const int FILEDIALOG_COMBO = 0x047c;

struct BOXSEEN {
    DIALOGSEEN seen;
    HICON icon = nullptr;
};

// Answers the next box titled titlepart with button, noting its texts and icon.
static std::thread answer_box(const std::string& titlepart, int button, BOXSEEN* box)
{
    return std::thread([titlepart, button, box]() {
        HWND dialog = WaitForDialog(titlepart, GetCurrentProcessId(), 20000);
        if (!dialog) return;
        box->seen.found = true;
        box->seen.title = WindowText(dialog);
        box->seen.text = DialogStaticText(dialog);
        box->icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, MSGBOX_ICON, STM_GETICON, 0, 0));
        PressDialogButton(dialog, button);
    });
}

TEST(MessageBoxes, TitleTextAndIcon)
{
    struct CASE {
        void (*show)(HWND, const char*, const char*);
        const char* title;
        LPCSTR icon;
    } cases[] = {
        {WINKELVO::InfoMsgBox, "Info Box Test", IDI_INFORMATION},
        {WINKELVO::WarningMsgBox, "Warning Box Test", IDI_WARNING},
        {WINKELVO::ErrorMsgBox, "Error Box Test", IDI_ERROR},
    };
    for (const CASE& c : cases) {
        BOXSEEN box;
        std::thread answer = answer_box(c.title, IDOK, &box);
        c.show(nullptr, c.title, "Line one\nline two");
        answer.join();
        ASSERT_TRUE(box.seen.found) << c.title;
        EXPECT_EQ(box.seen.title, c.title);
        EXPECT_EQ(box.seen.text, "Line one\nline two");
        EXPECT_EQ(box.icon, LoadIconA(nullptr, c.icon)) << c.title;
    }
}

TEST(MessageBoxes, YesNoAnswersAndProgramTitle)
{
    BOXSEEN yes;
    std::thread answer = answer_box("Question Test", IDYES, &yes);
    EXPECT_TRUE(WINKELVO::YesNoMsgBox(nullptr, "Question Test", "Go on?"));
    answer.join();
    EXPECT_EQ(yes.seen.text, "Go on?");
    EXPECT_EQ(yes.icon, LoadIconA(nullptr, IDI_QUESTION));

    DIALOGANSWERER no("Paths Test Program", IDNO);
    EXPECT_FALSE(WINKELVO::YesNoMsgBox(nullptr, nullptr, "Stop?"));
    EXPECT_EQ(no.Wait().title, "Paths Test Program");
    EXPECT_EQ(no.Wait().text, "Stop?");
}

TEST(MessageBoxes, EachCallIsLoggedFirst)
{
    TEMPDIR dir;
    std::string log = dir.File("box.log");
    LogitOption(("/LOGIT:" + log).c_str());
    DIALOGANSWERER answer("Logged Box", IDOK);
    WINKELVO::ErrorMsgBox(nullptr, "Logged Box", "went wrong");
    answer.Wait();
    LogitOption("/LOGITCLOSE");
    EXPECT_NE(ReadFileBytes(log).find("] WINKELVO::ErrorMsgBox title=Logged Box text=went wrong\r\n"),
              std::string::npos);
}

// ---------------------------------------------------------------- filter

static std::string filter_of(const char* types, int language, std::string* defext = nullptr)
{
    FILEDIALOGFILTER f = FileDialogFilter(types, language);
    if (defext) *defext = f.DefaultExtension.Text();
    return std::string(f.Filter.Text(), f.Filter.Length());
}

TEST(FileDialogFilter, DescriptionsShowTheirPatternAndAllFilesIsAdded)
{
    using namespace std::string_literals;
    EXPECT_EQ(filter_of("Text|*.txt", 9), "Text (*.txt)\0*.txt\0All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(filter_of("Text|*.txt\r\nLogs|*.log;*.old\n", 9),
              "Text (*.txt)\0*.txt\0Logs (*.log;*.old)\0*.log;*.old\0All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(filter_of("Text|*.txt", 7), "Text (*.txt)\0*.txt\0Alle Dateien (*.*)\0*.*\0\0"s);
    EXPECT_EQ(filter_of(nullptr, 9), "All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(filter_of("", 7), "Alle Dateien (*.*)\0*.*\0\0"s);
}

TEST(FileDialogFilter, TypesWithAllFilesGetNoSecondEntry)
{
    using namespace std::string_literals;
    EXPECT_EQ(filter_of("Everything|*.*\nText|*.txt", 9),
              "Everything (*.*)\0*.*\0Text (*.txt)\0*.txt\0\0"s);
}

TEST(FileDialogFilter, DotLineNamesTheDefaultExtension)
{
    using namespace std::string_literals;
    std::string defext;
    EXPECT_EQ(filter_of("Settings|*.cfg\n.cfg\nno bar here", 9, &defext),
              "Settings (*.cfg)\0*.cfg\0All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(defext, "cfg");
    filter_of("Settings|*.cfg", 9, &defext);
    EXPECT_EQ(defext, "");
}

TEST(FileDialogFilter, TooLongTypesAreReportedAndReplaced)
{
    using namespace std::string_literals;
    std::string types;
    while (types.size() < 2100) types += "Text|*.txt\n";
    int reports = AssertCount();
    EXPECT_EQ(filter_of(types.c_str(), 9), "All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "_tcslen(filetypes)<2048");
    // Just below the limit is fine.
    std::string fits = types.substr(0, 2047 - 14);
    fits = fits.substr(0, fits.rfind('\n') + 1);
    EXPECT_NE(filter_of(fits.c_str(), 9).find("All Files"), std::string::npos);
    EXPECT_EQ(AssertCount(), reports + 1);
}

// ---------------------------------------------------------------- dialog

// Answers the file dialog titled title: types name (unless empty) and presses button.
static std::thread answer_file_dialog(const std::string& title, const std::string& name,
                                      int button, bool* found)
{
    return std::thread([title, name, button, found]() {
        HWND dialog = WaitForDialog(title, GetCurrentProcessId(), 20000);
        *found = dialog != nullptr;
        if (!dialog) return;
        if (!name.empty()) {
            int field = GetDlgItem(dialog, FILEDIALOG_COMBO) ? FILEDIALOG_COMBO : FILEDIALOG_EDIT;
            SendDlgItemMessageA(dialog, field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        }
        PressDialogButton(dialog, button);
    });
}

class FILEDIALOGTEST : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteFileBytes(dir.File("a.txt"), "a"));
        ASSERT_TRUE(WriteFileBytes(dir.File("b.txt"), "b"));
    }
    STRINGARRAY Run(const char* initial, bool save, bool multiple, const char* types,
                    const std::string& typed, int button)
    {
        bool found = false;
        std::thread answer = answer_file_dialog("File Dialog Test", typed, button, &found);
        STRINGARRAY chosen = FileDialog(nullptr, initial, "File Dialog Test", save, multiple, types);
        answer.join();
        EXPECT_TRUE(found);
        return chosen;
    }
    TEMPDIR dir;
};

TEST_F(FILEDIALOGTEST, SingleFileFromTheInitialName)
{
    STRINGARRAY chosen = Run(dir.File("a.txt").c_str(), false, false, "Text|*.txt", "", IDOK);
    ASSERT_EQ(chosen.GetCount(), 1);
    EXPECT_STREQ(chosen[0].Text(), dir.File("a.txt").c_str());
}

TEST_F(FILEDIALOGTEST, SeveralFilesJoinedToTheirFolder)
{
    STRINGARRAY chosen = Run(dir.Path().c_str(), false, true, "Text|*.txt", "\"a.txt\" \"b.txt\"", IDOK);
    ASSERT_EQ(chosen.GetCount(), 2);
    std::string all = std::string(chosen[0].Text()) + ";" + chosen[1].Text();
    EXPECT_TRUE(all == dir.File("a.txt") + ";" + dir.File("b.txt") ||
                all == dir.File("b.txt") + ";" + dir.File("a.txt"))
        << all;
    // One file chosen with multiple selection allowed is still a full path.
    chosen = Run(dir.Path().c_str(), false, true, nullptr, "b.txt", IDOK);
    ASSERT_EQ(chosen.GetCount(), 1);
    EXPECT_STREQ(chosen[0].Text(), dir.File("b.txt").c_str());
}

TEST_F(FILEDIALOGTEST, SaveAddsTheDefaultExtension)
{
    std::string initial = dir.File("report");
    STRINGARRAY chosen = Run(initial.c_str(), true, false, "Text|*.txt\n.txt", "", IDOK);
    ASSERT_EQ(chosen.GetCount(), 1);
    EXPECT_STREQ(chosen[0].Text(), dir.File("report.txt").c_str());
}

TEST_F(FILEDIALOGTEST, CancelGivesNothing)
{
    STRINGARRAY chosen = Run(dir.File("a.txt").c_str(), false, true, nullptr, "", IDCANCEL);
    EXPECT_EQ(chosen.GetCount(), 0);
}
