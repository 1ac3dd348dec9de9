// BASEIO, the byte-stream device: a daemon thread polls the concrete device and
// hands what arrives to a feed callback or to the receive ring buffer, from which a
// consumer reads with a time-out and stop bytes. Writes go straight to the device.
#pragma once

#include "hash.h"
#include "ringbuffers.h"
#include "semaphores.h"
#include "strings.h"

#include <windows.h>

// Receives every incoming piece on the daemon's thread instead of the ring buffer.
typedef void (*BASEIO_FEEDCALLBACK)(void* context, const char* bytes, int length);
// Kept for the device's owner; the framework itself never calls it.
typedef void (*BASEIO_CALLBACK)(void* context);

const unsigned BASEIO_MAGIC = 0x22CC8833;
const int BASEIO_RINGSIZE = 0x100000;
// The largest piece the daemon reads in one pass.
const int BASEIO_MAXREAD = 8192;

class BASEIO {
public:
    // With startheld the daemon waits until the concrete device calls ConstructorDone.
    BASEIO(const char* ourid, const char* calltype, const char* parm, bool startheld);
    virtual ~BASEIO();
    BASEIO(const BASEIO&) = delete;
    BASEIO& operator=(const BASEIO&) = delete;

    // Reads into buffer, length in: its room, out: what was read. Called by the daemon
    // only. A true result with length 0 makes it poll again at once.
    virtual bool DevRead(char* buffer, int& length);
    virtual bool DevWrite(const char* bytes, int length) = 0;
    // Bytes or size of the next message waiting; 0 for none, negative on failure.
    virtual int DevGetNumAvail();
    // Whether the device can be used at all.
    virtual bool DevIsReady() = 0;
    // Opens the outgoing side towards destination.
    virtual bool MakeCall(const char* destination) = 0;
    // Opens the incoming side.
    virtual bool AcceptCall() = 0;
    // Closes the outgoing side.
    virtual bool DropCall() = 0;
    virtual void SetCallback(BASEIO_CALLBACK function, void* context);
    // Sends incoming pieces to function (null: to the ring buffer again). When it
    // returns, a callback it replaced is no longer running.
    virtual void SetFeedCallback(BASEIO_FEEDCALLBACK function, void* context);
    virtual void SetCallType(const char* text);
    virtual void SetOurId(const char* text);
    // A state text by key ("ONLINE", "OWNID", "LASTERROR", ...), case-insensitive.
    virtual STRING GetInfo(const char* key);
    // Stores value under key in the device's info table.
    virtual void SetInfo(const char* key, const char* value);

    // Sends length bytes (-1: the text up to its zero) on the caller's thread.
    bool Write(const char* bytes, int length);
    // Collects up to length bytes (pushed-back ones first) until time-out ms (-1: no
    // limit) have passed, the buffer is full, or the last byte is in stopset; length receives the
    // count. True when at least one byte was read. One consumer at a time.
    bool Read(char* buffer, int& length, int timeout, const char* stopset);
    // Puts bytes in front of everything Read delivers next (the consumer's thread).
    void PushBack(const char* bytes, int length);
    // Delivers one received piece to the feed callback or the ring buffer.
    bool Feed(const char* bytes, int length);
    // Stops the daemon and waits for it; later calls do nothing. Never on the daemon.
    void KillDaemon();

    // The info table's value for key (null when missing).
    STRING GetInfoValue(const char* key) const;

protected:
    // Lets a held daemon start; the concrete device's constructor calls it last.
    void ConstructorDone() { ConstructorDoneHandle.Set(); }
    // Waits ms milliseconds, or less when the daemon is being stopped.
    void Pause(int ms);

    RINGBUFFER RingBuffer;
    EVENTSEM KillThreadHandle;
    HANDLE hDaemonThread;

private:
    unsigned Magic1;

protected:
    STRING OurId;
    STRING CallType;
    STRING Parm;
    HASH InfoTable;
    STRING PushBackBytes;
    int LastError;
    STRING LastErrorString;
    EVENTSEM ConstructorDoneHandle;

private:
    unsigned Magic2;

    static unsigned __stdcall daemon_thread(void* p);
    void Daemon();

    BASEIO_CALLBACK Callback;
    void* CallbackContext;
    BASEIO_FEEDCALLBACK FeedCallback;
    void* FeedContext;
    CRITSECT FeedLock;  // the feed pair is replaced and used as one
    DWORD DaemonThreadId;
};
