// The mailslot device: the receiving slot read by the daemon with repeats dropped,
// the writing end with its 400-byte messages and reconnection, and the test seam
// that lets instances on one machine stand in for a LAN.
#include "mailio.h"

#include "kelvo.h"
#include "security.h"

#include <cstring>
#include <new>

// What no real message is: the first one received is never taken for a repeat.
static const char NO_MESSAGE_YET[] = "~~++##''@@\xA7\xA7";
// Delivered in place of a message when the slot cannot be asked; its zero is part of it.
static const char ERROR_MARKER[] = "<ERROR>";

// Splits list at ";" into at most max non-empty names; returns how many.
static int split_slot_names(const char* list, STRING* names, int max)
{
    STRING text(list);
    int count = 0;
    for (int i = 0;; i++) {
        STRING name = text.Field(i, ";");
        if (name.IsNull()) break;
        name.Strip('B', " ");
        if (name.Length() == 0) continue;
        if (!ASSERTINFO(count < max, "too many slot names in the test list; the rest is ignored"))
            break;
        names[count++] = name;
    }
    return count;
}

MAILIO::MAILIO(const char* ourid, const char* calltype, const char* parm)
    // Held until this constructor ends: the daemon must never call into a device
    // whose own members are not built yet.
    : BASEIO(ourid, calltype, parm, true),
      hMailSlotServer(nullptr),
      ErrorNumber(0),
      LastMessage(NO_MESSAGE_YET, sizeof NO_MESSAGE_YET - 1, 96),
      TargetCount(0),
      TestTargets(false)
{
    Logit("MAILIO::MAILIO\n");
    for (HANDLE& h : hMailSlotClient) h = nullptr;
    ConstructorDone();
    Logit("MAILIO::MAILIO done\n");
}

MAILIO::~MAILIO()
{
    Logit("MAILIO::~MAILIO\n");
    KillDaemon();
    DropCall();
    DropAccept();
    Logit("MAILIO::~MAILIO done\n");
}

// ---------------------------------------------------------------- test seam

void MAILIO::SetTestSlots(const char* list)
{
    CRITSECTLOCK entered(ClientLock);
    TestSlots = list;
}

int MAILIO::TestSlotNames(STRING* names)
{
    STRING list;
    {
        CRITSECTLOCK entered(ClientLock);
        list = TestSlots;
    }
    if (list.Length() == 0) {
        DWORD n = GetEnvironmentVariableA(MAILIO_TESTSLOTS_VARIABLE, nullptr, 0);
        if (n == 0) return 0;
        list.Make(static_cast<int>(n), nullptr);
        DWORD got = GetEnvironmentVariableA(MAILIO_TESTSLOTS_VARIABLE, list.Data(), n);
        list.Truncate(got < n ? static_cast<int>(got) : 0);
    }
    return split_slot_names(list.Text(), names, MAILIO_MAXTESTSLOTS);
}

// ---------------------------------------------------------------- writing end

HANDLE MAILIO::OpenSlot(const char* name, bool sharewrite)
{
    NULLDACL everyone;
    DWORD share = sharewrite ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE h = CreateFileA(name, GENERIC_WRITE, share, everyone.Attributes(),
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool MAILIO::MakeCall(const char* name)
{
    CRITSECTLOCK entered(ClientLock);
    if (!ASSERTTEXT(TargetCount == 0, "this->hMailSlotClient==NULL", nullptr)) DropCall();
    if (!DevIsReady()) return false;
    Destination = name;
    STRING names[MAILIO_MAXTESTSLOTS];
    int count = TestSlotNames(names);
    TestTargets = count > 0;
    if (!TestTargets) {
        names[0] = name;
        count = 1;
    }
    for (int i = 0; i < count; i++) {
        TargetNames[i] = names[i];
        hMailSlotClient[i] = OpenSlot(names[i].Text(), TestTargets);
        Logit("MAILSLOT::MakeCall hp= %p\n", static_cast<void*>(hMailSlotClient[i]));
    }
    // A domain-wide name opens whether anyone listens or not; the seam's local names
    // stand for it, so a slot not created yet is opened when a write comes.
    TargetCount = TestTargets || hMailSlotClient[0] ? count : 0;
    return TargetCount > 0;
}

bool MAILIO::DropCall()
{
    Logit("MAILIO::DropCall\n");
    {
        CRITSECTLOCK entered(ClientLock);
        for (HANDLE& h : hMailSlotClient) {
            if (h) CloseHandle(h);
            h = nullptr;
        }
        TargetCount = 0;
    }
    Logit("MAILIO::DropCall done\n");
    return true;
}

void MAILIO::Reconnect(int i)
{
    if (!TestTargets) {
        DropCall();
        MakeCall(Destination.Text());
        return;
    }
    if (hMailSlotClient[i]) CloseHandle(hMailSlotClient[i]);
    hMailSlotClient[i] = OpenSlot(TargetNames[i].Text(), true);
}

bool MAILIO::WritePiece(int i, const char* bytes, int length, const char* whole, int wholelength)
{
    for (int attempt = 1;; attempt++) {
        DWORD written = 0;
        SetLastError(0);
        BOOL ok = hMailSlotClient[i] ? WriteFile(hMailSlotClient[i], bytes, length, &written, nullptr)
                                     : FALSE;
        DWORD error = GetLastError();
        if (ok && written == static_cast<DWORD>(length)) return true;
        if (LogitActive())
            Logit("MAILIO::DevWrite s= %s, len= %d returned: len %d, ok= %d, lasterror= %04x\n",
                  STRING(whole, wholelength).Text(), wholelength, static_cast<int>(written), ok,
                  static_cast<unsigned>(error));
        Logit("MAILIO::DevWrite connection will be reestablished!!!\n");
        Reconnect(i);
        if (attempt >= MAILIO_WRITETRIES) return false;
    }
}

bool MAILIO::DevWrite(const char* bytes, int length)
{
    CRITSECTLOCK entered(ClientLock);
    if (TargetCount == 0 || length <= 0 || !bytes) {
        Logit("MAILIO::DevWrite done ok= %d\n", 0);
        return false;
    }
    bool ok = false;
    const char* previous = nullptr;
    int previouslength = 0;
    for (int done = 0; done < length;) {
        int n = length - done < MAILIO_PIECE ? length - done : MAILIO_PIECE;
        // The receiver drops a message equal to the one before it, so no piece may
        // repeat its predecessor: one byte less makes the two differ in length.
        if (n == previouslength && n > 1 && memcmp(previous, bytes + done, n) == 0) n--;
        if (TestTargets) {
            ok = true;
            for (int i = 0; i < TargetCount; i++) {
                if (!hMailSlotClient[i]) hMailSlotClient[i] = OpenSlot(TargetNames[i].Text(), true);
                // A slot that does not exist is an instance that is not running.
                if (hMailSlotClient[i] && !WritePiece(i, bytes + done, n, bytes, length)) ok = false;
            }
        } else {
            ok = WritePiece(0, bytes + done, n, bytes, length);
        }
        previous = bytes + done;
        previouslength = n;
        done += n;
    }
    Logit("MAILIO::DevWrite done ok= %d\n", ok);
    return ok;
}

// ---------------------------------------------------------------- receiving slot

bool MAILIO::AcceptCall()
{
    CRITSECTLOCK entered(ServerLock);
    if (!ASSERTTEXT(!hMailSlotServer, "this->hMailSlotServer==NULL", nullptr)) return true;
    if (!DevIsReady()) return false;
    STRING names[MAILIO_MAXTESTSLOTS];
    STRING slot = TestSlotNames(names) > 0 ? names[0] : OurId;
    NULLDACL everyone;
    HANDLE h = CreateMailslotA(slot.Text(), MAILIO_MAXMESSAGE, MAILIO_READTIMEOUT,
                               everyone.Attributes());
    if (h != INVALID_HANDLE_VALUE) hMailSlotServer = h;
    Logit("MAILSLOT::AcceptCall hp= %p\n", static_cast<void*>(h));
    return hMailSlotServer != nullptr;
}

bool MAILIO::DropAccept()
{
    Logit("MAILIO::DropAccept\n");
    {
        CRITSECTLOCK entered(ServerLock);
        if (hMailSlotServer) CloseHandle(hMailSlotServer);
        hMailSlotServer = nullptr;
    }
    Logit("MAILIO::DropAccept done\n");
    return true;
}

int MAILIO::DevGetNumAvail()
{
    CRITSECTLOCK entered(ServerLock);
    DWORD next = 0;
    if (!hMailSlotServer || !GetMailslotInfo(hMailSlotServer, nullptr, &next, nullptr, nullptr))
        return -1;
    return next == MAILSLOT_NO_MESSAGE ? 0 : static_cast<int>(next);
}

bool MAILIO::DevRead(char* /*buffer*/, int& length)
{
    length = 0;
    char* pmem = nullptr;
    DWORD got = 0;
    // The slot is held only for the query and the read: pauses and deliveries run
    // without it, so closing the slot never waits for them.
    enum { NOSLOT, FAILED, FAILED_WAIT, EMPTY, READ } outcome;
    {
        CRITSECTLOCK entered(ServerLock);
        DWORD next = 0, count = 0;
        BOOL ok = FALSE;
        if (!hMailSlotServer) {
            outcome = NOSLOT;
        } else if (!(ok = GetMailslotInfo(hMailSlotServer, nullptr, &next, &count, nullptr))) {
            outcome = FAILED;
        } else if (next == MAILSLOT_NO_MESSAGE || count == 0) {
            // Nothing yet: the read waits in the slot's own read time-out for the next
            // message, so that a message is delivered as it arrives rather than at the
            // next poll (a LAN answer's time is taken on arrival; a poll's delay would
            // be error). Closing the slot waits for it at most that time-out.
            outcome = EMPTY;
            pmem = new (std::nothrow) char[MAILIO_MAXMESSAGE + 1];
            if (!ASSERT(pmem)) return false;
            if (ReadFile(hMailSlotServer, pmem, MAILIO_MAXMESSAGE, &got, nullptr) && got > 0)
                outcome = READ;
            else if (GetLastError() != ERROR_SEM_TIMEOUT)
                outcome = FAILED_WAIT;
        } else if (next > static_cast<DWORD>(MAILIO_MAXMESSAGE)) {
            outcome = FAILED;
        } else {
            outcome = READ;
            pmem = new (std::nothrow) char[next + 1];
            if (!ASSERT(pmem)) return false;
            pmem[next] = 0;
            if (!ReadFile(hMailSlotServer, pmem, next, &got, nullptr)) got = 0;
        }
        if (outcome == FAILED)
            Logit("MAILIO::DevGetMailslotInfo error %d %lu %lu\n", ok, next, count);
    }
    switch (outcome) {
    case NOSLOT:
        Logit("MAILIO::DevRead with NULL-handle\n");
        Pause(250);
        return false;
    case FAILED:
        Feed(ERROR_MARKER, sizeof ERROR_MARKER);
        Pause(100);
        return false;
    case FAILED_WAIT:
        // A slot that cannot wait is polled, as before.
        delete[] pmem;
        Pause(100);
        return false;
    case EMPTY:
        // The time-out passed without a message: the daemon asks again at once.
        delete[] pmem;
        return true;
    case READ:
        break;
    }
    if (got > 0) {
        // The same message again is one write that came over two transports.
        bool repeat = static_cast<int>(got) == LastMessage.Length() &&
                      memcmp(pmem, LastMessage.Data(), got) == 0;
        if (!repeat) {
            Feed(pmem, static_cast<int>(got));
            LastMessage = STRING(pmem, static_cast<int>(got), 96);
        }
    }
    delete[] pmem;
    // Length 0: delivered here; the daemon goes back to waiting without a pause.
    return true;
}

STRING MAILIO::GetInfo(const char* key)
{
    STRING k(key);
    if (k == "ONLINE") {
        CRITSECTLOCK entered(ClientLock);
        return STRING(TargetCount > 0 ? "1" : "0");
    }
    if (k == "BANDWIDTH") return STRING("1000000");
    if (k == "LASTERROR") return STRING(ErrorNumber);
    if (k == "LASTERRORSTRING") return STRING("<unknown>");
    if (k == "OWNID") return OurId;
    if (k == "CALLERID") return STRING("<unknown>");
    if (k == "DEVICENAME") return STRING("MAIL");
    ASSERTTEXT(false, "FALSE", k.Text());
    return STRING("");
}
