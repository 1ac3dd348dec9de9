// A scratch registry key below HKCU\Software\Kelvo for one test: a unique name
// "Test<process>_<tick>", its text values, and its removal at the end.
#pragma once

#include <string>

class SCRATCHKEY {
public:
    SCRATCHKEY();
    // Removes the key with everything in it.
    ~SCRATCHKEY();
    SCRATCHKEY(const SCRATCHKEY&) = delete;
    SCRATCHKEY& operator=(const SCRATCHKEY&) = delete;

    // The name below "Software\Kelvo" (what a program takes as its registry name).
    const std::string& Name() const { return name; }
    // The key's path below HKEY_CURRENT_USER.
    const std::string& Path() const { return path; }
    bool Exists() const;
    // A text value; "<none>" when it is missing.
    std::string Value(const char* value) const;
    // Stores a text value, creating the key when needed; true on success.
    bool SetValue(const char* value, const std::string& text) const;

private:
    std::string name;
    std::string path;
};
