// The raised priority around reading and setting the clock: boosts of several threads
// overlap and end in any order, and the process is back at its own class only when
// the last one has ended.
#include "priorityboost.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

static DWORD priority() { return GetPriorityClass(GetCurrentProcess()); }

TEST(PriorityBoost, TheLastOfOverlappingBoostsRestoresTheClass)
{
    ASSERT_EQ(priority(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    // Two orders of ending: the other thread's later boost first (the reverse of the
    // start), and the first boost first.
    for (bool otherfirst : {true, false}) {
        std::unique_ptr<PRIORITYBOOST> mine(new PRIORITYBOOST);
        ASSERT_EQ(priority(), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
        std::unique_ptr<PRIORITYBOOST> other;
        std::thread([&] { other.reset(new PRIORITYBOOST); }).join();
        std::string seen;
        if (otherfirst) {
            std::thread([&] { other.reset(); }).join();
            seen += priority() == HIGH_PRIORITY_CLASS ? "high" : "lowered";
            mine.reset();
        } else {
            mine.reset();
            seen += priority() == HIGH_PRIORITY_CLASS ? "high" : "lowered";
            std::thread([&] { other.reset(); }).join();
        }
        EXPECT_EQ(seen, "high") << otherfirst;
        EXPECT_EQ(priority(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS)) << otherfirst;
    }
}
