// WORKDIR, the data folder of the program: which folder it is (the "WORKDIR" option,
// the registry, or a default below a system folder), and the move to a new folder that
// the user asked for during the previous run.
#pragma once

#include "strings.h"

#include <windows.h>

// Registry values of the data folder.
const char* const WORKDIR_VALUE = "ApplicationDataDir";
const char* const WORKDIR_VALUE_OLD = "FilesDir";
const char* const WORKDIR_VALUE_NEW = "ApplicationDataDir.New";
// The first character of a requested folder whose data is to be moved along.
const char WORKDIR_MOVEMARK = '*';
// The product's default folder lies below this system folder ("Common AppData").
const int WORKDIR_SYSTEMFOLDER = 13;
// The system folder whose default is that folder and the application name (documents).
const int WORKDIR_DOCUMENTSFOLDER = 6;

class WORKDIR {
public:
    // owner is the parent of the messages; without applicationname the folder name
    // (text 10002) is used. Logs "WORKDIR::WORKDIR".
    WORKDIR(HWND owner, const char* makerfolder, const char* applicationname = nullptr);
    ~WORKDIR();
    WORKDIR(const WORKDIR&) = delete;
    WORKDIR& operator=(const WORKDIR&) = delete;

    // The whole start-time procedure: disables menuitem (when not 0) of owner's menu
    // when the option "WORKDIR" is given, finds the folder and carries out a pending
    // move. result receives the folder, pending the move found (a null STRING: none).
    void GetWorkDir(HWND owner, int menuitem, STRING& result, STRING& pending, int systemfolder);
    // Finds or creates the data folder; result is "." (after a report) when there is
    // none; pending receives "ApplicationDataDir.New" when it asks for another folder.
    // True when result is a usable folder.
    bool WorkDirInit(STRING& result, STRING& pending, int systemfolder);
    // Moves ("*" before newfolder) or switches to newfolder and records it; a refused or
    // failed move keeps current and shows why. "ApplicationDataDir.New" is always
    // removed. True on success.
    bool WorkDirNew(const char* current, const char* newfolder, const char* pattern);

    // Reports without a box (a program nobody sees): into the log and assert.log.
    void SetQuiet(bool quiet) { Quiet = quiet; }

    // The key below "Software\Kelvo" (text 10002 unless set; tests use a scratch key).
    const STRING& GetRegistryName() const { return RegistryName; }
    void SetRegistryName(const char* name) { RegistryName = name; }

    // The full path of a folder name with "\" separators and no trailing ones (a drive
    // root keeps its own); the text itself when the system cannot expand it.
    static STRING FullFolder(const char* folder);
    // Whether two folder names name the same folder: when both exist, whether they are
    // the same folder on disk (volume and file index, so a second drive letter, an 8.3
    // name, a junction or a link is seen through); otherwise whether the full paths with
    // short names expanded match (case-insensitive, trailing backslashes ignored).
    static bool SameFolder(const char* a, const char* b);
    // Whether inner lies below outer: the full paths with short names expanded agree on
    // whole path components, or a folder above inner (its full name cut back, not
    // resolved) exists and is outer on disk.
    static bool FolderInside(const char* inner, const char* outer);

private:
    HWND hOwner;
    bool Quiet = false;
    STRING RegistryName;
    STRING FolderName;
    STRING ApplicationName;
    STRING MakerFolder;
};
