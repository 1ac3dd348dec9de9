// Methods 2 to 5, "reduced" with factor 1 to 4. Each byte comes either as itself or
// as an index into the set of bytes that followed the previous one; the bytes are
// then expanded: 144 (DLE) starts a back-reference of length and distance, 144 0
// stands for 144 itself. A set of more than 32 bytes or an index past its set's end
// makes the entry damaged; a distance before the first byte gives zeros.
#include "zipbits.h"

namespace {

const unsigned char DLE = 144;

// Bits of an index into a follower set of count bytes (1..32).
int IndexBits(unsigned count)
{
    int bits = 1;
    while ((1u << bits) < count) bits++;
    return bits;
}

}  // namespace

bool Unreduce(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size, int factor)
{
    if (factor < 1 || factor > 4) return false;
    if (size == 0) return true;  // nothing to decode, nothing to read
    ZIPBITS bits(in);
    ZIPWINDOW window(out, size);

    // The follower sets, stored from byte 255 down to byte 0.
    unsigned char followers[256][32];
    unsigned char counts[256];
    for (int byte = 255; byte >= 0; byte--) {
        unsigned count;
        if (!bits.Get(6, count) || count > 32) return false;
        counts[byte] = static_cast<unsigned char>(count);
        for (unsigned i = 0; i < count; i++) {
            unsigned follower;
            if (!bits.Get(8, follower)) return false;
            followers[byte][i] = static_cast<unsigned char>(follower);
        }
    }

    const unsigned lengthmask = 0xFFu >> factor;
    unsigned last = 0;    // the byte read before, whose follower set applies
    int state = 0;        // 0: plain, 1: after DLE, 2: length goes on, 3: distance next
    unsigned lead = 0, length = 0;
    while (window.Left() > 0) {
        unsigned byte, flag = 1;
        if (counts[last] > 0 && !bits.Get(1, flag)) return false;
        if (flag) {
            if (!bits.Get(8, byte)) return false;
        } else {
            unsigned index;
            if (!bits.Get(IndexBits(counts[last]), index) || index >= counts[last]) return false;
            byte = followers[last][index];
        }
        last = byte;

        bool ok = true;
        switch (state) {
        case 0:
            if (byte == DLE) state = 1;
            else ok = window.Put(static_cast<unsigned char>(byte));
            break;
        case 1:
            if (byte == 0) {
                ok = window.Put(DLE);
                state = 0;
            } else {
                lead = byte;
                length = byte & lengthmask;
                state = length == lengthmask ? 2 : 3;
            }
            break;
        case 2:
            length += byte;
            state = 3;
            break;
        default:
            ok = window.Copy(((lead >> (8 - factor)) << 8) + byte + 1, length + 3);
            state = 0;
            break;
        }
        if (!ok) return false;
    }
    return window.Finish();
}
