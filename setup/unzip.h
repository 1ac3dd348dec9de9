// The ZIP engine, driven like a command-line unzip by an argument vector:
//   "unzip", "-v", archive                          lists the archive into the listing table
//   "unzip", "-qq", archive, entry, "-d", folder    extracts one entry into folder
// An existing file at the target is replaced; the engine asks nothing.
#pragma once

#include <windows.h>

// The listing table, one for the program: filled by each listing, read by the walk
// over the archive's entries.
const int ZIPLIST_ENTRIES = 250;
const int ZIPLIST_NAMESIZE = 150;  // entry names of at most 149 characters

struct ZIPLISTING {
    char Name[ZIPLIST_ENTRIES][ZIPLIST_NAMESIZE];  // "/" between folders; empty when unused
    DWORD Size[ZIPLIST_ENTRIES];                   // uncompressed sizes
    DWORD Total;                                   // of all listed entries
};

ZIPLISTING& ZipListing();
// Every name empty, every size and the total 0.
void ClearZipListing();

// The engine's results.
const int UNZIP_OK = 0;
const int UNZIP_DAMAGED = 2;      // an entry is damaged, refused, or its file cannot be written
const int UNZIP_NOARCHIVE = 9;    // the archive is missing, unreadable or not a ZIP archive
const int UNZIP_USAGE = 10;       // an argument vector it does not understand
const int UNZIP_NOENTRY = 11;     // no entry of that name
const int UNZIP_TOOLARGE = 12;    // more entries, longer names or more data than the table takes
const int UNZIP_UNSUPPORTED = 81; // an unknown compression method or an encrypted entry

int Unzip(int argc, const char* const argv[]);
// Why the engine's last call failed (empty after success).
const char* UnzipError();
