// Text-mode reading: CR LF to LF, Ctrl-Z as the end of the text.
#include "textmode.h"

#include <cstring>

const char CTRL_Z = 26;

void TEXTMODE::Translate(const char* bytes, int n, STRING& out)
{
    if (AtEnd || n <= 0) return;
    const char* end = static_cast<const char*>(memchr(bytes, CTRL_Z, n));
    if (end) AtEnd = true;
    const char* stop = end ? end : bytes + n;
    const char* p = bytes;
    if (HeldCR && p < stop) {
        if (*p != '\n') out.AppendChar('\r');
        HeldCR = false;
    }
    while (p < stop) {
        const char* cr = static_cast<const char*>(memchr(p, '\r', stop - p));
        if (!cr) {
            out.AppendBytes(p, static_cast<int>(stop - p));
            break;
        }
        out.AppendBytes(p, static_cast<int>(cr - p));
        if (cr + 1 == stop) {
            // The piece ends here: the next one decides, unless the text ends.
            if (end)
                out.AppendChar('\r');
            else
                HeldCR = true;
        } else if (cr[1] != '\n') {
            out.AppendChar('\r');
        }
        p = cr + 1;
    }
}

void TEXTMODE::Finish(STRING& out)
{
    if (HeldCR) out.AppendChar('\r');
    HeldCR = false;
}

bool IsTextMode(const char* mode) { return mode && !strchr(mode, 'b'); }
