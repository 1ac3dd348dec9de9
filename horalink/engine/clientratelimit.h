// CLIENTRATELIMIT: how many answers a server may give, per client address and in
// all: a small table of token buckets, so that neither one client's flood nor a
// flood from forged addresses turns this PC into a source of traffic for others.
#pragma once

#include <cstdint>

// One client gets a burst of CLIENT_BURST answers and then one answer every
// CLIENT_REFILL_MS. A client of ours asks up to four times a second apart in one
// query, chrony's quick start sends four requests two seconds apart and ntpdate up to
// four samples: every real client is answered in full, a flood gets one answer a second.
const unsigned CLIENT_BURST = 4;
const unsigned CLIENT_REFILL_MS = 1000;
// The clients remembered at once. A LAN server has a few dozen clients, each asking
// every minute or less often; a client pushed out by newer ones starts again with a
// full burst, which is what it would have earned by waiting anyway.
const int CLIENT_TABLE_SIZE = 64;
// All clients together: a thousand PCs asking every 64 s make 16 requests a second,
// so 200 a second leaves room, and caps what forged source addresses (each of which
// would get its own burst) can make this PC send at 200 answers of 48 bytes a second.
const unsigned ALL_BURST = 200;
const unsigned ALL_REFILL_MS = 5;

class CLIENTRATELIMIT {
public:
    CLIENTRATELIMIT();

    // Whether a request from address (IPv4, any byte order) at nowms may be answered;
    // an answer allowed is taken from the client's and from everyone's allowance.
    // nowms is a millisecond count that never runs backwards.
    bool Allow(uint32_t address, unsigned long long nowms);

private:
    struct BUCKET {
        unsigned Tokens = 0;
        unsigned long long FilledMs = 0;  // when Tokens was last brought up to date
    };
    struct CLIENT {
        bool Used = false;
        uint32_t Address = 0;
        unsigned long long SeenMs = 0;
        BUCKET Bucket;
    };
    static bool Take(BUCKET& bucket, unsigned burst, unsigned refillms, unsigned long long nowms);
    CLIENT& Find(uint32_t address, unsigned long long nowms);

    CLIENT Clients[CLIENT_TABLE_SIZE];
    BUCKET Everyone;
};
