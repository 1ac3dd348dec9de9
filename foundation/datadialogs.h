// Data dialogs: dialogs whose controls are bound to STRINGs through items, so that a
// settings dialog is a list of items and rules; and the dialogs made of pages.
#pragma once

#include "datadialogitems.h"
#include "dialogs.h"
#include "wincontrols.h"

class DATADIALOG;

// Sees every WM_COMMAND and WM_NOTIFY of the dialog before the dialog itself;
// returning true means handled (the dialog then leaves the message alone).
typedef bool (*DATADIALOGNOTIFY)(DATADIALOG* dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                 void* context);

const int DATADIALOG_MAXDISABLE = 32;
const int DATADIALOG_MAXRULES = 64;

// Control Target is enabled only while check box (or radio button) Source is checked,
// or with WhenChecked false only while it is not.
struct ENABLERULE {
    int Source;
    int Target;
    bool WhenChecked;
};

class DATADIALOG : public DIALOG {
public:
    DATADIALOG(int templateid, HWND owner = nullptr, int maxitems = 64);
    ~DATADIALOG() override;

    // Puts the values in when the dialog opens; on every command offers the notification
    // callback the message first, then push items, enable rules, Cancel.
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Runs modally: the values go in, and out again unless the dialog was cancelled.
    int Run(int flags = 0) override;

    // Sets the take-back flag and puts every item's value into its control, in the
    // order the items were added; then applies the enable rules and the disable list.
    virtual void LoadItems();
    // Takes every item's value from its control, unless the dialog was cancelled.
    virtual void SaveItems();
    // Clears the take-back flag: the values stay as they were.
    virtual void MarkCancelled();

    // Adds an item (the dialog owns it from now on); false when the dialog is full.
    bool AddItem(DATADIALOGITEM* item);
    bool AddEntry(int id, STRING* value, int maxlength = 0);
    // idspin 0: the up-down control gets the id of the field plus 1000.
    bool AddSpin(int id, STRING* value, int lower, int upper, int idspin = 0);
    bool AddCheck(int id, STRING* value, int bit = -1);
    bool AddRadio(int id, STRING* value, int number);
    bool AddList(int id, STRING* value, const STRINGARRAY& texts);
    bool AddHashList(int id, STRING* value, const HASHLIST& records, const char* showkey,
                     const char* valuekey);
    bool AddPush(int id, STRING* value, PUSHCALLBACK callback, void* context = nullptr);
    int GetItemCount() const { return Howmany; }

    // Control id stays disabled while the dialog is open.
    bool DisableItem(int id);

    // Declares enable rules, separated by ";": "241 -> 206, 104" enables 206 and 104
    // only while 241 is checked, "!242 -> 243" enables 243 only while 242 is not. A
    // control named by several rules is enabled only while all of them hold.
    bool EnableRules(const char* rules);
    bool AddEnableRule(int source, int target, bool whenchecked = true);
    // Enables or disables the targets of the rules as the check boxes stand now.
    void ApplyEnableRules();

    void SetNotify(DATADIALOGNOTIFY notify, void* context);
    bool IsTakeBack() const { return TakeBack; }

protected:
    DATADIALOGITEM** Items;
    int Howmany;
    int Max;
    int DisableItems[DATADIALOG_MAXDISABLE];
    int DisableItemCount;
    ENABLERULE Rules[DATADIALOG_MAXRULES];
    int RuleCount;
    DATADIALOGNOTIFY pNotify;
    void* pNotifyContext;
    bool TakeBack;
};

// A data dialog that is a window of its own from construction on (hidden, centred over
// its owner or the screen) and can be run again and again.
class DATADIALOGBOX : public DATADIALOG {
public:
    DATADIALOGBOX(int templateid, HWND owner = nullptr, int maxitems = 64);
    ~DATADIALOGBOX() override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A data dialog with pages, each a data dialog of its own from a dialog template.
// Values go in and out of the dialog's own items and of every page.
class DATADIALOGBASE : public DATADIALOG {
public:
    DATADIALOGBASE(int templateid, HWND owner = nullptr, int maxpages = 16);
    ~DATADIALOGBASE() override;

    // Creates the pages' windows when the dialog opens; closing the window ends it as
    // Cancel, or keeping the values when SetCloseKeepsValues was given true.
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void LoadItems() override;
    void SaveItems() override;

    // Creates the window of a page inside the dialog.
    virtual bool CreatePageWindow(DATADIALOG* page);
    // Adds a page from template templateid with its title; the page belongs to the
    // dialog; null when there is no room. Pages are added before the dialog opens (a
    // page added later shows its items' values from the next LoadItems on).
    virtual DATADIALOG* AddPage(int templateid, const char* title);
    // Page number index, null (after a report) when there is none.
    virtual DATADIALOG* GetPage(int index);
    // Whether closing the window (its close box) keeps the values, like OK.
    virtual void SetCloseKeepsValues(bool keep);
    // Shows page index (before the dialog opens: the page it opens with).
    virtual void SelectPage(int index) = 0;
    // The page shown (after the dialog closed: the page it was left on).
    virtual int GetSelectedPage();

    int GetPageCount() const { return PageCount; }
    STRING GetPageTitle(int index) const;

protected:
    // The first step of SelectPage: before the dialog opens index only becomes the page
    // it opens with; true when the window is open and index names a page (else a report).
    bool PageSelectable(int index);
    // Shows page index and hides the others, parking the focus on focusholder (when
    // given) if it was on a page that goes; the next run opens on this page.
    void ShowPage(int index, HWND focusholder);
    // Puts a newly created page on top of the dialog's controls, hidden, and lays every
    // page into area (the dialog's client coordinates).
    void FitPages(DATADIALOG* page, const RECT& area);

    DATADIALOG** Pages;
    int PageCount;
    int MaxPages;
    STRINGARRAY Titles;
    bool CloseKeepsValues;
    int StartPage;
    int Selected;  // the page shown; -1 until one is
};

// Pages behind the tabs of a tab control (control TabId of the template): the first
// page is shown at the start, a tab selection shows its page.
class DATADIALOGBOOK : public DATADIALOGBASE {
public:
    DATADIALOGBOOK(int templateid, int tabid, HWND owner = nullptr, int maxpages = 16);
    ~DATADIALOGBOOK() override;

    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Adds the page as a tab, takes its border away and lays it into the tab's area.
    bool CreatePageWindow(DATADIALOG* page) override;
    void SelectPage(int index) override;

    int GetTabId() const { return TabId; }

protected:
    int TabId;
    TABCONTROL Tab;
};
