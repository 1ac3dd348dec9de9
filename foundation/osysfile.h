// File-tree operations: creating a path, listing, copying and deleting a tree
// (the data folder moves with them).
#pragma once

#include "stringarray.h"
#include "strings.h"

// Creates every missing directory along path; true when path is a directory afterwards.
bool MakePath(const char* path);

// Adds the full path of every file in directory matching pattern to list; with
// recursive, every sub-directory not beginning with "." is listed first and then
// added itself (contents before their folder); a junction or symbolic link to a folder
// is added but never descended into. Returns how many entries were added.
int ListTree(const char* directory, const char* pattern, STRINGARRAY* list, bool recursive);

// Copies the tree below from (matching pattern) into to, creating folders as needed.
// With keep, an existing target file is left alone and counts as a failed copy.
// True when every copy succeeded.
bool CopyTree(const char* from, const char* to, const char* pattern, bool recursive, bool keep);

// Deletes the listed files and folders of the tree, contents before their folder and
// directory itself last. A link met on the way (or directory itself being one) is
// removed as a link: nothing it leads to is touched. Returns how many folders were removed.
int DeleteTree(const char* directory, const char* pattern, bool recursive);
