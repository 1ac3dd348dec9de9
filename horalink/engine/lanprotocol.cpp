// The LAN time protocol: one-line messages "[counter.sender.recipient]command" between
// the instances of a LAN. Servers answer a client's "NEEDTIME" with "TIMENTP" and
// broadcast "TIME"; a client takes either as a measurement. Lines arrive on the LAN
// device's daemon thread; every number in them comes from the network and is checked
// before it can reach the clock, and the answer itself is judged on the update thread.
#include "appengine.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "lanlink.h"
#include "settingkeys.h"

#include <cstring>
#include <utility>
#include <vector>

// An id is at most 31 characters: "%04x" of the counter (four digits, as it wraps back
// to 0x1000 before 0x10000), two points and two names of at most LAN_NAME_MAX each.
const int LAN_ID_MAX = 31;
const int LAN_NAME_MAX = 12;
const uint32_t LAN_COUNTER_FIRST = 0x1000;
const uint32_t LAN_COUNTER_END = 0x10000;
// Received bytes without a line end are kept up to this many; a sender that never
// ends its line cannot make the buffer grow without limit.
const int LAN_BUFFER_MAX = 65536;
// Senders remembered for repeat suppression; a flood of invented names is forgotten.
const int LAN_SENDERS_MAX = 1024;
// The mailslot device's mark of a message too long for its buffer: "<ERROR>" and a
// zero byte. It is no protocol line.
static const char LAN_ERROR_MARK[] = "<ERROR>";
const int LAN_ERROR_MARK_SIZE = 8;
// A genuine answer's round trip may read up to one clock tick below zero.
const long long LAN_MIN_DELAY_MS = -20;

STRING APPENGINE::LanName(const char* name)
{
    STRING text(name && *name ? name : "<N/A>");
    text.Replace(".", "_");
    if (text.Length() > LAN_NAME_MAX) text.Truncate(LAN_NAME_MAX);
    return text;
}

STRING APPENGINE::OwnLanName()
{
    // Read once: every received line is compared with it.
    static const STRING own = [] {
        char name[MAX_COMPUTERNAME_LENGTH + 1];
        DWORD size = sizeof name;
        return LanName(GetComputerNameA(name, &size) ? name : nullptr);
    }();
    return own;
}

void APPENGINE::SetLanLink(LANLINK* link)
{
    std::lock_guard<std::mutex> guard(LanWriteLock);
    LanLink = link;
}

int APPENGINE::SendCommand(const char* command, const char* recipient)
{
    Logit("APP::SendCommand %s\n", command ? command : "");
    STRING own = OwnLanName();
    STRING to = recipient ? LanName(recipient) : STRING("*");
    // Two threads' lines go out one after the other, and the link stays while one does.
    // The receiver's lock is not held meanwhile: a write that waits for room in our own
    // slot must not keep our reader from emptying it.
    std::lock_guard<std::mutex> writing(LanWriteLock);
    STRING id;
    {
        std::lock_guard<std::mutex> guard(LanLock);
        id.Format("%04x.%s.%s", static_cast<unsigned>(MessageCounter), own.Text(), to.Text());
        if (++MessageCounter >= LAN_COUNTER_END) MessageCounter = LAN_COUNTER_FIRST;
        // Our own broadcast comes back to our own slot: the table makes us ignore it.
        LastIds[own] = id;
    }
    STRING line = STRING("[") + id.Text() + "]" + (command ? command : "") + "\n";
    int result = LanLink && LanLink->Send(line.Text(), line.Length()) ? 1 : 0;
    Logit("APP::SendCommand done\n");
    return result;
}

void APPENGINE::MailioCallback(const char* bytes, int length)
{
    if (!bytes || length <= 0) return;
    // The device's overflow mark and any other zero byte are dropped here: the buffer
    // is searched as text, and a zero would hide every line end behind it.
    STRING clean;
    for (int i = 0; i < length; i++) {
        if (i + LAN_ERROR_MARK_SIZE <= length && bytes[i + LAN_ERROR_MARK_SIZE - 1] == 0 &&
            memcmp(bytes + i, LAN_ERROR_MARK, LAN_ERROR_MARK_SIZE - 1) == 0) {
            Logit("APP::MailioCallback drops the device's <ERROR> mark\n");
            i += LAN_ERROR_MARK_SIZE - 1;
        } else if (bytes[i] != 0) {
            clean.AppendChar(bytes[i]);
        }
    }
    STRING own = OwnLanName();
    std::vector<std::pair<STRING, STRING>> accepted;  // sender, command
    {
        std::lock_guard<std::mutex> guard(LanLock);
        ReceiveBuffer += clean;
        int end;
        while ((end = ReceiveBuffer.Pos("\n")) >= 0) {
            STRING message = ReceiveBuffer.Left(end);
            ReceiveBuffer.CutLeft(end + 1);
            STRING sender, command;
            if (AcceptLine(message, own, sender, command)) accepted.emplace_back(sender, command);
        }
        if (ReceiveBuffer.Length() > LAN_BUFFER_MAX) {
            Logit("APP::MailioCallback drops %d bytes without a line end\n", ReceiveBuffer.Length());
            ReceiveBuffer = "";
        }
    }
    // Acted on outside the lock: answering sends, which takes the lock again.
    for (const auto& message : accepted) DataCallback(message.first, message.second);
}

// A check of received input: what fails is logged. Lines come from anyone on the LAN,
// so they raise no assertion report: a box, or an entry in assert.log, for every line
// would be the sender's to raise.
static bool lan_check(bool ok, const char* condition, const STRING& message)
{
    if (!ok) Logit("APP::MailioCallback %s fails for \"%.80s\"\n", condition, message.Text());
    return ok;
}

// One received line: true (with its sender and command) when it is well formed, new
// and meant for us. Called under LanLock.
bool APPENGINE::AcceptLine(STRING message, const STRING& own, STRING& sender, STRING& command)
{
    if (!lan_check(message.Length() > 0 && message[0] == '[', "msg[0]=='['", message)) return false;
    message.Strip('B', "[\n");
    int close = message.Pos("]");
    STRING id = close < 0 ? message : message.Left(close);
    command = close < 0 ? STRING("") : message.Mid(close + 1);
    int next = command.Pos("]");
    if (next >= 0) command.Truncate(next);
    if (id.Length() > LAN_ID_MAX) {
        Logit("APP::MailioCallback drops an id of %d characters\n", id.Length());
        return false;
    }
    STRING counter = id.Field(0, ".", STRINGFIELD_EMPTYIFMISSING);
    sender = id.Field(1, ".", STRINGFIELD_EMPTYIFMISSING);
    STRING recipient = id.Field(2, ".", STRINGFIELD_EMPTYIFMISSING);
    lan_check(counter.NotEmpty(), "idd.NotNull()", message);
    lan_check(sender.NotEmpty(), "computername.NotNull()", message);
    lan_check(recipient.NotEmpty(), "sendto.NotNull()", message);
    lan_check(id.NotEmpty() && command.NotEmpty(), "id.NotNull() && cmd.NotNull()", message);

    bool repeat = LastIds.Exists(sender) && LastIds.Existing(sender) == id;
    bool ours = recipient == "*" || (recipient.NotEmpty() && recipient == own);
    if (repeat || !ours) return false;
    if (!LastIds.Exists(sender) && LastIds.GetCount() >= LAN_SENDERS_MAX) {
        STRING mine = LastIds.Exists(own) ? LastIds.Existing(own) : STRING();
        LastIds = HASH();
        if (mine.NotEmpty()) LastIds[own] = mine;
    }
    LastIds[sender] = id;
    Logit("APP::MailioCallback about to call pDataCallback(%d, '%s', '%s')\n", counter.ToInt(),
          sender.Text(), command.Text());
    return true;
}

void APPENGINE::DataCallback(const char* sender, const char* command)
{
    STRING text(command ? command : "");
    STRING w0 = text.Field(0, " ", STRINGFIELD_EMPTYIFMISSING);
    STRING w1 = text.Field(1, " ", STRINGFIELD_EMPTYIFMISSING);
    STRING w2 = text.Field(2, " ", STRINGFIELD_EMPTYIFMISSING);
    STRING w3 = text.Field(3, " ", STRINGFIELD_EMPTYIFMISSING);
    if (IsLanClient()) {
        if (w0 == "TIME" || w0 == "TIMENTP") TakeLanAnswer(sender, w0 == "TIMENTP", w1, w2, w3);
    } else if (IsLanServer()) {
        if (w0 == "SERVERBROADCAST") {
            SendCommand(LanTimeAnswer(nullptr), "*");
            PutSetting(KEY::LanLastBrodcast, STRING(NowSeconds()));
        } else if (w0 == "NEEDTIME") {
            SendCommand(LanTimeAnswer(w1), sender);
        }
    }
}

STRING APPENGINE::LanTimeAnswer(const char* requesttime)
{
    STRING handled = Clock.PreciseNow().Text();
    if (!requesttime) return STRING("TIME ") + handled.Text();
    STRING answer = STRING("TIMENTP ") + requesttime + " " + handled.Text() + " " + Clock.PreciseNow().Text().Text();
    Logit("LanTimeAnswer returns %s\n", answer.Text());
    return answer;
}

// A client's measurement from a server's "TIME" or "TIMENTP", taken on arrival: parsed,
// checked like an internet answer, and left for the update thread to judge.
void APPENGINE::TakeLanAnswer(const char* sender, bool ntp, const STRING& a, const STRING& b,
                              const STRING& c)
{
    NTPTIME t4 = Clock.PreciseNow();
    bool okay = true, okb = true, okc = true;
    NTPTIME t1 = NTPTIME::FromText(a, &okay);
    NTPTIME t2 = ntp ? NTPTIME::FromText(b, &okb) : NTPTIME();
    NTPTIME t3 = ntp ? NTPTIME::FromText(c, &okc) : NTPTIME();
    const char* reason = nullptr;
    NTPTIME offset, delta;
    if (!okay || !okb || !okc || t1.IsZero() || (ntp && (t2.IsZero() || t3.IsZero()))) {
        reason = "a time that does not parse";
    } else if (ntp) {
        std::lock_guard<std::mutex> guard(LanLock);
        if (LastLanRequest.IsZero() || t1 != LastLanRequest) reason = "an answer to no request of ours";
    }
    if (!reason && ntp) {
        delta = NTPTIME::RoundTripDelay(t1, t2, t3, t4);
        offset = NTPTIME::ClockOffset(t1, t2, t3, t4);
        long long d = delta.Units();
        if (d < NTPTIME::UnitsOfMs(LAN_MIN_DELAY_MS) || d > NTPTIME::UnitsOfMs(static_cast<long long>(Timings.LanAnswerWaitMs)))
            reason = "an impossible round trip delay";
        else if (d / 2 > NTPTIME::UnitsOfMs(MaxDiffBound()))
            reason = "a network too slow for a reliable time";
    } else if (!reason) {
        offset = t1 - t4;
    }
    if (!reason && BeyondCorrectionLimit(offset)) reason = "a difference above the largest correction";
    if (reason) {
        Logit("APP::DataCallback drops the answer of %s: %s\n", sender, reason);
        return;
    }
    Logit("APP::DataCallback %s from %s, offset %s\n", ntp ? "TIMENTP" : "TIME", sender, offset.Text().Text());
    {
        std::lock_guard<std::mutex> guard(LanLock);
        LanAnswer = offset;
        LanAnswerFrom = sender;
        LanAnswerWaiting = true;
    }
    LanAnswerEvent.Set();
}

bool APPENGINE::TakeLanResult()
{
    NTPTIME offset;
    STRING from;
    {
        std::lock_guard<std::mutex> guard(LanLock);
        if (!LanAnswerWaiting) return false;
        LanAnswerWaiting = false;
        offset = LanAnswer;
        from = LanAnswerFrom;
    }
    Logit("APP::TakeLanResult from %s\n", from.Text());
    STRING output("+OK ok");
    if (!StoreResult(1, output, offset)) return false;
    HandleNewResult(output, offset);
    return true;
}

void APPENGINE::SendLanTimeRequest()
{
    NTPTIME now = Clock.PreciseNow();
    {
        std::lock_guard<std::mutex> guard(LanLock);
        LastLanRequest = now;
        LanAnswerWaiting = false;
    }
    SendCommand((STRING("NEEDTIME ") + now.Text().Text()).Text(), nullptr);
}

void APPENGINE::LanServerBroadcast()
{
    Logit("APP::LanServerBroadcast\n");
    DataCallback("local", "SERVERBROADCAST");
}

int APPENGINE::NeedsBrodcast()
{
    unsigned long now = NowSeconds();
    unsigned long last = static_cast<unsigned long>(GetSetting(KEY::LanLastBrodcast).ToInt64());
    if (last > now) {
        PutSetting(KEY::LanLastBrodcast, STRING(now));
        last = now;
        Logit("APP::NeedsBrodcast resets LanLastBrodcast\n");
    }
    // Hours as typed: a fraction counts, anything below a second (or no number at all)
    // is an hour, and no value can overflow the sum.
    double seconds = GetSetting(KEY::LanBrodcastCyclicHours).ToDouble() * 3600;
    long long period = seconds >= 1 ? (seconds < 4294967295.0 ? static_cast<long long>(seconds) : 4294967295LL) : 3600;
    if (!GetSettingInt(KEY::LanBrodcastCyclic) || static_cast<long long>(last) + period > static_cast<long long>(now))
        return 0;
    Logit("APP::NeedsBrodcast returns %d (hours= %d, now= %u, lastbrod= %u)\n", 1,
          static_cast<int>(period / 3600), static_cast<unsigned>(now), static_cast<unsigned>(last));
    return 1;
}
