// HASH, the case-insensitive sorted key/value table of STRINGs that every
// configuration file is read into, and HASHLIST, a list of HASH records read
// from a sectioned file.
#pragma once

#include "dynarray.h"
#include "stringarray.h"
#include "strings.h"

// One of the two arrays of a HASH: a STRINGARRAY under its own type name that the
// table can reorder and hand over in one step.
class HASHARRAY : public STRINGARRAY {
public:
    explicit HASHARRAY(const char* type);
    // The first index whose item equals key or sorts after it, case-insensitive
    // (GetCount() when none does); the items must be in that order.
    int SearchPosition(const char* key);
    // The item at i, unchecked: for a caller that holds the lock and knows i is in range.
    STRING& At(int i) const { return *ppItems[i]; }
    // Stable case-insensitive ascending sort; the partner's items (as many) move alike.
    void SortWith(HASHARRAY& partner);
    // Exchanges all items with other (both locks are taken, this one first).
    void TakeItems(HASHARRAY& other);
};

class HASH {
public:
    HASH();
    // Parses the text form, as Load does with a file's content.
    explicit HASH(const STRING& text);
    HASH(const HASH& other);
    HASH& operator=(const HASH& other);
    virtual ~HASH();

    // The value of key, created (null, in sorted position) when it is missing;
    // with the table locked a missing key is reported first.
    STRING& operator[](const char* key);
    // Index of key (the first of duplicates), or -1; never creates.
    int IndexOf(const char* key) const;
    bool Exists(const char* key) const { return IndexOf(key) != -1; }
    // The value of a key that must exist; a missing key is reported (and created).
    STRING& Existing(const char* key);
    // The same for reading only: a missing key is reported and reads as a null value.
    const STRING& Existing(const char* key) const;
    // Key and value at index i (out of range is reported and reaches a dummy).
    STRING& ValueAt(int i);
    const STRING& ValueAt(int i) const;
    const STRING& KeyAt(int i) const;
    int GetCount() const;

    // Removes key, every copy of it, with its value; true when it was there.
    bool Remove(const char* key);

    // Sets LockTable to !allow; returns the previous LockTable.
    bool AllowNewKeys(bool allow);
    bool IsLocked() const { return LockTable; }

    // Writes the text form, replacing the file atomically; true when the whole file was written.
    bool Save(const char* file) const;
    // Replaces the whole table by the file's content; false (table unchanged) when
    // the file cannot be read.
    bool Load(const char* file);
    // The text form: what Save writes (lines end in "\n").
    STRING Text() const;
    // Orders keys (and their values) ascending, case-insensitive; equal keys keep their order.
    void Sort();

    int Handle;
    STRING Key;

private:
    // The value of key, created when missing; the keys' lock is held for the whole run.
    STRING* FindOrCreate(const char* key, bool reportlocked);
    void Parse(const STRING& text);
    // Takes over other's items and fields under this table's locks; other gets the old items.
    void TakeTable(HASH& other);

    int Reserved;
    // Readers that leave the table as it is still take the arrays' locks.
    mutable HASHARRAY Keys;
    mutable HASHARRAY Values;
    bool LockTable;
};

// HASHLIST::Compare flag: compare the sort keys' values as integers.
const int HASHLIST_SORT_NUMERIC = 1;

class HASHLIST : public DYNARRAY<HASH> {
public:
    HASHLIST();

    // Orders by the sort key names in turn (see SetSortKeys); the first difference decides.
    int Compare(const HASH* a, const HASH* b, int flags) override;
    // Appends one record per section of the file; returns how many.
    int Load(const char* file);
    // Index of the first record whose key has a non-null value equal to (exact) or
    // beginning with value, case-insensitive; -1 if none.
    int Find(const char* key, const char* value, bool exact) const;
    // Key names that Compare uses, in order; the array must outlive the sorting.
    void SetSortKeys(const char* const* names, int count);

private:
    const char* const* SortKeys;
    int SortKeyCount;
};
