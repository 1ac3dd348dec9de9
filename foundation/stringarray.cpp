// STRINGARRAY: splitting, searching, comparing and the line-file reader.
#include "stringarray.h"

#include "kelvo.h"
#include "osys.h"
#include "textmode.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <share.h>

STRINGARRAY::STRINGARRAY() : DYNARRAY<STRING>("STRINGARRAY", 64, 64) {}

STRINGARRAY::STRINGARRAY(const STRING& source, const char* separators)
    : DYNARRAY<STRING>("STRINGARRAY", 64, 64)
{
    if (!ASSERT(source.NotNull())) return;
    const char* seps = separators ? separators : "";
    const char* text = source.Data();
    int len = source.Length();
    int start = 0;
    for (int i = 0; i <= len; i++) {
        if (i == len || (text[i] && strchr(seps, text[i]))) {
            Add(STRING(text + start, i - start));
            start = i + 1;
        }
    }
}

int STRINGARRAY::Compare(const STRING* a, const STRING* b, int flags)
{
    if (flags & STRINGARRAY_SORT_NUMERIC) return a->ToInt() - b->ToInt();
    if (flags & STRINGARRAY_SORT_NOCASE) return _stricmp(a->Text(), b->Text());
    return strcmp(a->Text(), b->Text());
}

int STRINGARRAY::Find(const char* text, int mode) const
{
    STRING wanted(StringNullGuard(text, "STRINGARRAY::Find text"));
    STRINGARRAY* self = const_cast<STRINGARRAY*>(this);
    self->Lock();
    int found = -1;
    for (int i = 0; i < ItemCount && found < 0; i++) {
        const STRING& item = *ppItems[i];
        bool match = false;
        switch (mode) {
        case STRINGARRAY_FIND_EQUAL: match = item == wanted.Text(); break;
        case STRINGARRAY_FIND_BEGINS:
            match = item.Length() >= wanted.Length() &&
                    _strnicmp(item.Text(), wanted.Text(), wanted.Length()) == 0;
            break;
        case STRINGARRAY_FIND_CONTAINS: match = item.iPos(wanted.Text()) >= 0; break;
        case STRINGARRAY_FIND_NUMBER: match = item.ToInt() == wanted.ToInt(); break;
        default: break;
        }
        if (match) found = i;
    }
    self->Unlock();
    return found;
}

int STRINGARRAY::Load(const char* file, bool unescape)
{
    if (!file) return 0;
    Logit("STRINGARRAY::Load %s (%d bytes)\n", file, static_cast<int>(OSYS::FileSize(file)));
    int added = 0;
    // Read raw and made text here: CR LF to LF, Ctrl-Z ends the file (see TEXTMODE).
    FILE* f = _fsopen(file, "rb", _SH_DENYWR);
    // Threads of this system run on 32 KB stacks: the piece buffer lives on the heap.
    const int piecesize = 32767;
    char* piece = f ? static_cast<char*>(malloc(piecesize)) : nullptr;
    if (f && ASSERT(piece)) {
        TEXTMODE textmode;
        STRING line;
        line.Make(0, "");
        // Pieces are joined up to each line end; a NUL byte is part of the line.
        bool more = true;
        while (more) {
            size_t got = textmode.Ended() ? 0 : fread(piece, 1, piecesize, f);
            more = got > 0;
            STRING text;
            text.Make(0, "");
            if (more)
                textmode.Translate(piece, static_cast<int>(got), text);
            else
                textmode.Finish(text);
            const char* p = text.Data();
            const char* end = p + text.Length();
            const char* lf;
            while ((lf = static_cast<const char*>(memchr(p, '\n', end - p))) != nullptr) {
                line.AppendBytes(p, static_cast<int>(lf - p));
                Add(unescape ? line.Unescape(false) : line);
                added++;
                line.Make(0, "");
                p = lf + 1;
            }
            line.AppendBytes(p, static_cast<int>(end - p));
        }
        if (line.NotEmpty()) {
            Add(unescape ? line.Unescape(false) : line);
            added++;
        }
    }
    free(piece);
    if (f) fclose(f);
    if (LogitActive()) Logit("STRINGARRAY::Load returns %d, %s\n", added, ErrorText().Text());
    return added;
}
