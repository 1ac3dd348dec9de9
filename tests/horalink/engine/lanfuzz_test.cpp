// Robustness of the LAN protocol's receiver: a seeded generator feeds 100 000 hostile
// deliveries (mangled protocol lines, stray brackets, points, zero bytes, line ends and
// raw bytes) to a server and to a client. Nothing may crash or hang, a server never
// sends more answers than requests reached it, and no line moves the client's clock
// further than the largest correction allowed. HORALINK_FUZZ_SEED chooses other
// deliveries; a failure names the seed.
#include "fuzzseed.h"
#include "enginetest.h"

#include "lanlink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const unsigned long long DEFAULT_FUZZ_SEED = 20261207;
const int DELIVERIES = 100000;

struct COUNTINGLINK : LANLINK {
    int Sent = 0;
    bool Send(const char*, int) override
    {
        Sent++;
        return true;
    }
};

// One hostile delivery, mostly grown from a genuine line so that it gets past the first
// checks: the engine's sequence is fixed by the standard, so a seed gives the same
// deliveries everywhere.
std::string Delivery(std::mt19937_64& random, const std::string& own)
{
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::vector<std::string> lines = {
        "[1a2f.WS12.*]NEEDTIME 0e1a2b3c.40000000\n", "[1a30.SERVER." + own + "]TIMENTP e9dcad40.0 e9dcad41.8 e9dcad41.8\n",
        "[1a31.SERVER.*]TIME e9dcad41.80000000\n", "[1a32.X.*]SERVERBROADCAST\n", std::string("<ERROR>\0", 8)};
    const std::string pieces = "[].\n\0 *:%xfe9";
    std::string text = below(8) == 0 ? std::string() : lines[static_cast<size_t>(below(static_cast<int>(lines.size())))];
    for (int edits = below(6); edits > 0; edits--) {
        size_t at = text.empty() ? 0 : static_cast<size_t>(below(static_cast<int>(text.size()) + 1));
        switch (below(5)) {
        case 0: text.insert(at, 1, pieces[static_cast<size_t>(below(static_cast<int>(pieces.size())))]); break;
        case 1: if (at < text.size()) text.erase(at, 1 + static_cast<size_t>(below(4))); break;
        case 2: text.insert(at, 1, static_cast<char>(below(256))); break;
        case 3: text.insert(at, std::string(static_cast<size_t>(below(40)), '0' + below(10))); break;
        case 4: text = text.substr(0, at); break;
        }
    }
    return text;
}

}  // namespace

class LanFuzz : public ENGINETEST {};

TEST_F(LanFuzz, HostileDeliveriesNeitherCrashNorMoveTheClockTooFar)
{
    unsigned long long seed = FuzzSeed(DEFAULT_FUZZ_SEED);
    SCOPED_TRACE("HORALINK_FUZZ_SEED=" + std::to_string(seed));
    std::mt19937_64 random(seed);
    std::string own = APPENGINE::OwnLanName().Text();
    COUNTINGLINK link;
    engine.SetLanLink(&link);
    for (const char* key : {"ProAutoTime=1", "TimeDoMaxAdjust=1", "TimeMaxAdjust=1", "TimeNetVariance=5",
                            "TimeMaxDiff=100", "NotifyDoSound=0"}) {
        std::string pair(key);
        Put(pair.substr(0, pair.find('=')).c_str(), pair.substr(pair.find('=') + 1));
    }

    // Every clock set lies within the hour the limit allows around the frozen time.
    SYSTEMTIME start = FrozenTime();
    auto seconds_off = [&](const SYSTEMTIME& set) {
        FILETIME a, b;
        SystemTimeToFileTime(&start, &a);
        SystemTimeToFileTime(&set, &b);
        long long d = static_cast<long long>((ULARGE_INTEGER{{b.dwLowDateTime, b.dwHighDateTime}}).QuadPart -
                                             (ULARGE_INTEGER{{a.dwLowDateTime, a.dwHighDateTime}}).QuadPart) / 10000000;
        return d < 0 ? -d : d;
    };
    int sets = 0;
    for (bool client : {false, true}) {
        engine.SetLanFlags(client, !client);
        int requests = 0;
        link.Sent = 0;
        for (int i = 0; i < DELIVERIES / 2; i++) {
            std::string bytes = Delivery(random, own);
            requests += static_cast<int>(bytes.size());  // an upper bound on the lines in it
            engine.MailioCallback(bytes.data(), static_cast<int>(bytes.size()));
            // The update thread's part: whatever was taken is judged, and may set the clock.
            if (client && engine.TakeLanResult() && engine.IsAdjustPending()) {
                engine.AdjustNow();
                if (clock.SetUtcCalls > sets) {
                    sets = clock.SetUtcCalls;
                    ASSERT_LE(seconds_off(clock.LastSetUtc), 3601) << i;
                }
            }
        }
        if (!client) {
            EXPECT_GT(link.Sent, 0);
            EXPECT_LE(link.Sent, requests);
        }
    }
    EXPECT_GT(sets, 0);  // the client did take some mangled but well-formed times
}
