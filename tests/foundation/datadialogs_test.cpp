// Data dialogs on real dialogs driven by messages: every item kind moving its value
// in and out, Cancel leaving the values alone, push buttons, enable rules, the
// notification callback, and a book whose pages switch by tab.
#include "datadialogs.h"

#include "dialogdriver.h"
#include "kelvo.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

static const int IDD_ITEMS = 200;
static const int IDD_BOOK = 300;
static const int IDD_NARROWBOOK = 301;
static const int IDD_PAGE1 = 310;
static const int IDD_PAGE2 = 320;
static const int IDC_TABS = 500;

static HASHLIST server_list()
{
    HASHLIST list;
    const char* servers[][2] = {
        {"Zurich", "ntp1.example"}, {"Berlin", "ntp2.example"}, {"Austin", "ntp3.example"}};
    for (auto& server : servers) {
        HASH record;
        record["loc"] = server[0];
        record["dns"] = server[1];
        list.Add(record);
    }
    return list;
}

static STRING push_colour(HWND dialog, int id, const STRING& value, void* context)
{
    auto* calls = static_cast<std::vector<std::pair<HWND, int>>*>(context);
    calls->push_back({dialog, id});
    return value + "!";
}

// The values of the items dialog and the dialog bound to them.
struct ITEMS {
    STRING entry = "hello", spin = "17", offset = "-30", flag = "1", bits = "17", radio = "1",
           choice = "beta", server = "ntp2.example", colour = "red";
    std::vector<std::pair<HWND, int>> pushes;

    void Bind(DATADIALOG& d)
    {
        d.AddEntry(201, &entry, 8);
        d.AddSpin(202, &spin, 5, 50);
        d.AddSpin(203, &offset, -24, 24, 1203);
        d.AddCheck(241, &flag);
        d.AddCheck(242, &bits, 3);
        d.AddRadio(221, &radio, 0);
        d.AddRadio(222, &radio, 1);
        d.AddRadio(223, &radio, 2);
        STRINGARRAY choices(STRING("alpha|beta|gamma"), "|");
        d.AddList(401, &choice, choices);
        d.AddHashList(402, &server, server_list(), "loc", "dns");
        d.AddPush(104, &colour, push_colour, &pushes);
    }
};

// What the driver saw in the controls when the dialog opened.
struct SEEN {
    std::string entry, spin, offset, choices, servers;
    bool flag = false, bit = false, radio[3] = {}, spincreated = false;
    int choice = -2, server = -2;
};

static void look(HWND d, SEEN* seen)
{
    seen->entry = ControlText(GetDlgItem(d, 201));
    seen->spin = ControlText(GetDlgItem(d, 202));
    seen->offset = ControlText(GetDlgItem(d, 203));
    seen->flag = IsChecked(GetDlgItem(d, 241));
    seen->bit = IsChecked(GetDlgItem(d, 242));
    for (int i = 0; i < 3; i++) seen->radio[i] = IsChecked(GetDlgItem(d, 221 + i));
    seen->choices = ListEntries(GetDlgItem(d, 401));
    seen->choice = ListSelection(GetDlgItem(d, 401));
    seen->servers = ListEntries(GetDlgItem(d, 402));
    seen->server = ListSelection(GetDlgItem(d, 402));
    HWND spin = GetDlgItem(d, 1202);
    seen->spincreated =
        spin && reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0)) == GetDlgItem(d, 202);
}

// Changes every control the way a user would.
static void change_all(HWND d)
{
    SetControlText(GetDlgItem(d, 201), "");
    TypeText(GetDlgItem(d, 201), "abcdefghijk");
    SetControlText(GetDlgItem(d, 202), "999");
    SetControlText(GetDlgItem(d, 203), "-3");
    ClickCheck(GetDlgItem(d, 241), false);
    ClickCheck(GetDlgItem(d, 242), true);
    ClickCheck(GetDlgItem(d, 223), true);
    SelectListEntry(GetDlgItem(d, 401), 2);
    SelectListEntry(GetDlgItem(d, 402), 2);
}

TEST(DataDialog, ItemsShowTheirValuesAndTakeThemBackOnOk)
{
    ITEMS v;
    DATADIALOG dialog(IDD_ITEMS);
    v.Bind(dialog);
    EXPECT_EQ(dialog.GetItemCount(), 11);
    SEEN seen;
    std::string typed;
    DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
        look(d, &seen);
        change_all(d);
        typed = ControlText(GetDlgItem(d, 201));
        ClickButton(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ(dialog.Run(), IDOK);
    ASSERT_TRUE(driver.Wait());

    EXPECT_EQ(seen.entry, "hello");
    EXPECT_EQ(seen.spin, "17");
    EXPECT_EQ(seen.offset, "-24");  // clamped on the way in
    EXPECT_TRUE(seen.spincreated);  // 202 had no up-down control of its own
    EXPECT_TRUE(seen.flag);
    EXPECT_FALSE(seen.bit);         // 17 has bit 3 clear
    EXPECT_FALSE(seen.radio[0]);
    EXPECT_TRUE(seen.radio[1]);
    EXPECT_FALSE(seen.radio[2]);
    EXPECT_EQ(seen.choices, "alpha|beta|gamma");
    EXPECT_EQ(seen.choice, 1);
    EXPECT_EQ(seen.servers, "Austin|Berlin|Zurich");  // the list sorts; the key shown
    EXPECT_EQ(seen.server, 1);

    EXPECT_EQ(typed, "abcdefgh");
    EXPECT_STREQ(v.entry.Text(), "abcdefgh");
    EXPECT_STREQ(v.spin.Text(), "50");     // clamped to the upper limit
    EXPECT_STREQ(v.offset.Text(), "-3");
    EXPECT_STREQ(v.flag.Text(), "0");
    EXPECT_STREQ(v.bits.Text(), "25");     // bit 3 set, bits 0 and 4 kept
    EXPECT_STREQ(v.radio.Text(), "2");
    EXPECT_STREQ(v.choice.Text(), "gamma");
    EXPECT_STREQ(v.server.Text(), "ntp1.example");  // Zurich's other key
    EXPECT_STREQ(v.colour.Text(), "red");
}

TEST(DataDialog, CancelAndCloseLeaveEveryValueAlone)
{
    for (int how = 0; how < 2; how++) {
        ITEMS v;
        DATADIALOG dialog(IDD_ITEMS);
        v.Bind(dialog);
        DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
            change_all(d);
            ClickButton(GetDlgItem(d, 104));
            if (how == 0) ClickButton(GetDlgItem(d, IDCANCEL));
            else SendMessageA(d, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(dialog.Run(), 0);
        ASSERT_TRUE(driver.Wait());
        EXPECT_FALSE(dialog.IsTakeBack());
        EXPECT_STREQ(v.entry.Text(), "hello");
        EXPECT_STREQ(v.spin.Text(), "17");
        EXPECT_STREQ(v.offset.Text(), "-30");
        EXPECT_STREQ(v.flag.Text(), "1");
        EXPECT_STREQ(v.bits.Text(), "17");
        EXPECT_STREQ(v.radio.Text(), "1");
        EXPECT_STREQ(v.choice.Text(), "beta");
        EXPECT_STREQ(v.server.Text(), "ntp2.example");
        EXPECT_STREQ(v.colour.Text(), "red");
        EXPECT_EQ(v.pushes.size(), 1u);
    }
}

TEST(DataDialog, EdgeValuesOfEntrySpinCheckAndLists)
{
    ITEMS v;
    v.entry = "this is far too long";
    v.spin = "";            // empty reads as 0, below the lower limit
    v.bits = "-8";          // all bits from 3 up set
    v.radio = "7";          // no button of the group
    v.choice = "BETA";      // lists compare without case
    v.server = "elsewhere"; // not in the list
    DATADIALOG dialog(IDD_ITEMS);
    v.Bind(dialog);
    SEEN seen;
    DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
        look(d, &seen);
        ClickCheck(GetDlgItem(d, 242), false);
        SetControlText(GetDlgItem(d, 203), "-99");
        ClickButton(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ(dialog.Run(), IDOK);
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(seen.entry, "this is ");
    EXPECT_EQ(seen.spin, "5");
    EXPECT_TRUE(seen.bit);
    EXPECT_FALSE(seen.radio[0] || seen.radio[1] || seen.radio[2]);
    EXPECT_EQ(seen.choice, 1);
    EXPECT_EQ(seen.server, -1);

    EXPECT_STREQ(v.entry.Text(), "this is ");  // what was shown is what is kept
    EXPECT_STREQ(v.spin.Text(), "5");
    EXPECT_STREQ(v.offset.Text(), "-24");
    EXPECT_STREQ(v.bits.Text(), "-16");        // only bit 3 cleared
    EXPECT_STREQ(v.radio.Text(), "7");         // no button chosen: left alone
    EXPECT_STREQ(v.choice.Text(), "beta");
    EXPECT_STREQ(v.server.Text(), "");         // nothing selected
}

TEST(DataDialog, PushButtonCallbackChangesTheValueWithoutEnding)
{
    ITEMS v;
    DATADIALOG dialog(IDD_ITEMS);
    v.Bind(dialog);
    HWND seen = nullptr;
    bool open = false;
    DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
        seen = d;
        ClickButton(GetDlgItem(d, 104));
        ClickButton(GetDlgItem(d, 104));
        open = IsWindowVisible(d);
        ClickButton(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ(dialog.Run(), IDOK);
    ASSERT_TRUE(driver.Wait());
    EXPECT_TRUE(open);
    ASSERT_EQ(v.pushes.size(), 2u);
    EXPECT_EQ(v.pushes[0].first, seen);
    EXPECT_EQ(v.pushes[0].second, 104);
    EXPECT_STREQ(v.colour.Text(), "red!!");
}

TEST(DataDialog, EnableRulesFollowCheckBoxesAndRadios)
{
    STRING flag = "0", notflag = "1", radio = "0";
    DATADIALOG dialog(IDD_ITEMS);
    dialog.AddCheck(241, &flag);
    dialog.AddCheck(242, &notflag);
    dialog.AddRadio(221, &radio, 0);
    dialog.AddRadio(222, &radio, 1);
    ASSERT_TRUE(dialog.EnableRules("241 -> 205, 207, 208; !242 -> 206;\n 222->207"));
    dialog.DisableItem(208);
    std::vector<std::string> states;
    DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
        auto state = [&]() {
            std::string s;
            for (int id = 205; id <= 208; id++) s += IsWindowEnabled(GetDlgItem(d, id)) ? "1" : "0";
            states.push_back(s);
        };
        state();
        ClickCheck(GetDlgItem(d, 241), true);
        state();
        ClickCheck(GetDlgItem(d, 222), true);
        state();
        ClickCheck(GetDlgItem(d, 242), false);
        state();
        ClickCheck(GetDlgItem(d, 241), false);
        state();
        ClickButton(GetDlgItem(d, IDCANCEL));
    });
    dialog.Run();
    ASSERT_TRUE(driver.Wait());
    // 205 follows 241; 206 follows not 242; 207 needs 241 and 222; 208 stays disabled.
    EXPECT_EQ(states, (std::vector<std::string>{"0000", "1000", "1010", "1110", "0100"}));
}

// Exposes the rules a dialog holds.
class RULEDIALOG : public DATADIALOG {
public:
    RULEDIALOG() : DATADIALOG(IDD_ITEMS) {}
    std::string Rules() const
    {
        std::string all;
        for (int i = 0; i < RuleCount; i++)
            all += (DATADIALOG::Rules[i].WhenChecked ? "" : "!") +
                   std::to_string(DATADIALOG::Rules[i].Source) + ">" +
                   std::to_string(DATADIALOG::Rules[i].Target) + " ";
        return all;
    }
};

TEST(DataDialog, EnableRuleTextIsCheckedRuleByRule)
{
    RULEDIALOG dialog;
    int reports = AssertCount();
    EXPECT_TRUE(dialog.EnableRules(" 242 -> 244 ;; ! 242 -> 243 ;"));
    EXPECT_EQ(AssertCount(), reports);
    EXPECT_FALSE(dialog.EnableRules("241 206; x -> 3; 241 -> 7, y; 241 -> ; -> 5; 241 -> 70000"));
    EXPECT_EQ(AssertCount(), reports + 6);
    EXPECT_TRUE(dialog.EnableRules("248->208"));
    EXPECT_EQ(dialog.Rules(), "242>244 !242>243 248>208 ");
}

TEST(DataDialog, CountedItemsDisableListAndRules)
{
    STRING a, b, c;
    DATADIALOG dialog(IDD_ITEMS, nullptr, 2);
    EXPECT_TRUE(dialog.AddEntry(201, &a));
    EXPECT_TRUE(dialog.AddEntry(202, &b));
    int reports = AssertCount();
    EXPECT_FALSE(dialog.AddEntry(203, &c));
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "this->Howmany < this->Max");
    EXPECT_EQ(dialog.GetItemCount(), 2);

    for (int i = 0; i < DATADIALOG_MAXDISABLE; i++) EXPECT_TRUE(dialog.DisableItem(300 + i));
    EXPECT_FALSE(dialog.DisableItem(999));
    EXPECT_STREQ(AssertLastCondition(), "this->DisableItemCount<ARRAYMAX(this->DisableItems)");

    for (int i = 0; i < DATADIALOG_MAXRULES; i++) EXPECT_TRUE(dialog.AddEnableRule(241, 300 + i));
    EXPECT_FALSE(dialog.AddEnableRule(241, 999));
    EXPECT_EQ(AssertCount(), reports + 3);
}

struct NOTIFYLOG {
    std::vector<std::string> seen;
    bool veto = true;
};

static bool notify(DATADIALOG* dialog, UINT message, WPARAM wParam, LPARAM, void* context)
{
    NOTIFYLOG* log = static_cast<NOTIFYLOG*>(context);
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
    int id = LOWORD(wParam);
    // The rules have not run yet when the callback sees the click.
    bool enabled = IsWindowEnabled(GetDlgItem(dialog->hWnd, 205));
    log->seen.push_back(std::to_string(id) + (enabled ? "+" : "-"));
    if (id == IDOK && log->veto) {
        log->veto = false;
        return true;
    }
    return false;
}

TEST(DataDialog, NotificationCallbackSeesCommandsFirstAndMayKeepThem)
{
    STRING flag = "0";
    NOTIFYLOG log;
    DATADIALOG dialog(IDD_ITEMS);
    dialog.AddCheck(241, &flag);
    dialog.EnableRules("241 -> 205");
    dialog.SetNotify(notify, &log);
    bool openafterveto = false;
    DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
        ClickCheck(GetDlgItem(d, 241), true);
        ClickButton(GetDlgItem(d, IDOK));
        openafterveto = IsWindowVisible(d);
        ClickButton(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ(dialog.Run(), IDOK);
    ASSERT_TRUE(driver.Wait());
    EXPECT_TRUE(openafterveto);
    EXPECT_EQ(log.seen, (std::vector<std::string>{"241-", "1+", "1+"}));
    EXPECT_STREQ(flag.Text(), "1");
}

TEST(DataDialog, BoxKeepsItsWindowAndLoadsAgainForEveryRun)
{
    STRING name = "first";
    DATADIALOGBOX box(IDD_ITEMS);
    box.AddEntry(201, &name, 20);
    ASSERT_TRUE(box.Create());
    HWND hwnd = box.hWnd;
    std::string shown[2];
    for (int run = 0; run < 2; run++) {
        DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
            shown[run] = ControlText(GetDlgItem(d, 201));
            SetControlText(GetDlgItem(d, 201), run ? "third" : "second");
            ClickButton(GetDlgItem(d, IDOK));
        });
        EXPECT_EQ(box.Run(), IDOK);
        ASSERT_TRUE(driver.Wait());
        EXPECT_EQ(box.hWnd, hwnd);
        ShowWindow(hwnd, SW_HIDE);  // so the next run's driver waits for the new showing
        if (run == 0) name = name + " again";
    }
    EXPECT_EQ(shown[0], "first");
    EXPECT_EQ(shown[1], "second again");
    EXPECT_STREQ(name.Text(), "third");
}

// ---------------------------------------------------------------- book

struct PAGES {
    HWND one = nullptr, two = nullptr;  // the page windows, told apart by their fields
};

static PAGES find_pages(HWND book)
{
    PAGES pages;
    for (HWND child = FindWindowExA(book, nullptr, "#32770", nullptr); child;
         child = FindWindowExA(book, child, "#32770", nullptr)) {
        if (GetDlgItem(child, 201)) pages.one = child;
        if (GetDlgItem(child, 202)) pages.two = child;
    }
    return pages;
}

struct BOOKVALUES {
    STRING bookflag = "0", docked = "0", name = "clock", agent = "1", alpha = "200";

    void Bind(DATADIALOGBOOK& book)
    {
        book.AddCheck(260, &bookflag);
        DATADIALOG* one = book.AddPage(IDD_PAGE1, "Clock");
        DATADIALOG* two = book.AddPage(IDD_PAGE2, "Agent");
        ASSERT_TRUE(one && two);
        one->AddCheck(241, &docked);
        one->AddEntry(201, &name);
        one->EnableRules("241 -> 201");
        two->AddCheck(241, &agent);
        two->AddSpin(202, &alpha, 1, 255);
    }
};

TEST(DataDialogBook, TabsSwitchPagesAndEveryPageGivesItsValues)
{
    BOOKVALUES v;
    DATADIALOGBOOK book(IDD_BOOK, IDC_TABS);
    v.Bind(book);
    EXPECT_EQ(book.GetPageCount(), 2);
    struct {
        int tabs = 0;
        std::string title0, title1;
        bool onevisible = false, twovisible = true, twovisibleafter = false, oneafter = true;
        bool framed = true, child = false, nameenabled = true, nameenabledafter = false;
        std::string alpha;
    } s;
    DIALOGDRIVER driver("DataBookTest", [&](HWND d) {
        HWND tab = GetDlgItem(d, IDC_TABS);
        s.tabs = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tab, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        s.title0 = text;
        SendMessageA(tab, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
        s.title1 = text;
        PAGES pages = find_pages(d);
        if (!pages.one || !pages.two) {
            ClickButton(GetDlgItem(d, IDCANCEL));
            return;
        }
        s.onevisible = IsWindowVisible(pages.one);
        s.twovisible = IsWindowVisible(pages.two);
        LONG_PTR style = GetWindowLongPtrA(pages.two, GWL_STYLE);
        s.framed = (style & WS_CAPTION) != 0;
        s.child = (style & WS_CHILD) != 0;
        s.nameenabled = IsWindowEnabled(GetDlgItem(pages.one, 201));
        ClickCheck(GetDlgItem(pages.one, 241), true);
        s.nameenabledafter = IsWindowEnabled(GetDlgItem(pages.one, 201));
        SetControlText(GetDlgItem(pages.one, 201), "dock clock");
        SelectTab(tab, 1);
        s.twovisibleafter = IsWindowVisible(pages.two);
        s.oneafter = IsWindowVisible(pages.one);
        s.alpha = ControlText(GetDlgItem(pages.two, 202));
        ClickCheck(GetDlgItem(pages.two, 241), false);
        SetControlText(GetDlgItem(pages.two, 202), "300");
        ClickCheck(GetDlgItem(d, 260), true);
        ClickButton(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ(book.Run(), IDOK);
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(s.tabs, 2);
    EXPECT_EQ(s.title0, "Clock");
    EXPECT_EQ(s.title1, "Agent");
    EXPECT_TRUE(s.onevisible);
    EXPECT_FALSE(s.twovisible);
    EXPECT_FALSE(s.framed);  // the page lost its caption and border
    EXPECT_TRUE(s.child);
    EXPECT_FALSE(s.nameenabled);
    EXPECT_TRUE(s.nameenabledafter);  // a page's own rules work on its own controls
    EXPECT_TRUE(s.twovisibleafter);
    EXPECT_FALSE(s.oneafter);
    EXPECT_EQ(s.alpha, "200");
    EXPECT_EQ(book.GetSelectedPage(), 1);

    EXPECT_STREQ(v.bookflag.Text(), "1");
    EXPECT_STREQ(v.docked.Text(), "1");
    EXPECT_STREQ(v.name.Text(), "dock clock");
    EXPECT_STREQ(v.agent.Text(), "0");
    EXPECT_STREQ(v.alpha.Text(), "255");
}

TEST(DataDialogBook, StartsOnTheRequestedPageCancelKeepsAllPages)
{
    BOOKVALUES v;
    DATADIALOGBOOK book(IDD_BOOK, IDC_TABS);
    v.Bind(book);
    book.SelectPage(1);
    EXPECT_EQ(book.GetSelectedPage(), 1);
    bool twovisible = false;
    int tabselected = -1;
    DIALOGDRIVER driver("DataBookTest", [&](HWND d) {
        PAGES pages = find_pages(d);
        twovisible = pages.two && IsWindowVisible(pages.two);
        tabselected = static_cast<int>(SendMessageA(GetDlgItem(d, IDC_TABS), TCM_GETCURSEL, 0, 0));
        if (pages.one) SetControlText(GetDlgItem(pages.one, 201), "changed");
        if (pages.two) ClickCheck(GetDlgItem(pages.two, 241), false);
        ClickButton(GetDlgItem(d, IDCANCEL));
    });
    EXPECT_EQ(book.Run(), 0);
    ASSERT_TRUE(driver.Wait());
    EXPECT_TRUE(twovisible);
    EXPECT_EQ(tabselected, 1);
    EXPECT_STREQ(v.name.Text(), "clock");
    EXPECT_STREQ(v.agent.Text(), "1");
}

TEST(DataDialogBook, CloseBoxCancelsUnlessTheFlagKeepsTheValues)
{
    for (int keep = 0; keep < 2; keep++) {
        BOOKVALUES v;
        DATADIALOGBOOK book(IDD_BOOK, IDC_TABS);
        v.Bind(book);
        book.SetCloseKeepsValues(keep != 0);
        DIALOGDRIVER driver("DataBookTest", [&](HWND d) {
            PAGES pages = find_pages(d);
            if (pages.one) SetControlText(GetDlgItem(pages.one, 201), "closed");
            SendMessageA(d, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(book.Run(), keep ? IDOK : 0);
        ASSERT_TRUE(driver.Wait());
        EXPECT_STREQ(v.name.Text(), keep ? "closed" : "clock");
    }
}

TEST(DataDialogBook, PagesLieBelowEveryRowOfTabs)
{
    DATADIALOGBOOK book(IDD_NARROWBOOK, IDC_TABS);
    for (const char* title : {"First page", "Second page", "Third page", "Fourth page"})
        book.AddPage(IDD_PAGE1, title);
    ASSERT_TRUE(book.Create());
    TABCONTROL tab(book.hWnd, IDC_TABS);
    ASSERT_GT(tab.Send(TCM_GETROWCOUNT), 1);  // the titles take more than one row
    RECT area = tab.PageRect();
    for (int i = 0; i < book.GetPageCount(); i++) {
        RECT r;
        GetWindowRect(book.GetPage(i)->hWnd, &r);
        MapWindowPoints(nullptr, book.hWnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(EqualRect(&r, &area)) << i << ": top " << r.top << " instead of " << area.top;
    }
}
