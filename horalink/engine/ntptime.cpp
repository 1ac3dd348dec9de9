// NTPTIME arithmetic on the two 32-bit words, conversion from and to the
// platform's UTC calendar record, and the text and wire forms.
#include "ntptime.h"

#include "kelvo.h"

#include <array>
#include <cstdint>

const long long SECONDS_PER_DAY = 86400;
const long long JULIAN_DAY_1900 = 2415021;  // 1900-01-01
const long long ERA_SECONDS = 0x100000000LL;

// Entry i is round(i × 2^32 / 1000), so a millisecond becomes a fraction by look-up.
static constexpr std::array<uint32_t, 1000> make_ms_table()
{
    std::array<uint32_t, 1000> table{};
    for (unsigned i = 0; i < 1000; i++)
        table[i] = static_cast<uint32_t>(((static_cast<uint64_t>(i) << 32) + 500) / 1000);
    return table;
}
static constexpr std::array<uint32_t, 1000> ms_table = make_ms_table();

static uint64_t to_u64(const NTPTIME& t) { return (static_cast<uint64_t>(t.Seconds) << 32) | t.Fraction; }

static NTPTIME from_u64(uint64_t v)
{
    return NTPTIME(static_cast<uint32_t>(v >> 32), static_cast<uint32_t>(v));
}

static long long floor_div(long long a, long long b)
{
    long long q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Julian Day Number of a Gregorian date (Fliegel and Van Flandern).
static long long julian_day(int year, int month, int day)
{
    long long a = (14 - month) / 12;
    long long y = year + 4800 - a;
    long long m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

static bool calendar_valid(const SYSTEMTIME& t)
{
    return t.wYear >= 1601 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 && t.wDay <= 31 &&
           t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60;
}

// Seconds since 1900-01-01 of a calendar time, not reduced to 32 bits.
static long long seconds_since_1900(const SYSTEMTIME& t)
{
    long long j = julian_day(t.wYear, t.wMonth, t.wDay);
    return ((j * 24 + t.wHour) * 60 + t.wMinute) * 60 + t.wSecond - JULIAN_DAY_1900 * SECONDS_PER_DAY;
}

NTPTIME NTPTIME::Add(const NTPTIME& b) const { return from_u64(to_u64(*this) + to_u64(b)); }

NTPTIME NTPTIME::Negate() const { return from_u64(~to_u64(*this) + 1); }

NTPTIME NTPTIME::Subtract(const NTPTIME& b) const { return Add(b.Negate()); }

NTPTIME NTPTIME::Halve() const
{
    if (IsNegative()) return from_u64(to_u64(Negate()) >> 1).Negate();
    return from_u64(to_u64(*this) >> 1);
}

// A difference read as the signed 64-bit number it stands for (±2^31 s).
static int64_t signed_of(const NTPTIME& t) { return static_cast<int64_t>(to_u64(t)); }

NTPTIME NTPTIME::ClockOffset(const NTPTIME& t1, const NTPTIME& t2, const NTPTIME& t3,
                             const NTPTIME& t4)
{
    // Each difference may be close to ±68 years, so their sum must never be formed:
    // it would wrap for a clock more than 34 years off (1980 "corrected" to 1957).
    // Halve each (rounding down), add back the carry of the two low bits, and round
    // the negative odd sums toward zero as Halve does.
    int64_t a = signed_of(t2 - t1), b = signed_of(t3 - t4);
    int64_t half = (a >> 1) + (b >> 1) + (a & b & 1);
    if (half < 0 && ((a ^ b) & 1)) half++;
    return from_u64(static_cast<uint64_t>(half));
}

NTPTIME NTPTIME::RoundTripDelay(const NTPTIME& t1, const NTPTIME& t2, const NTPTIME& t3,
                                const NTPTIME& t4)
{
    // t3 - t2 comes from the server and may be anything; a difference that wraps could
    // pass for a small delay, so an overflow gives the largest delay of its sign.
    int64_t delay;
    if (__builtin_sub_overflow(signed_of(t4 - t1), signed_of(t3 - t2), &delay))
        delay = signed_of(t4 - t1) < 0 ? INT64_MIN : INT64_MAX;
    return from_u64(static_cast<uint64_t>(delay));
}

unsigned NTPTIME::FractionToMs(uint32_t fraction)
{
    return static_cast<unsigned>((static_cast<uint64_t>(fraction) * 1000 + 0x80000000u) >> 32);
}

uint32_t NTPTIME::MsToFraction(unsigned ms)
{
    if (!ASSERTINFO(ms < 1000, "NTPTIME::MsToFraction")) ms = 999;
    return ms_table[ms];
}

NTPTIME NTPTIME::FromSystemTime(const SYSTEMTIME& time)
{
    if (!ASSERTINFO(calendar_valid(time), "NTPTIME::FromSystemTime")) return NTPTIME();
    // Conversion to unsigned 32 bits is the reduction modulo 2^32.
    return NTPTIME(static_cast<uint32_t>(seconds_since_1900(time)), MsToFraction(time.wMilliseconds));
}

NTPTIME NTPTIME::FromFileTime(const FILETIME& time)
{
    const unsigned long long units = 10000000;          // 100-ns units per second
    const unsigned long long from1601 = 9435484800ull;  // seconds from 1601 to 1900
    unsigned long long value = static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
    // Wrapping below 1900 is the reduction modulo 2^32 s.
    uint32_t seconds = static_cast<uint32_t>(value / units - from1601);
    return NTPTIME(seconds, static_cast<uint32_t>((((value % units) << 32) + units / 2) / units));
}

NTPTIME NTPTIME::FromCount(unsigned long long count, unsigned long long frequency)
{
    if (!ASSERTINFO(frequency > 0, "NTPTIME::FromCount")) return NTPTIME();
    // round(rest × 2^32 / frequency) in two 16-bit steps, as rest << 32 would overflow
    // for counters faster than 4.29 GHz; rounding may carry into the seconds.
    unsigned long long rest = count % frequency;
    unsigned long long high = (rest << 16) / frequency;
    unsigned long long low = ((((rest << 16) % frequency) << 16) + frequency / 2) / frequency;
    unsigned long long fraction = (high << 16) + low;
    return NTPTIME(static_cast<uint32_t>(count / frequency), 0) +
           NTPTIME(static_cast<uint32_t>(fraction >> 32), static_cast<uint32_t>(fraction));
}

int NTPTIME::EraOf(const SYSTEMTIME& time)
{
    if (!ASSERTINFO(calendar_valid(time), "NTPTIME::EraOf")) return 0;
    return static_cast<int>(floor_div(seconds_since_1900(time), ERA_SECONDS));
}

SYSTEMTIME NTPTIME::ToSystemTime(int era) const
{
    long long total = era * ERA_SECONDS + Seconds;
    unsigned ms = FractionToMs(Fraction);
    if (ms == 1000) {
        // The last half millisecond rounds up to the next second, not to millisecond 1000.
        ms = 0;
        total++;
    }
    long long d = floor_div(total, SECONDS_PER_DAY);
    long long rest = total - d * SECONDS_PER_DAY;

    // Gregorian date of a Julian Day Number (Fliegel and Van Flandern).
    long long l = d + JULIAN_DAY_1900 + 68569;
    long long n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    long long i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    long long j = 80 * l / 2447;
    long long day = l - 2447 * j / 80;
    l = j / 11;
    long long month = j + 2 - 12 * l;
    long long year = 100 * (n - 49) + i + l;

    SYSTEMTIME t = {};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wDayOfWeek = static_cast<WORD>((d + JULIAN_DAY_1900 + 1) % 7);
    t.wHour = static_cast<WORD>(rest / 3600);
    t.wMinute = static_cast<WORD>(rest / 60 % 60);
    t.wSecond = static_cast<WORD>(rest % 60);
    t.wMilliseconds = static_cast<WORD>(ms);
    return t;
}

SYSTEMTIME NTPTIME::ToSystemTimeNear(const SYSTEMTIME& reference) const
{
    NTPTIME ref = FromSystemTime(reference);
    long long refsec = EraOf(reference) * ERA_SECONDS + ref.Seconds;
    long long total = refsec + static_cast<int32_t>(Seconds - ref.Seconds);
    return ToSystemTime(static_cast<int>(floor_div(total, ERA_SECONDS)));
}

long long NTPTIME::ToMilliseconds(bool absolute) const
{
    NTPTIME a = IsNegative() ? Negate() : *this;
    long long ms = a.Seconds * 1000LL + FractionToMs(a.Fraction);
    return (IsNegative() && !absolute) ? -ms : ms;
}

STRING NTPTIME::Text() const
{
    STRING s;
    s.Format("%08x.%08x", static_cast<unsigned>(Seconds), static_cast<unsigned>(Fraction));
    return s;
}

static int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One hexadecimal word of 1 to 8 digits; advances p behind it.
static bool read_hex_word(const char*& p, uint32_t& value)
{
    value = 0;
    int digits = 0;
    for (int d; (d = hex_digit(*p)) >= 0; p++) {
        if (++digits > 8) return false;
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return digits > 0;
}

NTPTIME NTPTIME::FromText(const char* text, bool* ok)
{
    NTPTIME t;
    const char* p = text ? text : "";
    while (*p == ' ' || *p == '\t') p++;
    bool good = read_hex_word(p, t.Seconds) && *p++ == '.' && read_hex_word(p, t.Fraction);
    if (!good) t = NTPTIME();
    if (ok) *ok = good;
    return t;
}

static void put_be32(unsigned char* b, uint32_t v)
{
    b[0] = static_cast<unsigned char>(v >> 24);
    b[1] = static_cast<unsigned char>(v >> 16);
    b[2] = static_cast<unsigned char>(v >> 8);
    b[3] = static_cast<unsigned char>(v);
}

static uint32_t get_be32(const unsigned char* b)
{
    return (static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
           (static_cast<uint32_t>(b[2]) << 8) | b[3];
}

void NTPTIME::ToWire(unsigned char* bytes) const
{
    put_be32(bytes, Seconds);
    put_be32(bytes + 4, Fraction);
}

NTPTIME NTPTIME::FromWire(const unsigned char* bytes)
{
    return NTPTIME(get_be32(bytes), get_be32(bytes + 4));
}
