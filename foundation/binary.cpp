// Whole-file save and load of a BINARY, the byte-buffer use of STRING. A file
// written from the start is replaced atomically, so a failed save keeps the old file.
#include "strings.h"

#include "atomicfile.h"
#include "kelvo.h"
#include "osys.h"
#include "textmode.h"

#include <cstdio>
#include <share.h>

bool BINARY::Save(const char* file, const char* mode) const
{
    Logit("BINARY::Save %s\n", StringNullGuard(file, "STRING::Save"));
    if (!file || !mode) return false;
    int written = 0;
    bool ok = false;
    // Appending or updating in place cannot go through a replacement file; a replacement
    // that is not committed is abandoned with the ATOMICFILE.
    bool replace = mode[0] == 'w';
    ATOMICFILE out;
    FILE* f = replace ? out.Open(file, mode) : _fsopen(file, mode, _SH_DENYRW);
    if (f) {
        if (StrLen > 0) written = static_cast<int>(fwrite(Buffer, 1, StrLen, f));
        // A full disk shows in the write count or when the last block is flushed.
        ok = written == StrLen;
        if (replace)
            ok = ok && out.Commit();
        else if (fclose(f) != 0)
            ok = false;
    }
    if (LogitActive())
        Logit("BINARY::Save returns %p, %d bytes, %s\n", static_cast<void*>(f), written,
              ErrorText().Text());
    return ok;
}

bool BINARY::Load(const char* file, const char* mode)
{
    Make(0, "");
    if (!file || !mode) return false;
    Logit("BINARY::Load %s (%d bytes)\n", file, static_cast<int>(OSYS::FileSize(file)));
    // Text mode is done here on raw bytes, the same way on every C runtime.
    bool text = IsTextMode(mode);
    STRING rawmode(mode);
    if (text) {
        rawmode.Replace("t", "");
        rawmode.Append("b");
    }
    FILE* f = _fsopen(file, rawmode.Text(), _SH_DENYWR);
    bool ok = f != nullptr;
    if (f) {
        TEXTMODE textmode;
        char chunk[8192];
        while (!textmode.Ended()) {
            size_t n = fread(chunk, 1, sizeof chunk, f);
            if (text)
                textmode.Translate(chunk, static_cast<int>(n), *this);
            else
                AppendBytes(chunk, static_cast<int>(n));
            if (n < sizeof chunk) break;
        }
        textmode.Finish(*this);
        // A read error is not the end of the file: half a file must not pass for all of it.
        if (ferror(f)) ok = false;
        fclose(f);
    }
    if (LogitActive())
        Logit("BINARY::Load returns %p, %d bytes, %s\n", static_cast<void*>(f), StrLen,
              ErrorText().Text());
    return ok;
}
