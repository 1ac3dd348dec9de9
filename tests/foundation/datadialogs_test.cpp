// Data dialogs on real dialogs driven by messages: every item kind moving its value
// in and out, Cancel and the close box leaving the values alone, push buttons, enable
// rules, the notification callback, and a book whose pages switch by tab.
#include "datadialogs.h"

#include "dialogdriver.h"
#include "reports.h"

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

static STRING push_colour(HWND dialog, int id, const STRING& value, void* context)
{
    static_cast<std::vector<std::pair<HWND, int>>*>(context)->push_back({dialog, id});
    return value + "!";
}

// The values of the items dialog, given and shown as one text with "|" between them,
// and the dialog bound to them.
struct ITEMS {
    STRING entry, spin, offset, flag, bits, radio, choice, server, colour;
    std::vector<std::pair<HWND, int>> pushes;

    void Set(const char* values)
    {
        STRINGARRAY given(STRING(values), "|");
        for (int i = 0; i < 9; i++) *Fields()[i] = given[i];
    }
    std::vector<STRING*> Fields()
    {
        return {&entry, &spin, &offset, &flag, &bits, &radio, &choice, &server, &colour};
    }
    std::string Text()
    {
        std::string all;
        for (STRING* s : Fields()) all += std::string(all.empty() ? "" : "|") + s->Text();
        return all;
    }
    void Bind(DATADIALOG& d)
    {
        HASHLIST servers;
        for (const char* record : {"loc=Zurich\ndns=ntp1.example", "loc=Berlin\ndns=ntp2.example",
                                   "loc=Austin\ndns=ntp3.example"})
            servers.Add(HASH(STRING(record)));
        d.AddEntry(201, &entry, 8);
        d.AddSpin(202, &spin, 5, 50);
        d.AddSpin(203, &offset, -24, 24, 1203);
        d.AddCheck(241, &flag);
        d.AddCheck(242, &bits, 3);
        d.AddRadio(221, &radio, 0);
        d.AddRadio(222, &radio, 1);
        d.AddRadio(223, &radio, 2);
        d.AddList(401, &choice, STRINGARRAY(STRING("alpha|beta|gamma"), "|"));
        d.AddHashList(402, &server, servers, "loc", "dns");
        d.AddPush(104, &colour, push_colour, &pushes);
    }
};

// What the controls show: the three fields, the check boxes 241, 242 and the radio
// buttons 221 to 223 as 0/1, each list's entries with "@" and its selection, and
// "spin" when 202 got an up-down control of its own.
static std::string look(HWND d)
{
    std::string s;
    for (int id : {201, 202, 203}) s += ControlText(GetDlgItem(d, id)) + " ";
    for (int id : {241, 242, 221, 222, 223}) s += IsChecked(GetDlgItem(d, id)) ? "1" : "0";
    for (int id : {401, 402}) {
        HWND list = GetDlgItem(d, id);
        s += " " + ListEntries(list) + "@" + std::to_string(ListSelection(list));
    }
    HWND spin = GetDlgItem(d, 1202), field = GetDlgItem(d, 202);
    if (spin && SendMessageA(spin, UDM_GETBUDDY, 0, 0) == reinterpret_cast<LRESULT>(field))
        s += " spin";
    return s;
}

// Changes every control the way a user would, and clicks the push button.
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
    ClickButton(GetDlgItem(d, 104));
}

// Clears bit 3 and puts the offset below its lower limit.
static void change_edges(HWND d)
{
    ClickCheck(GetDlgItem(d, 242), false);
    SetControlText(GetDlgItem(d, 203), "-99");
}

TEST(DataDialog, BoxLoadsTheValuesForEveryRunAndOnlyOkTakesThemBack)
{
    const char* const before = "hello|17|-30|1|17|1|beta|ntp2.example|red";
    // The offset clamped on the way in; 17 has bit 3 clear; the list sorts and shows
    // the record's "loc". Then the entry as typed up to its limit.
    const char* const shown = "hello 17 -24 10010 alpha|beta|gamma@1 Austin|Berlin|Zurich@1 spin"
                              " abcdefgh";
    const struct {
        const char* values;
        void (*change)(HWND);
        int button;  // 0: the close box
        const char* shown;
        const char* after;
    } runs[] = {
        {before, change_all, IDCANCEL, shown, before},
        {before, change_all, 0, shown, before},
        // The spin clamped to its upper limit; bit 3 set with bits 0 and 4 kept; Zurich's "dns".
        {before, change_all, IDOK, shown, "abcdefgh|50|-3|0|25|2|gamma|ntp1.example|red!"},
        // Too long, empty (0, below the limit), all bits from 3 up, no button of the
        // group, another case, not in the list: what was shown is what is kept, only bit
        // 3 cleared, no button chosen leaves the radio value alone, no server selected.
        {"this is far too long||-30|1|-8|7|BETA|elsewhere|red", change_edges, IDOK,
         "this is  5 -24 11000 alpha|beta|gamma@1 Austin|Berlin|Zurich@-1 spin this is ",
         "this is |5|-24|1|-16|7|beta||red"},
    };
    ITEMS v;
    DATADIALOGBOX box(IDD_ITEMS);
    v.Bind(box);
    ASSERT_TRUE(box.Create());
    HWND hwnd = box.hWnd;
    for (const auto& run : runs) {
        v.Set(run.values);
        std::string seen;
        DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
            seen = look(d);
            run.change(d);
            seen += " " + ControlText(GetDlgItem(d, 201));
            if (run.button)
                ClickButton(GetDlgItem(d, run.button));
            else
                SendMessageA(d, WM_CLOSE, 0, 0);
        });
        // The push button leaves the dialog open.
        EXPECT_EQ(box.Run(), run.button == IDOK ? IDOK : 0);
        ASSERT_TRUE(driver.Wait());
        EXPECT_EQ(seen, run.shown);
        EXPECT_EQ(v.Text(), run.after) << run.button;
        EXPECT_EQ(box.IsTakeBack(), run.button == IDOK);
        EXPECT_EQ(box.hWnd, hwnd);
        ShowWindow(hwnd, SW_HIDE);  // so the next run's driver waits for the new showing
    }
    EXPECT_EQ(v.pushes, (std::vector<std::pair<HWND, int>>(3, {hwnd, 104})));
}

// Notes each click with the state of 205 (which follows 241) as the callback sees it,
// and keeps the first OK from the dialog.
struct NOTIFYLOG {
    std::vector<std::string> seen;
    bool vetoed = false;
};

static bool notify(DATADIALOG* dialog, UINT message, WPARAM wParam, LPARAM, void* context)
{
    NOTIFYLOG* log = static_cast<NOTIFYLOG*>(context);
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
    bool enabled = IsWindowEnabled(GetDlgItem(dialog->hWnd, 205));
    log->seen.push_back(std::to_string(LOWORD(wParam)) + (enabled ? "+" : "-"));
    bool veto = LOWORD(wParam) == IDOK && !log->vetoed;
    log->vetoed = log->vetoed || veto;
    return veto;
}

TEST(DataDialog, EnableRulesFollowCheckBoxesAfterTheCallbackSawTheClick)
{
    STRING flag = "0", notflag = "1", radio = "0";
    DATADIALOG dialog(IDD_ITEMS);
    dialog.AddCheck(241, &flag);
    dialog.AddCheck(242, &notflag);
    dialog.AddRadio(221, &radio, 0);
    dialog.AddRadio(222, &radio, 1);
    ASSERT_TRUE(dialog.EnableRules("241 -> 205, 207, 208; !242 -> 206;\n 222->207"));
    dialog.DisableItem(208);
    NOTIFYLOG log;
    dialog.SetNotify(notify, &log);
    std::vector<std::string> states;
    DIALOGDRIVER driver("DataDialogTest Items", [&](HWND d) {
        for (int click : {0, 241, 222, -242, -241}) {
            if (click) ClickCheck(GetDlgItem(d, abs(click)), click > 0);
            std::string s;
            for (int id = 205; id <= 208; id++) s += IsWindowEnabled(GetDlgItem(d, id)) ? "1" : "0";
            states.push_back(s);
        }
        ClickButton(GetDlgItem(d, IDOK));
        ClickButton(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ(dialog.Run(), IDOK);
    ASSERT_TRUE(driver.Wait());
    // 205 follows 241; 206 follows not 242; 207 needs 241 and 222; 208 stays disabled.
    EXPECT_EQ(states, (std::vector<std::string>{"0000", "1000", "1010", "1110", "0100"}));
    // The callback saw every click before the rules ran, and kept the first OK.
    EXPECT_EQ(log.seen, (std::vector<std::string>{"241-", "222+", "242+", "241+", "1-", "1-"}));
    EXPECT_EQ(std::string(flag.Text()) + notflag.Text() + radio.Text(), "001");
}

// Room for two items; shows the rules it holds.
class RULEDIALOG : public DATADIALOG {
public:
    RULEDIALOG() : DATADIALOG(IDD_ITEMS, nullptr, 2) {}
    std::string RuleText() const
    {
        std::string all;
        for (int i = 0; i < RuleCount; i++)
            all += (Rules[i].WhenChecked ? "" : "!") + std::to_string(Rules[i].Source) + ">" +
                   std::to_string(Rules[i].Target) + " ";
        return all;
    }
};

TEST(DataDialog, RuleTextsItemsAndDisableListAreCheckedAndCounted)
{
    RULEDIALOG dialog;
    REPORTS reports;
    EXPECT_TRUE(dialog.EnableRules(" 242 -> 244 ;; ! 242 -> 243 ;"));
    EXPECT_TRUE(reports.Were(0));
    // A rule is taken whole or not at all.
    EXPECT_FALSE(dialog.EnableRules("241 206; x -> 3; 241 -> 7, y; 241 -> ; -> 5; 241 -> 70000"));
    EXPECT_TRUE(reports.Were(6));
    EXPECT_EQ(dialog.RuleText(), "242>244 !242>243 ");
    for (int i = 2; i < DATADIALOG_MAXRULES; i++) EXPECT_TRUE(dialog.AddEnableRule(241, 300 + i));
    EXPECT_FALSE(dialog.AddEnableRule(241, 999));
    EXPECT_TRUE(reports.Were(1));

    STRING a, b, c;
    EXPECT_TRUE(dialog.AddEntry(201, &a) && dialog.AddEntry(202, &b));
    EXPECT_FALSE(dialog.AddEntry(203, &c));
    EXPECT_TRUE(reports.Were(1, "this->Howmany < this->Max"));
    for (int i = 0; i < DATADIALOG_MAXDISABLE; i++) EXPECT_TRUE(dialog.DisableItem(300 + i));
    EXPECT_FALSE(dialog.DisableItem(999));
    EXPECT_TRUE(reports.Were(1, "this->DisableItemCount<ARRAYMAX(this->DisableItems)"));
}

// ---------------------------------------------------------------- book

// The page windows, told apart by their fields.
struct PAGES {
    HWND one = nullptr, two = nullptr;
    explicit PAGES(HWND book)
    {
        for (HWND child = FindWindowExA(book, nullptr, "#32770", nullptr); child;
             child = FindWindowExA(book, child, "#32770", nullptr)) {
            if (GetDlgItem(child, 201)) one = child;
            if (GetDlgItem(child, 202)) two = child;
        }
    }
    // Which pages are visible, and the tab selected.
    std::string Shown(HWND book) const
    {
        return std::to_string(IsWindowVisible(one)) + std::to_string(IsWindowVisible(two)) + " " +
               std::to_string(SendDlgItemMessageA(book, IDC_TABS, TCM_GETCURSEL, 0, 0));
    }
};

TEST(DataDialogBook, TabsSwitchPagesAndOkOrCloseKeepingValuesTakesEveryPage)
{
    const struct {
        int page, button;  // button 0: the close box
        bool closekeeps;
        const char* shown;
        const char* after;
    } runs[] = {
        {0, IDOK, false, "10 0", "1 1 dock clock 0 255"},
        {1, IDCANCEL, false, "01 1", "0 0 clock 1 200"},
        {1, 0, false, "01 1", "0 0 clock 1 200"},
        {1, 0, true, "01 1", "1 1 dock clock 0 255"},
    };
    for (const auto& run : runs) {
        STRING bookflag = "0", docked = "0", name = "clock", agent = "1", alpha = "200";
        DATADIALOGBOOK book(IDD_BOOK, IDC_TABS);
        book.AddCheck(260, &bookflag);
        DATADIALOG* one = book.AddPage(IDD_PAGE1, "Clock");
        DATADIALOG* two = book.AddPage(IDD_PAGE2, "Agent");
        ASSERT_TRUE(one && two);
        one->AddCheck(241, &docked);
        one->AddEntry(201, &name);
        one->EnableRules("241 -> 201");
        two->AddCheck(241, &agent);
        two->AddSpin(202, &alpha, 1, 255);
        book.SelectPage(run.page);
        book.SetCloseKeepsValues(run.closekeeps);
        std::string seen;
        LONG_PTR style = 0;
        DIALOGDRIVER driver("DataBookTest", [&](HWND d) {
            TABCONTROL tab(d, IDC_TABS);
            PAGES pages(d);
            if (!pages.one || !pages.two) return ClickButton(GetDlgItem(d, IDCANCEL));
            style = GetWindowLongPtrA(pages.two, GWL_STYLE);
            HWND name = GetDlgItem(pages.one, 201);
            seen = std::string(tab.GetTabText(0).Text()) + "|" + tab.GetTabText(1).Text() + " " + pages.Shown(d);
            // A page's own rules work on its own controls.
            seen += IsWindowEnabled(name) ? " enabled" : " disabled";
            ClickCheck(GetDlgItem(pages.one, 241), true);
            seen += IsWindowEnabled(name) ? " enabled" : " disabled";
            SetControlText(name, "dock clock");
            SelectTab(tab.hWnd, 1);
            seen += ", " + pages.Shown(d) + " " + ControlText(GetDlgItem(pages.two, 202));
            ClickCheck(GetDlgItem(pages.two, 241), false);
            SetControlText(GetDlgItem(pages.two, 202), "300");
            ClickCheck(GetDlgItem(d, 260), true);
            if (run.button)
                ClickButton(GetDlgItem(d, run.button));
            else
                SendMessageA(d, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(book.Run(), run.button == IDOK || run.closekeeps ? IDOK : 0);
        ASSERT_TRUE(driver.Wait());
        EXPECT_EQ(seen, "Clock|Agent " + std::string(run.shown) + " disabled enabled, 01 1 200");
        EXPECT_FALSE(style & WS_CAPTION);  // the page lost its caption and border
        EXPECT_TRUE(style & WS_CHILD);
        EXPECT_EQ(book.GetSelectedPage(), 1);
        EXPECT_EQ(std::string(bookflag.Text()) + " " + docked.Text() + " " + name.Text() + " " +
                      agent.Text() + " " + alpha.Text(),
                  run.after)
            << run.page << run.button;
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
    // The area is inside the tab control, below its rows of tabs, in the dialog's coordinates.
    RECT area = tab.PageRect(), outer;
    GetWindowRect(tab.hWnd, &outer);
    MapWindowPoints(nullptr, book.hWnd, reinterpret_cast<POINT*>(&outer), 2);
    EXPECT_TRUE(area.left > outer.left && area.top > outer.top + 30 && area.right < outer.right &&
                area.bottom < outer.bottom);
    for (int i = 0; i < book.GetPageCount(); i++) {
        RECT r;
        GetWindowRect(book.GetPage(i)->hWnd, &r);
        MapWindowPoints(nullptr, book.hWnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(EqualRect(&r, &area)) << i << ": top " << r.top << " instead of " << area.top;
    }
}
