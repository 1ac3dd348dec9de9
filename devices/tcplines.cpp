// Line-based text protocols over a device: one command out with CRLF, one reply
// line in, each bounded by its buffer and a time-out; passwords stay out of the log.
#include "tcpio.h"

#include "kelvo.h"

#include <cstring>

// The command as the log shows it: what follows "PASS " or an IMAP "LOGIN" is masked.
static STRING masked_command(const char* command)
{
    STRING shown(command);
    int pos = shown.iPos("PASS ");
    int from = pos >= 0 ? pos + 5 : -1;
    if (from < 0 && shown.iPos("IMAP") >= 0 && (pos = shown.iPos("LOGIN")) >= 0) from = pos + 6;
    if (from >= 0) {
        if (from < shown.Length()) shown.Truncate(from);
        while (shown.Length() < from) shown.AppendChar(' ');
        shown.Append("******");
    }
    return shown;
}

bool TCP::ReadLine(BASEIO* device, char* buffer, int size, int timeout)
{
    if (!ASSERT(device && buffer && size > 0)) return false;
    buffer[0] = 0;
    int length = size - 1;
    bool ok = device->Read(buffer, length, timeout, "\n");
    if (length < 0 || length > size - 1) length = 0;
    buffer[length] = 0;
    if (ok) {
        if (length > 0 && buffer[length - 1] == '\n') buffer[--length] = 0;
        int kept = 0;
        for (int i = 0; i < length; i++)
            if (buffer[i] != '\r') buffer[kept++] = buffer[i];
        buffer[kept] = 0;
        length = kept;
    }
    Logit("TCP::ReadLine ok= %d, l= %d, data= %s\n", ok, length, buffer);
    return ok;
}

bool TCP::WriteCmd(BASEIO* device, const char* command, char* reply, int replysize, int timeout)
{
    if (!ASSERT(device && command)) return false;
    if (LogitActive()) Logit("TCP::WriteCmd %s\n", masked_command(command).Text());
    STRING line(command);
    line.Append("\r\n");
    bool sent = device->Write(line.Text(), line.Length());
    if (!reply || replysize <= 0) return sent;
    reply[0] = 0;
    // No reply can come to a command that did not go out.
    if (!sent) return false;
    bool ok = ReadLine(device, reply, replysize, timeout);
    Logit("TCP::WriteCmd returned %s\n", reply);
    return ok;
}
