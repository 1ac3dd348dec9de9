// EMAIL, one plain-text mail (optionally with attachments) sent straight to an SMTP
// server over a TCP connection, and the small dialog in which the user can still
// change it before sending.
#pragma once

#include "ios.h"
#include "setupres.h"
#include "stringarray.h"
#include "strings.h"

#include <windows.h>

// The send dialog's template in the language library.
const int IDD_EMAIL_SEND = IDD_SETUP_EMAIL;

// The maker's mail domain: the default sender's and the greeting's when the
// recipient names none.
const char EMAIL_MAKERDOMAIN[] = "kelvo.example";
// Test seam, never a user setting: when set, SendMail connects to this port of the
// host instead of the "smtp" service's port 25.
const char EMAIL_TESTPORT_VARIABLE[] = "HORALINK_TEST_SMTPPORT";

// The longest reply line kept, without CR and LF.
const int SMTP_MAXLINE = 255;
// Bytes of one reply line beyond which the server is taken as hostile (RFC 5321 allows 512).
const int SMTP_MAXRAWLINE = 1024;
// Lines of one (multi-line) reply beyond which the server is taken as hostile.
const int SMTP_MAXREPLYLINES = 100;
// Reply time-outs in ms: every command's, and that of the message's end.
const int SMTP_REPLYTIMEOUT = 5000;
const int SMTP_DATAENDTIMEOUT = 20000;

// How reading one reply ended.
enum SMTPREPLY {
    SMTPREPLY_DONE,     // a final line (its fourth character is not "-") arrived
    SMTPREPLY_TIMEOUT,  // no complete reply within the time-out
    SMTPREPLY_CLOSED,   // the connection went down
    SMTPREPLY_HOSTILE,  // a line or a reply too long to be a server's
};

// Reads one reply from device within timeout ms (for all of its lines): continuation
// lines ("250-...") until the final one. line receives the last line read (at most
// SMTP_MAXLINE characters, CR and LF removed; empty after a time-out, the device's error
// text after a closed connection) and code its integer value (0 when none).
SMTPREPLY SmtpReadReply(BASEIO& device, STRING& line, int& code, int timeout);

// The zone bias in minutes (UTC minus local time) of GetTimeZoneInformation's answer:
// the bias, plus the daylight bias when zone says that daylight time is active.
int EmailZoneBias(DWORD zone, const TIME_ZONE_INFORMATION& tz);
// A mail's date: "%a, %d %b %Y %H:%M:%S" in English and the zone " +hhmm" (bias
// negative) or " -hhmm".
STRING EmailDate(const SYSTEMTIME& local, int bias);

class EMAIL {
public:
    // Strips blanks around sender, recipient and host; an empty sender becomes
    // "anonymous@" and the maker's mail domain.
    EMAIL(const char* sender, const char* recipient, const char* subject, const char* body, const char* host);
    ~EMAIL();
    EMAIL(const EMAIL&) = delete;
    EMAIL& operator=(const EMAIL&) = delete;

    // Appends one more recipient (blanks around it stripped).
    void AddRecipient(const char* recipient);
    // Appends one attachment (mimetype null or empty: application/octet-stream).
    void AddAttachment(const char* mimetype, const char* filename, const STRING& data);
    // The complete message text.
    STRING CreateMailString();
    // One SMTP dialogue for text; timeout (ms) is for the greeting. error receives the
    // last reply line or the connection's error text, at most errorsize - 1 characters.
    bool SendMail(const char* text, char* error, int errorsize, int timeout);
    // CreateMailString and SendMail with a 15 s greeting time-out.
    bool Send(STRING* error);
    // Shows the send dialog from template with title; true when the mail went out.
    bool SendDialog(int templateid, const char* title);

    // SendMail's dialogue on a device that is connected already (also the seam through
    // which tests talk to it without a socket); the caller drops the call afterwards.
    bool SendMailOver(BASEIO& device, const char* text, char* error, int errorsize, int timeout);

private:
    friend class EMAILDIALOG;

    STRING Sender;
    STRING SenderName;
    STRING Subject;
    STRING Host;
    STRING Body;
    STRINGARRAY Parts;
    STRINGARRAY Recipients;
    LONG Sent;
};
