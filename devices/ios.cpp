// The byte-stream device base: its daemon thread, the consumer's blocking read with
// pushback and stop bytes, the feed path and the text query of state.
#include "ios.h"

#include "kelvo.h"
#include "osys.h"

#include <cstdio>
#include <cstring>

// The daemon's wait after a DevRead that found nothing to read.
static const int DAEMON_PAUSE = 100;

BASEIO::BASEIO(const char* ourid, const char* calltype, const char* parm, bool startheld)
    : RingBuffer(BASEIO_RINGSIZE),
      KillThreadHandle(false),
      hDaemonThread(nullptr),
      Magic1(BASEIO_MAGIC),
      OurId(ourid),
      CallType(calltype),
      Parm(parm),
      PushBackBytes(STRING::Granule(96)),
      LastError(0),
      LastErrorString("<unknown>"),
      ConstructorDoneHandle(!startheld),
      Magic2(BASEIO_MAGIC),
      Callback(nullptr),
      CallbackContext(nullptr),
      FeedCallback(nullptr),
      FeedContext(nullptr),
      DaemonThreadId(0)
{
    Logit("BASEIO::BASEIO this= %p, ourid= %s, calltype= %s, parm= %s\n", static_cast<void*>(this),
          OurId.Text(), CallType.Text(), Parm.Text());
    Logit("BASEIO::BASEIO KillThreadHandle= %p, ConstructorDoneHandle= %p\n",
          static_cast<void*>(KillThreadHandle.Handle()),
          static_cast<void*>(ConstructorDoneHandle.Handle()));
    hDaemonThread = OSYS::CreateThread(daemon_thread, this);
    if (hDaemonThread) DaemonThreadId = GetThreadId(hDaemonThread);
    Logit("BASEIO::BASEIO done\n");
}

BASEIO::~BASEIO()
{
    Logit("BASEIO::~BASEIO\n");
    KillDaemon();
    Logit("BASEIO::~BASEIO done\n");
}

// ---------------------------------------------------------------- daemon

unsigned __stdcall BASEIO::daemon_thread(void* p)
{
    static_cast<BASEIO*>(p)->Daemon();
    return 0;
}

void BASEIO::Daemon()
{
    // A device stopped before its constructor finished must not hold up its owner.
    HANDLE start[2] = {ConstructorDoneHandle.Handle(), KillThreadHandle.Handle()};
    DWORD rc = WaitForMultipleObjects(2, start, FALSE, INFINITE);
    if (rc == WAIT_OBJECT_0) {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
        char buffer[BASEIO_MAXREAD];
        for (;;) {
            if (Magic1 != BASEIO_MAGIC || Magic2 != BASEIO_MAGIC) {
                char info[60];
                snprintf(info, sizeof info, "magic1= %08x, magic2= %08x", Magic1, Magic2);
                ASSERTTEXT(false, "magic", info);
            }
            // A negative count (a failed query) is taken as unsigned: the most.
            unsigned n = static_cast<unsigned>(DevGetNumAvail());
            int length = n == 0 ? 1 : n > BASEIO_MAXREAD ? BASEIO_MAXREAD : static_cast<int>(n);
            if (DevRead(buffer, length)) {
                if (length > 0) Feed(buffer, length);
            } else {
                Pause(DAEMON_PAUSE);
            }
            if (KillThreadHandle.Wait(0)) break;
        }
    }
    Logit("BASEIO::~Daemon\n");
}

void BASEIO::Pause(int ms)
{
    KillThreadHandle.Wait(ms);
}

void BASEIO::KillDaemon()
{
    if (!hDaemonThread) return;
    if (!ASSERTINFO(GetCurrentThreadId() != DaemonThreadId, "KillDaemon on the daemon's own thread"))
        return;
    KillThreadHandle.Set();
    OSYS::WaitThread(hDaemonThread, -1);
    hDaemonThread = nullptr;
}

// ---------------------------------------------------------------- receiving

bool BASEIO::Feed(const char* bytes, int length)
{
    unsigned level = GetLogitLevel();
    if (LogitActive() && (level & 0x100) && (level & 15) >= 8) {
        STRING dump;
        dump.Format("BASEIO::Feed %d bytes:\n     ", length);
        for (int i = 0; i < length; i++) {
            if (i > 0 && i % 16 == 0) dump.Append("\n     ");
            dump.AppendFormat(" %02x", static_cast<unsigned char>(bytes[i]));
        }
        Logit("%s\n", dump.Text());
    }
    FeedLock.Enter();
    bool fed = FeedCallback != nullptr;
    if (fed) FeedCallback(FeedContext, bytes, length);
    FeedLock.Leave();
    if (fed) return true;
    return RingBuffer.Write(bytes, length, KillThreadHandle.Handle());
}

bool BASEIO::Read(char* buffer, int& length, int timeout, const char* stopset)
{
    int want = length;
    int fill = 0;
    length = 0;
    if (!ASSERT(buffer || want <= 0)) return false;
    long t0 = MsTimer();
    for (;;) {
        int first = fill;
        if (PushBackBytes.Length() > 0) {
            int n = PushBackBytes.Length();
            if (n > want - fill) n = want - fill;
            const char* p = PushBackBytes.Data();
            if (stopset) {
                for (int i = 0; i < n; i++) {
                    if (strchr(stopset, p[i])) {
                        n = i + 1;
                        break;
                    }
                }
            }
            memcpy(buffer + fill, p, n);
            PushBackBytes.CutLeft(n);
            fill += n;
        } else {
            int got = want - fill;
            // A negative time-out has no end: each pass then waits a second at most.
            RingBuffer.Read(buffer + fill, got, timeout < 0 ? 1000 : timeout / 4, stopset);
            fill += got;
        }
        long now = MsTimer();
        if (now < t0) {
            Logit("BASEIO::Read *** WARNING!!! *** negative time diff %d ms\n",
                  static_cast<int>(now - t0));
            now = t0;
        }
        unsigned long elapsed = static_cast<unsigned long>(now - t0);
        if (fill > first && stopset && strchr(stopset, buffer[fill - 1])) break;
        if (fill >= want || elapsed >= static_cast<unsigned long>(timeout)) break;
    }
    length = fill;
    return fill > 0;
}

void BASEIO::PushBack(const char* bytes, int length)
{
    if (!ASSERT(length >= 0 && (bytes || length == 0))) return;
    STRING rest(PushBackBytes);
    PushBackBytes = STRING(bytes, length, 96);
    PushBackBytes.AppendBytes(rest.Data(), rest.Length());
}

// ---------------------------------------------------------------- writing

bool BASEIO::Write(const char* bytes, int length)
{
    if (length == -1) length = bytes ? static_cast<int>(strlen(bytes)) : 0;
    return DevWrite(bytes, length);
}

// ---------------------------------------------------------------- the base's primitives

bool BASEIO::DevRead(char* /*buffer*/, int& length)
{
    Pause(250);
    length = 0;
    return true;
}

int BASEIO::DevGetNumAvail() { return 0; }

void BASEIO::SetCallback(BASEIO_CALLBACK function, void* context)
{
    Callback = function;
    CallbackContext = context;
}

void BASEIO::SetFeedCallback(BASEIO_FEEDCALLBACK function, void* context)
{
    FeedLock.Enter();
    FeedCallback = function;
    FeedContext = context;
    FeedLock.Leave();
}

void BASEIO::SetCallType(const char* text)
{
    Logit("ISDNIO::SetCallType old=%s, new=%s\n", CallType.Text(), text ? text : "");
    CallType = text;
}

void BASEIO::SetOurId(const char* text)
{
    Logit("ISDNIO::SetOurId old=%s, new=%s\n", OurId.Text(), text ? text : "");
    OurId = text;
}

STRING BASEIO::GetInfo(const char* key)
{
    STRING k(key);
    if (k == "ONLINE") return STRING("0");
    if (k == "LASTERROR") return STRING(LastError);
    if (k == "LASTERRORSTRING") return LastErrorString;
    if (k == "OWNID") return OurId;
    if (k == "CALLERID") return STRING("<unknown>");
    if (k == "DEVICENAME") return STRING("BASEIO");
    return STRING("BASEIO::BAD-REQUEST");
}

void BASEIO::SetInfo(const char* key, const char* value)
{
    if (!ASSERT(key)) return;
    InfoTable[key] = value;
}

STRING BASEIO::GetInfoValue(const char* key) const
{
    int i = InfoTable.IndexOf(key);
    return i < 0 ? STRING() : InfoTable.ValueAt(i);
}
