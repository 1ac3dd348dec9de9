// The TCP device over loopback connections inside this process: bytes both ways,
// lines, a peer that closes or fails, listening sockets shared by port and a waiting
// accept cancelled from another thread, failed calls, destinations and the state texts.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "tcpio.h"

#include "logcapture.h"
#include "reports.h"
#include "testprocess.h"
#include "testthread.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A loopback port that nobody listens on now.
int free_port()
{
    SOCKETLIBRARY library;
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    closesocket(s);
    return ntohs(a.sin_port);
}

std::string info(TCPIPIO& io, const char* key) { return io.GetInfo(key).Text(); }

// The device's own parts opened up; receives fail while FailReceive is set.
class PROBE : public TCPIPIO {
public:
    explicit PROBE(const char* ourid = "", const char* parm = "") : TCPIPIO(ourid, "", parm) {}
    // The call is dropped first: a daemon blocked in the receive below ends only then.
    ~PROBE() override { DropCall(), KillDaemon(); }
    using TCPIPIO::LookupPort;
    using TCPIPIO::Resolv;
    void SetError(int number) { LastError = number; }
    volatile bool FailReceive = false;

protected:
    int SocketReceive(SOCKET socket, char* buffer, int length) override
    {
        if (!FailReceive) return TCPIPIO::SocketReceive(socket, buffer, length);
        WSASetLastError(WSAECONNRESET);
        return -1;
    }
};

// Calls destination (with "%d" for the port) until the device listening there answers.
bool call(TCPIPIO& client, const std::string& format, int port)
{
    char destination[80];
    snprintf(destination, sizeof destination, format.c_str(), port);
    return WaitUntil([&] { return client.MakeCall(destination); }, 10000);
}

// A client connected to a server device that accepted it.
struct LINK {
    explicit LINK(const char* format = "127.0.0.1 %d", const char* parm = "")
        : port(free_port()), server(std::to_string(port).c_str()), client("", parm)
    {
        TESTTHREAD accepting([&] { accepted = server.AcceptCall(); });
        called = call(client, format, port);
        if (!called) server.DropCall();
    }
    int port;
    PROBE server, client;
    bool accepted = false, called = false;
};

// Reads exactly n bytes (fewer when 10 s pass without any).
std::string read_bytes(TCPIPIO& io, size_t n)
{
    std::string out;
    char buffer[4096];
    for (int length = 1; out.size() < n && length > 0;) {
        length = static_cast<int>(std::min(sizeof buffer, n - out.size()));
        io.Read(buffer, length, 10000, nullptr);
        out.append(buffer, length);
    }
    return out;
}

}  // namespace

TEST(TcpIo, CarriesBytesBothWaysForEachFormOfDestination)
{
    std::string all;
    for (int i = 0; i < 20000; i++) all += static_cast<char>(i * 7 % 256);
    for (const char* form : {"127.0.0.1 %d", "127.0.0.1:%d", "localhost:%d"}) {
        SCOPED_TRACE(form);
        LINK link(form);
        ASSERT_TRUE(link.called && link.accepted);
        EXPECT_EQ("200", info(link.client, "LASTERRORCLASS"));
        EXPECT_EQ("1", info(link.client, "ONLINE"));
        EXPECT_EQ("1", info(link.server, "ONLINE"));
        EXPECT_EQ("127.0.0.1", info(link.server, "CALLERID"));
        EXPECT_EQ(form[0] == '1' ? "<unnamed> (127.0.0.1)" : "localhost (127.0.0.1)",
                  info(link.client, "CALLERID"));
        ASSERT_TRUE(link.client.Write(all.data(), static_cast<int>(all.size())));
        EXPECT_EQ(all, read_bytes(link.server, all.size()));
        ASSERT_TRUE(link.server.Write("pong", -1));
        EXPECT_EQ("pong", read_bytes(link.client, 4));
    }
}

TEST(TcpIo, LinesLoseCrAndLfStayWithinTheirBufferAndHidePasswords)
{
    LINK link;
    ASSERT_TRUE(link.called && link.accepted);
    std::string flood(250, 'z');
    LOGCAPTURE log(0x207);
    ASSERT_TRUE(link.server.Write(("250 hello\r\nabcdefghij\r\nx\ry\n" + flood).c_str(), -1));
    char line[100];
    ASSERT_TRUE(TCP::WriteCmd(&link.client, "EHLO me", line, sizeof line, 5000));
    EXPECT_STREQ("250 hello", line);
    EXPECT_EQ("EHLO me\r\n", read_bytes(link.server, 9));
    for (const char* expected : {"abcd", "efgh", "ij"}) {
        ASSERT_TRUE(TCP::ReadLine(&link.client, line, 5, 5000));
        EXPECT_STREQ(expected, line);
    }
    ASSERT_TRUE(TCP::ReadLine(&link.client, line, sizeof line, 5000));
    EXPECT_STREQ("xy", line);
    // A peer that never ends its line fills lines of the buffer's size less one.
    for (size_t expected : {99, 99, 52}) {
        ASSERT_TRUE(TCP::ReadLine(&link.client, line, sizeof line, 300));
        EXPECT_EQ(std::string(expected, 'z'), line);
    }
    EXPECT_FALSE(TCP::ReadLine(&link.client, line, sizeof line, 0));
    EXPECT_STREQ("", line);
    ASSERT_TRUE(TCP::WriteCmd(&link.client, "PASS secret", nullptr, 0, 0));
    ASSERT_TRUE(TCP::WriteCmd(&link.client, "IMAP a1 LOGIN user pw", nullptr, 0, 0));
    EXPECT_EQ("PASS secret\r\nIMAP a1 LOGIN user pw\r\n", read_bytes(link.server, 36));
    const std::string& text = log.Text();
    EXPECT_NE(std::string::npos, text.find("TCP::WriteCmd PASS ******")) << text;
    EXPECT_NE(std::string::npos, text.find("TCP::WriteCmd IMAP a1 LOGIN ******")) << text;
    EXPECT_NE(std::string::npos, text.find("TCPIPIO::SEND : ")) << text;
    EXPECT_NE(std::string::npos, text.find("    45 48 4c 4f 20 6d 65 0d  0a  [EHLO me..]")) << text;
    EXPECT_NE(std::string::npos,
              text.find("    32 35 30 20 68 65 6c 6c  6f 0d 0a 61 62 63 64 65   [250 hello..abcde]"))
        << text;
}

TEST(TcpIo, PeerCloseOrFailedReceiveDropsTheCall)
{
    LINK link;
    ASSERT_TRUE(link.called && link.accepted);
    link.server.DropCall();
    EXPECT_TRUE(WaitUntil([&] { return info(link.client, "ONLINE") == "0"; }, 10000));
    EXPECT_EQ("4099", info(link.client, "LASTERROR"));
    EXPECT_EQ("Remote disconnected", info(link.client, "LASTERRORSTRING"));
    EXPECT_EQ("<unknown>", info(link.client, "CALLERID"));
    EXPECT_EQ("0", info(link.server, "LASTERROR"));
    EXPECT_FALSE(link.client.Write("late", -1));

    // A failed receive drops the call too, unless the parameter is a non-zero number.
    for (const char* parm : {"", "1"}) {
        LINK failing("127.0.0.1:%d", parm);
        ASSERT_TRUE(failing.called && failing.accepted);
        failing.client.FailReceive = true;
        ASSERT_TRUE(failing.server.Write("x", 1));
        EXPECT_TRUE(WaitUntil([&] { return info(failing.client, "LASTERROR") == "4100"; }, 10000));
        EXPECT_EQ(*parm ? "1" : "0", info(failing.client, "ONLINE"));
    }
}

TEST(TcpIo, DevicesOfOnePortShareOneListeningSocketUntilTheLastLetsGo)
{
    int port = free_port();
    std::string id = std::to_string(port);
    PROBE a(id.c_str()), b(id.c_str()), waiting(id.c_str());
    PROBE c1, c2, c3, c4;
    bool ra = false, rb = false, rw = true;
    // b binds nothing of its own: the port is a's.
    for (auto pair : {std::make_pair(&a, &c1), std::make_pair(&b, &c2)}) {
        bool& accepted = pair.first == &a ? ra : rb;
        TESTTHREAD accepting([&] { accepted = pair.first->AcceptCall(); });
        if (!call(*pair.second, "127.0.0.1:%d", port)) pair.first->DropCall();
    }
    ASSERT_TRUE(ra && rb);
    {
        // A wait cancelled from this thread leaves the socket to the others.
        TESTTHREAD accepting([&] { rw = waiting.AcceptCall(); });
        EXPECT_TRUE(WaitUntil([&] { waiting.DropCall(); return accepting.Ended(0); }, 10000));
    }
    EXPECT_FALSE(rw);
    EXPECT_EQ("4103", info(waiting, "LASTERROR"));
    a.DropCall();
    EXPECT_TRUE(c3.MakeCall(("127.0.0.1:" + id).c_str()));
    b.DropCall();
    EXPECT_FALSE(c4.MakeCall(("127.0.0.1:" + id).c_str()));
    EXPECT_EQ("4096", info(c4, "LASTERROR"));
}

TEST(TcpIo, FailedCallsGiveTheirErrorNumbers)
{
    int closed = free_port();
    struct {
        std::string destination;
        const char* error;
        const char* errorclass;
    } cases[] = {
        {"127.0.0.1:" + std::to_string(closed), "4096", "400"}, {"no-such-host.invalid:25", "4098", "500"},
        {"1.2.3.4.5 25", "4098", "500"}, {"", "4098", "500"}, {std::string(300, 'h') + ":25", "4098", "500"},
        {"127.0.0.1:0", "4097", "500"}, {"127.0.0.1 nosuchservice", "4097", "500"}, {"127.0.0.1:65536", "4097", "500"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.destination);
        TCPIPIO io("", "", "");
        EXPECT_FALSE(io.MakeCall(c.destination.c_str()));
        EXPECT_EQ(c.error, info(io, "LASTERROR"));
        EXPECT_EQ(c.errorclass, info(io, "LASTERRORCLASS"));
        EXPECT_EQ("0", info(io, "ONLINE"));
    }
}

TEST(TcpIo, DestinationsSplitIntoHostAndPortAndServicesAreLookedUp)
{
    struct {
        const char* text;
        const char* host;
        const char* port;
    } cases[] = {{"mail.example 25", "mail.example", "25"}, {"mail.example:25", "mail.example", "25"},
                 {"mail.example", "mail.example", "23"}, {" *:10.1.2.3:smtp", "10.1.2.3", "smtp"},
                 {"10.1.2.3   587 ", "10.1.2.3", "587"}};
    for (const auto& c : cases) {
        STRING host, port;
        PROBE::Resolv(c.text, &port, &host, nullptr, true);
        EXPECT_STREQ(c.host, host.Text()) << c.text;
        EXPECT_STREQ(c.port, port.Text()) << c.text;
    }
    for (auto port : {std::make_pair("smtp", 25), {"pop3", 110}, {"65535", 65535}, {"0", 0}, {"65536", 0},
                      {"0000000025", 0}, {"nosuchservice", 0}, {"", 0}, {"-1", 0}})
        EXPECT_EQ(port.second, PROBE::LookupPort(port.first)) << port.first;

    // A record stays valid for the next 127 resolutions.
    const hostent* first = PROBE::Resolv("10.9.9.9", nullptr, nullptr, nullptr, true);
    ASSERT_TRUE(first);
    EXPECT_STREQ("<unnamed>", first->h_name);
    for (int i = 0; i < 127; i++) PROBE::Resolv("10.0.0.1", nullptr, nullptr, nullptr, true);
    EXPECT_EQ(inet_addr("10.9.9.9"), reinterpret_cast<in_addr*>(first->h_addr_list[0])->s_addr);
    PROBE::Resolv("10.0.0.1", nullptr, nullptr, nullptr, true);
    EXPECT_EQ(inet_addr("10.0.0.1"), reinterpret_cast<in_addr*>(first->h_addr_list[0])->s_addr);
}

TEST(TcpIo, InfoTableAnswersEveryKeyAndReportsUnknownOnes)
{
    PROBE io;
    char host[256] = "";
    gethostname(host, sizeof host);
    for (auto k : {std::make_pair("OWNID", std::string(host)), {"CALLERID", "<unknown>"}, {"devicename", "TCPIP"},
                   {"ONLINE", "0"}, {"BANDWIDTH", "128000"}, {"WSALASTERRORSTRING", "<unknown>"}})
        EXPECT_EQ(k.second, info(io, k.first)) << k.first;
    struct {
        int number;
        const char* errorclass;
        const char* text;
    } errors[] = {
        {0, "200", "No Error"}, {4096, "400", "No response"}, {4097, "500", "No TCP/IP socket or service"},
        {4098, "500", "Host not found"}, {4099, "500", "Remote disconnected"}, {4100, "500", "Recv failed"},
        {4101, "500", "Error Ioctl failed"}, {4102, "500", "Listen failed"}, {4103, "500", "Accept failed"},
        {4104, "500", "Bind failed"}, {4105, "599", "4105"}, {-1, "599", "-1"},
    };
    for (const auto& e : errors) {
        io.SetError(e.number);
        EXPECT_EQ(std::to_string(e.number), info(io, "LASTERROR"));
        EXPECT_EQ(e.errorclass, info(io, "lastErrorClass")) << e.number;
        EXPECT_EQ(e.text, info(io, "LASTERRORSTRING")) << e.number;
    }
    REPORTS reports;
    EXPECT_EQ("", info(io, "NOSUCHKEY"));
    EXPECT_TRUE(io.GetInfo("NOSUCHKEY").NotNull());
    EXPECT_TRUE(reports.Were(2, "FALSE", "NOSUCHKEY"));
}
