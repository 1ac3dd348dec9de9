// ZIP archives made byte by byte, for archives no tool would write: damaged ones,
// names that lead outside, methods and flags of any value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZIPITEM {
    std::string Name;
    std::string Data;         // the entry's content
    bool Deflate = false;     // stored otherwise
    int Method = -1;          // written as given when not -1 (the data then as it is)
    uint16_t Flags = 0;
    bool BadCrc = false;      // a CRC-32 that does not match the content
};

// The whole archive: local headers with data, the central directory, the end record.
std::string MakeZip(const std::vector<ZIPITEM>& items);
// Raw deflate of data (no header), as a ZIP entry holds it.
std::string DeflateRaw(const std::string& data);
