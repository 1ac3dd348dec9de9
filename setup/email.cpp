// The mail itself: its fields, its attachments and the message text with date,
// headers, MIME frame and the body's lines as an SMTP server takes them.
#include "email.h"

#include "kelvo.h"

#include <cstdlib>

static const char BOUNDARY[] = "----=_Kelvo_Mime_Part_08154711";
static const int MAXBOUNDARY = 64;

static const char* const DAYNAMES[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
static const char* const MONTHNAMES[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A header field or command argument: CR and LF would start a header line or an
// SMTP command of their own, so they go.
static STRING field_text(const char* text)
{
    STRING s(text ? text : "");
    s.Replace("\r", "");
    s.Replace("\n", "");
    return s;
}

static STRING stripped_field(const char* text)
{
    STRING s = field_text(text);
    s.Strip('B', " \t");
    return s;
}

// Day of the week (0 Sunday) of a Gregorian date, from the date alone.
static int day_of_week(int year, int month, int day)
{
    static const int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year--;
    int d = (year + year / 4 - year / 100 + year / 400 + offsets[(month + 11) % 12] + day) % 7;
    return d < 0 ? d + 7 : d;
}

int EmailZoneBias(DWORD zone, const TIME_ZONE_INFORMATION& tz)
{
    int bias = static_cast<int>(tz.Bias);
    if (zone == TIME_ZONE_ID_DAYLIGHT) bias += static_cast<int>(tz.DaylightBias);
    return bias;
}

STRING EmailDate(const SYSTEMTIME& local, int bias)
{
    int month = local.wMonth >= 1 && local.wMonth <= 12 ? local.wMonth : 1;
    int absolute = bias < 0 ? -bias : bias;
    STRING date;
    date.Format("%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d",
                DAYNAMES[day_of_week(local.wYear, month, local.wDay)], local.wDay, MONTHNAMES[month - 1],
                local.wYear, local.wHour, local.wMinute, local.wSecond, bias < 0 ? '+' : '-',
                absolute / 60, absolute % 60);
    return date;
}

EMAIL::EMAIL(const char* sender, const char* recipient, const char* subject, const char* body, const char* host)
    : Sender(stripped_field(sender)),
      SenderName(""),
      Subject(field_text(subject)),
      Host(stripped_field(host)),
      Body(body ? body : ""),
      Sent(0)
{
    if (Sender.Length() == 0) {
        Sender = STRING("anonymous@") + EMAIL_MAKERDOMAIN;
        Sender.ToLower();
    }
    Recipients.Add(stripped_field(recipient));
    Logit("EMAIL::Sender %s\n", Sender.Text());
    Logit("EMAIL::Receiver %s\n", Recipients[0].Text());
    Logit("EMAIL::Subject %s\n", Subject.Text());
    Logit("EMAIL::SmtpHost %s\n", Host.Text());
}

EMAIL::~EMAIL() { Logit("EMAIL::~EMAIL\n"); }

void EMAIL::AddRecipient(const char* recipient)
{
    Recipients.Add(stripped_field(recipient));
    Logit("EMAIL::Receiver %s\n", Recipients[Recipients.GetCount() - 1].Text());
}

void EMAIL::AddAttachment(const char* mimetype, const char* filename, const STRING& data)
{
    STRING type = field_text(mimetype);
    if (type.Length() == 0) type = "application/octet-stream";
    // The name stands in double quotes.
    STRING name = field_text(filename);
    name.Replace("\"", "");
    STRING part;
    part.Format("Content-Type: %s; name=\"%s\"\r\n", type.Text(), name.Text());
    part.Append("Content-Transfer-Encoding: base64\r\n");
    part.AppendFormat("Content-Disposition: attachment; filename=\"%s\"\r\n\r\n", name.Text());
    part += data.Base64Encode(true);
    Parts.Add(part);
    Logit("EMAIL::AddAttachment %s, %s, %d bytes\n", type.Text(), name.Text(), data.Length());
}

STRING EMAIL::CreateMailString()
{
    Logit("EMAIL::CreateMailString\n");
    TIME_ZONE_INFORMATION tz = {};
    DWORD zone = GetTimeZoneInformation(&tz);
    SYSTEMTIME now;
    GetLocalTime(&now);
    STRING date = EmailDate(now, EmailZoneBias(zone, tz));
    Logit("EMAIL::CreateMailString zone=%d, tz.Bias= %d, tz.DaylightBias= %d\n", static_cast<int>(zone),
          static_cast<int>(tz.Bias), static_cast<int>(tz.DaylightBias));
    Logit("EMAIL::CreateMailString datebuf= %s\n", date.Text());

    STRING mail;
    mail.Make(0, "");
    STRING sender = field_text(Sender);
    STRING name = field_text(SenderName);
    if (name.Length() > 0)
        mail.AppendFormat("From: \"%s\" <%s>\r\n", name.Text(), sender.Text());
    else
        mail.AppendFormat("From: %s\r\n", sender.Text());
    mail.Append("To: ");
    for (int i = 0; i < Recipients.GetCount(); i++) {
        if (i > 0) mail.Append(", ");
        mail += field_text(Recipients[i]);
    }
    mail.Append("\r\n");
    mail.AppendFormat("Date: %s\r\n", date.Text());
    mail.AppendFormat("Subject: %s\r\n", field_text(Subject).Text());

    // The body is the first part of a mail with attachments: the boundary may occur
    // in none of them.
    STRING boundary(BOUNDARY);
    if (Parts.GetCount() > 0) {
        for (;;) {
            bool occurs = Body.Find(boundary);
            for (int i = 0; i < Parts.GetCount() && !occurs; i++) occurs = Parts[i].Find(boundary);
            if (!occurs) break;
            if (!ASSERTTEXT(boundary.Length() + 1 < MAXBOUNDARY, "boundary.Length()<64", boundary.Text())) break;
            boundary.Append("$");
        }
        mail.AppendFormat("Content-Type: multipart/mixed; boundary=\"%s\"\r\n", boundary.Text());
        mail.Append("MIME-Version: 1.0\r\n"
                    "\r\n"
                    "This is a multi-part MIME message\r\n"
                    "Please use a MIME compliant mail\r\n"
                    " reader to display this message.\r\n"
                    "\r\n");
        mail.AppendFormat("--%s\r\n", boundary.Text());
        mail.Append("Content-Type: text/plain\r\n");
    }
    mail.Append("\r\n");

    const char* p = Body.Text();
    for (;;) {
        const char* lf = strchr(p, '\n');
        STRING line(p, lf ? static_cast<int>(lf - p) : static_cast<int>(strlen(p)));
        line.Strip('R', " \t\r\n");
        line.Strip('L', "\r\n");
        line.Replace("\r", " ");
        if (line == ".") line = ". ";
        mail += line;
        mail.Append("\r\n");
        if (!lf) break;
        p = lf + 1;
    }
    mail.Append("\r\n");

    if (Parts.GetCount() > 0) {
        for (int i = 0; i < Parts.GetCount(); i++) {
            mail.AppendFormat("--%s\r\n", boundary.Text());
            mail += Parts[i];
            mail.Append("\r\n");
        }
        mail.AppendFormat("--%s--\r\n\r\n", boundary.Text());
    }
    Logit("EMAIL::~CreateMailString returns %d bytes\n", mail.Length());
    return mail;
}
