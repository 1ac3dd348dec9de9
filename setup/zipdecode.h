// The decoders of an archive entry's compression methods. Each reads the entry's
// compressed bytes from a ZIPINPUT and writes exactly the entry's size to a
// ZIPOUTPUT, whatever the input holds: damaged data ends the decoding with false,
// never with a read or write past a buffer.
#pragma once

#include <cstddef>
#include <cstdint>

// The compressed bytes of one entry. Read gives fewer bytes than asked (0 at the
// end) only when the entry's data is used up.
class ZIPINPUT {
public:
    virtual ~ZIPINPUT() = default;
    virtual size_t Read(unsigned char* buffer, size_t size) = 0;
};

// Where the decoded bytes go; false (a failed write) stops the decoder.
class ZIPOUTPUT {
public:
    virtual ~ZIPOUTPUT() = default;
    virtual bool Write(const unsigned char* data, size_t size) = 0;
};

// Each returns true when exactly size bytes were decoded and written, false when the
// data is damaged or ends too early, or a write failed.
bool CopyStored(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size);                   // method 0
bool Unshrink(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size);                     // method 1
bool Unreduce(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size, int factor);         // methods 2-5: factor 1-4
bool Explode(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size, bool bigwindow, bool literals);  // method 6
bool Inflate(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size);                      // method 8
