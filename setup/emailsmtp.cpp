// The SMTP dialogue of EMAIL on a connected byte-stream device: replies read as
// bounded lines under one deadline each, commands, and the message's lines.
#include "email.h"

#include "kelvo.h"

#include <cstring>

// The longest single wait of the reader: between two waits it looks whether the
// connection is still there, so a closed one ends the reply at once.
static const int READSLICE = 200;

namespace {

// One time-out for everything a reply takes, however many reads that is.
class DEADLINE {
public:
    explicit DEADLINE(int timeout) : Start(GetTickCount()), Timeout(timeout < 0 ? 0 : static_cast<DWORD>(timeout)) {}
    int Left() const
    {
        DWORD elapsed = GetTickCount() - Start;
        return elapsed >= Timeout ? 0 : static_cast<int>(Timeout - elapsed);
    }

private:
    DWORD Start;
    DWORD Timeout;
};

enum LINEREAD { LINE_OK, LINE_TIMEOUT, LINE_CLOSED, LINE_TOOLONG };

// Reads one line up to its LF. line keeps its first SMTP_MAXLINE bytes without CR (a
// NUL becomes a blank); the rest of a longer line is read and dropped, up to
// SMTP_MAXRAWLINE bytes.
LINEREAD read_line(BASEIO& device, STRING& line, const DEADLINE& deadline)
{
    char kept[SMTP_MAXLINE];
    char scratch[256];
    int have = 0;
    int total = 0;
    bool offline = false;
    // Read waits out its time even after bytes came, so it waits only when a look
    // without waiting found nothing, and then for a line's end (or a NUL, which ends
    // its wait too); once the connection is seen down, one more look takes what
    // arrived before. A look takes everything up to the buffer's size at once: what
    // follows the line's end goes back for the next line.
    bool look = true;
    for (;;) {
        bool keeping = have < SMTP_MAXLINE;
        char* into = keeping ? kept + have : scratch;
        int n = keeping ? SMTP_MAXLINE - have : static_cast<int>(sizeof scratch);
        int wait = deadline.Left();
        if (wait > READSLICE) wait = READSLICE;
        if (look || offline) wait = 0;
        device.Read(into, n, wait, wait == 0 ? nullptr : "\n");
        const char* lf = static_cast<const char*>(memchr(into, '\n', static_cast<size_t>(n)));
        if (lf) {
            int after = n - static_cast<int>(lf - into) - 1;
            if (after > 0) device.PushBack(lf + 1, after);
            n -= after;
        }
        if (keeping) have += n;
        total += n;
        bool end = n > 0 && into[n - 1] == '\n';
        if (end) break;
        if (total > SMTP_MAXRAWLINE) break;
        if (n == 0 && offline) return LINE_CLOSED;
        if (deadline.Left() == 0) return LINE_TIMEOUT;
        look = n > 0;
        if (n == 0 && device.GetInfo("ONLINE") != "1") offline = true;
    }
    line.Make(0, "");
    for (int i = 0; i < have; i++) {
        char c = kept[i];
        if (c == '\r' || c == '\n') continue;
        line.AppendChar(c ? c : ' ');
    }
    return total > SMTP_MAXRAWLINE ? LINE_TOOLONG : LINE_OK;
}

// The integer value of a reply line, as atoi takes it, without overflow.
int reply_code(const STRING& line)
{
    const char* p = line.Text();
    while (*p == ' ' || *p == '\t') p++;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    int value = 0;
    for (int digits = 0; *p >= '0' && *p <= '9' && digits < 9; p++, digits++) value = value * 10 + (*p - '0');
    return negative ? -value : value;
}

bool in_range(int code, int low, int high) { return code >= low && code <= high; }

// The device's text for its last failure; empty when it names none.
STRING device_error(BASEIO& device)
{
    if (device.GetInfo("LASTERROR").ToInt() == 0) return STRING("");
    return device.GetInfo("LASTERRORSTRING").Left(SMTP_MAXLINE);
}

// The client's half of the dialogue: commands out, replies in; Last holds the last
// reply line (or the failure's text), Code its value.
class SMTPTALK {
public:
    explicit SMTPTALK(BASEIO& device) : Device(device), Last(""), Code(0) {}

    bool Reply(int timeout)
    {
        SMTPREPLY r = SmtpReadReply(Device, Last, Code, timeout);
        return r == SMTPREPLY_DONE;
    }
    // Sends command; with a time-out its reply is read too.
    bool Command(const STRING& command, int timeout)
    {
        Logit("EMAIL::SendMail %s\n", command.Text());
        if (!Write(command + "\r\n")) return false;
        return Reply(timeout);
    }
    bool Write(const STRING& bytes)
    {
        if (Device.Write(bytes.Text(), bytes.Length())) return true;
        Last = device_error(Device);
        Code = 0;
        Logit("EMAIL::SendMail write failed: %s\n", Last.Text());
        return false;
    }

    BASEIO& Device;
    STRING Last;
    int Code;
};

// The message as it goes after DATA: every line ends in CRLF; a lone "." goes as ". ";
// a line that begins with "." gets a second one, which the server takes away again
// (RFC 5321 4.5.2), so a line that begins with a dot arrives as it was; and a CR left
// inside a line becomes a blank, so a server that takes a bare CR for a line end
// cannot find the message's end or a command in it.
STRING message_lines(const char* text)
{
    STRING data;
    data.Make(0, "");
    const char* p = text ? text : "";
    size_t length = strlen(p);
    const char* end = p + length;  // the final LF the text gets stands here
    for (;;) {
        const char* lf = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
        bool last = lf == nullptr;
        if (last) lf = end;
        STRING piece(p, static_cast<int>(lf - p));
        piece.Strip('R', " \r");
        piece.Replace("\r", " ");
        if (piece == ".") piece = ". ";
        if (piece.Length() > 0 && piece[0] == '.') data.Append(".");
        data += piece;
        data.Append("\r\n");
        if (last) break;
        p = lf + 1;
        if (p < end && *p == '\r') p++;
    }
    return data;
}

}  // namespace

SMTPREPLY SmtpReadReply(BASEIO& device, STRING& line, int& code, int timeout)
{
    DEADLINE deadline(timeout);
    line = "";
    code = 0;
    for (int lines = 0;; lines++) {
        if (lines >= SMTP_MAXREPLYLINES) {
            Logit("EMAIL::SmtpReadReply more than %d lines\n", SMTP_MAXREPLYLINES);
            return SMTPREPLY_HOSTILE;
        }
        STRING got;
        LINEREAD r = read_line(device, got, deadline);
        if (r == LINE_TIMEOUT) {
            line = "";
            code = 0;
            Logit("EMAIL::SmtpReadReply no reply within %d ms\n", timeout);
            return SMTPREPLY_TIMEOUT;
        }
        if (r == LINE_CLOSED) {
            line = device_error(device);
            code = 0;
            Logit("EMAIL::SmtpReadReply connection closed: %s\n", line.Text());
            return SMTPREPLY_CLOSED;
        }
        line = got;
        code = reply_code(got);
        Logit("EMAIL::SmtpReadReply %s\n", got.Text());
        if (r == LINE_TOOLONG) {
            Logit("EMAIL::SmtpReadReply line longer than %d bytes\n", SMTP_MAXRAWLINE);
            return SMTPREPLY_HOSTILE;
        }
        if (got.Length() < 4 || got[3] != '-') return SMTPREPLY_DONE;
    }
}

bool EMAIL::SendMailOver(BASEIO& device, const char* text, char* error, int errorsize, int timeout)
{
    Logit("EMAIL::SendMailOver\n");
    SMTPTALK talk(device);
    bool ok = false;
    // Every step ends the dialogue when its reply fails or is out of its range.
    do {
        if (!talk.Reply(timeout) || !in_range(talk.Code, 200, 299)) break;

        STRING first = Recipients.GetCount() > 0 ? Recipients[0] : STRING("");
        first.Replace("\r", "");
        first.Replace("\n", "");
        int at = first.Pos("@");
        STRING domain = at >= 0 ? first.Mid(at + 1) : STRING("");
        if (domain.Length() == 0) domain = EMAIL_MAKERDOMAIN;
        STRING sender = Sender;
        sender.Replace("\r", "");
        sender.Replace("\n", "");
        bool anonymous = sender.Length() == 0 || sender == "anonymous";
        STRING argument = anonymous ? STRING(" anonymous") : STRING(" ") + domain.Text();

        if (!talk.Command(STRING("EHLO") + argument.Text(), SMTP_REPLYTIMEOUT)) break;
        if (!in_range(talk.Code, 200, 299)) {
            if (!talk.Command(STRING("HELO") + argument.Text(), SMTP_REPLYTIMEOUT)) break;
            if (!in_range(talk.Code, 200, 299)) break;
        }
        STRING path = sender == "anonymous" ? STRING("") : sender;
        if (!talk.Command(STRING("MAIL FROM:<") + path.Text() + ">", SMTP_REPLYTIMEOUT)) break;
        if (!in_range(talk.Code, 200, 299)) break;
        bool replied = true;
        for (int i = 0; i < Recipients.GetCount() && replied; i++) {
            STRING to = Recipients[i];
            to.Replace("\r", "");
            to.Replace("\n", "");
            replied = talk.Command(STRING("RCPT TO:<") + to.Text() + ">", SMTP_REPLYTIMEOUT);
        }
        // Only the last recipient's answer counts.
        if (!replied || !in_range(talk.Code, 200, 299)) break;
        if (!talk.Command("DATA", SMTP_REPLYTIMEOUT) || !in_range(talk.Code, 200, 399)) break;

        Logit("EMAIL::SendMail before writing the message\n");
        if (!talk.Write(message_lines(text))) break;
        if (!talk.Command(".", SMTP_DATAENDTIMEOUT) || !in_range(talk.Code, 200, 299)) break;
        ok = true;

        // QUIT's answer is of no interest: the mail is accepted.
        STRING accepted = talk.Last;
        talk.Command("QUIT", SMTP_REPLYTIMEOUT);
        talk.Last = accepted;
    } while (false);

    if (error && errorsize > 0) {
        int n = talk.Last.Length() < errorsize - 1 ? talk.Last.Length() : errorsize - 1;
        memcpy(error, talk.Last.Text(), static_cast<size_t>(n));
        error[n] = 0;
    }
    Logit("EMAIL::~SendMailOver returns %d, %s\n", ok, talk.Last.Text());
    return ok;
}
