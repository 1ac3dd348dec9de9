// STRINGARRAY, the list of STRINGs: splitting a text, searching, sorting, and
// reading a plain line file.
#pragma once

#include "dynarray.h"
#include "strings.h"

// Compare flags of STRINGARRAY (DYNARRAY_SORT_REVERSE reverses any of them).
const int STRINGARRAY_SORT_NUMERIC = 1;
const int STRINGARRAY_SORT_NOCASE = 16;

// Find modes.
const int STRINGARRAY_FIND_EQUAL = 0;
const int STRINGARRAY_FIND_BEGINS = 1;
const int STRINGARRAY_FIND_CONTAINS = 2;
const int STRINGARRAY_FIND_NUMBER = 3;

class STRINGARRAY : public DYNARRAY<STRING> {
public:
    STRINGARRAY();
    // One item per piece of source cut at every separator character, empty pieces included.
    STRINGARRAY(const STRING& source, const char* separators);

    int Compare(const STRING* a, const STRING* b, int flags) override;
    // Index of the first item matching text in the given mode, or -1.
    int Find(const char* text, int mode) const;
    // Appends the lines of a text file (unescaped when asked); returns how many.
    int Load(const char* file, bool unescape);
};
