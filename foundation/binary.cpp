// Whole-file save and load of a BINARY, the byte-buffer use of STRING.
#include "strings.h"

#include "kelvo.h"
#include "osys.h"

#include <cstdio>
#include <share.h>
#include <sys/stat.h>

bool BINARY::Save(const char* file, const char* mode) const
{
    Logit("BINARY::Save %s\n", StringNullGuard(file, "STRING::Save"));
    if (!file) return false;
    FILE* f = _fsopen(file, mode, _SH_DENYRW);
    int written = 0;
    bool ok = false;
    if (f) {
        if (StrLen > 0) written = static_cast<int>(fwrite(Buffer, 1, StrLen, f));
        // A full disk shows in the write count or when the last block is flushed.
        ok = written == StrLen;
        if (fclose(f) != 0) ok = false;
    }
    if (LogitActive())
        Logit("BINARY::Save returns %p, %d bytes, %s\n", static_cast<void*>(f), written,
              ErrorText().Text());
    return ok;
}

bool BINARY::Load(const char* file, const char* mode)
{
    Make(0, "");
    if (!file) return false;
    struct _stat64 st;
    long long size = _stat64(file, &st) == 0 ? st.st_size : -1;
    Logit("BINARY::Load %s (%d bytes)\n", file, static_cast<int>(size));
    FILE* f = _fsopen(file, mode, _SH_DENYWR);
    if (f) {
        char chunk[8192];
        for (;;) {
            size_t n = fread(chunk, 1, sizeof chunk, f);
            AppendBytes(chunk, static_cast<int>(n));
            if (n < sizeof chunk) break;
        }
        fclose(f);
    }
    if (LogitActive())
        Logit("BINARY::Load returns %p, %d bytes, %s\n", static_cast<void*>(f), StrLen,
              ErrorText().Text());
    return f != nullptr;
}
