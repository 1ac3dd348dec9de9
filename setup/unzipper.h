// UNZIPPER walks one archive entry by entry for the copy worker and extracts each
// under the installer's rules: protected files are never replaced, files on the ask
// list only after a Yes.
#pragma once

#include "strings.h"

#include <windows.h>

// A wildcard pattern ("*", "?", "[a-z]", "[!x]") matched against a whole name,
// case-insensitively.
bool WildcardMatch(const char* pattern, const char* name);

class UNZIPPER {
public:
    UNZIPPER();
    // Lists archive into the listing table; the lists are "|"-separated, each item's
    // first ";" field an entry name (a pattern in the protect list), an ask item's
    // second field the name its question shows.
    void Open(const char* archive, const char* asklist, const char* protectlist);
    // Whether the listing succeeded.
    bool Listed() const { return IsListed; }
    // The first and next entry: its name into name (ZIPLIST_NAMESIZE bytes), its
    // size as result; an empty name ends the walk.
    DWORD First(char* name);
    DWORD Next(char* name);
    // Extracts entry name into folder under the two lists' rules; *written says
    // whether the file was written (false when a rule kept the old one). False when
    // the engine failed.
    bool Extract(const char* name, const char* folder, bool* written = nullptr);
    void Close();
    // The window the questions are shown over (the foreground window when none is set).
    void SetOwner(HWND owner) { Owner = owner; }

private:
    bool Protected(const char* name, const STRING& target) const;
    bool Confirmed(const char* name, const STRING& target) const;

    char Archive[MAX_PATH];
    STRING AskList;
    STRING ProtectList;
    int Cursor;
    bool IsListed;
    HWND Owner = nullptr;
};
