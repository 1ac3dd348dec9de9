// The item kinds of a data dialog; each moves one value between a STRING and a
// control through the control wrappers.
#include "datadialogitems.h"

#include "kelvo.h"
#include "wincontrols.h"

#include <cstdio>

// The value of key in record, null when it is missing (never creates the key).
static STRING record_value(HASH& record, const char* key)
{
    int i = record.IndexOf(key);
    return i < 0 ? STRING() : record.ValueAt(i);
}

// ---------------------------------------------------------------- DATADIALOGITEM

DATADIALOGITEM::DATADIALOGITEM(int id, STRING* value) : Id(id), pValue(value), Magic(0)
{
    char info[24];
    snprintf(info, sizeof info, "id= %d", id);
    ASSERTINFO(this->pValue, info);
}

DATADIALOGITEM::~DATADIALOGITEM() {}

// ---------------------------------------------------------------- entry

ENTRYDATADIALOGITEM::ENTRYDATADIALOGITEM(int id, STRING* value, int maxlength)
    : DATADIALOGITEM(id, value), MaxLength(maxlength > 0 ? maxlength : 0)
{
}

void ENTRYDATADIALOGITEM::PutValue(HWND dialog)
{
    ENTRYFIELD field(dialog, Id);
    field.SetLimit(MaxLength);
    // The limit holds for the value shown as well as for typing.
    STRING text = pValue ? *pValue : STRING();
    if (MaxLength > 0 && text.Length() > MaxLength) text.Truncate(MaxLength);
    field.SetText(text);
}

void ENTRYDATADIALOGITEM::TakeValue(HWND dialog)
{
    if (!pValue) return;
    STRING text = ENTRYFIELD(dialog, Id).GetText();
    if (MaxLength > 0 && text.Length() > MaxLength) text.Truncate(MaxLength);
    *pValue = text.IsNull() ? STRING("") : text;
}

// ---------------------------------------------------------------- spin

SPINDATADIALOGITEM::SPINDATADIALOGITEM(int id, int idspin, STRING* value, int lower, int upper)
    : DATADIALOGITEM(id, value), IdSpin(idspin), Lower(lower), Upper(upper)
{
    ASSERT(IdSpin<65500);
    if (!ASSERT(lower<=upper)) {
        Lower = upper;
        Upper = lower;
    }
}

int SPINDATADIALOGITEM::Clamp(int value) const
{
    return value < Lower ? Lower : value > Upper ? Upper : value;
}

void SPINDATADIALOGITEM::PutValue(HWND dialog)
{
    int value = Clamp(pValue ? pValue->ToInt() : 0);
    HWND field = GetDlgItem(dialog, Id);
    if (!GetDlgItem(dialog, IdSpin) && field) {
        // The up-down control lives as long as the dialog window; its object only
        // creates it and lets it go.
        SPINBUTTON spin;
        if (spin.Create(dialog, IdSpin, field)) spin.Detach();
    }
    SPINBUTTON spin(dialog, IdSpin);
    spin.SetRange(Lower, Upper);
    spin.SetPos(value);
    SetDlgItemInt(dialog, Id, static_cast<UINT>(value), TRUE);
}

void SPINDATADIALOGITEM::TakeValue(HWND dialog)
{
    if (!pValue) return;
    *pValue = STRING(Clamp(ENTRYFIELD(dialog, Id).GetText().ToInt()));
}

// ---------------------------------------------------------------- check

CHECKDATADIALOGITEM::CHECKDATADIALOGITEM(int id, STRING* value, int bit)
    : DATADIALOGITEM(id, value), Bit(bit)
{
    if (!ASSERT(bit>=-1 && bit<32)) Bit = -1;
}

void CHECKDATADIALOGITEM::PutValue(HWND dialog)
{
    long long value = pValue ? pValue->ToInt64() : 0;
    bool checked = Bit < 0 ? value != 0 : ((value >> Bit) & 1) != 0;
    CHECKBOX(dialog, Id).SetChecked(checked);
}

void CHECKDATADIALOGITEM::TakeValue(HWND dialog)
{
    if (!pValue) return;
    bool checked = CHECKBOX(dialog, Id).IsChecked();
    if (Bit < 0) {
        *pValue = checked ? "1" : "0";
        return;
    }
    long long value = pValue->ToInt64();
    long long mask = 1LL << Bit;
    value = checked ? (value | mask) : (value & ~mask);
    *pValue = STRING(value);
}

// ---------------------------------------------------------------- radio

RADIODATADIALOGITEM::RADIODATADIALOGITEM(int id, STRING* value, int number)
    : DATADIALOGITEM(id, value), Number(number)
{
}

void RADIODATADIALOGITEM::PutValue(HWND dialog)
{
    // An empty value reads as 0, like every number of the settings.
    bool selected = pValue && pValue->ToInt() == Number;
    RADIOBUTTON(dialog, Id).SetChecked(selected);
}

void RADIODATADIALOGITEM::TakeValue(HWND dialog)
{
    // Only the chosen button of the group writes; the others leave the value alone.
    if (pValue && RADIOBUTTON(dialog, Id).IsChecked()) *pValue = STRING(Number);
}

// ---------------------------------------------------------------- text list

LISTSTRDATADIALOGITEM::LISTSTRDATADIALOGITEM(int id, STRING* value, const STRINGARRAY& texts)
    : DATADIALOGITEM(id, value), Texts(texts)
{
}

void LISTSTRDATADIALOGITEM::PutValue(HWND dialog)
{
    LISTBOX list(dialog, Id);
    list.Reset();
    for (int i = 0; i < Texts.GetCount(); i++) list.Add(Texts[i], i);
    list.Select(pValue && pValue->NotEmpty() ? list.Find(*pValue) : -1);
}

void LISTSTRDATADIALOGITEM::TakeValue(HWND dialog)
{
    if (!pValue) return;
    LISTBOX list(dialog, Id);
    int selected = list.GetSelected();
    *pValue = selected < 0 ? STRING("") : list.GetItemText(selected);
}

// ---------------------------------------------------------------- record list

LISTSTRHASHDATADIALOGITEM::LISTSTRHASHDATADIALOGITEM(int id, STRING* value,
                                                     const HASHLIST& records,
                                                     const char* showkey, const char* valuekey)
    : DATADIALOGITEM(id, value), Records(records), ShowKey(showkey), ValueKey(valuekey)
{
    ASSERT(showkey && valuekey);
}

void LISTSTRHASHDATADIALOGITEM::PutValue(HWND dialog)
{
    LISTBOX list(dialog, Id);
    list.Reset();
    int selected = -1;
    for (int i = 0; i < Records.GetCount(); i++) {
        HASH& record = Records[i];
        STRING value = record_value(record, ValueKey);
        STRING shown = record_value(record, ShowKey);
        // A record without a description shows its value rather than a blank line.
        if (shown.IsNull()) shown = value;
        if (shown.IsNull()) continue;
        int index = list.Add(shown, i);
        if (selected < 0 && index >= 0 && pValue && pValue->NotEmpty() && value == *pValue)
            selected = i;
    }
    // The list may sort its entries: find the chosen record by its number.
    int count = list.GetCount();
    int choose = -1;
    for (int j = 0; selected >= 0 && j < count; j++)
        if (list.GetItemData(j) == selected) choose = j;
    list.Select(choose);
}

void LISTSTRHASHDATADIALOGITEM::TakeValue(HWND dialog)
{
    if (!pValue) return;
    LISTBOX list(dialog, Id);
    int selected = list.GetSelected();
    int record = selected < 0 ? -1 : static_cast<int>(list.GetItemData(selected));
    if (record < 0 || record >= Records.GetCount()) {
        *pValue = "";
        return;
    }
    STRING value = record_value(Records[record], ValueKey);
    *pValue = value.IsNull() ? STRING("") : value;
}

// ---------------------------------------------------------------- push button

PUSHDATADIALOGITEM::PUSHDATADIALOGITEM(int id, STRING* value, PUSHCALLBACK callback,
                                       void* context)
    : DATADIALOGITEM(id, value), pCallback(callback), pContext(context)
{
    Magic = PUSHDATADIALOGITEM_MAGIC;
    ASSERT(this->pCallback);
}

void PUSHDATADIALOGITEM::PutValue(HWND) { Pending = pValue ? *pValue : STRING(); }

void PUSHDATADIALOGITEM::TakeValue(HWND)
{
    if (pValue) *pValue = Pending;
}

void PUSHDATADIALOGITEM::Click(HWND dialog)
{
    if (!ASSERT(this->Magic==0x50555348) || !pCallback) return;
    Logit("PUSHDATADIALOGITEM::Click %d\n", Id);
    Pending = pCallback(dialog, Id, Pending, pContext);
}
