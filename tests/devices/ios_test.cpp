// The byte-stream device base, driven through a scripted device: the daemon's
// polling and its orderly stop, the consumer's Read with time-out, stop bytes and
// pushback, the feed callback, Write and the state texts.
#include "feedrecord.h"
#include "ios.h"

#include "logcapture.h"
#include "testthread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace {

// A device whose incoming bytes the test supplies and whose writes it records.
class FAKEIO : public BASEIO {
public:
    // The base starts held in any case: its daemon calls DevRead, which uses members
    // that exist only once this constructor has run.
    explicit FAKEIO(bool held = false) : BASEIO("fake-id", "fake-call", "fake-parm", true)
    {
        if (!held) Release();
    }
    ~FAKEIO() override { KillDaemon(); }

    void Arrive(const std::string& bytes)
    {
        std::lock_guard<std::mutex> lock(mutex);
        incoming.push_back(bytes);
    }
    void SetNumAvail(int n) { numavail = n; }
    void Release() { ConstructorDone(); }
    // Lengths the daemon asked DevRead for.
    std::vector<int> Requests()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return requests;
    }

    bool DevRead(char* buffer, int& length) override
    {
        polls++;
        if (holding) {
            inside.Set();
            gate.Wait(10000);
            leaving = true;
        }
        std::lock_guard<std::mutex> lock(mutex);
        requests.push_back(length);
        if (incoming.empty()) {
            length = 0;
            return false;
        }
        std::string& piece = incoming.front();
        int n = static_cast<int>(piece.size()) < length ? static_cast<int>(piece.size()) : length;
        memcpy(buffer, piece.data(), n);
        piece.erase(0, n);
        if (piece.empty()) incoming.pop_front();
        length = n;
        return true;
    }
    // The front piece's size, as a device that knows its messages says.
    int DevGetNumAvail() override
    {
        if (numavail != UNSCRIPTED) return numavail;
        std::lock_guard<std::mutex> lock(mutex);
        return incoming.empty() ? 0 : static_cast<int>(incoming.front().size());
    }
    bool DevWrite(const char* bytes, int length) override
    {
        written.assign(bytes, length);
        return true;
    }
    bool DevIsReady() override { return true; }
    bool MakeCall(const char*) override { return true; }
    bool AcceptCall() override { return true; }
    bool DropCall() override { return true; }

    std::atomic<int> polls{0};
    std::atomic<bool> holding{false};
    std::atomic<bool> leaving{false};
    EVENTSEM inside, gate;
    std::string written;

private:
    std::mutex mutex;
    std::deque<std::string> incoming;
    std::vector<int> requests;
    static const int UNSCRIPTED = -12345;
    std::atomic<int> numavail{UNSCRIPTED};
};

// Polls cond until it holds or ms have passed.
template <class COND> bool within(int ms, COND cond)
{
    DWORD t0 = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - t0 > static_cast<DWORD>(ms)) return false;
        Sleep(10);
    }
    return true;
}

std::string read(BASEIO& io, int room, int timeout, const char* stopset = nullptr)
{
    std::string out(room, '\0');
    int length = room;
    io.Read(&out[0], length, timeout, stopset);
    out.resize(length);
    return out;
}

}  // namespace

TEST(BaseIo, DaemonAsksForWhatIsWaitingUpToOneBuffer)
{
    const struct {
        int numavail, asked;
    } cases[] = {{0, 1}, {5, 5}, {8192, 8192}, {9000, 8192}, {-1, 8192}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "waiting " << c.numavail);
        FAKEIO io(true);
        io.SetNumAvail(c.numavail);
        io.Release();
        ASSERT_TRUE(within(5000, [&] { return !io.Requests().empty(); }));
        EXPECT_EQ(io.Requests().front(), c.asked);
    }
}

TEST(BaseIo, HeldDaemonWaitsForTheConstructorToFinish)
{
    FAKEIO io(true);
    EXPECT_FALSE(within(300, [&] { return io.polls > 0; }));
    io.Release();
    EXPECT_TRUE(within(5000, [&] { return io.polls > 0; }));
}

TEST(BaseIo, DeviceNeverReleasedStillEndsItsDaemon)
{
    struct DESTROY {
        static DWORD WINAPI Run(void* io)
        {
            delete static_cast<FAKEIO*>(io);
            return 0;
        }
    };
    // On a thread of its own, so a hanging destructor fails the test instead of
    // holding it; the thread is then left behind.
    HANDLE destroy = CreateThread(nullptr, 0, DESTROY::Run, new FAKEIO(true), 0, nullptr);
    ASSERT_NE(destroy, nullptr);
    EXPECT_EQ(WaitForSingleObject(destroy, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(destroy);
}

TEST(BaseIo, KillDaemonWaitsUntilTheDaemonHasLeftTheDevice)
{
    LOGCAPTURE log;
    FAKEIO io;
    io.holding = true;
    ASSERT_TRUE(io.inside.Wait(5000));
    std::atomic<bool> devicewasleft{false};
    {
        TESTTHREAD killer([&] {
            io.KillDaemon();
            devicewasleft = io.leaving.load();
        });
        // The daemon is inside DevRead: the owner's wait must last until it comes out.
        EXPECT_FALSE(killer.Ended(300));
        io.gate.Set();
        EXPECT_TRUE(killer.Ended(5000));
    }
    EXPECT_TRUE(devicewasleft);
    int polls = io.polls;
    io.KillDaemon();  // again: nothing to do
    io.Arrive("late");
    EXPECT_EQ(io.polls, polls);
    EXPECT_NE(log.Text().find("BASEIO::~Daemon\r\n"), std::string::npos) << log.Text();
}

TEST(BaseIo, ReadOnEmptyDeviceWaitsItsTimeOut)
{
    FAKEIO io;
    const struct {
        int timeout, atleast, below;  // ms; the tick counts in steps of up to 16 ms
    } cases[] = {{0, 0, 100}, {100, 80, 2100}, {400, 380, 2400}};
    for (const auto& c : cases) {
        DWORD t0 = GetTickCount();
        EXPECT_EQ(read(io, 8, c.timeout), "");
        DWORD elapsed = GetTickCount() - t0;
        EXPECT_GE(elapsed, static_cast<DWORD>(c.atleast)) << c.timeout;
        EXPECT_LT(elapsed, static_cast<DWORD>(c.below)) << c.timeout;
    }
}

TEST(BaseIo, ReadReturnsALineAsSoonAsItsEndArrived)
{
    FAKEIO io;
    io.Arrive("first line\nsecond");
    DWORD t0 = GetTickCount();
    EXPECT_EQ(read(io, 64, 20000, "\n"), "first line\n");
    EXPECT_LT(GetTickCount() - t0, 10000u);
    EXPECT_EQ(read(io, 64, 200, "\n"), "second");  // no line end: the time-out ends it
}

TEST(BaseIo, PushedBackBytesComeFirst)
{
    FAKEIO io;
    io.Arrive("world\n");
    ASSERT_TRUE(within(5000, [&] { return io.Requests().size() >= 2; }));  // fed
    io.PushBack(" ", 1);
    io.PushBack("hello", 5);  // in front of the blank
    EXPECT_EQ(read(io, 64, 5000, "\n"), "hello world\n");
}

TEST(BaseIo, FeedCallbackTakesEverythingAndReadTimesOut)
{
    FAKEIO io;
    FEEDRECORD record;
    io.SetFeedCallback(FEEDRECORD::Callback, &record);
    io.Arrive(std::string("piece\0one", 9));
    ASSERT_GE(record.WaitFor(1, 5000).size(), 1u);
    EXPECT_EQ(record.pieces[0], std::string("piece\0one", 9));
    EXPECT_EQ(read(io, 16, 300), "");

    io.SetFeedCallback(nullptr, nullptr);
    io.Arrive("back");
    EXPECT_EQ(read(io, 4, 10000), "back");
    EXPECT_EQ(record.pieces.size(), 1u);
}

TEST(BaseIo, WriteOfMinusOneSendsTheTextWithoutItsZero)
{
    FAKEIO io;
    EXPECT_TRUE(io.Write("text", -1));
    EXPECT_EQ(io.written, "text");
    EXPECT_TRUE(io.Write("text", 5));
    EXPECT_EQ(io.written, std::string("text\0", 5));
}

TEST(BaseIo, GetInfoAnswersByKeyWithoutRegardToCase)
{
    FAKEIO io;
    const struct {
        const char *key, *answer;
    } cases[] = {
        {"ONLINE", "0"},          {"lasterror", "0"},       {"LastErrorString", "<unknown>"},
        {"ownid", "fake-id"},     {"CALLERID", "<unknown>"}, {"DeviceName", "BASEIO"},
        {"BANDWIDTH", "BASEIO::BAD-REQUEST"},                {"", "BASEIO::BAD-REQUEST"},
    };
    for (const auto& c : cases) EXPECT_STREQ(io.GetInfo(c.key).Text(), c.answer) << c.key;
    io.SetOurId("new-id");
    EXPECT_STREQ(io.GetInfo("OWNID").Text(), "new-id");
}

TEST(BaseIo, FeedDumpsTheBytesAtDetailEightOfCategory100)
{
    FAKEIO io;
    FEEDRECORD record;
    io.SetFeedCallback(FEEDRECORD::Callback, &record);
    std::string bytes;
    for (int i = 0; i < 17; i++) bytes += static_cast<char>(i == 16 ? 0xab : i);
    LOGCAPTURE log(0x108);
    EXPECT_TRUE(io.Feed(bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_NE(log.Text().find("\n      00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\n      ab\r\n"),
              std::string::npos)
        << log.Text();
}
