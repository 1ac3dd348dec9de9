// Method 6, "imploded": literals and back-references in a 4 KB or 8 KB window,
// coded with two or three Shannon-Fano trees (literal bytes, lengths, distances)
// whose bit lengths lead the data. A tree must be complete: lengths that leave
// codes unused or that need more codes than exist make the entry damaged. A
// distance before the first byte gives zeros.
#include "zipbits.h"

namespace {

const int MAXBITS = 16;

// A Shannon-Fano tree as counts of codes per length and its symbols in code
// order. The codes are the canonical ones with every bit inverted: shorter codes
// first, within one length the lower symbol first.
struct SFTREE {
    uint16_t counts[MAXBITS + 1];
    uint16_t symbols[256];

    // Reads the tree's description for symbolcount symbols (256 or 64).
    bool Read(ZIPBITS& bits, unsigned symbolcount)
    {
        unsigned char lengths[256];
        unsigned entries, filled = 0;
        if (!bits.Get(8, entries)) return false;
        for (unsigned entry = 0; entry <= entries; entry++) {
            unsigned pair;
            if (!bits.Get(8, pair)) return false;
            unsigned length = (pair & 15) + 1, repeat = (pair >> 4) + 1;
            if (repeat > symbolcount - filled) return false;
            for (; repeat > 0; repeat--) lengths[filled++] = static_cast<unsigned char>(length);
        }
        if (filled != symbolcount) return false;

        for (int length = 0; length <= MAXBITS; length++) counts[length] = 0;
        for (unsigned symbol = 0; symbol < symbolcount; symbol++) counts[lengths[symbol]]++;
        long left = 1;  // codes not taken yet at the current length
        for (int length = 1; length <= MAXBITS; length++) {
            left = left * 2 - counts[length];
            if (left < 0) return false;
        }
        if (left != 0) return false;

        uint16_t offsets[MAXBITS + 2] = {};
        for (int length = 1; length <= MAXBITS; length++)
            offsets[length + 1] = static_cast<uint16_t>(offsets[length] + counts[length]);
        for (unsigned symbol = 0; symbol < symbolcount; symbol++)
            symbols[offsets[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
        return true;
    }

    // Reads one code, a bit at a time; false when the input ends.
    bool Decode(ZIPBITS& bits, unsigned& symbol) const
    {
        unsigned code = 0, first = 0, index = 0;
        for (int length = 1; length <= MAXBITS; length++) {
            unsigned bit;
            if (!bits.Get(1, bit)) return false;
            code |= bit ^ 1;
            unsigned count = counts[length];
            if (code - first < count) {
                symbol = symbols[index + code - first];
                return true;
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return false;
    }
};

}  // namespace

bool Explode(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size, bool bigwindow, bool literals)
{
    if (size == 0) return true;  // nothing to decode, nothing to read
    ZIPBITS bits(in);
    ZIPWINDOW window(out, size);
    SFTREE literaltree, lengthtree, distancetree;
    if (literals && !literaltree.Read(bits, 256)) return false;
    if (!lengthtree.Read(bits, 64) || !distancetree.Read(bits, 64)) return false;

    const int lowbits = bigwindow ? 7 : 6;
    const unsigned minlength = literals ? 3 : 2;
    while (window.Left() > 0) {
        unsigned flag;
        if (!bits.Get(1, flag)) return false;
        if (flag) {
            unsigned byte;
            if (literals ? !literaltree.Decode(bits, byte) : !bits.Get(8, byte)) return false;
            if (!window.Put(static_cast<unsigned char>(byte))) return false;
            continue;
        }
        unsigned low, high, length;
        if (!bits.Get(lowbits, low) || !distancetree.Decode(bits, high)) return false;
        if (!lengthtree.Decode(bits, length)) return false;
        if (length == 63) {
            unsigned more;
            if (!bits.Get(8, more)) return false;
            length += more;
        }
        if (!window.Copy(((high << lowbits) | low) + 1, length + minlength)) return false;
    }
    return window.Finish();
}
