// APPENGINE, horalink's window-free time engine, owned by the application object APP:
// it asks time servers, judges the answers, sets the clock, corrects its drift and
// runs the update thread with its schedule. It keeps its state in the settings HASH it is
// given, reaches the system clock only through SYSTEMCLOCK and reports what happened
// through ENGINEEVENTS; it knows no window. Its trace lines keep the "APP::" prefix
// of the program.
#pragma once

#include "clock.h"
#include "engineevents.h"
#include "hash.h"
#include "ntptime.h"
#include "semaphores.h"
#include "sntpresponder.h"
#include "strings.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class WINRAS;
class LANLINK;
class MAILIO;

const unsigned short SNTP_PORT = 123;

// The protocol's port and the waits of an update: the SNTP query's deadline, the least
// time between the exchanges of one query, the pause before the first try, the time
// given to a fresh dial-up connection and the wait for a LAN server's answer. The program keeps these values; only tests shorten them, through
// SetTimings, so that they need not sit out real deadlines. The SNTP server's port too:
// tests serve on a port of their own.
struct ENGINETIMINGS {
    unsigned short SntpPort = SNTP_PORT;
    unsigned short SntpServerPort = SNTP_PORT;
    unsigned long SntpWaitMs = 10000;
    unsigned long SntpSpacingMs = 1000;
    unsigned long UpdatePauseMs = 1500;
    unsigned long DialupGraceS = 11;
    unsigned long LanAnswerWaitMs = 1500;
};

// Quality levels of a result (TimeLastQuality).
const int QUALITY_RIGHT = 0;  // within the network's variance
const int QUALITY_CLOSE = 1;  // close enough
const int QUALITY_WRONG = 2;  // the clock must be set

// The update thread's round.
const int WORKTHREAD_ROUND_MS = 500;

// TimeLastTimeDelta once the clock has been set: a second adjustment does nothing.
const char ZERO_TIME_DELTA[] = "00000000.00000000";

// How long a measured offset may be applied by adjust-now (seconds), and how far the
// time elapsed by the clock and by the tick count may differ before the clock counts
// as changed since the measurement (ms).
const unsigned long OFFSET_FRESH_S = 300;
const long long OFFSET_CLOCK_SLACK_MS = 2000;

// The drift calculator's ranges (as its dialog enforces them): seconds gained or lost,
// and in how many hours; outside them the arithmetic would divide by zero or overflow.
const int DRIFTCALC_SECONDS_MAX = 9999;
const int DRIFTCALC_HOURS_MIN = 1;
const int DRIFTCALC_HOURS_MAX = 48;

// The drift calculator's texts for the settings dialog: control 204 (clock-tick
// increment in ns) and control 205 (correction in ns per tick), or "N/A".
struct DRIFTTEXTS {
    STRING Increment;
    STRING Adjustment;
};

// The upstream of the last good SNTP query: what this PC's SNTP server says of its
// reference.
struct SNTPUPSTREAM {
    bool Known = false;
    int Stratum = 0;
    uint32_t Address = 0;  // IPv4, network order
    uint32_t RootDelay = 0;  // the upstream's own, 16.16 seconds
    uint32_t RootDispersion = 0;
    NTPTIME Delay;          // our round trip to it
    NTPTIME Time;           // the upstream's time then
    ULONGLONG Ticks = 0;    // the clock's tick count then
};

class APPENGINE : public SNTPREFERENCESOURCE {
public:
    // settings, clock and events must outlive the engine; events is not called
    // before the engine is asked to do something.
    APPENGINE(HASH& settings, SYSTEMCLOCK& clock, ENGINEEVENTS& events);
    // The owner stops the update thread first (StopWorkThread); what is still
    // running here is waited for a last time and reported.
    ~APPENGINE() override;
    APPENGINE(const APPENGINE&) = delete;
    APPENGINE& operator=(const APPENGINE&) = delete;

    // ---- Settings shared by the update thread and the window thread (appengine.cpp).
    // Each read copies the value and each write replaces it under SettingsLock, so a
    // value is never read while it is being replaced. Readers on other threads take
    // the lock (or use these calls) too.
    STRING GetSetting(const char* key);  // a null STRING for a missing key
    int GetSettingInt(const char* key);
    void PutSetting(const char* key, const STRING& value);
    // Writes value into key only when the key is missing, the table's lock against new
    // keys lifted for it; true when it was written.
    bool PutMissingSetting(const char* key, const STRING& value);
    CRITSECT& SettingsLock() { return SettingsCritSect; }
    // Mode 0, 1 or 2 (stored as at least 1, see SETTINGS::Apply).
    void SetMode(int mode);

    // A text of the language library, with its first "%s" replaced by value.
    static STRING ResourceText(int id, const char* value = nullptr);

    // ---- One server try (sntpquery.cpp).
    // Asks server over SNTP, in up to four exchanges, and keeps the one with the
    // shortest round trip: 1 with output "+OK <server>" and the correction to add to
    // the clock in offset, 0 with output "-ERR <reason>" and a zero offset (also when
    // half the round trip, the result's error bound, exceeds TimeMaxDiff).
    int GetNtpTime(const char* server, STRING& output, NTPTIME& offset);
    // The kiss code ("RATE", "DENY", "RSTR", ...) of the last GetNtpTime when the server
    // sent a kiss-o'-death, else empty; bytes that are no printable ASCII read as '?'.
    const STRING& GetLastKissCode() const { return LastKissCode; }
    // The test seam: the SNTP port and the waits (before the update thread starts).
    void SetTimings(const ENGINETIMINGS& timings) { Timings = timings; }
    const ENGINETIMINGS& GetTimings() const { return Timings; }
    void SetSntpPort(unsigned short port) { Timings.SntpPort = port; }

    // ---- Judging a result (evaluation.cpp).
    // The difference text of ms >= 0 milliseconds, units from the language library;
    // granularity 1000 and more leaves out the fractions of a second.
    static STRING FormatDiff(long long ms, int granularity);
    // Level 0, 1 or 2 of an absolute difference against the two limits.
    static int QualityLevel(long long ms, long long variance, long long maxdiff);
    // TimeExtraAdjustment cut to 16 bits, in seconds.
    long ExtraAdjustmentSeconds();
    // Adds seconds (negative: subtracts) to offset.
    void ExtraAdjustment(NTPTIME& offset, long seconds);
    // Records any try in the status keys; 1 for a good result. Takes the "+OK "/"-ERR "
    // prefix off output, which then holds the server or the error text.
    int StoreResult(int ok, STRING& output, const NTPTIME& offset);
    // Classifies a good result, writes the status keys, notifies and decides; text
    // receives the signed difference text, which is also returned.
    STRING HandleNewResult(STRING& text, const NTPTIME& offset);
    // The report of a judged result, the alarm and the decision: non-zero means set the
    // clock. May ask the user (blocks the caller).
    int OnNeedClockAdjust(const CHECKRESULT& result);

    // ---- Setting the clock (adjustment.cpp).
    // Sets the clock by the offset in delta ("%x.%x") and records that it was set; when
    // the platform refuses, the status says so and the measured offset and level stay.
    void AdjustClock(const char* delta);
    // Whether the stored offset may still be applied: measured at most OFFSET_FRESH_S
    // ago by the tick count, and the clock not changed since (elapsed UTC and elapsed
    // ticks agree within OFFSET_CLOCK_SLACK_MS). A zero offset moves nothing: always.
    bool OffsetFresh();
    // The adjustment asked for (AdjustPending taken): applies the stored offset while it
    // is fresh, else makes an update due whose good result is then applied.
    void AdjustNow();
    // Sets the system clock to now + offset; 1 when the platform accepted it, else 0
    // with the platform's error code in refusal (when given).
    int AdjustSystemTime(const NTPTIME& offset, DWORD* refusal = nullptr);
    // The common end of every update sequence.
    void AfterCheck(int maybroadcast);

    // ---- Drift (drift.cpp).
    // Lengthens (on) every clock tick by nanoseconds / 100 units, or gives the clock
    // back to the platform's regulation; 1 when the platform took it. A correction
    // outside the band of DriftLimit is refused, logged and reported (DriftRefused).
    int SetDrift(int on, long long nanoseconds);
    // The largest correction (ns per tick, either way) for a clock tick of increment
    // (100-ns units), and whether nanoseconds lies within it.
    static long long DriftLimit(DWORD increment);
    static bool DriftInBand(long long nanoseconds, DWORD increment);
    // The text that refuses a correction of nanoseconds against limit.
    static STRING DriftRefusedText(long long nanoseconds, long long limit);
    // Whether the platform offered its clock-tick adjustment at construction.
    bool DriftSupported() const { return DriftSupport != 0; }
    // The drift calculator: seconds gained (fast) or lost in hours, against the clock
    // tick read from clock.
    static DRIFTTEXTS CalculateDrift(int seconds, int hours, int fast, SYSTEMCLOCK& clock);
    // The same from TimeDriftCalc1..3 and the engine's clock.
    DRIFTTEXTS CalculateDrift();

    // ---- Schedule (schedule.cpp).
    // Seconds since 1970 of the engine's clock.
    unsigned long NowSeconds();
    // 1 when a scheduled update is due.
    int NeedsRefresh();
    // Marks an update sequence done and schedules the next one.
    void Refreshed();
    // Makes an update due at once (when updates are scheduled at all).
    void ScheduleNow();

    // ---- One update sequence (updateitem.cpp).
    void UpdateItem();

    // ---- The update thread (workthread.cpp).
    // Starts the thread; false when it runs already or cannot be started.
    bool StartWorkThread();
    // Asks the thread to end after its current round, without waiting.
    void RequestStop() { StopFlag = 1; }
    // Asks the thread to end and waits up to timeout ms (-1: no limit); true when it ended.
    bool StopWorkThread(int timeout);
    // Whether the thread runs (it clears this itself as its last step).
    bool WorkThreadRunning() const { return ThreadRunning; }
    // Whether the PC counts as online for an update (on the update thread only: the
    // remote-access library is loaded there at the first dial-up query).
    int IsOnline();
    // Whether a cyclic LAN broadcast is due.
    int NeedsBrodcast();

    // ---- Flags shared with the window thread.
    void SetAdjustPending() { AdjustPending = 1; }
    bool IsAdjustPending() const { return AdjustPending != 0; }
    void SetSuspended(bool suspended) { Suspended = suspended ? 1 : 0; }
    bool IsSuspended() const { return Suspended != 0; }
    bool IsBusy() const { return Busy != 0; }
    // When the PC was last seen going online (seconds since 1970), 0 while offline.
    unsigned long GetOnlineSince() const { return OnlineSince; }
    // The LAN roles, derived from the settings by their owner.
    void SetLanFlags(bool client, bool server);
    bool IsLanClient() const { return LanClient != 0; }
    bool IsLanServer() const { return LanServer != 0; }
    // Set by the LAN protocol when a time answer for this PC has been taken.
    EVENTSEM& GetLanAnswerEvent() { return LanAnswerEvent; }

    // ---- The LAN device (landevice.cpp).
    // Opens the mailslot device and hands its lines to the protocol; false when the LAN
    // cannot be reached (the program then takes no part in it).
    bool StartLan();
    // Closes the device, its reader first; the owner calls it before the engine goes.
    void StopLan();

    // ---- The LAN time protocol (lanprotocol.cpp).
    // Where the protocol's lines go (null: nowhere); the link must outlive its use.
    void SetLanLink(LANLINK* link);
    // Sends one message "[id]command" to recipient (null: every instance); 1 when the
    // link took it.
    int SendCommand(const char* command, const char* recipient);
    // Received bytes (the LAN device's daemon thread): complete lines that are new and
    // meant for this PC go to DataCallback.
    void MailioCallback(const char* bytes, int length);
    // Acts on one accepted message: a server answers and broadcasts, a client takes a
    // time answer (for the update thread to judge, see TakeLanResult).
    void DataCallback(const char* sender, const char* command);
    // "TIME <now>", or "TIMENTP <requesttime> <now> <now again>".
    STRING LanTimeAnswer(const char* requesttime);
    // A LAN answer taken since the last call: recorded and judged here (the clock may be
    // set); true when it was a good result.
    bool TakeLanResult();
    // A computer name as the protocol's ids carry it: "." as "_", at most 12 characters
    // (so that an id stays within 31); "<N/A>" for none.
    static STRING LanName(const char* name);
    static STRING OwnLanName();

    // ---- Limits every measurement passes (sntpquery.cpp).
    // TimeMaxDiff in ms as the bound of a result's error: at least the dialog's 100 ms.
    long long MaxDiffBound();
    // Whether offset exceeds the largest correction allowed (TimeDoMaxAdjust/TimeMaxAdjust).
    bool BeyondCorrectionLimit(const NTPTIME& offset);

    // ---- The SNTP server of a LAN server (enginesntpserver.cpp).
    // Serves SNTP on the SntpServerPort while this PC is a LAN server with
    // LanSntpServer on, else stops serving; SetLanFlags calls it. True when it serves.
    bool UpdateSntpServer();
    // Stops serving, waiting for the server's thread (the program's end).
    void StopSntpServer();
    bool SntpServerRunning() const { return SntpServer.IsRunning(); }
    // The upstream of the last good query, and what the SNTP server says of this PC's
    // clock: synchronised while that query was this run's last check, it was good and
    // the clock is right (or was set by it), and no extra adjustment shifts the clock.
    SNTPUPSTREAM GetUpstream();
    SNTPREFERENCE GetSntpReference() override;

private:
    static unsigned __stdcall WorkThreadEntry(void* engine);
    void WorkThread();
    // The sequence's tries against TimeServer (and TimeServer2); true when one was good.
    bool InternetTries();
    // The LAN client's request and wait; true when a LAN server answered.
    bool LanClientRequest();
    // LAN protocol steps of the update sequence and loop (lanprotocol.cpp).
    void SendLanTimeRequest();
    void LanServerBroadcast();
    bool AcceptLine(STRING message, const STRING& own, STRING& sender, STRING& command);
    void TakeLanAnswer(const char* sender, bool ntp, const STRING& a, const STRING& b, const STRING& c);
    unsigned long GetSettingTime(const char* key);
    // Remembers the upstream of a good query (sntpquery.cpp).
    void RecordUpstream(const SNTPUPSTREAM& upstream);

    HASH& Settings;
    SYSTEMCLOCK& Clock;
    ENGINEEVENTS& Events;

    CRITSECT SettingsCritSect;
    ENGINETIMINGS Timings;
    STRING LastKissCode;  // of the last GetNtpTime, on the update thread
    // Kiss-o'-death state of each server setting (0: TimeServer, 1: TimeServer2), on the
    // update thread, in memory only. It belongs to the server name it was earned by and
    // is forgotten when the setting changes.
    struct KISSSTATE {
        STRING Server;
        unsigned long Backoff = 0;  // seconds after a RATE, 0: none
        STRING Stopped;             // "DENY" or "RSTR": not asked any more
    };
    KISSSTATE Kiss[2];
    // Records the kiss code of server slot's last try; true when it stops that server.
    bool HandleKiss(int slot);
    int DriftSupport;

    HANDLE hThread;
    std::atomic<bool> ThreadRunning;
    std::atomic<int> StopFlag;
    std::atomic<int> Suspended;
    std::atomic<int> Busy;
    std::atomic<int> AdjustPending;
    std::atomic<int> AdjustAfterUpdate;  // apply the next good result (stale offset)
    std::atomic<int> LanClient;
    std::atomic<int> LanServer;
    std::atomic<unsigned long> OnlineSince;
    EVENTSEM LanAnswerEvent;
    // The LAN protocol's state, guarded by LanLock; LanWriteLock keeps two threads'
    // lines apart on the link and the link in place while one is written.
    std::mutex LanLock;
    std::mutex LanWriteLock;
    LANLINK* LanLink = nullptr;  // under LanWriteLock
    HASH LastIds;              // per sender the id of its last accepted message, ours too
    STRING ReceiveBuffer;      // received bytes up to the next line end
    uint32_t MessageCounter;   // of the next message sent
    NTPTIME LastLanRequest;    // the time our last NEEDTIME carried
    bool LanAnswerWaiting = false;
    NTPTIME LanAnswer;         // the offset of the answer waiting, and its sender
    STRING LanAnswerFrom;

    CRITSECT UpstreamLock;
    SNTPUPSTREAM Upstream;  // under UpstreamLock
    CRITSECT SntpServerLock;  // starting and stopping
    SNTPRESPONDER SntpServer;

    std::unique_ptr<WINRAS> Ras;  // loaded at the first dial-up query
    STRING ReportedEntry;         // the too long entry name reported last
    // The device and its link, last: they go first, before what their reader uses.
    std::unique_ptr<LANLINK> LanDeviceLink;
    std::unique_ptr<MAILIO> LanDevice;
};
