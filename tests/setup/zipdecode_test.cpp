// The legacy decoders (shrunk, reduced, imploded) on entries made by the old PKZIP,
// on hand-made streams for the corner cases, and on damaged data.
#include "testfiles.h"
#include "zipdecode.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct MEMINPUT : ZIPINPUT {
    std::string data;
    size_t pos = 0;
    size_t Read(unsigned char* buffer, size_t size) override
    {
        size = data.copy(reinterpret_cast<char*>(buffer), size, pos);
        pos += size;
        return size;
    }
};
struct MEMOUTPUT : ZIPOUTPUT {
    std::string bytes;
    int calls = 0, failing = -1;  // the call that fails
    bool Write(const unsigned char* data, size_t size) override
    {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return calls++ != failing;
    }
};

// A stream of method 1 (shrunk), 2-5 (reduced) or 6 (imploded, flags as in the archive).
struct STREAM {
    std::string name, data, expected;  // expected: empty when only the CRC is known
    unsigned method, flags, size, crc;
};

bool Decode(const STREAM& s, std::string data, uint32_t size, MEMOUTPUT& out)
{
    MEMINPUT in;
    in.data = std::move(data);
    if (s.method == 1) return Unshrink(in, out, size);
    if (s.method == 6) return Explode(in, out, size, s.flags & 2, s.flags & 4);
    return Unreduce(in, out, size, static_cast<int>(s.method) - 1);
}

unsigned Crc(const std::string& b)
{
    return crc32(0, reinterpret_cast<const Bytef*>(b.data()), static_cast<uInt>(b.size()));
}
std::string Shared(const std::string& name) { return ReadFileBytes(SharedTestData("zip/" + name)); }

const char* const ARCHIVES[] = {"acc_SHRUNK.ZIP", "acc_imploding-4Kdict-2trees.zip", "acc_imploding-8Kdict-3trees.zip",
                                "zip2_shrink.zip", "zip2_reduce.zip", "zip2_implode.zip", "sharpcompress_Zip.shrink.zip",
                                "sharpcompress_Zip.reduce1.zip", "sharpcompress_Zip.reduce2.zip",
                                "sharpcompress_Zip.reduce3.zip", "sharpcompress_Zip.reduce4.zip",
                                "sharpcompress_Zip.implode.zip"};

// The raw streams, then the archives' entries of methods 1-6 (from their local
// headers) with the originals in expected/, found by their CRC.
std::vector<STREAM> Fixtures()
{
    std::string hamlet = Shared("raw/zip2_implode_hamlet_2048.out"), h256 = Shared("raw/zip2_implode_hamlet_256.out");
    std::vector<STREAM> all = {
        {"hamlet 256", Shared("raw/zip2_implode_hamlet_256.bin"), h256, 6, 0, 256, 0x6ec1815f},
        {"hamlet 2048", Shared("raw/zip2_reduce_hamlet_2048.bin"), hamlet, 5, 0, 2048, 0xaaa1c008},
        {"zeros", Shared("raw/zip2_reduce_zero_reduced.bin"), hamlet + std::string(1024, '\0'), 5, 0, 3072, 0}};
    all.back().crc = Crc(all.back().expected);
    const struct { unsigned Crc; const char* File; } originals[] = {
        {0x22957a6e, "zip2_first.txt"}, {0x9bd160fa, "sharpcompress_TECT.TXT"},
        {0xcfb109c8, "sharpcompress_TEST.EXE"}, {0x088814e3, "sharpcompress_TEST.JPG"}};
    for (const char* file : ARCHIVES) {
        std::string zip = Shared(file);
        auto le = [&](size_t at, int bytes) {
            unsigned value = 0;
            while (bytes-- > 0) value = value << 8 | static_cast<unsigned char>(zip[at + bytes]);
            return value;
        };
        for (size_t at = 0; at + 30 <= zip.size() && zip.compare(at, 4, "PK\3\4") == 0;) {
            size_t data = at + 30 + le(at + 26, 2) + le(at + 28, 2);
            STREAM s{file + std::string(":") + zip.substr(at + 30, le(at + 26, 2)), zip.substr(data, le(at + 18, 4)),
                     "", le(at + 8, 2), le(at + 6, 2), le(at + 22, 4), le(at + 14, 4)};
            for (const auto& o : originals)
                if (o.Crc == s.crc) s.expected = Shared(std::string("expected/") + o.File);
            if (s.method >= 1 && s.method <= 6) all.push_back(s);
            at = data + s.data.size();
        }
    }
    return all;
}

// Hand-made streams as (value, bit count) pairs, written lowest bit first.
using BITS = std::vector<std::pair<unsigned, int>>;
BITS operator+(BITS a, const BITS& b) { return a.insert(a.end(), b.begin(), b.end()), a; }
std::string Pack(const BITS& bits)
{
    std::string out;
    int used = 8;
    for (auto& [value, count] : bits)
        for (int i = 0; i < count; i++, used++) {
            if (used == 8) out += '\0', used = 0;
            out.back() = static_cast<char>(out.back() | (i < 32 && (value >> i) & 1) << used);
        }
    return out;
}
const std::string A00A = std::string("A\0\0A", 4);

}  // namespace

TEST(ZipDecode, FixturesDecodeByteForByte)
{
    std::vector<STREAM> all = Fixtures();
    size_t compared = 0;
    for (const STREAM& s : all) {
        MEMOUTPUT out, failing;
        EXPECT_TRUE(Decode(s, s.data, s.size, out)) << s.name;
        EXPECT_EQ(out.bytes.size(), s.size) << s.name;
        EXPECT_EQ(Crc(out.bytes), s.crc) << s.name;
        if (!s.expected.empty()) {
            EXPECT_TRUE(out.bytes == s.expected) << s.name;
            compared++;
        }
        failing.failing = 0;
        EXPECT_FALSE(Decode(s, s.data, s.size, failing)) << s.name;
        EXPECT_EQ(failing.calls, 1) << s.name;
    }
    EXPECT_EQ(all.size(), 26u);
    EXPECT_EQ(compared, 3u + 19u);
}

TEST(ZipDecode, HandMadeStreamsCoverTheCorners)
{
    // Shrunk: 257 "ab", 258 "ba", 259 "abc"; the partial clear keeps 257 (259 builds
    // on it) and frees 258 and 259, which are given out again from the lowest.
    const BITS CLEARED = {{'a', 9}, {'b', 9}, {257, 9}, {'c', 9}, {256, 9}, {2, 9}};
    // Reduced: no follower sets, or byte 0's set {q,r,s} (the sets come from 255 down).
    const BITS NOSETS = {{0, 6 * 256}}, QRS = {{0, 6 * 255}, {3, 6}, {'q', 8}, {'r', 8}, {'s', 8}};
    // Imploded: trees of 64 codes of 6 bits, where symbol 0 reads 111111, 1 reads
    // 111110 and 63 reads 000000. A, then distance 3 length 1+2, then distance 1 length 63+2+2.
    const BITS SIX = {{3, 8}, {0xF5, 8}, {0xF5, 8}, {0xF5, 8}, {0xF5, 8}};
    const BITS COPIES = {{1, 1}, {'A', 8}, {0, 1}, {2, 6}, {63, 6}, {31, 6}, {0, 1}, {0, 6}, {63, 6}, {0, 6}, {2, 8}};
    const struct {
        unsigned Method;
        BITS Bits;
        uint32_t Size;
        bool Ok;
        std::string Expected;
    } cases[] = {
        {1, {{'a', 9}, {257, 9}, {258, 9}}, 6, true, "aaaaaa"},  // 257 before it is defined: "a" + "a"
        {1, {{'a', 9}, {258, 9}}, 3, false, ""},
        {1, {{'a', 9}, {256, 9}, {1, 9}, {'b', 10}, {257, 10}}, 4, true, "abab"},
        {1, {{'a', 9}, {256, 9}, {3, 9}, {'b', 9}}, 2, false, ""},
        {1, {{'x', 9}, {256, 9}, {1, 9}, {256, 10}, {1, 10}, {256, 11}, {1, 11}, {256, 12}, {1, 12}, {256, 13},
             {1, 13}, {'y', 14}}, 2, false, ""},  // no codes of 14 bits
        {1, CLEARED + BITS{{'d', 9}, {257, 9}, {258, 9}, {259, 9}}, 12, true, "ababcdabcdda"},
        {1, CLEARED + BITS{{'d', 9}, {257, 9}, {258, 9}, {259, 9}}, 11, true, "ababcdabcdd"},
        {1, CLEARED + BITS{{258, 9}}, 7, true, "ababccc"},
        {1, CLEARED + BITS{{259, 9}}, 7, false, ""},
        {4, QRS + BITS{{0, 1}, {2, 2}, {'t', 8}}, 2, true, "st"},
        {4, QRS + BITS{{0, 1}, {3, 2}}, 1, false, ""},
        {2, {{33, 6}, {0, 400}}, 1, false, ""},
        // DLE 0 is 144; DLE 0x0F 1 0 is length 15+1+3 at distance 1; DLE 0x12 5 is
        // length 2+3 at distance 0x105+1, before the first byte: zeros.
        {5, NOSETS + BITS{{'x', 8}, {144, 8}, {0, 8}, {'y', 8}, {144, 8}, {15, 8}, {1, 8}, {0, 8}, {144, 8},
                          {0x12, 8}, {5, 8}},
         27, true, "x\x90y" + std::string(19, 'y') + std::string(5, '\0')},
        {6, SIX + SIX + COPIES, 71, true, A00A + std::string(67, 'A')},
        {6, SIX + SIX + COPIES, 5, true, A00A + "A"},
        {6, BITS{{3, 8}, {0xF6, 8}, {0xF6, 8}, {0xF6, 8}, {0xF6, 8}} + SIX + COPIES, 1, false, ""},  // incomplete
        {6, BITS{{3, 8}, {0xF4, 8}, {0xF4, 8}, {0xF4, 8}, {0xF4, 8}} + SIX + COPIES, 1, false, ""},  // too many
        {6, BITS{{2, 8}, {0xF5, 8}, {0xF5, 8}, {0xF5, 8}} + SIX + COPIES, 1, false, ""},             // 48 symbols
        {6, SIX + BITS{{4, 8}, {0xF5, 8}, {0xF5, 8}, {0xF5, 8}, {0xF5, 8}, {5, 8}} + COPIES, 1, false, ""},  // 65
        {1, {}, 0, true, ""}, {2, {}, 0, true, ""}, {6, {}, 0, true, ""},
    };
    for (const auto& c : cases) {
        MEMOUTPUT out;
        EXPECT_EQ(Decode(STREAM{"", "", "", c.Method, 0, 0, 0}, Pack(c.Bits), c.Size, out), c.Ok) << c.Expected;
        if (c.Ok) {
            EXPECT_EQ(out.bytes, c.Expected);
        }
    }
    MEMINPUT none;
    MEMOUTPUT out;
    EXPECT_FALSE(Unreduce(none, out, 0, 5));
}

TEST(ZipDecode, DamagedStreamsEndWithoutHarm)
{
    std::vector<STREAM> all = Fixtures();
    for (const STREAM& s : all)
        for (size_t keep : {size_t(0), size_t(1), s.data.size() / 3, s.data.size() / 2, s.data.size() - 8}) {
            MEMOUTPUT out;
            EXPECT_FALSE(Decode(s, s.data.substr(0, keep), s.size, out)) << s.name << " cut at " << keep;
        }
    std::mt19937 random(2000);
    for (unsigned method : {1, 5, 6}) {
        std::vector<const STREAM*> mine;
        for (const STREAM& s : all)
            if (s.method == method || (method == 5 && s.method >= 2 && s.method <= 5)) mine.push_back(&s);
        int succeeded = 0;
        for (int i = 0; i < 2000; i++) {
            const STREAM& s = *mine[i % mine.size()];
            std::string data = s.data;
            for (int flips = 1 + random() % 8; flips > 0; flips--) data[random() % data.size()] ^= 1 << random() % 8;
            MEMOUTPUT out;
            bool ok = Decode(s, data, s.size, out);
            succeeded += ok;
            EXPECT_EQ(out.bytes.size() == s.size, ok) << s.name;
            EXPECT_LE(out.bytes.size(), s.size) << s.name;
        }
        EXPECT_LT(succeeded, 2000) << "method " << method;  // the damage is noticed at times
    }
}
