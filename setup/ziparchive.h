// One ZIP archive: its central directory, read and checked when it is opened, and
// the decoding of one entry's data with its size and CRC-32 checked.
#pragma once

#include "zipdecode.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// General-purpose flags of an entry.
const uint16_t ZIPFLAG_ENCRYPTED = 0x0001;
const uint16_t ZIPFLAG_STRONGENCRYPTION = 0x0040;

struct ZIPENTRY {
    std::string Name;          // as stored: "/" between folders, a trailing "/" for a folder
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint32_t Crc = 0;
    uint32_t PackedSize = 0;
    uint32_t Size = 0;
    uint32_t HeaderOffset = 0;  // of the entry's local header
    uint16_t Time = 0, Date = 0;  // last change, in the form of MS-DOS
};

class ZIPARCHIVE {
public:
    ZIPARCHIVE() = default;
    ~ZIPARCHIVE();
    ZIPARCHIVE(const ZIPARCHIVE&) = delete;
    ZIPARCHIVE& operator=(const ZIPARCHIVE&) = delete;

    // Opens the archive and reads its directory; false, with Error() saying why, when
    // it cannot be read or is not an archive this reader understands.
    bool Open(const char* path);
    void Close();
    const std::vector<ZIPENTRY>& Entries() const { return List; }
    // The first entry of that name ("\" and "/" alike); null when there is none.
    const ZIPENTRY* Find(const char* name) const;
    // Decodes the entry's data into out and checks its size and CRC-32; false with
    // Error() set when the entry is unsupported, encrypted, damaged or out fails.
    bool Decode(const ZIPENTRY& entry, ZIPOUTPUT& out);
    const std::string& Error() const { return Why; }

private:
    bool Fail(const char* why);
    bool ReadAt(uint64_t offset, void* buffer, uint32_t size);
    bool ReadDirectory();

    HANDLE File = INVALID_HANDLE_VALUE;
    uint64_t FileSize = 0;
    uint64_t DirectoryStart = 0;  // entries' data ends here
    std::vector<ZIPENTRY> List;
    std::string Why;

    friend class ZIPDATA;
};
