// The mail sender: the message text byte for byte, the SMTP dialogue against scripted
// replies through a device without a connection, and whole mails sent over TCP to
// aiosmtpd and to misbehaving servers (tests/setup/smtpserver.py), and the send dialog.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "email.h"

#include "dialogdriver.h"
#include "kelvoapp.h"
#include "memoryio.h"
#include "testdialogs.h"
#include "testfiles.h"
#include "testprocess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

// The message with its date line replaced by "Date: *" after checking its form.
std::string masked_mail(EMAIL& mail)
{
    std::string text = mail.CreateMailString().Text();
    size_t at = text.find("\r\nDate: ");
    if (at == std::string::npos) return text;
    size_t end = text.find("\r\n", at + 2);
    std::string date = text.substr(at + 2, end - at - 2);
    EXPECT_TRUE(std::regex_match(date, std::regex("Date: (Sun|Mon|Tue|Wed|Thu|Fri|Sat), [0-3][0-9] "
                                                  "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                                  "[0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9] [-+][0-9]{4}")))
        << date;
    return text.replace(at + 2, end - at - 2, "Date: *");
}

TEST(EmailDate, EnglishNamesAndTheZoneFromTheBias)
{
    struct {
        WORD year, month, day, hour, minute, second;
        DWORD zone;
        LONG bias, daylight;
        const char* expected;
    } cases[] = {
        // Central European summer and winter time.
        {2026, 7, 14, 9, 5, 3, TIME_ZONE_ID_DAYLIGHT, -60, -60, "Tue, 14 Jul 2026 09:05:03 +0200"},
        {2026, 12, 8, 23, 59, 59, TIME_ZONE_ID_STANDARD, -60, -60, "Tue, 08 Dec 2026 23:59:59 +0100"},
        // UTC counts as not negative.
        {2000, 1, 1, 0, 0, 0, TIME_ZONE_ID_UNKNOWN, 0, 0, "Sat, 01 Jan 2000 00:00:00 -0000"},
        {2024, 2, 29, 12, 30, 0, TIME_ZONE_ID_DAYLIGHT, 300, -60, "Thu, 29 Feb 2024 12:30:00 -0400"},
        {2031, 11, 2, 7, 0, 9, TIME_ZONE_ID_STANDARD, -330, 0, "Sun, 02 Nov 2031 07:00:09 +0530"},
    };
    for (const auto& c : cases) {
        SYSTEMTIME t = {};
        t.wYear = c.year, t.wMonth = c.month, t.wDay = c.day;
        t.wHour = c.hour, t.wMinute = c.minute, t.wSecond = c.second;
        t.wDayOfWeek = 6;  // the date decides, not a stale field
        TIME_ZONE_INFORMATION tz = {};
        tz.Bias = c.bias;
        tz.DaylightBias = c.daylight;
        EXPECT_STREQ(EmailDate(t, EmailZoneBias(c.zone, tz)).Text(), c.expected);
    }
}

TEST(EmailText, HeadersAndBodyLinesWithoutMime)
{
    EMAIL mail("  sender@example.org \t", " user@example.org ", "Feedback\r\nBcc: evil@example.org",
               "First line  \t\r\nSecond\rline\n.\n  . \n\r.\r\n..dots\n", " smtp.example.org ");
    mail.AddRecipient("second@example.net\r\n");
    EXPECT_EQ(masked_mail(mail),
              "From: sender@example.org\r\n"
              "To: user@example.org, second@example.net\r\n"
              "Date: *\r\n"
              "Subject: FeedbackBcc: evil@example.org\r\n"
              "\r\n"
              "First line\r\nSecond line\r\n. \r\n  .\r\n. \r\n..dots\r\n\r\n"
              "\r\n");

    EMAIL anonymous("", "user@example.org", "", "", "host");
    EXPECT_EQ(masked_mail(anonymous),
              "From: anonymous@kelvo.example\r\nTo: user@example.org\r\nDate: *\r\nSubject: \r\n\r\n\r\n\r\n");
}

TEST(EmailText, AttachmentsMakeAMultipartMailWhoseBoundaryOccursNowhereElse)
{
    const std::string b = "----=_Kelvo_Mime_Part_08154711";
    EMAIL mail("s@example.org", "r@example.org", "Log", ("See " + b + " here").c_str(), "host");
    mail.AddAttachment("", ("a\"" + b + "$.txt").c_str(), STRING("hello world!"));
    mail.AddAttachment("text/plain", "sixty.txt", STRING(std::string(60, 'A').c_str()));
    const std::string bb = b + "$$";
    EXPECT_EQ(masked_mail(mail),
              "From: s@example.org\r\nTo: r@example.org\r\nDate: *\r\nSubject: Log\r\n"
              "Content-Type: multipart/mixed; boundary=\"" + bb + "\"\r\n"
              "MIME-Version: 1.0\r\n\r\n"
              "This is a multi-part MIME message\r\nPlease use a MIME compliant mail\r\n"
              " reader to display this message.\r\n\r\n"
              "--" + bb + "\r\nContent-Type: text/plain\r\n\r\n"
              "See " + b + " here\r\n\r\n"
              "--" + bb + "\r\n"
              "Content-Type: application/octet-stream; name=\"a" + b + "$.txt\"\r\n"
              "Content-Transfer-Encoding: base64\r\n"
              "Content-Disposition: attachment; filename=\"a" + b + "$.txt\"\r\n\r\n"
              "aGVsbG8gd29ybGQh\r\n\r\n"
              "--" + bb + "\r\n"
              "Content-Type: text/plain; name=\"sixty.txt\"\r\n"
              "Content-Transfer-Encoding: base64\r\n"
              "Content-Disposition: attachment; filename=\"sixty.txt\"\r\n\r\n"
              "QUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFB\r\nQUFB\r\n\r\n"
              "--" + bb + "--\r\n\r\n");

    EMAIL inbody("s@example.org", "r@example.org", "Log", (b + "$").c_str(), "host");
    inbody.AddAttachment("", "x.txt", STRING("x"));
    EXPECT_NE(masked_mail(inbody).find("boundary=\"" + bb + "\"\r\n"), std::string::npos) << "the body is a part too";
}

// ---------------------------------------------------------------- the dialogue

struct DIALOGUECASE {
    const char* name;
    const char* sender;
    std::vector<const char*> recipients;
    // Replies by the command line (without CRLF), or by its first four characters;
    // "" is the greeting.
    std::map<std::string, std::string> replies;
    const char* written;  // everything after the greeting, "DATA*" standing for the message
    bool ok;
    const char* error;
};

const char MESSAGE[] = "Subject: t\r\n\r\n.\r\n.x\r\nbare\rcr \r\n";
// As it goes after DATA: dots doubled at line starts (the server removes them).
const char MESSAGE_SENT[] = "Subject: t\r\n\r\n.. \r\n..x\r\nbare cr\r\n\r\n";

std::map<std::string, std::string> server(std::map<std::string, std::string> changes)
{
    std::map<std::string, std::string> replies = {
        {"", "220 mx.example.org ESMTP\r\n"}, {"EHLO", "250-mx.example.org\r\n250-SIZE 1000\r\n250 HELP\r\n"},
        {"HELO", "250 mx.example.org\r\n"}, {"MAIL", "250 2.1.0 ok\r\n"}, {"RCPT", "250 2.1.5 ok\r\n"},
        {"DATA", "354 go ahead\r\n"}, {".", "250 2.0.0 queued as 17\r\n"}, {"QUIT", "221 bye\r\n"}};
    for (auto& c : changes) replies[c.first] = c.second;
    return replies;
}

TEST(EmailDialogue, CommandsAndRepliesAsTheServerAnswers)
{
    const std::string accepted = "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.org>\r\nDATA*QUIT\r\n";
    DIALOGUECASE cases[] = {
        {"accepted", "s@example.org", {"r@example.org"}, server({}), accepted.c_str(), true, "250 2.0.0 queued as 17"},
        {"multi-line replies to any command", "s@example.org", {"r@example.org"},
         server({{"MAIL", "250-first\r\n250 ok\r\n"}, {"DATA", "354-one\r\n354 two\r\n"}}), accepted.c_str(), true,
         "250 2.0.0 queued as 17"},
        {"recipient without a domain", "s@example.org", {"postmaster"}, server({}),
         "EHLO kelvo.example\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<postmaster>\r\nDATA*QUIT\r\n", true,
         "250 2.0.0 queued as 17"},
        {"last recipient refused", "s@example.org", {"r@example.net", "no@example.org"},
         server({{"RCPT TO:<no@example.org>", "550 5.1.1 unknown\r\n"}}),
         "EHLO example.net\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.net>\r\nRCPT TO:<no@example.org>\r\n",
         false, "550 5.1.1 unknown"},
        {"greeting refused", "s@example.org", {"r@example.org"}, server({{"", "554 go away\r\n"}}), "", false,
         "554 go away"},
        {"HELO refused too", "s@example.org", {"r@example.org"},
         server({{"EHLO", "502 no\r\n"}, {"HELO", "501 nor this\r\n"}}), "EHLO example.org\r\nHELO example.org\r\n",
         false, "501 nor this"},
        {"sender refused", "s@example.org", {"r@example.org"}, server({{"MAIL", "553 not you\r\n"}}),
         "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\n", false, "553 not you"},
        {"DATA refused", "s@example.org", {"r@example.org"}, server({{"DATA", "451 later\r\n"}}),
         "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.org>\r\nDATA\r\n", false, "451 later"},
        {"message refused", "s@example.org", {"r@example.org"}, server({{".", "554 5.7.1 spam\r\n"}}),
         "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.org>\r\nDATA*", false, "554 5.7.1 spam"},
        {"server gone after the greeting", "s@example.org", {"r@example.org"}, server({{"EHLO", ""}}),
         "EHLO example.org\r\n", false, ""},
        {"CR and LF in the fields start no command", "s@example.org\r\nRSET", {"r@example.org\nDATA"}, server({}),
         "EHLO example.orgDATA\r\nMAIL FROM:<s@example.orgRSET>\r\nRCPT TO:<r@example.orgDATA>\r\nDATA*QUIT\r\n", true,
         "250 2.0.0 queued as 17"},
    };
    for (const DIALOGUECASE& c : cases) {
        SCOPED_TRACE(c.name);
        EMAIL mail(c.sender, c.recipients[0], "t", "", "host");
        for (size_t i = 1; i < c.recipients.size(); i++) mail.AddRecipient(c.recipients[i]);
        MEMORYIO device([&](const std::string& bytes) {
            std::string line = bytes.substr(0, bytes.size() - 2);
            if (bytes == MESSAGE_SENT) return std::string();
            auto found = c.replies.find(line);
            if (found == c.replies.end()) found = c.replies.find(line.substr(0, 4));
            return found == c.replies.end() ? std::string("500 unexpected\r\n") : found->second;
        });
        device.Arrive(c.replies.at(""));
        char error[256] = "untouched";
        EXPECT_EQ(mail.SendMailOver(device, MESSAGE, error, sizeof error, 5000), c.ok);
        EXPECT_STREQ(error, c.error);
        std::string expected = c.written;
        size_t star = expected.find("DATA*");
        if (star != std::string::npos) expected.replace(star, 5, std::string("DATA\r\n") + MESSAGE_SENT + ".\r\n");
        EXPECT_EQ(device.Written(), expected);
    }
}

// ---------------------------------------------------------------- over TCP

const DWORD PEERS_MS = 30000;

// The servers of smtpserver.py, started once for every test that talks to them.
class SMTPPEERS {
public:
    SMTPPEERS()
    {
        const char* source = getenv("HORALINK_SOURCE_DIR");
        if (GetFileAttributesA("Z:\\usr\\bin\\python3") == INVALID_FILE_ATTRIBUTES || !source) {
            Missing = "Debian's /usr/bin/python3 (with aiosmtpd) is not there to serve SMTP";
            return;
        }
        if (Dir.Path().compare(0, 2, "Z:") != 0) {
            Missing = "the scratch folder " + Dir.Path() + " has no Linux path on Z:";
            return;
        }
        std::string folder = Dir.Path().substr(2);
        for (char& c : folder)
            if (c == '\\') c = '/';
        Started = StartProgramAsync(std::string("Z:\\usr\\bin\\python3 ") + source + "/tests/setup/smtpserver.py " + folder,
                                    "", &Process);
        WaitUntil([&] { return FileExistsOnDisk(Dir.File("ports")); }, PEERS_MS);
        std::string ports = ReadFileBytes(Dir.File("ports"));
        for (size_t at = 0; at < ports.size();) {
            size_t end = ports.find('\n', at);
            std::string line = ports.substr(at, end - at);
            size_t blank = line.find(' ');
            if (blank != std::string::npos) Ports[line.substr(0, blank)] = line.substr(blank + 1);
            at = end == std::string::npos ? ports.size() : end + 1;
        }
    }
    ~SMTPPEERS()
    {
        SetEnvironmentVariableA(EMAIL_TESTPORT_VARIABLE, nullptr);
        if (!Started) return;
        // Wine's handle of a Linux process tells nothing about its end: the script says it.
        WriteFileBytes(Dir.File("stop"), "");
        WaitUntil([&] { return FileExistsOnDisk(Dir.File("stopped")); }, PEERS_MS);
        CloseHandle(Process.hProcess);
        CloseHandle(Process.hThread);
    }
    // Sends the next mails to server name.
    void Use(const std::string& name) { UsePort(Ports[name]); }
    void UsePort(const std::string& port) { SetEnvironmentVariableA(EMAIL_TESTPORT_VARIABLE, port.c_str()); }
    // Mail number n as the server stored it: extension ".env" or ".eml".
    std::string Stored(int n, const char* extension) { return ReadFileBytes(Dir.File("mail" + std::to_string(n) + extension)); }
    int Count()
    {
        int n = 0;
        while (FileExistsOnDisk(Dir.File("mail" + std::to_string(n + 1) + ".env"))) n++;
        return n;
    }

    TEMPDIR Dir;
    std::string Missing;
    bool Started = false;
    PROCESS_INFORMATION Process = {};
    std::map<std::string, std::string> Ports;
};

class EmailServer : public testing::Test {
protected:
    static void SetUpTestSuite() { Peers = new SMTPPEERS; }
    static void TearDownTestSuite()
    {
        delete Peers;
        Peers = nullptr;
    }
    void SetUp() override
    {
        if (!Peers->Missing.empty()) GTEST_SKIP() << Peers->Missing;
        ASSERT_EQ(Peers->Ports.size(), 6u) << "smtpserver.py did not start its servers (is aiosmtpd installed?)";
    }
    static SMTPPEERS* Peers;
};

SMTPPEERS* EmailServer::Peers = nullptr;

TEST_F(EmailServer, MailsArriveAsTheServerStoresThem)
{
    const char* body = "Hi there  \t\r\n.\nin\rside \n.dot\n";
    const char* arrived = "Subject: Feedback\r\n\r\nHi there\r\n. \r\nin side\r\n.dot\r\n\r\n\r\n\r\n";
    struct {
        const char* name;
        const char* server;
        const char* sender;
        std::vector<const char*> recipients;
        const char* envelope;  // as the server saw it
        const char* from;      // the From: header
    } cases[] = {
        {"anonymous at the recipient's domain", "smtp", "anonymous@example.org", {"user@example.org"},
         "helo example.org\nfrom anonymous@example.org\nto user@example.org\n", "anonymous@example.org"},
        {"just anonymous", "smtp", "Anonymous", {"user@example.org"},
         "helo anonymous\nfrom <>\nto user@example.org\n", "Anonymous"},
        {"no sender", "smtp", "  ", {"user@example.org"},
         "helo example.org\nfrom anonymous@kelvo.example\nto user@example.org\n", "anonymous@kelvo.example"},
        {"HELO after EHLO is refused", "helo", "s@example.org", {"user@example.net"},
         "helo example.net\nfrom s@example.org\nto user@example.net\n", "s@example.org"},
        {"first of two recipients refused", "smtp", "s@example.org", {"refused@example.org", "user@example.net"},
         "helo example.org\nfrom s@example.org\nto user@example.net\n", "s@example.org"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EMAIL mail(c.sender, c.recipients[0], "Feedback", body, "127.0.0.1");
        std::string to = c.recipients[0];
        for (size_t i = 1; i < c.recipients.size(); i++) {
            mail.AddRecipient(c.recipients[i]);
            to += std::string(", ") + c.recipients[i];
        }
        Peers->Use(c.server);
        int n = Peers->Count() + 1;
        STRING error;
        ASSERT_TRUE(mail.Send(&error)) << error.Text();
        EXPECT_EQ(error.Text(), "250 2.0.0 stored as mail" + std::to_string(n));
        EXPECT_EQ(Peers->Stored(n, ".env"), c.envelope);
        std::string eml = Peers->Stored(n, ".eml");
        size_t date = eml.find("\r\nDate: ");
        ASSERT_NE(date, std::string::npos);
        eml.erase(date + 2, eml.find("\r\n", date + 2) - date);
        EXPECT_EQ(eml, std::string("From: ") + c.from + "\r\nTo: " + to + "\r\n" + arrived);
    }
}

TEST_F(EmailServer, AnAttachmentArrivesInItsMultipartFrame)
{
    EMAIL mail("s@example.org", "user@example.org", "Log", "The log:\n", "127.0.0.1");
    std::string data;
    for (int i = 0; i < 300; i++) data += static_cast<char>(i * 7);
    mail.AddAttachment("text/plain", "horalink.log", STRING(data.data(), static_cast<int>(data.size())));
    Peers->Use("smtp");
    int n = Peers->Count() + 1;
    ASSERT_TRUE(mail.Send(nullptr));
    std::string eml = Peers->Stored(n, ".eml");
    std::string made = mail.CreateMailString().Text();
    // The message as made, its date apart, and one empty line more at its end.
    size_t date = eml.find("\r\nDate: "), mdate = made.find("\r\nDate: ");
    ASSERT_NE(date, std::string::npos);
    EXPECT_EQ(eml.substr(0, date), made.substr(0, mdate));
    EXPECT_EQ(eml.substr(eml.find("\r\nSubject: ")), made.substr(made.find("\r\nSubject: ")) + "\r\n");
    EXPECT_NE(eml.find("Content-Type: multipart/mixed; boundary=\"----=_Kelvo_Mime_Part_08154711\"\r\n"), std::string::npos);
}

TEST_F(EmailServer, MisbehavingServersEndTheAttemptWithAnError)
{
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    std::string nobody = std::to_string(ntohs(address.sin_port));
    closesocket(probe);  // nothing listens there now
    WSACleanup();

    struct {
        const char* server;
        std::string error;
    } cases[] = {
        {"nobody", "No response"},
        {"silent", ""},
        {"closing", "Remote disconnected"},
        {"flood", "220 " + std::string(251, 'x')},
        {"endless", "250-endless.test and more"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        EMAIL mail("s@example.org", "user@example.org", "t", "text", "127.0.0.1");
        if (c.server == std::string("nobody"))
            Peers->UsePort(nobody);
        else
            Peers->Use(c.server);
        char error[256] = "untouched";
        EXPECT_FALSE(mail.SendMail("Subject: t\r\n\r\ntext\r\n", error, sizeof error, 2000));
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(EmailServer, TheSendDialogSendsATextLongerThanThreeCharacters)
{
    KELVOAPP::SetLanguageCode(9);
    LoadLanguageLibrary((ProductBinDir() + "\\setup.exe").c_str(), "setup", "1.00");
    EMAIL mail("s@example.org", "user@example.org", "Uninstall", "", "127.0.0.1");
    Peers->Use("smtp");
    int n = Peers->Count() + 1;
    std::string cancel, shortstate, question, box, status;
    DIALOGDRIVER driver("Feedback test", [&](HWND dialog) {
        cancel = ItemText(dialog, IDCANCEL);
        SetControlText(GetDlgItem(dialog, IDC_EMAIL_BODY), "abc");
        ClickButton(GetDlgItem(dialog, IDC_EMAIL_SEND));
        shortstate = ButtonStates(dialog, {IDC_EMAIL_SEND, IDCANCEL}, "SC") + " " + ItemText(dialog, IDCANCEL) + " [" +
                     ItemText(dialog, IDC_EMAIL_STATUS) + "]";
        SetControlText(GetDlgItem(dialog, IDC_EMAIL_BODY), "It went well.");
        DIALOGANSWERER online("Internet Connection", IDOK);
        PressDialogButton(dialog, IDC_EMAIL_SEND);
        question = online.Wait().text;
        HWND shown = nullptr;
        WaitUntil([&] {
            shown = GetLastActivePopup(dialog);
            return shown != dialog && IsWindowVisible(shown);
        }, PEERS_MS);
        box = WindowText(shown) + ": " + DialogStaticText(shown);
        PressDialogButton(shown, IDOK);
        // Cancel is disabled while the mail goes out.
        WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)) != FALSE; }, PEERS_MS);
        status = ButtonStates(dialog, {IDC_EMAIL_SEND, IDCANCEL}, "SC") + " " + ItemText(dialog, IDCANCEL) + " " +
                 ItemText(dialog, IDC_EMAIL_STATUS);
        PressDialogButton(dialog, IDCANCEL);
    });
    bool sent = mail.SendDialog(IDD_EMAIL_SEND, "Feedback test");
    ASSERT_TRUE(driver.Wait());
    EXPECT_EQ(cancel, "Cancel");
    EXPECT_EQ(shortstate, "SC Done []") << "a short text sends nothing";
    EXPECT_EQ(question, "Please press OK when an Internet connection is available");
    EXPECT_EQ(box, "Feedback test: Your mail has been sent. Thank you!");
    EXPECT_EQ(status, "sC Done Your mail has been sent. Thank you!");
    EXPECT_TRUE(sent);
    EXPECT_EQ(Peers->Count(), n);
    EXPECT_NE(Peers->Stored(n, ".eml").find("\r\n\r\nIt went well.\r\n"), std::string::npos);
    KELVOAPP::FreeLanguageLibrary();
}

}  // namespace
