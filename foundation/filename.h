// FILENAME turns the file names written in configuration files ("<self>", "<temp>",
// shell strings such as "%APPDATA%" and "~\", names relative to a folder) into
// full paths, and answers the small questions asked about a path.
#pragma once

#include "strings.h"

#include <windows.h>

// Capacity of the process-wide shell-string table.
const int SHELLSTRING_MAX = 32;

class FILENAME : public STRING {
public:
    // "<self>" is the program's path, "<tmp>"/"<temp>" a new unique file in %TEMP%;
    // any other text is taken as it is; shell strings are then expanded.
    explicit FILENAME(const char* name);
    // name as above; unless it is absolute it is put below directory (the current
    // directory when directory is null or empty).
    FILENAME(const char* directory, const char* name);
    FILENAME(const FILENAME& other);
    FILENAME& operator=(const FILENAME& other);
    ~FILENAME() override;

    // Begins with "\" or has ":" as its second character.
    bool IsAbsolute() const;
    // The text before the last "\" (empty when there is none).
    STRING Directory() const;
    // The text after the last "\" (the whole text when there is none).
    STRING FilePart() const;
    // Size in bytes; -1 when the file does not exist.
    long long FileSize() const;
    // True when the path's drive is a network drive (or the path is a UNC name).
    bool IsOnNetwork() const;

    // Directory search in this path: the name of the first and next entry matching
    // pattern ("." and ".." included); a null STRING when there is none (more).
    STRING FindFirst(const char* pattern);
    STRING FindNext();
    // Whether the entry last found is a directory.
    bool FoundDirectory() const { return FoundAttributes & FILE_ATTRIBUTE_DIRECTORY; }
    // Whether it is a junction or symbolic link (a reparse point), which leads elsewhere.
    bool FoundLink() const { return FoundAttributes & FILE_ATTRIBUTE_REPARSE_POINT; }
    void FindClose();

    // Expands a leading "~\", "%USERNAME%" and the leading shell string, turns "/"
    // into "\" and removes trailing backslashes (a root such as "c:\" keeps its own).
    void ExpandShellString();

    // Sets the shell string name (matched exactly) or adds it; a full table ignores it.
    static void ShellStringSet(const char* name, const char* value, int flag);
    // Fills the standard shell strings once per process.
    static void ShellStringsInit();
    // The value of a shell string; a null STRING when it is not in the table.
    static STRING ShellStringGet(const char* name);
    // Forgets every shell string; the standard ones come back on next use (for tests).
    static void ShellStringsReset();

private:
    void Resolve(const char* name);

    HANDLE hFind;
    DWORD FoundAttributes;
};

// Whether a path text is absolute: begins with "\" or has ":" as its second character.
bool PathIsAbsolute(const char* path);
// directory, a "\" unless it ends in one (or is empty), and name.
STRING PathJoin(const char* directory, const char* name);
// Whether name is a relative file path that stays below the folder it is relative to:
// no drive, root or ":", no "."/".." (or all-dot) part, no device name, no character
// the platform refuses in names, no trailing "\".
bool StaysInsideFolder(const char* name);
