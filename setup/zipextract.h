// Writing one archive entry below a folder: never outside it, and never half a file.
#pragma once

#include "ziparchive.h"

#include <string>

// Whether an entry's name stays below the folder it is extracted into: relative, no
// drive or device, no climb with "..". A folder entry ends with "/".
bool SafeEntryName(const std::string& name);

// Extracts entry into folder, creating the folder, the entry's subfolders and (for a
// folder entry) the folder itself. A file is decoded into a temporary file beside its
// target and put in place, replacing an older one, only when its size and CRC-32 are
// right. False with why set when the entry is refused or cannot be written.
bool ExtractEntry(ZIPARCHIVE& archive, const ZIPENTRY& entry, const char* folder, std::string& why);
