// The seeded fuzz tests' choice of inputs: a fixed default seed keeps CI repeatable,
// HORALINK_FUZZ_SEED chooses another and HORALINK_FUZZ_COUNT how many inputs.
#pragma once

#include <cstdlib>

inline unsigned long long FuzzSeed(unsigned long long fallback)
{
    const char* env = getenv("HORALINK_FUZZ_SEED");
    return env && *env ? strtoull(env, nullptr, 0) : fallback;
}

inline long FuzzCount(long fallback)
{
    const char* env = getenv("HORALINK_FUZZ_COUNT");
    return env && *env ? strtol(env, nullptr, 0) : fallback;
}
