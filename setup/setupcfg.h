// setup.cfg: what the installer installs, read once at start, checked line by line
// before it is used, with the language variants and continued values folded in.
#pragma once

#include "hash.h"
#include "strings.h"

// Largest configuration file the installer reads.
const long long SETUPCFG_MAXBYTES = 1 << 20;
// Continuations of a value: key_0 .. key_11.
const int SETUPCFG_CONTINUATIONS = 12;

enum SETUPCFGSTATE {
    SETUPCFG_OK,
    SETUPCFG_UNREADABLE,  // missing, unreadable or too large
    SETUPCFG_MALFORMED    // a line that is no "key=value" or a value with a broken escape
};

// Reads file into config after checking every line; line receives the number (from 1)
// of the first bad line of a malformed file.
SETUPCFGSTATE LoadSetupConfig(const char* file, HASH& config, int* line = nullptr);

// Whether text is a well-formed key/value text; line as above.
bool SetupConfigWellFormed(const STRING& text, int* line = nullptr);

// Folds the language variants in: a key ending in suffix gives its value to the key
// without it, and every dotted key goes; then every key without "_" takes the values of
// key_0 .. key_11 appended, which go too.
void FoldLanguageKeys(HASH& config, const char* suffix);

// The "|"-separated items of a value (empty items dropped).
STRINGARRAY SetupList(const STRING& value);
