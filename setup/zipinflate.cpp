// Stored entries and deflated ones, the latter through zlib's raw inflate.
#include "zipdecode.h"

#include <zlib.h>

#include <algorithm>

static const size_t BLOCK = 64 * 1024;

bool CopyStored(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size)
{
    unsigned char buffer[16 * 1024];
    uint32_t left = size;
    while (left > 0) {
        size_t n = in.Read(buffer, std::min<size_t>(sizeof buffer, left));
        if (n == 0 || !out.Write(buffer, n)) return false;
        left -= static_cast<uint32_t>(n);
    }
    return true;
}

bool Inflate(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size)
{
    z_stream z = {};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    unsigned char* input = new unsigned char[BLOCK];
    unsigned char* output = new unsigned char[BLOCK];
    uint32_t left = size;
    bool ended = false, ok = true;
    while (ok && !ended) {
        if (z.avail_in == 0) {
            z.next_in = input;
            z.avail_in = static_cast<uInt>(in.Read(input, BLOCK));
        }
        bool starved = z.avail_in == 0;
        z.next_out = output;
        z.avail_out = static_cast<uInt>(BLOCK);
        int result = inflate(&z, Z_NO_FLUSH);
        size_t made = BLOCK - z.avail_out;
        // More data than the entry's size, or a damaged stream, or one that ends early.
        if (made > left || (result != Z_OK && result != Z_STREAM_END) || (starved && made == 0 && result != Z_STREAM_END))
            ok = false;
        else if (made > 0 && !out.Write(output, made))
            ok = false;
        else {
            left -= static_cast<uint32_t>(made);
            ended = result == Z_STREAM_END;
        }
    }
    inflateEnd(&z);
    delete[] input;
    delete[] output;
    return ok && left == 0;
}
