// The data folder dialog, driven as a user would: the entry shows the recorded folder,
// OK with another folder asks whether the data moves along and records the answer, and
// the shell's folder browser fills the entry.
#include "boxwatch.h"
#include "datafolderdialog.h"
#include "dialogdriver.h"
#include "englishlibrary.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "scratchkey.h"
#include "testfiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DataFolder : public testing::Test {
protected:
    void SetUp() override
    {
        LoadEnglishLibrary();
        current = dir.File("data");
        CreateDirectoryA(current.c_str(), nullptr);
        ASSERT_TRUE(key.SetValue("ApplicationDataDir", current));
    }
    void TearDown() override { KELVOAPP::Reset(); }
    std::string Value(const char* name) { return key.Value(name); }
    // Runs the dialog: notes what the entry showed, types text into it and ends it with
    // button; the message boxes after it are answered with answers.
    bool Confirm(const std::string& text, int button, std::vector<int> answers)
    {
        DIALOGDRIVER driver("Data folder", [&](HWND dialog) {
            shown = ControlText(FindControl(dialog, IDC_DATAFOLDER_FOLDER));
            SetControlText(FindControl(dialog, IDC_DATAFOLDER_FOLDER), text.c_str());
            ClickButton(FindControl(dialog, button));
        });
        BOXWATCH boxes("Horalink", answers);
        bool recorded = DataFolderDialog(nullptr, app.c_str());
        EXPECT_TRUE(driver.Wait());
        seen = boxes.Stop();
        return recorded;
    }

    TEMPDIR dir;
    SCRATCHKEY key;
    const std::string& app = key.Name();
    std::string current;
    std::string shown;
    std::vector<DIALOGSEEN> seen;
};

}  // namespace

// Another folder: Yes records a move ("*" before it), No a switch; either time the user
// is told when it happens. The same folder, an empty entry or Cancel record nothing.
TEST_F(DataFolder, OkWithAnotherFolderRecordsItForTheNextStart)
{
    std::string next = dir.File("next");
    EXPECT_TRUE(Confirm(next, IDOK, {IDYES, IDOK}));
    EXPECT_EQ(shown, current);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].title + "|" + seen[1].title, "Horalink|Horalink");
    EXPECT_EQ(seen[0].text, OSYS::GetStringFromResource(IDS_DATAFOLDERMOVE).Text());
    EXPECT_EQ(seen[1].text, OSYS::GetStringFromResource(IDS_DATAFOLDERNEXTSTART).Text());
    EXPECT_EQ(Value("ApplicationDataDir.New"), "*" + next);
    EXPECT_EQ(Value("ApplicationDataDir"), current);
    EXPECT_FALSE(FileExistsOnDisk(next));  // nothing happens before the next start

    EXPECT_TRUE(Confirm("  " + next + " ", IDOK, {IDNO, IDOK}));
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(Value("ApplicationDataDir.New"), next);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, key.Path().c_str(), "ApplicationDataDir.New");

    std::string same = current;
    for (char& c : same) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (const std::string& text : {same + "\\", std::string(""), std::string("   "), next}) {
        EXPECT_FALSE(Confirm(text, text == next ? IDCANCEL : IDOK, {IDOK})) << text;
        EXPECT_TRUE(seen.empty()) << text;
        EXPECT_EQ(Value("ApplicationDataDir.New"), "<none>") << text;
    }
}

TEST_F(DataFolder, BrowserStartsAtTheFieldsFolderAndFillsTheField)
{
    // Wine's browser loses its way through a folder whose entries change while it
    // expands it (as the build folder's do during a test run), so the folder lies
    // directly below the system drive's root.
    char root[MAX_PATH] = "";
    ASSERT_GT(GetSystemWindowsDirectoryA(root, sizeof root), 2u);
    std::string pick = std::string(root, 3) + app;
    ASSERT_TRUE(CreateDirectoryA(pick.c_str(), nullptr));
    std::string afterok, aftercancel, browsertitle;
    DIALOGDRIVER driver("Data folder", [&](HWND dialog) {
        HWND field = FindControl(dialog, IDC_DATAFOLDER_FOLDER);
        SetControlText(field, (pick + "\\").c_str());
        {
            // The browser comes up preselected; OK takes that folder without the "\".
            DIALOGANSWERER browser("Folder", IDOK, 20000, GetCurrentProcessId());
            ClickButton(FindControl(dialog, IDC_DATAFOLDER_BROWSE));
            browsertitle = browser.Wait().title;
        }
        afterok = ControlText(field);
        SetControlText(field, current.c_str());
        {
            DIALOGANSWERER browser("Folder", IDCANCEL, 20000, GetCurrentProcessId());
            ClickButton(FindControl(dialog, IDC_DATAFOLDER_BROWSE));
            browser.Wait();
        }
        aftercancel = ControlText(field);
        ClickButton(FindControl(dialog, IDCANCEL));
    });
    EXPECT_FALSE(DataFolderDialog(nullptr, app.c_str()));
    EXPECT_TRUE(driver.Wait());
    RemoveDirectoryA(pick.c_str());
    EXPECT_FALSE(browsertitle.empty());
    EXPECT_EQ(afterok, pick);
    EXPECT_EQ(aftercancel, current);
}
