// NTPTIME, the 64-bit fixed-point time of the SNTP query, the clock adjustment
// and the LAN protocol: 32-bit seconds since 1900 (modulo 2^32, signed for
// differences) and a 32-bit binary fraction, with its arithmetic, calendar
// conversion, text and wire forms.
#pragma once

#include "strings.h"

#include <windows.h>

#include <cstdint>

const int NTPTIME_WIRE_SIZE = 8;

class NTPTIME {
public:
    NTPTIME() : Seconds(0), Fraction(0) {}
    NTPTIME(uint32_t seconds, uint32_t fraction) : Seconds(seconds), Fraction(fraction) {}

    // 64-bit addition; the carry out of the seconds is dropped (modulo 2^32 s).
    NTPTIME Add(const NTPTIME& b) const;
    // Two's complement of the whole 64-bit value.
    NTPTIME Negate() const;
    // this + Negate(b).
    NTPTIME Subtract(const NTPTIME& b) const;
    // Half the value, rounded toward zero.
    NTPTIME Halve() const;

    NTPTIME operator+(const NTPTIME& b) const { return Add(b); }
    NTPTIME operator-(const NTPTIME& b) const { return Subtract(b); }
    NTPTIME operator-() const { return Negate(); }
    bool operator==(const NTPTIME& b) const { return Seconds == b.Seconds && Fraction == b.Fraction; }
    bool operator!=(const NTPTIME& b) const { return !(*this == b); }

    // Read as a difference: the value in units of 2^-32 s, signed.
    long long Units() const { return static_cast<long long>(static_cast<uint64_t>(Seconds) << 32 | Fraction); }
    // Milliseconds in those units, rounded as the millisecond table rounds.
    static long long UnitsOfMs(long long ms) { return (ms * 4294967296LL + (ms < 0 ? -500 : 500)) / 1000; }
    // Read as a difference: whether the value is below zero.
    bool IsNegative() const { return (Seconds & 0x80000000u) != 0; }
    bool IsZero() const { return Seconds == 0 && Fraction == 0; }

    // Clock offset theta and round-trip delay delta of one exchange: t1 request sent,
    // t2 request received by the server, t3 reply sent, t4 reply received. Theta is right
    // for any offset within ±68 years (2^31 s); a delta beyond that range comes out as
    // the largest value of its sign.
    static NTPTIME ClockOffset(const NTPTIME& t1, const NTPTIME& t2, const NTPTIME& t3,
                               const NTPTIME& t4);
    static NTPTIME RoundTripDelay(const NTPTIME& t1, const NTPTIME& t2, const NTPTIME& t3,
                                  const NTPTIME& t4);

    // A UTC calendar time (milliseconds 0..999) as a point in time, modulo 2^32 s.
    static NTPTIME FromSystemTime(const SYSTEMTIME& time);
    // A UTC platform time (100-ns units since 1601) as a point in time, modulo 2^32 s,
    // to the nearest unit of 2^-32 s.
    static NTPTIME FromFileTime(const FILETIME& time);
    // An interval of count counts of a counter running at frequency counts per second
    // (count 0 or more, frequency above 0).
    static NTPTIME FromCount(unsigned long long count, unsigned long long frequency);
    // The UTC calendar time of this point in the given era (era 0 runs from 1900-01-01
    // to 2036-02-07, era 1 from there on). A millisecond that rounds to 1000 is carried
    // into the next second, so the result is always a valid platform time.
    SYSTEMTIME ToSystemTime(int era = 0) const;
    // As ToSystemTime, in the era that puts the result within 2^31 s of reference
    // (for "now + offset", which must not fall back into 1900 after 2036).
    SYSTEMTIME ToSystemTimeNear(const SYSTEMTIME& reference) const;
    // The era a UTC calendar time falls into (negative before 1900).
    static int EraOf(const SYSTEMTIME& time);
    // The millisecond of a fraction: its value × 1000 / 2^32, rounded (0..1000).
    static unsigned FractionToMs(uint32_t fraction);
    // The fraction of a millisecond 0..999: round(ms × 2^32 / 1000), by table.
    static uint32_t MsToFraction(unsigned ms);

    // seconds × 1000 + millisecond of the absolute value, with the value's sign unless
    // absolute is set; exact for every difference (not wrapped at 2^32 ms, about 49.7
    // days, which would make a clock months off look right).
    long long ToMilliseconds(bool absolute) const;

    // "%08x.%08x", lower-case.
    STRING Text() const;
    // Reads "%x.%x" (up to 8 hex digits each); on anything else ok is false and the
    // value is zero.
    static NTPTIME FromText(const char* text, bool* ok = nullptr);

    // Big-endian, seconds first: the NTP timestamp format.
    void ToWire(unsigned char* bytes) const;
    static NTPTIME FromWire(const unsigned char* bytes);

    uint32_t Seconds;
    uint32_t Fraction;
};
