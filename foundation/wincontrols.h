// The standard controls as thin CONTROL wrappers: edit field, list (list box or
// combo box), check box, radio button, up-down control and tab control.
#pragma once

#include "window.h"

// An edit field ("Edit").
class ENTRYFIELD : public CONTROL {
public:
    ENTRYFIELD() {}
    ENTRYFIELD(HWND dialog, int id) : CONTROL(dialog, id) {}
    // Whether a typed character goes into the field; the base takes every one.
    // Consulted only while the object owns the field's messages (created or attached).
    virtual bool AcceptChar(unsigned ch);

    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool Create(HWND parent, int id, DWORD style, int x, int y, int cx, int cy);
    // At most length characters can be typed or set (0: the system's largest).
    void SetLimit(int length);
    // Selects characters start up to end (-1: to the end of the text).
    void Select(int start, int end);
};

// A list box ("ListBox") or a combo box ("ComboBox"): the same operations for both.
class LISTBOX : public CONTROL {
public:
    LISTBOX() : Combo(false) {}
    LISTBOX(HWND dialog, int id);

    bool Create(HWND parent, int id, DWORD style, int x, int y, int cx, int cy);
    void Reset();
    // Adds a text with a number kept beside it; returns its index, -1 on failure.
    int Add(const char* text, LPARAM data = 0);
    int GetCount() const;
    // Index of the entry whose text equals text (case-insensitive), or -1.
    int Find(const char* text) const;
    // Selects index; -1 removes the selection.
    void Select(int index);
    int GetSelected() const;
    STRING GetItemText(int index) const;
    LPARAM GetItemData(int index) const;

private:
    bool Combo;
};

// A check box ("Button" with a check style).
class CHECKBOX : public CONTROL {
public:
    CHECKBOX() {}
    CHECKBOX(HWND dialog, int id) : CONTROL(dialog, id) {}
    bool Create(HWND parent, int id, const char* text, int x, int y, int cx, int cy);
    bool IsChecked() const;
    void SetChecked(bool checked);
};

// A radio button ("Button" with a radio style).
class RADIOBUTTON : public CONTROL {
public:
    RADIOBUTTON() {}
    RADIOBUTTON(HWND dialog, int id) : CONTROL(dialog, id) {}
    // A group starts at the button created with group set.
    bool Create(HWND parent, int id, const char* text, bool group, int x, int y, int cx, int cy);
    bool IsChecked() const;
    void SetChecked(bool checked);
};

// An up-down control ("msctls_updown32") bound to the edit field before it.
class SPINBUTTON : public CONTROL {
public:
    SPINBUTTON() {}
    SPINBUTTON(HWND dialog, int id) : CONTROL(dialog, id) {}
    // Creates the control beside buddy, which it then steps.
    bool Create(HWND parent, int id, HWND buddy);
    void SetRange(int lower, int upper);
    void SetPos(int pos);
    int GetPos() const;
};

// A tab control ("SysTabControl32").
class TABCONTROL : public CONTROL {
public:
    TABCONTROL() {}
    TABCONTROL(HWND dialog, int id) : CONTROL(dialog, id) {}
    bool Create(HWND parent, int id, int x, int y, int cx, int cy);
    // Appends a tab; returns its index, -1 on failure.
    int AddTab(const char* title);
    int GetCount() const;
    int GetSelected() const;
    void Select(int index);
    STRING GetTabText(int index) const;
    // The page area below the tabs, in the coordinates of the control's parent.
    RECT PageRect() const;
};
