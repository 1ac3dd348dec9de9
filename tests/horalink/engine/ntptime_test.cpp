// NTPTIME: arithmetic on the two words, the offset formula, calendar conversion
// against the platform's own calendar, milliseconds, text and wire forms.
#include "ntptime.h"

#include "kelvo.h"

#include <gtest/gtest.h>

static SYSTEMTIME calendar(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0,
                           WORD second = 0, WORD ms = 0)
{
    return {year, month, 0, day, hour, minute, second, ms};
}

static std::string text_of(const SYSTEMTIME& t)
{
    char buf[64];
    snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u dow %u", t.wYear, t.wMonth,
             t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return buf;
}

TEST(NtpTime, NegateAddSubtractAndHalveTheWholeValue)
{
    NTPTIME quarter(0, 0x40000000u);
    EXPECT_STREQ(quarter.Negate().Text().Text(), "ffffffff.c0000000");  // -0.25 s
    EXPECT_TRUE(quarter.Negate().IsNegative());
    EXPECT_EQ(quarter.Negate().Negate(), quarter);
    EXPECT_EQ(NTPTIME().Negate(), NTPTIME());
    EXPECT_EQ(NTPTIME(0, 0xFFFFFFFFu) + NTPTIME(0, 1), NTPTIME(1, 0));
    EXPECT_EQ(NTPTIME(0xFFFFFFFFu, 0xFFFFFFFFu) + NTPTIME(0, 1), NTPTIME(0, 0));  // carry dropped
    EXPECT_EQ(NTPTIME(5, 0) - NTPTIME(7, 0x80000000u), NTPTIME(0xFFFFFFFDu, 0x80000000u));
    // Halving rounds toward zero.
    EXPECT_EQ(NTPTIME(3, 0).Halve(), NTPTIME(1, 0x80000000u));  // low seconds bit into the fraction
    EXPECT_EQ(NTPTIME(0, 3).Halve(), NTPTIME(0, 1));
    // Negative odd values: -1 unit halves to 0, -3 units to -1 unit (not -2).
    EXPECT_EQ(NTPTIME(0xFFFFFFFFu, 0xFFFFFFFFu).Halve(), NTPTIME(0, 0));
    EXPECT_EQ(NTPTIME(0xFFFFFFFFu, 0xFFFFFFFDu).Halve(), NTPTIME(0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_EQ(NTPTIME(0xFFFFFFFDu, 0).Halve(), NTPTIME(0xFFFFFFFEu, 0x80000000u));  // -3 s -> -1.5 s
    EXPECT_EQ(NTPTIME(0x80000000u, 0).Halve(), NTPTIME(0xC0000000u, 0));
}

TEST(NtpTime, OffsetAndDelayOfAnExchange)
{
    // A server 1.5 s ahead, no network delay.
    NTPTIME t1(0xE9000000u, 0x12345678u);
    NTPTIME t2 = t1 + NTPTIME(1, 0x80000000u);
    EXPECT_STREQ(NTPTIME::ClockOffset(t1, t2, t2, t1).Text().Text(), "00000001.80000000");
    EXPECT_TRUE(NTPTIME::RoundTripDelay(t1, t2, t2, t1).IsZero());
    // 100 ms each way and 5 ms in the server: the offset stays, the delay is 200 ms.
    NTPTIME tenth(0, NTPTIME::MsToFraction(100)), five(0, NTPTIME::MsToFraction(5));
    NTPTIME t4 = t1 + tenth + tenth + five;
    EXPECT_EQ(NTPTIME::ClockOffset(t1, t2 + tenth, t2 + tenth + five, t4), NTPTIME(1, 0x80000000u));
    EXPECT_EQ(NTPTIME::RoundTripDelay(t1, t2 + tenth, t2 + tenth + five, t4).ToMilliseconds(false), 200);
    // A server a quarter second behind.
    NTPTIME behind = t1 - NTPTIME(0, 0x40000000u);
    EXPECT_STREQ(NTPTIME::ClockOffset(t1, behind, behind, t1).Text().Text(), "ffffffff.c0000000");
}

// Offsets of decades: a PC fallen back to 1980 against a server in 2025 and the other
// way round, and 68 years less a second, with 100 ms each way and 5 ms in the server.
// Each difference alone fits, their sum does not. Then the roundings of odd sums and
// delays whose difference leaves the signed 64-bit range.
TEST(NtpTime, OffsetsOfDecadesRoundingAndDelaysBeyondRange)
{
    NTPTIME pc1980 = NTPTIME::FromSystemTime(calendar(1980, 1, 1));
    NTPTIME in2025 = NTPTIME::FromSystemTime(calendar(2025, 1, 1));
    NTPTIME tenth(0, NTPTIME::MsToFraction(100)), five(0, NTPTIME::MsToFraction(5));
    struct {
        NTPTIME pc, server;
        const char* theta;
    } decades[] = {{pc1980, in2025, "54a5df80.00000000"},  // +1420156800 s
                   {in2025, pc1980, "ab5a2080.00000000"},  // -1420156800 s
                   {NTPTIME(0, 0), NTPTIME(0x7FFFFFFFu, 0), "7fffffff.00000000"},
                   {NTPTIME(0x7FFFFFFFu, 0), NTPTIME(0, 0), "80000001.00000000"}};
    for (const auto& c : decades) {
        NTPTIME t2 = c.server + tenth, t3 = t2 + five, t4 = c.pc + tenth + tenth + five;
        EXPECT_STREQ(NTPTIME::ClockOffset(c.pc, t2, t3, t4).Text().Text(), c.theta);
        EXPECT_EQ(NTPTIME::RoundTripDelay(c.pc, t2, t3, t4).ToMilliseconds(false), 200) << c.theta;
    }

    // theta from (t2 - t1) and (t3 - t4), each given as t2 and t3 with t1 = t4 = 0.
    const NTPTIME zero, most(0x7FFFFFFFu, 0xFFFFFFFFu), least(0x80000000u, 0);
    struct {
        NTPTIME a, b;
        const char* theta;
    } halves[] = {{NTPTIME(0, 3), zero, "00000000.00000001"},
                  {NTPTIME(0, 3).Negate(), zero, "ffffffff.ffffffff"},  // toward zero
                  {NTPTIME(0, 1), NTPTIME(0, 1), "00000000.00000001"},  // the two low bits carry
                  {NTPTIME(0, 1).Negate(), zero, "00000000.00000000"},
                  {NTPTIME(0, 1).Negate(), NTPTIME(0, 1).Negate(), "ffffffff.ffffffff"},
                  {most, most, "7fffffff.ffffffff"},
                  {least, least, "80000000.00000000"},
                  {most, least, "00000000.00000000"}};
    for (const auto& c : halves)
        EXPECT_STREQ(NTPTIME::ClockOffset(zero, c.a, c.b, zero).Text().Text(), c.theta)
            << c.a.Text().Text() << " " << c.b.Text().Text();

    // A server's t3 - t2 of -68 years against a long local wait must not wrap into a tiny
    // negative delay (which would look plausible), nor the opposite into a tiny positive one.
    EXPECT_STREQ(NTPTIME::RoundTripDelay(zero, zero, least, most).Text().Text(), "7fffffff.ffffffff");
    EXPECT_STREQ(NTPTIME::RoundTripDelay(zero, zero, NTPTIME(0, 1), least).Text().Text(),
                 "80000000.00000000");
}

TEST(NtpTime, DifferencesAcrossTheEraChange)
{
    NTPTIME before = NTPTIME::FromSystemTime(calendar(2036, 2, 7, 6, 28, 14, 500));
    NTPTIME after = NTPTIME::FromSystemTime(calendar(2036, 2, 7, 6, 28, 16, 250));
    EXPECT_EQ(before.Seconds, 0xFFFFFFFEu);
    EXPECT_EQ(after.Seconds, 0u);
    EXPECT_EQ((after - before).ToMilliseconds(false), 1750);
    EXPECT_EQ((before - after).ToMilliseconds(false), -1750);
    EXPECT_EQ(NTPTIME::ClockOffset(before, after, after, before).ToMilliseconds(false), 1750);
    EXPECT_EQ(NTPTIME::EraOf(calendar(2036, 2, 7, 6, 28, 15)), 0);
    EXPECT_EQ(NTPTIME::EraOf(calendar(2036, 2, 7, 6, 28, 16)), 1);
    EXPECT_EQ(NTPTIME::EraOf(calendar(1899, 12, 31, 23, 59, 59)), -1);
    // A wrapped time is placed in the era nearest the reference.
    SYSTEMTIME reference = calendar(2036, 1, 20);
    NTPTIME later = NTPTIME::FromSystemTime(reference) + NTPTIME(40 * 86400, 0);
    EXPECT_LT(later.Seconds, 0x10000000u);  // wrapped
    EXPECT_EQ(text_of(later.ToSystemTimeNear(reference)), "2036-02-29 00:00:00.000 dow 5");
    NTPTIME earlier = NTPTIME::FromSystemTime(calendar(2036, 1, 1));
    EXPECT_EQ(text_of(earlier.ToSystemTimeNear(calendar(2036, 3, 1))), "2036-01-01 00:00:00.000 dow 2");
    EXPECT_EQ(text_of(earlier.ToSystemTimeNear(calendar(2024, 6, 1))), "2036-01-01 00:00:00.000 dow 2");
}

// Every day of 1900..2106, at a changing time of day, against the platform's calendar.
TEST(NtpTime, CalendarRoundTripAgainstPlatform1900To2106)
{
    const unsigned long long filetime_1900 = 94354848000000000ULL;  // 1601..1900 in 100 ns
    int failures = 0;
    bool leapday2000 = false, march2100 = false;
    for (long long n = 0; failures < 5; n++) {
        ULARGE_INTEGER v;
        v.QuadPart = filetime_1900 + static_cast<unsigned long long>(n) * 864000000000ULL +
                     static_cast<unsigned long long>((n * 7919) % 86400000) * 10000ULL;
        FILETIME f = {v.LowPart, v.HighPart};
        SYSTEMTIME t;
        ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
        if (t.wYear > 2106) break;
        leapday2000 |= t.wYear == 2000 && t.wMonth == 2 && t.wDay == 29;
        march2100 |= t.wYear == 2100 && t.wMonth == 3 && t.wDay == 1;

        long long seconds = static_cast<long long>((v.QuadPart - filetime_1900) / 10000000ULL);
        NTPTIME ntp = NTPTIME::FromSystemTime(t);
        int era = NTPTIME::EraOf(t);
        if (ntp.Seconds != static_cast<uint32_t>(seconds) || era != seconds / 0x100000000LL ||
            ntp.Fraction != NTPTIME::MsToFraction(t.wMilliseconds) ||
            text_of(ntp.ToSystemTime(era)) != text_of(t)) {
            ADD_FAILURE() << text_of(t) << " came back as " << text_of(ntp.ToSystemTime(era));
            failures++;
        }
    }
    EXPECT_TRUE(leapday2000);
    EXPECT_TRUE(march2100);
}

TEST(NtpTime, MillisecondTableAndTheCarry)
{
    EXPECT_EQ(NTPTIME::MsToFraction(0), 0u);
    EXPECT_EQ(NTPTIME::MsToFraction(1), 4294967u);
    EXPECT_EQ(NTPTIME::MsToFraction(500), 0x80000000u);
    EXPECT_EQ(NTPTIME::MsToFraction(999), 4290672329u);
    for (unsigned i = 0; i < 1000; i++) ASSERT_EQ(NTPTIME::FractionToMs(NTPTIME::MsToFraction(i)), i);
    // The last half millisecond carries into the next second.
    const uint32_t first_of_1000 = 4292819813u;  // smallest fraction that rounds to 1000 ms
    EXPECT_EQ(NTPTIME::FractionToMs(first_of_1000 - 1), 999u);
    EXPECT_EQ(NTPTIME::FractionToMs(first_of_1000), 1000u);
    NTPTIME late = NTPTIME::FromSystemTime(calendar(1999, 12, 31, 23, 59, 59));
    late.Fraction = first_of_1000;
    EXPECT_EQ(text_of(late.ToSystemTime()), "2000-01-01 00:00:00.000 dow 6");
    late.Fraction = first_of_1000 - 1;
    EXPECT_EQ(text_of(late.ToSystemTime()), "1999-12-31 23:59:59.999 dow 5");
    // At the very end of era 0 the carry moves into era 1: a time the platform accepts.
    SYSTEMTIME t = NTPTIME(0xFFFFFFFFu, 0xFFFFFFFFu).ToSystemTime();
    EXPECT_EQ(text_of(t), "2036-02-07 06:28:16.000 dow 4");
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&t, &ft));
}

// Platform times to 100 ns and counter intervals, to the nearest unit of 2^-32 s; an
// interval's fraction may round up into the next second.
TEST(NtpTime, PlatformTimesAndCounterIntervals)
{
    struct {
        SYSTEMTIME time;
        unsigned long long units;  // 100-ns units added
        const char* text;
    } times[] = {{calendar(2024, 5, 1, 12), 1234567, "e9dcad40.1f9adbb9"},
                 {calendar(2024, 5, 1, 12), 9999999, "e9dcad40.fffffe53"},
                 {calendar(1900, 1, 1), 0, "00000000.00000000"},
                 {calendar(1899, 12, 31, 23, 59, 59), 5000000, "ffffffff.80000000"},
                 {calendar(2036, 2, 7, 6, 28, 16), 0, "00000000.00000000"}};
    for (const auto& c : times) {
        FILETIME ft;
        ASSERT_TRUE(SystemTimeToFileTime(&c.time, &ft));
        ULARGE_INTEGER value = {{ft.dwLowDateTime, ft.dwHighDateTime}};
        value.QuadPart += c.units;
        FILETIME moved = {value.LowPart, value.HighPart};
        EXPECT_EQ(std::string(NTPTIME::FromFileTime(moved).Text().Text()), c.text) << text_of(c.time);
    }
    struct {
        unsigned long long count, frequency;
        const char* text;
    } intervals[] = {{0, 10000000, "00000000.00000000"},
                     {15000000, 10000000, "00000001.80000000"},
                     {3579545ull * 2 + 1, 3579545, "00000002.000004b0"},
                     {4999999999ull, 5000000000ull, "00000000.ffffffff"},
                     {(1ull << 40) - 1, 1ull << 40, "00000001.00000000"}};
    for (const auto& c : intervals)
        EXPECT_EQ(std::string(NTPTIME::FromCount(c.count, c.frequency).Text().Text()), c.text) << c.count;
}

TEST(NtpTime, ToMillisecondsEdges)
{
    NTPTIME quarter = NTPTIME(0, 0x40000000u).Negate();
    EXPECT_EQ(quarter.ToMilliseconds(false), -250);
    EXPECT_EQ(quarter.ToMilliseconds(true), 250);
    EXPECT_EQ(NTPTIME(1, 0x80000000u).ToMilliseconds(false), 1500);
    EXPECT_EQ(NTPTIME(0, 0xFFFFFFFFu).ToMilliseconds(false), 1000);
    EXPECT_EQ(NTPTIME(0, 1).Negate().ToMilliseconds(false), 0);
    // Past 2^32 ms (49.7 days) nothing wraps: a clock months off must not look right.
    EXPECT_EQ(NTPTIME(4294968u, 0).ToMilliseconds(false), 4294968000LL);
    EXPECT_EQ(NTPTIME(4294968u, 0).Negate().ToMilliseconds(false), -4294968000LL);
    EXPECT_EQ(NTPTIME(0x7FFFFFFFu, 0).ToMilliseconds(true), 2147483647000LL);
}

TEST(NtpTime, TextWireFormsAndBadInput)
{
    EXPECT_STREQ(NTPTIME().Text().Text(), "00000000.00000000");
    bool ok = false;
    EXPECT_EQ(NTPTIME::FromText("ffffffff.c0000000", &ok), NTPTIME(0xFFFFFFFFu, 0xC0000000u));
    EXPECT_TRUE(ok);
    EXPECT_EQ(NTPTIME::FromText("1.8", &ok), NTPTIME(1, 8));
    EXPECT_EQ(NTPTIME::FromText("00000E10.E6666666 trailing", &ok), NTPTIME(3600, 0xE6666666u));
    EXPECT_TRUE(ok);
    for (const char* bad : {"", "xyz", "1", "1.", ".1", "123456789.0", "0.123456789", "-1.0",
                            "1,5", "00000000 00000000"}) {
        EXPECT_EQ(NTPTIME::FromText(bad, &ok), NTPTIME()) << bad;
        EXPECT_FALSE(ok) << bad;
    }
    EXPECT_EQ(NTPTIME::FromText(nullptr), NTPTIME());
    // An impossible calendar time and millisecond are reported and give zero.
    int before = AssertCount();
    EXPECT_EQ(NTPTIME::FromSystemTime(calendar(2024, 13, 1)), NTPTIME());
    EXPECT_EQ(NTPTIME::MsToFraction(1000), NTPTIME::MsToFraction(999));
    EXPECT_EQ(AssertCount(), before + 2);

    unsigned char bytes[NTPTIME_WIRE_SIZE];
    NTPTIME(0x01020304u, 0xA0B0C0D0u).ToWire(bytes);
    const unsigned char expected[] = {0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0xD0};
    EXPECT_EQ(memcmp(bytes, expected, sizeof expected), 0);
    EXPECT_EQ(NTPTIME::FromWire(expected), NTPTIME(0x01020304u, 0xA0B0C0D0u));
}
