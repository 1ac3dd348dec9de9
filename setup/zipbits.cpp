// The bit reader and the output window of the legacy decoders.
#include "zipbits.h"

bool ZIPBITS::Fill(int wanted)
{
    while (count < wanted) {
        if (next == end) {
            end = in.Read(buffer, sizeof buffer);
            next = 0;
            if (end == 0 || end > sizeof buffer) {
                end = 0;
                return false;
            }
        }
        held |= static_cast<uint32_t>(buffer[next++]) << count;
        count += 8;
    }
    return true;
}

bool ZIPBITS::Get(int wanted, unsigned& value)
{
    if (wanted < 0 || wanted > 24 || !Fill(wanted)) return false;
    value = held & ((1u << wanted) - 1);
    held >>= wanted;
    count -= wanted;
    return true;
}

bool ZIPWINDOW::Put(unsigned char byte)
{
    if (failed || done == size) return false;
    ring[pos++] = byte;
    done++;
    if (pos == BYTES) {
        pos = 0;
        if (!out.Write(ring, BYTES)) failed = true;
    }
    return !failed;
}

bool ZIPWINDOW::Copy(uint32_t distance, uint32_t length)
{
    if (distance == 0 || distance > BYTES) return false;
    if (length > Left()) length = Left();
    for (; length > 0; length--) {
        unsigned char byte = distance > done ? 0 : ring[(pos - distance) & (BYTES - 1)];
        if (!Put(byte)) return false;
    }
    return true;
}

bool ZIPWINDOW::Finish()
{
    if (failed || done != size) return false;
    if (pos > 0 && !out.Write(ring, pos)) failed = true;
    pos = 0;
    return !failed;
}
