// REGISTRY, one open registry key with its reads, writes, deletions and value
// list, and the autostart entry of the current user's Run key.
#pragma once

#include "stringarray.h"
#include "strings.h"

#include <windows.h>

// Access modes of the REGISTRY constructor that takes a root key.
const int REGISTRY_READ = 256;    // open for reading
const int REGISTRY_WRITE = 257;   // open for writing
const int REGISTRY_CREATE = 258;  // create or open, for reading and writing

// The user argument of REGISTRY(app, basekey, user); any other value is a root key.
const INT_PTR REGISTRY_LOCALMACHINE = 0;
const INT_PTR REGISTRY_CURRENTUSER = 1;

// The maker's key (below HKEY_CURRENT_USER); each program keeps its values, window
// positions, symbol size and tips in a key below it named after the program.
const char* const KELVO_REGISTRYKEY = "Software\\Kelvo";

// Longest value text that Read(value) returns.
const int REGISTRY_MAXREAD = 8192;

class REGISTRY {
public:
    // Opens or creates basekey\app below the local machine (user 0), the current user
    // (user 1) or the root key that user itself is (for example HKEY_CLASSES_ROOT).
    REGISTRY(const char* app, const char* basekey, INT_PTR user);
    // Opens basekey\app below root in one of the REGISTRY_ modes.
    REGISTRY(HKEY root, const char* basekey, const char* app, int mode);
    ~REGISTRY();
    REGISTRY(const REGISTRY&) = delete;
    REGISTRY& operator=(const REGISTRY&) = delete;

    bool IsOpen() const { return hKey != nullptr; }
    HKEY Key() const { return hKey; }
    HKEY Root() const { return hRoot; }
    const STRING& KeyPath() const { return Path; }
    // The system's error code of the last operation (ERROR_SUCCESS after success).
    LONG LastError() const { return Error; }

    // basekey, a "\" unless basekey ends in one, app without leading backslashes;
    // trailing backslashes removed.
    static STRING JoinKeyPath(const char* basekey, const char* app);

    // Raw data of value into buffer (*size bytes); *size becomes the length read. A
    // text shorter than the buffer is terminated.
    bool Read(const char* value, void* buffer, DWORD* size);
    // The value (at most REGISTRY_MAXREAD bytes) without a text's trailing NULs; a null
    // STRING when it is missing.
    STRING Read(const char* value);
    // Stores a text value.
    bool Write(const char* value, const char* text);
    // Stores a binary value of length bytes.
    bool Write(const char* value, const void* data, int length);
    // Deletes a value.
    bool Delete(const char* value);
    // Deletes a sub-key: with all together with everything below it, otherwise only
    // when it is empty.
    bool Delete(const char* subkey, bool all);
    // The names of all values of the key.
    STRINGARRAY ValueNames();
    // The same joined with "|" between them; returns their count.
    int ValueNames(STRING& joined);

private:
    void Open(HKEY root, const char* basekey, const char* app, int mode);

    HKEY hKey;
    HKEY hRoot;
    STRING Path;
    LONG Error;
};

// Value of SetAutoStart's command that stands for this program (as do "<ownfile>"
// and the program's own path).
const char* const AUTOSTART_SELF = "<self>";

// Sets the value name of the current user's Run key to command (this program's
// quoted path for AUTOSTART_SELF); a null command removes the value.
bool SetAutoStart(const char* name, const char* command);
// The same for this program (self) or for removing the value (!self).
bool SetAutoStart(const char* name, bool self);
