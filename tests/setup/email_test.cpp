// The mail sender: the message date, refusals in the SMTP dialogue through a device
// without a connection, whole mails sent over TCP to aiosmtpd and to misbehaving
// servers (tests/setup/smtpserver.py), and the send dialog.
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
#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(EmailDate, EnglishNamesAndTheZoneFromTheBias)
{
    struct {
        WORD year, month, day, hour, minute, second;
        DWORD zone;
        LONG bias, daylight;
        const char* expected;
    } cases[] = {
        // Central European summer and winter time; UTC counts as not negative.
        {2026, 7, 14, 9, 5, 3, TIME_ZONE_ID_DAYLIGHT, -60, -60, "Tue, 14 Jul 2026 09:05:03 +0200"},
        {2026, 12, 8, 23, 59, 59, TIME_ZONE_ID_STANDARD, -60, -60, "Tue, 08 Dec 2026 23:59:59 +0100"},
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

// A refusal ends the dialogue with the refusing reply as the error and no command after it.
TEST(EmailDialogue, ARefusalEndsTheDialogueWithItsReply)
{
    const char* message = "Subject: t\r\n\r\nbody\r\n";
    const std::string data = std::string("DATA\r\n") + message + "\r\n.\r\n";
    const std::string hello = "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\n";
    struct {
        std::vector<const char*> recipients;
        std::map<std::string, std::string> changes;  // by command line or its first four characters; "" the greeting
        std::string written;                          // after the greeting
        const char* error;
    } cases[] = {
        {{"r@example.org"}, {{"", "554 go away\r\n"}}, "", "554 go away"},
        {{"r@example.org"}, {{"EHLO", "502 no\r\n"}, {"HELO", "501 nor this\r\n"}},
         "EHLO example.org\r\nHELO example.org\r\n", "501 nor this"},
        {{"r@example.org"}, {{"MAIL", "553 not you\r\n"}}, hello, "553 not you"},
        {{"r@example.net", "no@example.org"}, {{"RCPT TO:<no@example.org>", "550 5.1.1 unknown\r\n"}},
         "EHLO example.net\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.net>\r\nRCPT TO:<no@example.org>\r\n",
         "550 5.1.1 unknown"},
        {{"r@example.org"}, {{"DATA", "451 later\r\n"}}, hello + "RCPT TO:<r@example.org>\r\nDATA\r\n", "451 later"},
        {{"r@example.org"}, {{".", "554 5.7.1 spam\r\n"}}, hello + "RCPT TO:<r@example.org>\r\n" + data, "554 5.7.1 spam"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        std::map<std::string, std::string> replies = {
            {"", "220 mx\r\n"}, {"EHLO", "250-mx\r\n250 HELP\r\n"}, {"MAIL", "250 ok\r\n"}, {"RCPT", "250 ok\r\n"},
            {"DATA", "354 go ahead\r\n"}, {".", "250 queued\r\n"}};
        for (const auto& change : c.changes) replies[change.first] = change.second;
        EMAIL mail("s@example.org", c.recipients[0], "t", "", "host");
        for (size_t i = 1; i < c.recipients.size(); i++) mail.AddRecipient(c.recipients[i]);
        MEMORYIO device([&](const std::string& bytes) {
            if (bytes == message + std::string("\r\n")) return std::string();
            std::string line = bytes.substr(0, bytes.size() - 2);
            auto found = replies.count(line) ? replies.find(line) : replies.find(line.substr(0, 4));
            return found == replies.end() ? std::string("500 unexpected\r\n") : found->second;
        });
        device.Arrive(replies.at(""));
        char error[256] = "untouched";
        EXPECT_FALSE(mail.SendMailOver(device, message, error, sizeof error, 5000));
        EXPECT_STREQ(error, c.error);
        EXPECT_EQ(device.Written(), c.written);
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
        if (GetFileAttributesA("Z:\\usr\\bin\\python3") == INVALID_FILE_ATTRIBUTES || !source ||
            Dir.Path().compare(0, 2, "Z:") != 0) {
            Missing = "Debian's /usr/bin/python3 (with aiosmtpd) or a Linux path of " + Dir.Path() + " is missing";
            return;
        }
        std::string folder = Dir.Path().substr(2);
        for (char& c : folder)
            if (c == '\\') c = '/';
        Started = StartProgramAsync(std::string("Z:\\usr\\bin\\python3 ") + source + "/tests/setup/smtpserver.py " + folder,
                                    "", &Process);
        WaitUntil([&] { return FileExistsOnDisk(Dir.File("ports")); }, PEERS_MS);
        std::istringstream lines(ReadFileBytes(Dir.File("ports")));
        for (std::string name, port; lines >> name >> port;) Ports[name] = port;
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
    // Sends the next mails to server name; the number the next stored mail gets.
    int Use(const std::string& name)
    {
        SetEnvironmentVariableA(EMAIL_TESTPORT_VARIABLE, Ports[name].c_str());
        int n = 1;
        while (FileExistsOnDisk(Dir.File("mail" + std::to_string(n) + ".env"))) n++;
        return n;
    }
    // Mail number n as the server stored it: extension ".env" or ".eml" (its date
    // line "Date: *" once its form is checked).
    std::string Stored(int n, const char* extension)
    {
        std::string text = ReadFileBytes(Dir.File("mail" + std::to_string(n) + extension));
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
        ASSERT_EQ(Peers->Ports.size(), 7u) << "smtpserver.py did not start its servers (is aiosmtpd installed?)";
    }
    static SMTPPEERS* Peers;
};

SMTPPEERS* EmailServer::Peers = nullptr;

TEST_F(EmailServer, MailsArriveAsTheServerStoresThem)
{
    // Blanks and CRs at line ends, a lone CR, dots at line starts, a CR/LF in the subject.
    const char* body = "Hi there  \t\r\n.\n  . \nin\rside \n\r.\r\n..dots\n";
    const char* arrived = "Date: *\r\nSubject: FeedbackBcc: evil@example.org\r\n\r\n"
                          "Hi there\r\n. \r\n  .\r\nin side\r\n. \r\n..dots\r\n\r\n\r\n\r\n";
    struct {
        const char* name;
        const char* server;
        const char* sender;
        std::vector<const char*> recipients;
        const char* envelope;  // as the server saw it
        const char* headers;   // From: and To:
    } cases[] = {
        {"anonymous at the recipient's domain", "smtp", "anonymous@example.org", {" user@example.org "},
         "helo example.org\nfrom anonymous@example.org\nto user@example.org\n", "anonymous@example.org\r\nTo: user@example.org"},
        {"just anonymous", "smtp", "Anonymous", {"user@example.org"},
         "helo anonymous\nfrom <>\nto user@example.org\n", "Anonymous\r\nTo: user@example.org"},
        {"no sender", "smtp", "  ", {"user@example.org"},
         "helo example.org\nfrom anonymous@kelvo.example\nto user@example.org\n", "anonymous@kelvo.example\r\nTo: user@example.org"},
        {"recipient without a domain", "smtp", "s@example.org", {"postmaster"},
         "helo kelvo.example\nfrom s@example.org\nto postmaster\n", "s@example.org\r\nTo: postmaster"},
        {"HELO after EHLO is refused", "helo", " s@example.org\t", {"user@example.net"},
         "helo example.net\nfrom s@example.org\nto user@example.net\n", "s@example.org\r\nTo: user@example.net"},
        {"first of two recipients refused", "smtp", "s@example.org", {"refused@example.org", "user@example.net\r\n"},
         "helo example.org\nfrom s@example.org\nto user@example.net\n", "s@example.org\r\nTo: refused@example.org, user@example.net"},
        {"CR and LF in addresses start no command", "smtp", "s@example.org\r\nRSET", {"user@example.org\nDATA"},
         "helo example.orgDATA\nfrom s@example.orgRSET\nto user@example.orgDATA\n", "s@example.orgRSET\r\nTo: user@example.orgDATA"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EMAIL mail(c.sender, c.recipients[0], "Feedback\r\nBcc: evil@example.org", body, "127.0.0.1");
        for (size_t i = 1; i < c.recipients.size(); i++) mail.AddRecipient(c.recipients[i]);
        int n = Peers->Use(c.server);
        STRING error;
        ASSERT_TRUE(mail.Send(&error)) << error.Text();
        EXPECT_EQ(error.Text(), "250 2.0.0 stored as mail" + std::to_string(n));
        EXPECT_EQ(Peers->Stored(n, ".env"), c.envelope);
        EXPECT_EQ(Peers->Stored(n, ".eml"), std::string("From: ") + c.headers + "\r\n" + arrived);
    }
}

// A body holding the boundary extended once extends it twice; no MIME frame without attachments.
TEST_F(EmailServer, AttachmentsArriveInAMultipartFrameWhoseBoundaryOccursNowhereElse)
{
    const std::string b = "----=_Kelvo_Mime_Part_08154711", bb = b + "$$";
    EMAIL mail("s@example.org", "r@example.org", "Log", ("See " + b + "$ here").c_str(), "127.0.0.1");
    mail.AddAttachment("", "a\"b.txt", STRING("hello world!"));
    mail.AddAttachment("text/plain", "sixty.txt", STRING(std::string(60, 'A').c_str()));
    int n = Peers->Use("smtp");
    ASSERT_TRUE(mail.Send(nullptr));
    EXPECT_EQ(Peers->Stored(n, ".eml"),
              "From: s@example.org\r\nTo: r@example.org\r\nDate: *\r\nSubject: Log\r\n"
              "Content-Type: multipart/mixed; boundary=\"" + bb + "\"\r\n"
              "MIME-Version: 1.0\r\n\r\n"
              "This is a multi-part MIME message\r\nPlease use a MIME compliant mail\r\n"
              " reader to display this message.\r\n\r\n"
              "--" + bb + "\r\nContent-Type: text/plain\r\n\r\n"
              "See " + b + "$ here\r\n\r\n"
              "--" + bb + "\r\n"
              "Content-Type: application/octet-stream; name=\"ab.txt\"\r\n"
              "Content-Transfer-Encoding: base64\r\n"
              "Content-Disposition: attachment; filename=\"ab.txt\"\r\n\r\n"
              "aGVsbG8gd29ybGQh\r\n\r\n"
              "--" + bb + "\r\n"
              "Content-Type: text/plain; name=\"sixty.txt\"\r\n"
              "Content-Transfer-Encoding: base64\r\n"
              "Content-Disposition: attachment; filename=\"sixty.txt\"\r\n\r\n"
              "QUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFB\r\nQUFB\r\n\r\n"
              "--" + bb + "--\r\n\r\n\r\n");
}

TEST_F(EmailServer, MisbehavingServersEndTheAttemptWithAnError)
{
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
    int n = Peers->Use("smtp");
    std::string cancel, shortstate, question, box, status;
    DIALOGDRIVER driver("Feedback test", [&](HWND dialog) {
        auto state = [&] { return ButtonStates(dialog, {IDC_EMAIL_SEND, IDCANCEL}, "SC") + " " + ItemText(dialog, IDCANCEL); };
        cancel = ItemText(dialog, IDCANCEL);
        SetControlText(GetDlgItem(dialog, IDC_EMAIL_BODY), "abc");
        ClickButton(GetDlgItem(dialog, IDC_EMAIL_SEND));
        shortstate = state() + " [" + ItemText(dialog, IDC_EMAIL_STATUS) + "]";
        SetControlText(GetDlgItem(dialog, IDC_EMAIL_BODY), "It went well.");
        DIALOGANSWERER online("Internet Connection", IDOK);
        PressDialogButton(dialog, IDC_EMAIL_SEND);
        question = online.Wait().text;
        HWND shown = nullptr;
        WaitUntil([&] { return (shown = GetLastActivePopup(dialog)) != dialog && IsWindowVisible(shown); }, PEERS_MS);
        box = WindowText(shown) + ": " + DialogStaticText(shown);
        PressDialogButton(shown, IDOK);
        // Cancel is disabled while the mail goes out.
        WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)) != FALSE; }, PEERS_MS);
        status = state() + " " + ItemText(dialog, IDC_EMAIL_STATUS);
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
    EXPECT_EQ(Peers->Use("smtp"), n + 1) << "one mail";
    EXPECT_NE(Peers->Stored(n, ".eml").find("\r\n\r\nIt went well.\r\n"), std::string::npos);
    KELVOAPP::FreeLanguageLibrary();
}

}  // namespace
