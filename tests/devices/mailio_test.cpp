// The mailslot device on local slots of the test prefix: repeats dropped, long
// writes split into 400-byte messages that all arrive, the largest message, writers
// that take turns, the state texts, and the seam that makes one machine a LAN.
#include "feedrecord.h"
#include "mailio.h"

#include "reports.h"
#include "testprocess.h"
#include "testthread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::string slot_name(const char* what)
{
    static int serial;
    char name[96];
    snprintf(name, sizeof name, "\\\\.\\mailslot\\hltest_%lu_%d_%s", GetCurrentProcessId(),
             ++serial, what);
    return name;
}

// A receiving device that records what arrives.
struct RECEIVER {
    explicit RECEIVER(const std::string& slot) : io(slot.c_str(), "", "")
    {
        io.SetFeedCallback(FEEDRECORD::Callback, &record);
        accepted = io.AcceptCall();
    }
    MAILIO io;
    FEEDRECORD record;
    bool accepted;
};

// A slot read directly, to see the messages a device writes as they are.
class RAWSLOT {
public:
    explicit RAWSLOT(const std::string& name)
    {
        h = CreateMailslotA(name.c_str(), 0, 250, nullptr);
    }
    ~RAWSLOT()
    {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    bool Ok() const { return h != INVALID_HANDLE_VALUE; }
    // Messages until total bytes have come (or 10 s passed).
    std::vector<std::string> Messages(size_t total)
    {
        std::vector<std::string> out;
        size_t got = 0;
        DWORD t0 = GetTickCount();
        while (got < total && GetTickCount() - t0 < 10000) {
            std::string m(MAILIO_MAXMESSAGE, '\0');
            DWORD n = 0;
            // The slot's read time-out bounds the wait for the next message.
            if (!ReadFile(h, &m[0], static_cast<DWORD>(m.size()), &n, nullptr)) continue;
            m.resize(n);
            got += n;
            out.push_back(m);
        }
        return out;
    }

private:
    HANDLE h;
};

bool write_raw(const std::string& slot, const std::string& message)
{
    HANDLE h = CreateFileA(slot.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    bool ok = WriteFile(h, message.data(), static_cast<DWORD>(message.size()), &n, nullptr) &&
              n == message.size();
    CloseHandle(h);
    return ok;
}

std::string pattern(int length, int seed = 0)
{
    std::string s;
    for (int i = 0; i < length; i++) s += static_cast<char>((i * 7 + seed) % 251);
    return s;
}

std::vector<int> sizes(const std::vector<std::string>& messages)
{
    std::vector<int> out;
    for (const std::string& m : messages) out.push_back(static_cast<int>(m.size()));
    return out;
}

std::string joined(const std::vector<std::string>& pieces)
{
    std::string out;
    for (const std::string& p : pieces) out += p;
    return out;
}

}  // namespace

TEST(MailIo, RepeatedMessageIsDeliveredOnceAndAgainAfterAnother)
{
    std::string slot = slot_name("repeat");
    RECEIVER rx(slot);
    ASSERT_TRUE(rx.accepted);
    MAILIO tx("", "", "");
    ASSERT_TRUE(tx.MakeCall(slot.c_str()));
    for (const char* m : {"[1.A.*]TIME x\n", "[1.A.*]TIME x\n", "[2.A.*]TIME y\n", "[1.A.*]TIME x\n", "end"})
        ASSERT_TRUE(tx.Write(m, -1));
    std::vector<std::string> expected = {"[1.A.*]TIME x\n", "[2.A.*]TIME y\n", "[1.A.*]TIME x\n", "end"};
    EXPECT_EQ(rx.record.WaitFor(4), expected);
}

TEST(MailIo, WritesGoOutInMessagesOfAtMost400Bytes)
{
    struct CASE {
        std::string data;
        std::vector<int> messages;
    };
    const CASE cases[] = {
        {pattern(1), {1}},
        {pattern(400), {400}},
        {pattern(401), {400, 1}},
        {pattern(1000), {400, 400, 200}},
        // Equal neighbours would be dropped as repeats: one byte less sets them apart.
        {std::string(800, 'A'), {400, 399, 1}},
        {std::string(1200, 'A'), {400, 399, 400, 1}},
        {std::string(399, 'A') + std::string(400, 'A'), {400, 399}},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(testing::Message() << c.data.size() << " bytes");
        std::string slot = slot_name("split");
        RAWSLOT raw(slot);
        ASSERT_TRUE(raw.Ok());
        MAILIO tx("", "", "");
        ASSERT_TRUE(tx.MakeCall(slot.c_str()));
        EXPECT_TRUE(tx.Write(c.data.data(), static_cast<int>(c.data.size())));
        std::vector<std::string> messages = raw.Messages(c.data.size());
        EXPECT_EQ(sizes(messages), c.messages);
        EXPECT_TRUE(joined(messages) == c.data);
    }
}

TEST(MailIo, LargestMessageIsReadInPartsFromTheRingBuffer)
{
    std::string slot = slot_name("ring");
    MAILIO rx(slot.c_str(), "", "");
    ASSERT_TRUE(rx.AcceptCall());
    std::string message = pattern(MAILIO_MAXMESSAGE, 5);
    ASSERT_TRUE(write_raw(slot, message));
    std::string first(5000, '\0'), rest(5000, '\0');
    int length = 5000;
    EXPECT_TRUE(rx.Read(&first[0], length, 10000, nullptr));
    first.resize(length);
    length = 5000;
    EXPECT_TRUE(rx.Read(&rest[0], length, 0, nullptr));  // the rest waits in the buffer
    rest.resize(length);
    EXPECT_EQ(first.size(), 5000u);
    EXPECT_TRUE(first + rest == message) << rest.size() << " bytes in the second read";
}

TEST(MailIo, WritersTakeTurnsWithWholeWrites)
{
    std::string slot = slot_name("turns");
    RAWSLOT raw(slot);
    ASSERT_TRUE(raw.Ok());
    MAILIO tx("", "", "");
    ASSERT_TRUE(tx.MakeCall(slot.c_str()));
    const int writes = 100;
    EVENTSEM go;  // both start together, so their writes overlap
    auto writer = [&](int first) {
        return [&tx, &go, first] {
            go.Wait(10000);
            for (int i = 0; i < writes; i++) {
                std::string m(1000, static_cast<char>(first + i));  // one tag byte per write
                tx.Write(m.data(), static_cast<int>(m.size()));
            }
        };
    };
    std::vector<std::string> messages;
    {
        // Drained while written: a slot holds only so much.
        TESTTHREAD reader([&] { messages = raw.Messages(2 * writes * 1000); });
        TESTTHREAD a(writer(1)), b(writer(128));
        go.Set();
        EXPECT_TRUE(a.Ended(60000));
        EXPECT_TRUE(b.Ended(60000));
    }
    ASSERT_EQ(messages.size(), 2u * writes * 3);
    for (size_t i = 0; i < messages.size(); i += 3) {
        char tag = messages[i][0];
        for (size_t j = i; j < i + 3; j++)
            EXPECT_EQ(messages[j].find_first_not_of(tag), std::string::npos) << "message " << j;
    }
}

TEST(MailIo, GetInfoAnswers)
{
    std::string slot = slot_name("info");
    RAWSLOT raw(slot);
    ASSERT_TRUE(raw.Ok());
    MAILIO io("\\\\.\\MAILSLOT\\OWNNAME", "", "");
    const struct {
        const char *key, *answer;
    } cases[] = {
        {"DEVICENAME", "MAIL"},     {"bandwidth", "1000000"},    {"LASTERROR", "0"},
        {"LastErrorString", "<unknown>"}, {"OWNID", "\\\\.\\MAILSLOT\\OWNNAME"},
        {"CALLERID", "<unknown>"},  {"ONLINE", "0"},
    };
    for (const auto& c : cases) EXPECT_STREQ(io.GetInfo(c.key).Text(), c.answer) << c.key;
    ASSERT_TRUE(io.MakeCall(slot.c_str()));
    EXPECT_STREQ(io.GetInfo("online").Text(), "1");
    io.DropCall();
    EXPECT_STREQ(io.GetInfo("ONLINE").Text(), "0");

    REPORTS reports;
    EXPECT_STREQ(io.GetInfo("SPEED").Text(), "");
    EXPECT_TRUE(reports.Were(1, "FALSE", "SPEED"));
}

TEST(MailIo, TestSlotsMakeThreeDevicesOneLan)
{
    std::string a = slot_name("lan_a"), b = slot_name("lan_b"), c = slot_name("lan_c");
    const char* domain = "\\\\*\\MAILSLOT\\TIKKORA1";
    RECEIVER ra("unused"), rb("unused"), rc("unused");
    ra.io.SetTestSlots((a + ";" + b + ";" + c).c_str());
    rb.io.SetTestSlots((b + ";" + a + ";" + c).c_str());
    rc.io.SetTestSlots((c + ";" + a + ";" + b).c_str());
    // Calls first and slots afterwards, as the program does it: a slot not there yet
    // is opened by the first write that needs it.
    for (RECEIVER* r : {&ra, &rb, &rc}) ASSERT_TRUE(r->io.MakeCall(domain));
    for (RECEIVER* r : {&ra, &rb, &rc}) {
        r->io.DropAccept();
        ASSERT_TRUE(r->io.AcceptCall());
    }
    ASSERT_TRUE(rb.io.Write("[1.B.*]NEEDTIME 1\n", -1));
    ASSERT_TRUE(ra.io.Write("[7.A.B]TIMENTP 1 2 3\n", -1));
    std::vector<std::string> both = {"[1.B.*]NEEDTIME 1\n", "[7.A.B]TIMENTP 1 2 3\n"};
    EXPECT_EQ(ra.record.WaitFor(2), both);  // its own write too, as a domain write does
    EXPECT_EQ(rb.record.WaitFor(2), both);
    EXPECT_EQ(rc.record.WaitFor(2), both);
    EXPECT_STREQ(ra.io.GetInfo("ONLINE").Text(), "1");
}

TEST(MailIo, TestSlotsComeFromTheEnvironmentAtCallTime)
{
    std::string own = slot_name("env_own"), other = slot_name("env_other");
    RAWSLOT peer(other);
    ASSERT_TRUE(peer.Ok());
    RECEIVER r("unused");
    r.io.DropAccept();
    SetEnvironmentVariableA(MAILIO_TESTSLOTS_VARIABLE, (own + ";" + other).c_str());
    bool accepted = r.io.AcceptCall();
    bool called = r.io.MakeCall("\\\\*\\MAILSLOT\\TIKKORA1");
    SetEnvironmentVariableA(MAILIO_TESTSLOTS_VARIABLE, nullptr);
    ASSERT_TRUE(accepted);
    ASSERT_TRUE(called);
    ASSERT_TRUE(r.io.Write("hello\n", -1));
    EXPECT_EQ(peer.Messages(6), std::vector<std::string>{"hello\n"});
    EXPECT_EQ(r.record.WaitFor(1), std::vector<std::string>{"hello\n"});

    // Without the seam the given names count again.
    r.io.DropCall();
    EXPECT_FALSE(r.io.MakeCall(slot_name("absent").c_str()));
}

TEST(MailIo, TestSlotsJoinASecondProcessToTheLan)
{
    std::string own = slot_name("proc_own"), peer = slot_name("proc_peer");
    RECEIVER r("unused");
    r.io.DropAccept();
    r.io.SetTestSlots((own + ";" + peer).c_str());
    ASSERT_TRUE(r.io.AcceptCall());
    ASSERT_TRUE(r.io.MakeCall("\\\\*\\MAILSLOT\\TIKKORA1"));
    SetEnvironmentVariableA(MAILIO_TESTSLOTS_VARIABLE, (peer + ";" + own).c_str());
    PROCESS_INFORMATION pi;
    bool started = StartProgramAsync("mailpeer.exe", "", &pi);
    SetEnvironmentVariableA(MAILIO_TESTSLOTS_VARIABLE, nullptr);
    ASSERT_TRUE(started);
    // The peer's slot exists only once it runs: ask until it answers.
    bool answered = false;
    DWORD t0 = GetTickCount();
    for (int n = 1; !answered && GetTickCount() - t0 < 15000; n++) {
        std::string ping = "PING " + std::to_string(n) + "\n";
        r.io.Write(ping.c_str(), -1);
        std::unique_lock<std::mutex> lock(r.record.mutex);
        answered = r.record.changed.wait_for(lock, std::chrono::milliseconds(500), [&] {
            for (const std::string& p : r.record.pieces)
                if (p.compare(0, 5, "PONG ") == 0) return true;
            return false;
        });
    }
    PROGRAMRUN run = WaitProgram(&pi, 20000);
    EXPECT_TRUE(answered);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.exitcode, 0u);
}
