// The items of a data dialog: each binds one control of the dialog to one STRING,
// putting the value into the control and taking it back out.
#pragma once

#include "hash.h"
#include "stringarray.h"
#include "strings.h"

#include <windows.h>

// Marks a PUSHDATADIALOGITEM ("PUSH").
const unsigned PUSHDATADIALOGITEM_MAGIC = 0x50555348;

class DATADIALOGITEM {
public:
    DATADIALOGITEM(int id, STRING* value);
    // Shows the value in the control (of the dialog window).
    virtual void PutValue(HWND dialog) = 0;
    // Takes the value back from the control.
    virtual void TakeValue(HWND dialog) = 0;
    virtual ~DATADIALOGITEM();

    DATADIALOGITEM(const DATADIALOGITEM&) = delete;
    DATADIALOGITEM& operator=(const DATADIALOGITEM&) = delete;

    int Id;
    STRING* pValue;
    unsigned Magic;  // PUSHDATADIALOGITEM_MAGIC for push buttons, 0 otherwise
};

// An edit field holding the text, at most MaxLength characters (0: no limit of ours).
class ENTRYDATADIALOGITEM : public DATADIALOGITEM {
public:
    ENTRYDATADIALOGITEM(int id, STRING* value, int maxlength = 0);
    void PutValue(HWND dialog) override;
    void TakeValue(HWND dialog) override;

    int MaxLength;
};

// An edit field with an up-down control: a whole number between Lower and Upper
// (both included). A missing up-down control IdSpin is created beside the field.
class SPINDATADIALOGITEM : public DATADIALOGITEM {
public:
    SPINDATADIALOGITEM(int id, int idspin, STRING* value, int lower, int upper);
    void PutValue(HWND dialog) override;
    void TakeValue(HWND dialog) override;
    // value limited to Lower..Upper.
    int Clamp(int value) const;

    int IdSpin;
    int Lower;
    int Upper;
};

// A check box: "0" or "1", or with a bit number only that bit of an integer.
class CHECKDATADIALOGITEM : public DATADIALOGITEM {
public:
    CHECKDATADIALOGITEM(int id, STRING* value, int bit = -1);
    void PutValue(HWND dialog) override;
    void TakeValue(HWND dialog) override;

    int Bit;  // -1: the whole value
};

// One radio button of a group bound to one STRING: checked while the value is
// Number; when checked it writes Number.
class RADIODATADIALOGITEM : public DATADIALOGITEM {
public:
    RADIODATADIALOGITEM(int id, STRING* value, int number);
    void PutValue(HWND dialog) override;
    void TakeValue(HWND dialog) override;

    int Number;
};

// A list box or combo box of texts: the selected text, empty when none is selected.
class LISTSTRDATADIALOGITEM : public DATADIALOGITEM {
public:
    LISTSTRDATADIALOGITEM(int id, STRING* value, const STRINGARRAY& texts);
    void PutValue(HWND dialog) override;
    void TakeValue(HWND dialog) override;

    STRINGARRAY Texts;
};

// A list box or combo box showing key ShowKey of each record of a HASHLIST; the value
// is key ValueKey of the selected record, empty when none is selected.
class LISTSTRHASHDATADIALOGITEM : public DATADIALOGITEM {
public:
    LISTSTRHASHDATADIALOGITEM(int id, STRING* value, const HASHLIST& records, const char* showkey,
                              const char* valuekey);
    void PutValue(HWND dialog) override;
    void TakeValue(HWND dialog) override;

    HASHLIST Records;
    STRING ShowKey;
    STRING ValueKey;
};

// Called when a push button is clicked with the value so far; the result becomes
// the new value.
typedef STRING (*PUSHCALLBACK)(HWND dialog, int id, const STRING& value, void* context);

// A push button whose callback changes the value (a colour or font chooser). The
// value reaches the STRING only when the dialog's values are taken out.
class PUSHDATADIALOGITEM : public DATADIALOGITEM {
public:
    PUSHDATADIALOGITEM(int id, STRING* value, PUSHCALLBACK callback, void* context);
    void PutValue(HWND dialog) override;
    void TakeValue(HWND dialog) override;
    // The button was clicked.
    void Click(HWND dialog);

    PUSHCALLBACK pCallback;
    void* pContext;
    STRING Pending;
};
