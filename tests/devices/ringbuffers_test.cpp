// The ring buffer: order kept across the end of the storage lap after lap, a full buffer that
// holds its writer until a read, stop bytes, and reads that wait or do not.
#include "ringbuffers.h"

#include "reports.h"
#include "testthread.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string read_all(RINGBUFFER& ring, int room, const char* stopset = nullptr)
{
    std::string out(room, '\0');
    int length = room;
    ring.Read(&out[0], length, 0, stopset);
    out.resize(length);
    return out;
}

struct LAPS {
    int size, writechunk, readchunk, kept;
};

}  // namespace

TEST(RingBuffer, WrapsAroundTheEndOfTheStorageInOrder)
{
    const LAPS cases[] = {{7, 5, 5, 1}, {8, 3, 2, 0}, {5, 4, 3, 0}, {16, 9, 11, 4}};
    for (const LAPS& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << ", chunks " << c.writechunk
                                        << "/" << c.readchunk << ", kept " << c.kept);
        RINGBUFFER ring(c.size);
        std::string in, out;
        unsigned char next = 0;
        for (int pass = 0; pass < 500; pass++) {
            std::string chunk;
            for (int i = 0; i < c.writechunk && ring.Available() + (int)chunk.size() < c.size; i++)
                chunk += static_cast<char>(next++);
            ASSERT_TRUE(ring.Write(chunk.data(), static_cast<int>(chunk.size())));
            in += chunk;
            int room = ring.Available() - c.kept;
            if (room > c.readchunk) room = c.readchunk;
            if (room > 0) out += read_all(ring, room);
        }
        out += read_all(ring, c.size);
        EXPECT_EQ(out.size(), in.size());
        EXPECT_TRUE(out == in);
    }
}

TEST(RingBuffer, FullBufferHoldsTheWriterUntilARead)
{
    RINGBUFFER ring(4);
    ASSERT_TRUE(ring.Write("abcd", 4));
    bool stored = false;
    TESTTHREAD writer([&] { stored = ring.Write("e", 1); });
    EXPECT_FALSE(writer.Ended(300));  // no room yet
    EXPECT_EQ(read_all(ring, 1), "a");
    EXPECT_TRUE(writer.Ended(5000));
    EXPECT_TRUE(stored);
    EXPECT_EQ(read_all(ring, 10), "bcde");
}

TEST(RingBuffer, AbortEventEndsTheWaitForRoom)
{
    RINGBUFFER ring(4);
    ASSERT_TRUE(ring.Write("abcd", 4));
    HANDLE abort = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool stored = true;
    {
        TESTTHREAD writer([&] { stored = ring.Write("e", 1, abort); });
        SetEvent(abort);
        EXPECT_TRUE(writer.Ended(5000));
    }
    CloseHandle(abort);
    EXPECT_FALSE(stored);
    EXPECT_EQ(read_all(ring, 10), "abcd");
}

TEST(RingBuffer, MoreThanTheCapacityIsRefused)
{
    RINGBUFFER ring(4);
    REPORTS reports;
    EXPECT_FALSE(ring.Write("abcde", 5));
    EXPECT_TRUE(reports.Were(1, "n <= size"));
    EXPECT_EQ(ring.Available(), 0);
    EXPECT_TRUE(ring.Write("abcd", 4));  // exactly the capacity fits
}

TEST(RingBuffer, ReadStopsAfterTheFirstStopByte)
{
    struct CASE {
        std::string data;
        const char* stopset;
        std::string first, rest;
    };
    const CASE cases[] = {
        {"ab\ncd\n", "\n", "ab\n", "cd\n"},
        {"abcd", "\n", "abcd", ""},
        {"abcd", nullptr, "abcd", ""},
        {"x;y,z", ",;", "x;", "y,z"},
        {std::string("a\0b", 3), "\n", std::string("a\0", 2), "b"},  // a zero byte stops too
        {"\nab", "\n", "\n", "ab"},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(testing::Message() << "data \"" << c.data << "\"");
        RINGBUFFER ring(8);
        ASSERT_TRUE(ring.Write(c.data.data(), static_cast<int>(c.data.size())));
        EXPECT_EQ(read_all(ring, 16, c.stopset), c.first);
        EXPECT_EQ(read_all(ring, 16), c.rest);
    }
}

TEST(RingBuffer, EmptyReadReturnsAtOnceOrAfterItsWait)
{
    RINGBUFFER ring(8);
    char byte = 0;
    int length = 1;
    DWORD t0 = GetTickCount();
    EXPECT_FALSE(ring.Read(&byte, length, 0, nullptr));
    EXPECT_EQ(length, 0);
    EXPECT_LT(GetTickCount() - t0, 100u);

    // A read that empties the buffer leaves nothing to wake the next reader.
    ASSERT_TRUE(ring.Write("a", 1));
    EXPECT_EQ(read_all(ring, 4), "a");
    length = 1;
    t0 = GetTickCount();
    EXPECT_FALSE(ring.Read(&byte, length, 200, nullptr));
    EXPECT_GE(GetTickCount() - t0, 180u);
    EXPECT_EQ(length, 0);
}

