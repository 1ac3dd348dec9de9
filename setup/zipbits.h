// The helpers the legacy decoders (shrunk, reduced, imploded) share: a reader of
// the compressed bytes that hands out bits lowest first, and the window of decoded
// bytes that back-references copy from on their way to the ZIPOUTPUT.
#pragma once

#include "zipdecode.h"

#include <cstddef>
#include <cstdint>

// Bits of a ZIPINPUT, lowest bit of each byte first, read in blocks of 4 KB.
class ZIPBITS {
public:
    explicit ZIPBITS(ZIPINPUT& in) : in(in) {}
    ZIPBITS(const ZIPBITS&) = delete;
    ZIPBITS& operator=(const ZIPBITS&) = delete;

    // Takes the next count (0..24) bits as a number, the first bit lowest; false
    // when the input ends first.
    bool Get(int count, unsigned& value);

private:
    bool Fill(int count);

    ZIPINPUT& in;
    unsigned char buffer[4096];
    size_t next = 0, end = 0;
    uint32_t held = 0;  // bits not taken yet, the next one lowest
    int count = 0;      // how many of them
};

// The last 8 KB of decoded output for back-references; full blocks go out as they
// fill. Never writes more than the entry's size.
class ZIPWINDOW {
public:
    static const uint32_t BYTES = 8192;

    ZIPWINDOW(ZIPOUTPUT& out, uint32_t size) : out(out), size(size) {}
    ZIPWINDOW(const ZIPWINDOW&) = delete;
    ZIPWINDOW& operator=(const ZIPWINDOW&) = delete;

    uint32_t Left() const { return size - done; }
    // Adds one byte; false when the entry is already complete or a write failed.
    bool Put(unsigned char byte);
    // Repeats length bytes from distance (1..BYTES) back; a distance reaching before
    // the first byte gives zeros. Stops quietly at the entry's size.
    bool Copy(uint32_t distance, uint32_t length);
    // Writes what is left; true when the whole entry was decoded and written.
    bool Finish();

private:
    ZIPOUTPUT& out;
    unsigned char ring[BYTES];
    uint32_t size, done = 0;
    size_t pos = 0;  // where the next byte goes in ring; all before it are unwritten
    bool failed = false;
};
