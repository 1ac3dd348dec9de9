// What a device's feed callback received, piece by piece, for tests of the devices.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

struct FEEDRECORD {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> pieces;

    static void Callback(void* context, const char* bytes, int length)
    {
        FEEDRECORD* r = static_cast<FEEDRECORD*>(context);
        std::lock_guard<std::mutex> lock(r->mutex);
        r->pieces.emplace_back(bytes, length);
        r->changed.notify_all();
    }
    // The pieces once there are n of them (fewer after ms).
    std::vector<std::string> WaitFor(size_t n, int ms = 10000)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return pieces.size() >= n; });
        return pieces;
    }
};
