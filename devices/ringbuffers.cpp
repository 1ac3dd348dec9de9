// The ring buffer of the byte-stream devices. Positions are counts modulo the size;
// both counts go back to 0 whenever the buffer runs empty.
#include "ringbuffers.h"

#include "kelvo.h"
#include "osys.h"

#include <cstring>
#include <new>

namespace {
// Holds a MUTEXSEM for one scope.
class HELD {
public:
    explicit HELD(MUTEXSEM& m) : mutex(m) { mutex.Obtain(); }
    ~HELD() { mutex.Release(); }
    HELD(const HELD&) = delete;
    HELD& operator=(const HELD&) = delete;

private:
    MUTEXSEM& mutex;
};
}  // namespace

RINGBUFFER::RINGBUFFER(int size) : Data(nullptr), WriteCount(0), ReadCount(0), size(size)
{
    if (ASSERTINFO(size > 0, "ring buffer without capacity")) Data = new (std::nothrow) char[size];
    ASSERT(this->Data);
}

RINGBUFFER::~RINGBUFFER()
{
    HELD held(Lock);
    delete[] Data;
    Data = nullptr;
}

bool RINGBUFFER::Write(const void* bytes, int n, HANDLE abort)
{
    if (!Data) return false;
    if (!ASSERT(n >= 0 && (bytes || n == 0))) return false;
    // Bytes that can never fit would wait for ever.
    if (!ASSERTINFO(n <= size, "more bytes than the ring buffer holds")) return false;
    if (n == 0) return true;

    const char* from = static_cast<const char*>(bytes);
    HELD held(Lock);
    for (int k = 0; ReadCount + size - WriteCount < n; k++) {
        Logit("RINGBUFFER::Write Buffer full -- waiting ...\n");
        // Once per stuck write; on a developer's machine only.
        if (k == 21)
            ASSERTINFO(!OSYS::FileExists("main.cpp"), "Ringbuffer Write waits more than 2 Sec");
        Lock.Release();
        bool aborted = false;
        if (abort)
            aborted = WaitForSingleObject(abort, 100) == WAIT_OBJECT_0;
        else
            OSYS::Sleep(100);
        Lock.Obtain();
        if (aborted) return false;
        if (!Data) return false;
    }
    int pos = WriteCount % size;
    int first = n < size - pos ? n : size - pos;
    memcpy(Data + pos, from, first);
    memcpy(Data, from + first, n - first);
    WriteCount += n;
    DataEvent.Set();
    return true;
}

bool RINGBUFFER::Read(void* destination, int& length, int wait, const char* stopset)
{
    int want = length;
    length = 0;
    if (!ASSERT(destination || want <= 0)) return false;
    if (want <= 0) return false;

    Lock.Obtain();
    int avail = WriteCount - ReadCount;
    Lock.Release();
    if (avail <= 0 && (wait <= 0 || !DataEvent.Wait(wait))) return false;

    HELD held(Lock);
    if (!Data) return false;
    int count = WriteCount - ReadCount;
    if (count > want) count = want;
    int pos = ReadCount % size;
    if (stopset) {
        // strchr also finds the set's terminating zero: a zero byte stops as well.
        for (int i = 0; i < count; i++) {
            if (strchr(stopset, Data[(pos + i) % size])) {
                count = i + 1;
                break;
            }
        }
    }
    char* to = static_cast<char*>(destination);
    int first = count < size - pos ? count : size - pos;
    memcpy(to, Data + pos, first);
    memcpy(to + first, Data, count - first);
    ReadCount += count;
    if (ReadCount == WriteCount) {
        ReadCount = WriteCount = 0;
        DataEvent.Reset();
    } else if (ReadCount >= size) {
        // A buffer that is never drained would let the counts overflow; a whole lap
        // less keeps every position.
        ReadCount -= size;
        WriteCount -= size;
    }
    length = count;
    return count != 0;
}

int RINGBUFFER::Available()
{
    HELD held(Lock);
    return WriteCount - ReadCount;
}
