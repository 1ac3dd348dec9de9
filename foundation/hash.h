// HASH, the case-insensitive sorted key/value table of STRINGs that every
// configuration file is read into, and HASHLIST, a list of HASH records read
// from a sectioned file.
#pragma once

#include "dynarray.h"
#include "stringarray.h"
#include "strings.h"

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
    // Index of key, or -1; never creates.
    int IndexOf(const char* key) const;
    bool Exists(const char* key) const { return IndexOf(key) != -1; }
    // The value of a key that must exist; a missing key is reported (and created).
    STRING& Existing(const char* key);
    // Key and value at index i.
    STRING& ValueAt(int i);
    const STRING& KeyAt(int i) const;
    int GetCount() const;

    // Sets LockTable to !allow; returns the previous LockTable.
    bool AllowNewKeys(bool allow);

    // Writes the text form; true when the whole file was written.
    bool Save(const char* file) const;
    // Replaces the whole table by the file's content; false (table unchanged) when
    // the file cannot be read.
    bool Load(const char* file);
    // The text form: what Save writes.
    STRING Text() const;
    // Orders keys (and their values) ascending, case-insensitive.
    void Sort();

    int Handle;
    STRING Key;

private:
    int Reserved;
    STRINGARRAY Keys;
    STRINGARRAY Values;
    bool LockTable;
};

class HASHLIST : public DYNARRAY<HASH> {
public:
    HASHLIST();

    int Compare(const HASH* a, const HASH* b, int flags) override;
    // Appends one record per section of the file; returns how many.
    int Load(const char* file);
    // Index of the first record whose key has a non-null value equal to (exact) or
    // beginning with value, case-insensitive; -1 if none.
    int Find(const char* key, const char* value, bool exact) const;
    // Key names that Compare uses, in order.
    void SetSortKeys(const char* const* names, int count);

private:
    const char* const* SortKeys;
    int SortKeyCount;
};
