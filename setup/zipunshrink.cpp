// Method 1, "shrunk": LZW with codes of 9 to 13 bits. Code 256 followed by 1 makes
// the codes one bit longer; followed by 2 it frees every code no other code builds
// on, and those codes are handed out again from the lowest. Any other control value,
// codes past 13 bits and a code not defined yet (but for the one about to be added)
// make the entry damaged.
#include "zipbits.h"

namespace {

const unsigned CODES = 8192;   // 13-bit codes
const unsigned CONTROL = 256;  // escape for the two control codes
const unsigned FIRSTFREE = 257;
const unsigned NOCODE = CODES;

struct SHRINKTABLE {
    uint16_t prefix[CODES];      // the code whose string this one extends
    unsigned char last[CODES];   // the byte it adds
    bool used[CODES];
    unsigned char text[CODES];   // one code's string, built from its end
    unsigned free = FIRSTFREE;   // the lowest unused code; CODES when all are taken
    unsigned top = FIRSTFREE;    // above the highest code in use

    SHRINKTABLE()
    {
        for (unsigned code = 0; code < CODES; code++) {
            prefix[code] = NOCODE;
            last[code] = static_cast<unsigned char>(code);
            used[code] = code < CONTROL;
        }
    }

    void FindFree(unsigned from)
    {
        for (free = from; free < CODES && used[free];) free++;
    }

    void Add(unsigned previous, unsigned char byte)
    {
        prefix[free] = static_cast<uint16_t>(previous);
        last[free] = byte;
        used[free] = true;
        if (top <= free) top = free + 1;
        FindFree(free + 1);
    }

    // Frees the codes that are no other code's prefix.
    void PartialClear()
    {
        bool prefixes[CODES] = {};
        for (unsigned code = FIRSTFREE; code < top; code++)
            if (used[code] && prefix[code] < CODES) prefixes[prefix[code]] = true;
        for (unsigned code = FIRSTFREE; code < top; code++)
            if (!prefixes[code]) used[code] = false;
        while (top > FIRSTFREE && !used[top - 1]) top--;
        FindFree(FIRSTFREE);
    }

    // Spells out a defined code into text, its last byte just before end; returns
    // where its string starts, CODES when its chain of prefixes is broken or runs
    // in a circle.
    unsigned Spell(unsigned code, unsigned end)
    {
        unsigned start = end;
        while (code < CODES && used[code] && start > 0) {
            text[--start] = last[code];
            if (code < CONTROL) return start;
            code = prefix[code];
        }
        return CODES;
    }
};

}  // namespace

bool Unshrink(ZIPINPUT& in, ZIPOUTPUT& out, uint32_t size)
{
    ZIPBITS bits(in);
    ZIPWINDOW window(out, size);
    SHRINKTABLE table;
    int width = 9;
    unsigned previous = NOCODE;
    while (window.Left() > 0) {
        unsigned code;
        if (!bits.Get(width, code)) return false;
        if (code == CONTROL) {
            unsigned what;
            if (!bits.Get(width, what)) return false;
            if (what == 1 && width < 13) {
                width++;
            } else if (what == 2) {
                table.PartialClear();
            } else {
                return false;
            }
            continue;
        }
        // The string of code; a code not defined yet may only be the one about to be
        // added (previous string plus its own first byte).
        unsigned start;
        if (code == table.free && !table.used[code] && previous != NOCODE) {
            start = table.Spell(previous, CODES - 1);
            if (start == CODES) return false;
            table.text[CODES - 1] = table.text[start];
        } else {
            start = table.Spell(code, CODES);
            if (start == CODES) return false;
        }
        if (previous != NOCODE && table.free < CODES) table.Add(previous, table.text[start]);
        previous = code;
        for (unsigned i = start; i < CODES && window.Left() > 0; i++)
            if (!window.Put(table.text[i])) return false;
    }
    return window.Finish();
}
