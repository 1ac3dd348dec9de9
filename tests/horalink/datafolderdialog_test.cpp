// The data folder dialog, driven as a user would: the entry shows the recorded folder,
// OK with another folder asks whether the data moves along and records the answer, the
// shell's folder browser fills the entry and the open button opens the folder.
#include "boxwatch.h"
#include "datafolderdialog.h"
#include "dialogdriver.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "logcapture.h"
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
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
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

TEST_F(DataFolder, YesRecordsAMoveAndTellsWhenItHappens)
{
    std::string next = dir.File("next");
    EXPECT_TRUE(Confirm(next, IDOK, {IDYES, IDOK}));
    EXPECT_EQ(shown, current);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].title, "Horalink");
    EXPECT_EQ(seen[0].text, OSYS::GetStringFromResource(IDS_DATAFOLDERMOVE).Text());
    EXPECT_EQ(seen[1].title, "Horalink");
    EXPECT_EQ(seen[1].text, OSYS::GetStringFromResource(IDS_DATAFOLDERNEXTSTART).Text());
    EXPECT_EQ(Value("ApplicationDataDir.New"), "*" + next);
    EXPECT_EQ(Value("ApplicationDataDir"), current);
    EXPECT_FALSE(FileExistsOnDisk(next));  // nothing happens before the next start
}

TEST_F(DataFolder, NoRecordsASwitch)
{
    std::string next = dir.File("next");
    EXPECT_TRUE(Confirm("  " + next + " ", IDOK, {IDNO, IDOK}));
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(Value("ApplicationDataDir.New"), next);
}

TEST_F(DataFolder, TheSameFolderCancelOrNothingRecordsNothing)
{
    std::string same = current;
    for (char& c : same) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (const std::string& text : {same + "\\", std::string(""), std::string("   ")}) {
        EXPECT_FALSE(Confirm(text, IDOK, {IDOK})) << text;
        EXPECT_TRUE(seen.empty()) << text;
        EXPECT_EQ(Value("ApplicationDataDir.New"), "<none>") << text;
    }
    EXPECT_FALSE(Confirm(dir.File("next"), IDCANCEL, {IDOK}));
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Value("ApplicationDataDir.New"), "<none>");
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

// The shell's window showing folder name: Wine's explorer (class "ExplorerWClass") or
// Windows' (class "CabinetWClass"), titled with the folder's name; null after 20 s.
static HWND shell_window(const std::string& name)
{
    for (int i = 0; i < 400; i++) {
        for (const char* cls : {"ExplorerWClass", "CabinetWClass"}) {
            HWND window = FindWindowA(cls, name.c_str());
            if (window) return window;
        }
        Sleep(50);
    }
    return nullptr;
}

TEST_F(DataFolder, OpenButtonShowsTheFolderInTheShell)
{
    char name[64];
    snprintf(name, sizeof name, "open%lu_%lu", GetCurrentProcessId(), GetTickCount());
    std::string folder = dir.File(name);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string missing = dir.File("missing");
    HWND shell = nullptr;
    LOGCAPTURE log;
    DIALOGDRIVER driver("Data folder", [&](HWND dialog) {
        HWND field = FindControl(dialog, IDC_DATAFOLDER_FOLDER);
        SetControlText(field, folder.c_str());
        ClickButton(FindControl(dialog, IDC_DATAFOLDER_OPEN));
        shell = shell_window(name);
        SetControlText(field, missing.c_str());
        ClickButton(FindControl(dialog, IDC_DATAFOLDER_OPEN));
        ClickButton(FindControl(dialog, IDCANCEL));
    });
    EXPECT_FALSE(DataFolderDialog(nullptr, app.c_str()));
    EXPECT_TRUE(driver.Wait());
    const std::string& text = log.Text();
    EXPECT_NE(shell, nullptr) << "no shell window shows " << name;
    if (shell) PostMessageA(shell, WM_CLOSE, 0, 0);
    // A folder that does not exist opens nothing, and the dialog stays.
    size_t first = text.find("] DATAFOLDERDIALOG::OpenFolder " + folder + "\r\n");
    size_t second = text.find("] DATAFOLDERDIALOG::OpenFolder " + missing + "\r\n");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos) << text;
    size_t opened = text.find("] DATAFOLDERDIALOG::OpenFolder returns 1\r\n", first);
    size_t failed = text.find("] DATAFOLDERDIALOG::OpenFolder returns 0\r\n", second);
    EXPECT_LT(opened, second);
    EXPECT_NE(failed, std::string::npos);
    EXPECT_FALSE(FileExistsOnDisk(missing));
}
