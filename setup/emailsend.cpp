// Sending an EMAIL: the TCP connection to the host's SMTP port around the dialogue.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "email.h"

#include "kelvo.h"
#include "tcpio.h"

#include <cstring>

static const int SEND_ERRORSIZE = 256;
static const int SEND_GREETINGTIMEOUT = 15000;

// Where the connection goes: the host's "smtp" service, or the test seam's port.
static STRING destination(const STRING& host)
{
    STRING to = host;
    to.Replace("\r", "");
    to.Replace("\n", "");
    char port[16] = "";
    DWORD n = GetEnvironmentVariableA(EMAIL_TESTPORT_VARIABLE, port, sizeof port);
    bool digits = n > 0 && n < sizeof port;
    for (DWORD i = 0; digits && i < n; i++) digits = port[i] >= '0' && port[i] <= '9';
    if (digits) {
        Logit("EMAIL::SendMail test port %s\n", port);
        return to + ":" + port;
    }
    return to + ":smtp";
}

bool EMAIL::SendMail(const char* text, char* error, int errorsize, int timeout)
{
    Logit("EMAIL::SendMail host= %s, timeout= %d\n", Host.Text(), timeout);
    if (error && errorsize > 0) error[0] = 0;
    TCPIPIO device("", "", "");
    if (!device.MakeCall(destination(Host))) {
        STRING why = device.GetInfo("LASTERRORSTRING");
        Logit("EMAIL::SendMail error: %s\n", why.Text());
        if (error && errorsize > 0) {
            int n = why.Length() < errorsize - 1 ? why.Length() : errorsize - 1;
            memcpy(error, why.Text(), static_cast<size_t>(n));
            error[n] = 0;
        }
        return false;
    }
    bool ok = SendMailOver(device, text, error, errorsize, timeout);
    device.DropCall();
    Logit("EMAIL::~SendMail returns %d\n", ok);
    return ok;
}

bool EMAIL::Send(STRING* error)
{
    Logit("EMAIL::Send\n");
    STRING text = CreateMailString();
    char buffer[SEND_ERRORSIZE] = "";
    bool ok = SendMail(text, buffer, sizeof buffer, SEND_GREETINGTIMEOUT);
    if (error) *error = buffer;
    Logit("EMAIL::~Send returns %d, %s\n", ok, buffer);
    return ok;
}
