// EMAIL, one plain-text mail (optionally with attachments) sent straight to an SMTP
// server over a TCP connection, and the small dialog in which the user can still
// change it before sending.
#pragma once

#include "stringarray.h"
#include "strings.h"

#include <windows.h>

// The send dialog's template in the language library.
const int IDD_EMAIL_SEND = 2090;

class EMAIL {
public:
    // Strips blanks around sender, recipient and host; an empty sender becomes
    // "anonymous@" and the maker's mail domain.
    EMAIL(const char* sender, const char* recipient, const char* subject, const char* body, const char* host);
    ~EMAIL();
    EMAIL(const EMAIL&) = delete;
    EMAIL& operator=(const EMAIL&) = delete;

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
};
