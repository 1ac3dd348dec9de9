// RINGBUFFER, the receive store of a byte-stream device: a fixed circle of bytes
// that one thread fills and a consumer drains, with a blocking read.
#pragma once

#include "semaphores.h"

class RINGBUFFER {
public:
    // Storage of size bytes; without memory it is reported and every Write fails.
    explicit RINGBUFFER(int size);
    ~RINGBUFFER();
    RINGBUFFER(const RINGBUFFER&) = delete;
    RINGBUFFER& operator=(const RINGBUFFER&) = delete;

    // Stores n bytes, waiting while they do not fit; true when stored. More than the
    // capacity can never fit and is refused with a report. With abort given, the wait
    // for room ends (false, nothing stored) as soon as that event is set.
    bool Write(const void* bytes, int n, HANDLE abort = nullptr);
    // Takes up to length bytes, waiting up to wait ms (0: not at all) for the first;
    // with a stop set (a NUL-terminated text) it ends after the first byte found in
    // the set, and, the set being searched as text, after a zero byte too. length
    // receives the count; true when bytes were delivered.
    bool Read(void* destination, int& length, int wait, const char* stopset);

    // Bytes waiting.
    int Available();
    int GetSize() const { return size; }

private:
    MUTEXSEM Lock;
    EVENTSEM DataEvent;  // set while bytes are waiting
    char* Data;
    int WriteCount;
    int ReadCount;
    int size;
};
