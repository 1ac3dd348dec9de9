// The data dialogs: values in when the dialog opens, out when it ends without Cancel;
// enable rules that follow the check boxes; pages behind tabs.
#include "datadialogs.h"

#include "kelvo.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

// A control id of a rule: a whole decimal number in 1..65535.
static bool parse_id(STRING text, int* id)
{
    text.Strip('B', " \t\r\n");
    if (text.Length() == 0) return false;
    char* end = nullptr;
    long value = strtol(text.Text(), &end, 10);
    if (*end != '\0' || value < 1 || value > 65535) return false;
    *id = static_cast<int>(value);
    return true;
}

// ---------------------------------------------------------------- DATADIALOG

DATADIALOG::DATADIALOG(int templateid, HWND owner, int maxitems)
    : DIALOG(templateid, owner), Items(nullptr), Howmany(0), Max(maxitems > 0 ? maxitems : 0),
      DisableItemCount(0), RuleCount(0), pNotify(nullptr), pNotifyContext(nullptr),
      TakeBack(false)
{
    if (Max > 0) {
        Items = static_cast<DATADIALOGITEM**>(calloc(Max, sizeof(DATADIALOGITEM*)));
        if (!ASSERT(this->Items)) Max = 0;
    }
}

DATADIALOG::~DATADIALOG()
{
    for (int i = 0; i < Howmany; i++) delete Items[i];
    free(Items);
}

INT_PTR DATADIALOG::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        INT_PTR focus = DIALOG::DlgProc(message, wParam, lParam);
        LoadItems();
        return focus;
    }
    case WM_NOTIFY:
        if (pNotify && pNotify(this, message, wParam, lParam, pNotifyContext)) return TRUE;
        break;
    case WM_COMMAND: {
        if (pNotify && pNotify(this, message, wParam, lParam, pNotifyContext)) return TRUE;
        if (HIWORD(wParam) != BN_CLICKED) break;
        int id = LOWORD(wParam);
        bool pushed = false;
        for (int i = 0; i < Howmany; i++) {
            if (Items[i]->Id == id && Items[i]->Magic == PUSHDATADIALOGITEM_MAGIC) {
                static_cast<PUSHDATADIALOGITEM*>(Items[i])->Click(hWnd);
                pushed = true;
            }
        }
        if (pushed) return TRUE;
        ApplyEnableRules();
        if (id == IDCANCEL) MarkCancelled();
        break;
    }
    default: break;
    }
    return DIALOG::DlgProc(message, wParam, lParam);
}

int DATADIALOG::Run(int flags)
{
    Logit("DATADIALOG::Run %d\n", TemplateId);
    bool created = !hWnd;
    if (created) {
        if (!Create(hOwner, false)) return 0;  // the values went in at WM_INITDIALOG
    } else {
        LoadItems();
    }
    int result = DIALOG::Run(flags);
    SaveItems();
    if (created && hWnd) DestroyWindow(hWnd);
    Logit("DATADIALOG::Run returns %d\n", result);
    return result;
}

void DATADIALOG::LoadItems()
{
    TakeBack = true;
    Logit("DATADIALOG::LoadItems %d, %d items\n", TemplateId, Howmany);
    if (!hWnd) return;
    for (int i = 0; i < Howmany; i++) Items[i]->PutValue(hWnd);
    ApplyEnableRules();
    for (int i = 0; i < DisableItemCount; i++) EnableWindow(GetDlgItem(hWnd, DisableItems[i]), FALSE);
}

void DATADIALOG::SaveItems()
{
    Logit("DATADIALOG::SaveItems %d, takeback= %d\n", TemplateId, TakeBack);
    if (!TakeBack || !hWnd) return;
    for (int i = 0; i < Howmany; i++) Items[i]->TakeValue(hWnd);
}

void DATADIALOG::MarkCancelled()
{
    Logit("DATADIALOG::MarkCancelled %d\n", TemplateId);
    TakeBack = false;
}

bool DATADIALOG::AddItem(DATADIALOGITEM* item)
{
    if (!ASSERT(item)) return false;
    if (!ASSERT(this->Howmany < this->Max)) {
        delete item;
        return false;
    }
    Items[Howmany++] = item;
    return true;
}

bool DATADIALOG::AddEntry(int id, STRING* value, int maxlength)
{
    return AddItem(new ENTRYDATADIALOGITEM(id, value, maxlength));
}

bool DATADIALOG::AddSpin(int id, STRING* value, int lower, int upper, int idspin)
{
    return AddItem(new SPINDATADIALOGITEM(id, idspin ? idspin : id + 1000, value, lower, upper));
}

bool DATADIALOG::AddCheck(int id, STRING* value, int bit)
{
    return AddItem(new CHECKDATADIALOGITEM(id, value, bit));
}

bool DATADIALOG::AddRadio(int id, STRING* value, int number)
{
    return AddItem(new RADIODATADIALOGITEM(id, value, number));
}

bool DATADIALOG::AddList(int id, STRING* value, const STRINGARRAY& texts)
{
    return AddItem(new LISTSTRDATADIALOGITEM(id, value, texts));
}

bool DATADIALOG::AddHashList(int id, STRING* value, const HASHLIST& records, const char* showkey,
                             const char* valuekey)
{
    return AddItem(new LISTSTRHASHDATADIALOGITEM(id, value, records, showkey, valuekey));
}

bool DATADIALOG::AddPush(int id, STRING* value, PUSHCALLBACK callback, void* context)
{
    return AddItem(new PUSHDATADIALOGITEM(id, value, callback, context));
}

bool DATADIALOG::DisableItem(int id)
{
    if (!ASSERTTEXT(DisableItemCount < DATADIALOG_MAXDISABLE,
                    "this->DisableItemCount<ARRAYMAX(this->DisableItems)", nullptr))
        return false;
    DisableItems[DisableItemCount++] = id;
    if (hWnd) EnableWindow(GetDlgItem(hWnd, id), FALSE);
    return true;
}

bool DATADIALOG::AddEnableRule(int source, int target, bool whenchecked)
{
    if (!ASSERTTEXT(RuleCount < DATADIALOG_MAXRULES, "this->RuleCount<ARRAYMAX(this->Rules)",
                    nullptr))
        return false;
    Rules[RuleCount++] = {source, target, whenchecked};
    return true;
}

bool DATADIALOG::EnableRules(const char* rules)
{
    bool all = true;
    STRINGARRAY list(STRING(rules), ";");
    for (int i = 0; i < list.GetCount(); i++) {
        STRING rule = list[i];
        rule.Strip('B', " \t\r\n");
        if (rule.Length() == 0) continue;
        int arrow = rule.Pos("->");
        STRING left = arrow < 0 ? rule : rule.Left(arrow);
        left.Strip('B', " \t");
        bool whenchecked = !left.RemoveLeading('!');
        int source = 0;
        bool parsed = arrow >= 0 && parse_id(left, &source);
        STRINGARRAY targets(arrow < 0 ? STRING("") : rule.Mid(arrow + 2), ",");
        int ids[DATADIALOG_MAXRULES];
        int count = 0;
        for (int t = 0; parsed && t < targets.GetCount() && t < DATADIALOG_MAXRULES; t++)
            parsed = parse_id(targets[t], &ids[count++]);
        // A rule is taken whole or not at all.
        if (!ASSERTINFO(parsed, rule.Text())) {
            all = false;
            continue;
        }
        for (int t = 0; t < count; t++) all = AddEnableRule(source, ids[t], whenchecked) && all;
    }
    if (hWnd) ApplyEnableRules();
    return all;
}

void DATADIALOG::ApplyEnableRules()
{
    if (!hWnd) return;
    for (int i = 0; i < RuleCount; i++) {
        int target = Rules[i].Target;
        bool seen = false;
        for (int j = 0; j < i && !seen; j++) seen = Rules[j].Target == target;
        if (seen) continue;
        bool enable = true;
        for (int j = i; j < RuleCount; j++) {
            if (Rules[j].Target != target) continue;
            bool checked = IsDlgButtonChecked(hWnd, Rules[j].Source) == BST_CHECKED;
            if (checked != Rules[j].WhenChecked) enable = false;
        }
        for (int d = 0; d < DisableItemCount; d++)
            if (DisableItems[d] == target) enable = false;
        EnableWindow(GetDlgItem(hWnd, target), enable);
    }
}

void DATADIALOG::SetNotify(DATADIALOGNOTIFY notify, void* context)
{
    pNotify = notify;
    pNotifyContext = context;
}

// ---------------------------------------------------------------- DATADIALOGBOX

DATADIALOGBOX::DATADIALOGBOX(int templateid, HWND owner, int maxitems)
    : DATADIALOG(templateid, owner, maxitems)
{
}

DATADIALOGBOX::~DATADIALOGBOX() { Logit("DATADIALOGBOX::~DATADIALOGBOX %d\n", TemplateId); }

INT_PTR DATADIALOGBOX::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // Over the owner while it is on the screen, otherwise over the work area.
        RECT area, box;
        HWND owner = GetWindow(hWnd, GW_OWNER);
        if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &area))
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        GetWindowRect(hWnd, &box);
        int cx = box.right - box.left, cy = box.bottom - box.top;
        SetWindowPos(hWnd, nullptr, area.left + (area.right - area.left - cx) / 2,
                     area.top + (area.bottom - area.top - cy) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return DATADIALOG::DlgProc(message, wParam, lParam);
}

// ---------------------------------------------------------------- DATADIALOGBASE

DATADIALOGBASE::DATADIALOGBASE(int templateid, HWND owner, int maxpages)
    : DATADIALOG(templateid, owner), Pages(nullptr), PageCount(0),
      MaxPages(maxpages > 0 ? maxpages : 0), CloseKeepsValues(false), StartPage(0), Selected(-1)
{
    if (MaxPages > 0) {
        Pages = static_cast<DATADIALOG**>(calloc(MaxPages, sizeof(DATADIALOG*)));
        if (!ASSERT(this->Pages)) MaxPages = 0;
    }
}

DATADIALOGBASE::~DATADIALOGBASE()
{
    for (int i = 0; i < PageCount; i++) delete Pages[i];
    free(Pages);
}

INT_PTR DATADIALOGBASE::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        Selected = -1;
        // The dialog's own items go in first; each page loads its own when created.
        INT_PTR focus = DATADIALOG::DlgProc(message, wParam, lParam);
        int start = StartPage;  // creating the pages selects the first
        for (int i = 0; i < PageCount; i++) CreatePageWindow(Pages[i]);
        if (PageCount > 0) SelectPage(start >= 0 && start < PageCount ? start : 0);
        return focus;
    }
    case WM_CLOSE:
        if (CloseKeepsValues) {
            End(IDOK);
        } else {
            MarkCancelled();
            End(0);
        }
        return TRUE;
    default: return DATADIALOG::DlgProc(message, wParam, lParam);
    }
}

void DATADIALOGBASE::LoadItems()
{
    DATADIALOG::LoadItems();
    for (int i = 0; i < PageCount; i++)
        if (Pages[i]->hWnd) Pages[i]->LoadItems();
}

void DATADIALOGBASE::SaveItems()
{
    DATADIALOG::SaveItems();
    // The pages keep their own flags; a cancel of the whole dialog holds for them too.
    if (TakeBack)
        for (int i = 0; i < PageCount; i++) Pages[i]->SaveItems();
}

bool DATADIALOGBASE::CreatePageWindow(DATADIALOG* page)
{
    if (!ASSERT(page)) return false;
    if (hModule && !page->GetResourceModule()) page->SetResourceModule(hModule);
    return page->Create(hWnd, true);
}

DATADIALOG* DATADIALOGBASE::AddPage(int templateid, const char* title)
{
    if (!ASSERT(this->PageCount < this->MaxPages)) return nullptr;
    DATADIALOG* page = new DATADIALOG(templateid, nullptr);
    Pages[PageCount++] = page;
    Titles.Add(STRING(title ? title : ""));
    if (hWnd) CreatePageWindow(page);
    return page;
}

DATADIALOG* DATADIALOGBASE::GetPage(int index)
{
    if (!ASSERT(index>=0 && index<this->PageCount)) return nullptr;
    return Pages[index];
}

void DATADIALOGBASE::SetCloseKeepsValues(bool keep) { CloseKeepsValues = keep; }

STRING DATADIALOGBASE::GetPageTitle(int index) const
{
    return index >= 0 && index < PageCount ? *Titles.GetItem(index) : STRING();
}

int DATADIALOGBASE::GetSelectedPage() { return hWnd ? Selected : StartPage; }

bool DATADIALOGBASE::PageSelectable(int index)
{
    if (!hWnd) {
        StartPage = index;
        return false;
    }
    return ASSERT(index>=0 && index<this->PageCount);
}

void DATADIALOGBASE::ShowPage(int index, HWND focusholder)
{
    HWND focus = GetFocus();
    for (int i = 0; i < PageCount; i++) {
        HWND page = Pages[i]->hWnd;
        if (!page) continue;
        // A hidden page would keep the keyboard to itself.
        if (i != index && focusholder && focus && IsChild(page, focus)) SetFocus(focusholder);
        ShowWindow(page, i == index ? SW_SHOW : SW_HIDE);
    }
    Selected = index;
    StartPage = index;  // the next run opens where this one was left
}

void DATADIALOGBASE::FitPages(DATADIALOG* page, const RECT& area)
{
    // On top: the page's controls come first in the tab order, and a tab control
    // cannot paint over it.
    SetWindowPos(page->hWnd, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    for (int i = 0; i < PageCount; i++)
        if (Pages[i]->hWnd)
            SetWindowPos(Pages[i]->hWnd, nullptr, area.left, area.top, area.right - area.left,
                         area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- DATADIALOGBOOK

DATADIALOGBOOK::DATADIALOGBOOK(int templateid, int tabid, HWND owner, int maxpages)
    : DATADIALOGBASE(templateid, owner, maxpages), TabId(tabid)
{
}

DATADIALOGBOOK::~DATADIALOGBOOK() {}

INT_PTR DATADIALOGBOOK::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        // A run before left the wrapper on a window that is gone.
        Tab.hWnd = nullptr;
        Tab.Wrap(hWnd, TabId);
        break;
    case WM_NOTIFY: {
        const NMHDR* nm = reinterpret_cast<const NMHDR*>(lParam);
        if (pNotify && pNotify(this, message, wParam, lParam, pNotifyContext)) return TRUE;
        if (nm && static_cast<int>(nm->idFrom) == TabId &&
            nm->code == static_cast<UINT>(TCN_SELCHANGE)) {
            SelectPage(Tab.GetSelected());
            return TRUE;
        }
        return DIALOG::DlgProc(message, wParam, lParam);
    }
    default: break;
    }
    return DATADIALOGBASE::DlgProc(message, wParam, lParam);
}

bool DATADIALOGBOOK::CreatePageWindow(DATADIALOG* page)
{
    if (!DATADIALOGBASE::CreatePageWindow(page)) return false;
    int index = 0;
    while (index < PageCount && Pages[index] != page) index++;
    Tab.AddTab(GetPageTitle(index));
    // The new tab may have opened another row of tabs: every page goes into the area
    // that is left below them.
    FitPages(page, Tab.PageRect());
    if (Selected < 0) SelectPage(0);
    return true;
}

void DATADIALOGBOOK::SelectPage(int index)
{
    if (!PageSelectable(index)) return;
    Logit("DATADIALOGBOOK::SelectPage %d\n", index);
    if (Tab.GetSelected() != index) Tab.Select(index);
    ShowPage(index, Tab.hWnd);
}
