// CLIENTRATELIMIT: token buckets per client address in a table that forgets the
// client seen least recently, and one bucket for all clients together.
#include "clientratelimit.h"

CLIENTRATELIMIT::CLIENTRATELIMIT()
{
    Everyone.Tokens = ALL_BURST;
}

bool CLIENTRATELIMIT::Take(BUCKET& bucket, unsigned burst, unsigned refillms, unsigned long long nowms)
{
    if (nowms > bucket.FilledMs) {
        unsigned long long earned = (nowms - bucket.FilledMs) / refillms;
        if (earned >= burst - bucket.Tokens) {
            bucket.Tokens = burst;
            bucket.FilledMs = nowms;
        } else {
            // The part of an interval not yet earned is kept for the next request.
            bucket.Tokens += static_cast<unsigned>(earned);
            bucket.FilledMs += earned * refillms;
        }
    }
    if (bucket.Tokens == 0) return false;
    bucket.Tokens--;
    return true;
}

CLIENTRATELIMIT::CLIENT& CLIENTRATELIMIT::Find(uint32_t address, unsigned long long nowms)
{
    CLIENT* oldest = &Clients[0];
    for (CLIENT& client : Clients) {
        if (client.Used && client.Address == address) return client;
        if (!client.Used || (oldest->Used && client.SeenMs < oldest->SeenMs)) oldest = &client;
    }
    // A new client starts with a full burst.
    *oldest = CLIENT();
    oldest->Used = true;
    oldest->Address = address;
    oldest->Bucket.Tokens = CLIENT_BURST;
    oldest->Bucket.FilledMs = nowms;
    return *oldest;
}

bool CLIENTRATELIMIT::Allow(uint32_t address, unsigned long long nowms)
{
    CLIENT& client = Find(address, nowms);
    client.SeenMs = nowms;
    // Everyone's allowance is only spent on an answer the client may have.
    if (!Take(client.Bucket, CLIENT_BURST, CLIENT_REFILL_MS, nowms)) return false;
    if (!Take(Everyone, ALL_BURST, ALL_REFILL_MS, nowms)) {
        client.Bucket.Tokens++;
        return false;
    }
    return true;
}
