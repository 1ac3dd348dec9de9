// HASH, the key/value table of one configuration file: lookups that keep the
// keys in case-insensitive order, the text form written to disk and the parser
// that reads it back.
#include "hash.h"

#include "kelvo.h"
#include "osys.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Bytes of a value that would end or split an entry, or open a base64 block.
static const char VALUE_SPECIALS[] = "={}";
static const char BINARY_OPEN[] = "={{";
static const char BINARY_CLOSE[] = "}}";

// ---------------------------------------------------------------- the two arrays

HASHARRAY::HASHARRAY(const char* type) { snprintf(TypeName, sizeof TypeName, "%s", type); }

int HASHARRAY::SearchPosition(const char* key)
{
    Lock();
    int low = 0;
    int high = ItemCount;
    while (low < high) {
        int mid = low + (high - low) / 2;
        if (_stricmp(ppItems[mid]->Text(), key) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    Unlock();
    return low;
}

void HASHARRAY::SortWith(HASHARRAY& partner)
{
    Lock();
    partner.Lock();
    int n = ItemCount;
    bool inorder = true;
    for (int i = 1; i < n && inorder; i++)
        inorder = _stricmp(ppItems[i - 1]->Text(), ppItems[i]->Text()) <= 0;
    if (!inorder && ASSERTINFO(partner.ItemCount == n, TypeName)) {
        int* order = static_cast<int*>(malloc(n * sizeof(int)));
        STRING** moved = static_cast<STRING**>(malloc(n * sizeof(STRING*)));
        if (ASSERT(order) && ASSERT(moved)) {
            for (int i = 0; i < n; i++) order[i] = i;
            STRING** items = ppItems;
            // Stable, so duplicate keys keep the order in which the file gave them.
            std::stable_sort(order, order + n, [items](int a, int b) {
                return _stricmp(items[a]->Text(), items[b]->Text()) < 0;
            });
            HASHARRAY* both[2] = {this, &partner};
            for (HASHARRAY* array : both) {
                for (int i = 0; i < n; i++) moved[i] = array->ppItems[order[i]];
                memcpy(array->ppItems, moved, n * sizeof(STRING*));
            }
        }
        free(order);
        free(moved);
    }
    partner.Unlock();
    Unlock();
}

void HASHARRAY::TakeItems(HASHARRAY& other)
{
    Lock();
    other.Lock();
    std::swap(ppItems, other.ppItems);
    std::swap(ItemCount, other.ItemCount);
    std::swap(MaxItems, other.MaxItems);
    std::swap(Increment, other.Increment);
    other.Unlock();
    Unlock();
}

// ---------------------------------------------------------------- text form

// A value as it stands behind the "=": a base64 block for binary values, else escaped
// so that no byte of it can end the line, split the entry or open a block.
static STRING encode_value(const STRING& value)
{
    if (!(value.GetFlags() & STRINGFLAG_BINARY)) return value.Escape(VALUE_SPECIALS);
    STRING out(BINARY_OPEN);
    out += value.Base64Encode(false);
    out.Append(BINARY_CLOSE);
    return out;
}

static bool begins_with(const STRING& s, const char* prefix)
{
    int n = static_cast<int>(strlen(prefix));
    return s.Length() >= n && memcmp(s.Data(), prefix, n) == 0;
}

// The reverse of encode_value; always gives a non-null value.
static STRING decode_value(const STRING& raw)
{
    int len = raw.Length();
    if (len >= 5 && begins_with(raw, BINARY_OPEN) && raw.Right(2) == BINARY_CLOSE) {
        STRING value = raw.Mid(3, len - 5).Base64Decode();
        value.SetFlags(value.GetFlags() | STRINGFLAG_BINARY);
        return value;
    }
    return raw.Unescape(false);
}

static bool is_comment(const STRING& line)
{
    return line.Length() == 0 || begins_with(line, "//") || begins_with(line, "# ") ||
           (line.Length() == 1 && line.Data()[0] == '#');
}

static bool is_named(const STRING& key, const char* name)
{
    return key.Length() == static_cast<int>(strlen(name)) && key == name;
}

// Whether "key=..." reads back as this same key: no line end, no "=", no Ctrl-Z (the
// end of a text-mode file), not a comment and not one of the table's own lines.
static bool key_writable(const STRING& key)
{
    const char* p = key.Data();
    int n = key.Length();
    if (p && (memchr(p, '=', n) || memchr(p, '\n', n) || memchr(p, 26, n))) return false;
    return !begins_with(key, "//") && !begins_with(key, "# ") && !is_named(key, "#Handle") &&
           !is_named(key, "#Key");
}

// ---------------------------------------------------------------- construction

HASH::HASH()
    : Handle(0), Reserved(0), Keys("HASH-KEYS"), Values("HASH-VALUES"), LockTable(false)
{
}

HASH::HASH(const STRING& text) : HASH() { Parse(text); }

HASH::HASH(const HASH& other)
    : Handle(other.Handle), Key(other.Key), Reserved(other.Reserved), Keys("HASH-KEYS"),
      Values("HASH-VALUES"), LockTable(other.LockTable)
{
    other.Keys.Lock();
    other.Values.Lock();
    Keys = other.Keys;
    Values = other.Values;
    other.Values.Unlock();
    other.Keys.Unlock();
}

HASH& HASH::operator=(const HASH& other)
{
    if (this == &other) return *this;
    // Copy first, then swap in under this table's locks: the two tables' locks are
    // never held together, so two crossed assignments cannot deadlock.
    HASH copy(other);
    TakeTable(copy);
    return *this;
}

void HASH::TakeTable(HASH& other)
{
    Keys.Lock();
    Values.Lock();
    Keys.TakeItems(other.Keys);
    Values.TakeItems(other.Values);
    Handle = other.Handle;
    Reserved = other.Reserved;
    LockTable = other.LockTable;
    Key = other.Key;
    Values.Unlock();
    Keys.Unlock();
}

HASH::~HASH() {}

// ---------------------------------------------------------------- lookups

STRING* HASH::FindOrCreate(const char* key, bool reportlocked)
{
    const char* k = StringNullGuard(key, "HASH key");
    if (!k) k = "";
    Keys.Lock();
    int pos = Keys.SearchPosition(k);
    if (pos >= Keys.GetCount() || _stricmp(Keys.At(pos).Text(), k) != 0) {
        if (reportlocked) ASSERTINFO(!this->LockTable, k);
        Values.Lock();
        Keys.Insert(pos, STRING(k));
        Values.Insert(pos, STRING());
        Values.Unlock();
    }
    STRING* value = Values.GetItem(pos);
    Keys.Unlock();
    if (value) return value;
    static STRING dummy;  // only after a failed insertion, which was reported
    dummy.SetNull();
    return &dummy;
}

STRING& HASH::operator[](const char* key) { return *FindOrCreate(key, true); }

int HASH::IndexOf(const char* key) const
{
    const char* k = StringNullGuard(key, "HASH::IndexOf key");
    if (!k) return -1;
    Keys.Lock();
    int pos = Keys.SearchPosition(k);
    if (pos >= Keys.GetCount() || _stricmp(Keys.At(pos).Text(), k) != 0) pos = -1;
    Keys.Unlock();
    return pos;
}

bool HASH::Remove(const char* key)
{
    Keys.Lock();
    Values.Lock();
    bool found = false;
    for (int pos; (pos = IndexOf(key)) != -1; found = true) {
        Keys.DeleteItem(pos);
        Values.DeleteItem(pos);
    }
    Values.Unlock();
    Keys.Unlock();
    return found;
}

STRING& HASH::Existing(const char* key)
{
    Keys.Lock();
    int rcidx = IndexOf(key);
    ASSERTINFO(rcidx!=-1, key);
    STRING* value = FindOrCreate(key, false);
    Keys.Unlock();
    return *value;
}

const STRING& HASH::Existing(const char* key) const
{
    static const STRING missing;
    Keys.Lock();
    int rcidx = IndexOf(key);
    const STRING* value = ASSERTINFO(rcidx!=-1, key) ? Values.GetItem(rcidx) : nullptr;
    Keys.Unlock();
    return value ? *value : missing;
}

STRING& HASH::ValueAt(int i) { return Values[i]; }

const STRING& HASH::ValueAt(int i) const { return Values[i]; }

const STRING& HASH::KeyAt(int i) const { return Keys[i]; }

int HASH::GetCount() const { return Keys.GetCount(); }

bool HASH::AllowNewKeys(bool allow)
{
    bool previous = LockTable;
    LockTable = !allow;
    return previous;
}

void HASH::Sort() { Keys.SortWith(Values); }

// ---------------------------------------------------------------- text form

STRING HASH::Text() const
{
    STRING out;
    out.Make(0, "");
    if (Handle != 0) out.AppendFormat("#Handle=%d\n", Handle);
    if (Key.NotNull()) {
        // Encoded like a value, since the reader decodes it like one.
        out.Append("#Key=");
        out += encode_value(Key);
        out.Append("\n");
    }
    Keys.Lock();
    Values.Lock();
    int n = std::min(Keys.GetCount(), Values.GetCount());
    for (int i = 0; i < n; i++) {
        const STRING& key = Keys.At(i);
        // Such a key would come back as another key or a comment: it is left out.
        if (!ASSERTINFO(key_writable(key), key.Text())) continue;
        out += key;
        out.Append("=");
        out += encode_value(Values.At(i));
        out.Append("\n");
    }
    Values.Unlock();
    Keys.Unlock();
    return out;
}

void HASH::Parse(const STRING& text)
{
    if (text.IsNull()) return;
    STRINGARRAY lines(text, "\n");
    int n = lines.GetCount();
    for (int i = 0; i < n; i++) {
        const STRING& item = lines[i];
        if (is_comment(item)) continue;
        const char* eq = static_cast<const char*>(memchr(item.Data(), '=', item.Length()));
        if (!ASSERTTEXT(eq, "item.Find(\"=\")", item.Text())) continue;
        int pos = static_cast<int>(eq - item.Data());
        STRING key = item.Left(pos);
        STRING value = decode_value(item.Mid(pos + 1));
        if (is_named(key, "#Handle")) {
            Handle = value.ToInt();
        } else if (is_named(key, "#Key")) {
            Key = value;
        } else {
            Keys.Add(key);
            Values.Add(value);
        }
    }
    Sort();
}

bool HASH::Save(const char* file) const
{
    Logit("HASH::Save %s\n", StringNullGuard(file, "HASH::Save file"));
    BINARY text(Text());
    bool ok = text.Save(file, "w");
    Logit("HASH::Save returns %d\n", ok);
    return ok;
}

bool HASH::Load(const char* file)
{
    Logit("HASH::Load %s\n", StringNullGuard(file, "HASH::Load file"));
    BINARY text;
    bool ok = file && text.Load(file, "r");
    if (ok) {
        HASH parsed(text);
        if (parsed.Key.IsNull()) parsed.Key = Key;
        TakeTable(parsed);
    }
    if (LogitActive()) Logit("HASH::Load returns %d, %s\n", ok, ErrorText().Text());
    return ok;
}
