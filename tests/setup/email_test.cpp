// The mail sender: the message text byte for byte, the SMTP dialogue against scripted
// replies through a device without a connection, and whole mails sent over TCP to
// aiosmtpd and to misbehaving servers (tests/setup/smtpserver.py), and the send dialog.
#include "email.h"

#include "memoryio.h"

#include <gtest/gtest.h>

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
    int errorsize;
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
        {"accepted", "s@example.org", {"r@example.org"}, server({}), accepted.c_str(), true, "250 2.0.0 queued as 17", 256},
        {"error cut to its buffer", "s@example.org", {"r@example.org"}, server({}), accepted.c_str(), true, "250", 4},
        {"multi-line replies to any command", "s@example.org", {"r@example.org"},
         server({{"MAIL", "250-first\r\n250 ok\r\n"}, {"DATA", "354-one\r\n354 two\r\n"}}), accepted.c_str(), true,
         "250 2.0.0 queued as 17", 256},
        {"HELO after a refused EHLO, anonymous", "anonymous", {"r@example.org"}, server({{"EHLO", "500 what\r\n"}}),
         "EHLO anonymous\r\nHELO anonymous\r\nMAIL FROM:<>\r\nRCPT TO:<r@example.org>\r\nDATA*QUIT\r\n", true,
         "250 2.0.0 queued as 17", 256},
        {"anonymous at a domain", "anonymous@example.org", {"r@example.net"}, server({}),
         "EHLO example.net\r\nMAIL FROM:<anonymous@example.org>\r\nRCPT TO:<r@example.net>\r\nDATA*QUIT\r\n", true,
         "250 2.0.0 queued as 17", 256},
        {"recipient without a domain", "s@example.org", {"postmaster"}, server({}),
         "EHLO kelvo.example\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<postmaster>\r\nDATA*QUIT\r\n", true,
         "250 2.0.0 queued as 17", 256},
        {"first recipient refused", "s@example.org", {"no@example.org", "r@example.net"},
         server({{"RCPT TO:<no@example.org>", "550 5.1.1 unknown\r\n"}}),
         "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<no@example.org>\r\nRCPT TO:<r@example.net>\r\n"
         "DATA*QUIT\r\n",
         true, "250 2.0.0 queued as 17", 256},
        {"last recipient refused", "s@example.org", {"r@example.net", "no@example.org"},
         server({{"RCPT TO:<no@example.org>", "550 5.1.1 unknown\r\n"}}),
         "EHLO example.net\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.net>\r\nRCPT TO:<no@example.org>\r\n",
         false, "550 5.1.1 unknown", 256},
        {"greeting refused", "s@example.org", {"r@example.org"}, server({{"", "554 go away\r\n"}}), "", false,
         "554 go away", 256},
        {"HELO refused too", "s@example.org", {"r@example.org"},
         server({{"EHLO", "502 no\r\n"}, {"HELO", "501 nor this\r\n"}}), "EHLO example.org\r\nHELO example.org\r\n",
         false, "501 nor this", 256},
        {"sender refused", "s@example.org", {"r@example.org"}, server({{"MAIL", "553 not you\r\n"}}),
         "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\n", false, "553 not you", 256},
        {"DATA refused", "s@example.org", {"r@example.org"}, server({{"DATA", "451 later\r\n"}}),
         "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.org>\r\nDATA\r\n", false, "451 later", 256},
        {"message refused", "s@example.org", {"r@example.org"}, server({{".", "554 5.7.1 spam\r\n"}}),
         "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\nRCPT TO:<r@example.org>\r\nDATA*", false, "554 5.7.1 spam",
         256},
        {"server gone after the greeting", "s@example.org", {"r@example.org"}, server({{"EHLO", ""}}),
         "EHLO example.org\r\n", false, "", 256},
        {"reply line without its end", "s@example.org", {"r@example.org"}, server({{"MAIL", "250 o"}}),
         "EHLO example.org\r\nMAIL FROM:<s@example.org>\r\n", false, "", 256},
        {"CR and LF in the fields start no command", "s@example.org\r\nRSET", {"r@example.org\nDATA"}, server({}),
         "EHLO example.orgDATA\r\nMAIL FROM:<s@example.orgRSET>\r\nRCPT TO:<r@example.orgDATA>\r\nDATA*QUIT\r\n", true,
         "250 2.0.0 queued as 17", 256},
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
        EXPECT_EQ(mail.SendMailOver(device, MESSAGE, error, c.errorsize, 5000), c.ok);
        EXPECT_STREQ(error, c.error);
        std::string expected = c.written;
        size_t star = expected.find("DATA*");
        if (star != std::string::npos) expected.replace(star, 5, std::string("DATA\r\n") + MESSAGE_SENT + ".\r\n");
        EXPECT_EQ(device.Written(), expected);
    }
}

TEST(EmailDialogue, HostileRepliesEndTheDialogueWithABoundedError)
{
    struct {
        const char* name;
        std::string ehlo;
        std::string error;
    } cases[] = {
        // A long line is cut to 255 characters and the rest of it is dropped.
        {"long line", "250 " + std::string(600, 'y') + "\r\n", ""},
        {"line without end", "250 " + std::string(5000, 'z'), "250 " + std::string(251, 'z')},
        {"no end of continuation lines", std::string(), "250-more"},
    };
    for (int i = 0; i < 100; i++) cases[2].ehlo += "250-more\r\n";
    cases[2].ehlo += "250 last\r\n";
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EMAIL mail("s@example.org", "r@example.org", "t", "", "host");
        MEMORYIO device([&](const std::string& bytes) {
            if (bytes.compare(0, 4, "EHLO") == 0) return c.ehlo;
            if (bytes.compare(0, 4, "QUIT") == 0) return std::string("221 bye\r\n");
            return std::string(bytes.compare(0, 4, "DATA") == 0 ? "354 go\r\n" : "250 ok\r\n");
        });
        device.Arrive("220 hi\r\n");
        char error[256] = "";
        bool ok = mail.SendMailOver(device, MESSAGE, error, sizeof error, 5000);
        if (c.error.empty()) {
            EXPECT_TRUE(ok);
            EXPECT_STREQ(error, "250 ok");
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(error, c.error);
            EXPECT_EQ(device.Written(), "EHLO example.org\r\n");
        }
    }
}

}  // namespace
