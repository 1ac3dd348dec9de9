// HASHLIST, a list of HASH records read from a sectioned file: each section
// begins with a header line such as "[#1]" and holds the lines of one record.
#include "hash.h"

#include "kelvo.h"
#include "osys.h"

#include <cstring>

HASHLIST::HASHLIST() : DYNARRAY<HASH>("HASHLIST", 64, 64), SortKeys(nullptr), SortKeyCount(0) {}

void HASHLIST::SetSortKeys(const char* const* names, int count)
{
    SortKeys = names;
    SortKeyCount = names && count > 0 ? count : 0;
}

int HASHLIST::Compare(const HASH* a, const HASH* b, int flags)
{
    for (int i = 0; i < SortKeyCount; i++) {
        const STRING& va = a->Existing(SortKeys[i]);
        const STRING& vb = b->Existing(SortKeys[i]);
        int rc;
        if (flags & HASHLIST_SORT_NUMERIC) {
            // By sign, not by subtraction, which overflows for far-apart values.
            int x = va.ToInt();
            int y = vb.ToInt();
            rc = (x > y) - (x < y);
        } else {
            rc = strcmp(va.Text(), vb.Text());
        }
        if (rc != 0) return rc;
    }
    return 0;
}

int HASHLIST::Find(const char* key, const char* value, bool exact) const
{
    const char* wanted = StringNullGuard(value, "HASHLIST::Find value");
    if (!wanted) return -1;
    size_t n = strlen(wanted);
    HASHLIST* self = const_cast<HASHLIST*>(this);
    self->Lock();
    int found = -1;
    for (int i = 0; i < ItemCount && found < 0; i++) {
        const HASH& record = *ppItems[i];
        int idx = record.IndexOf(key);
        if (idx < 0) continue;
        const STRING& v = record.ValueAt(idx);
        if (v.IsNull()) continue;
        if (exact ? v == wanted : _strnicmp(v.Text(), wanted, n) == 0) found = i;
    }
    self->Unlock();
    return found;
}

int HASHLIST::Load(const char* file)
{
    if (!file) return 0;
    Logit("HASHLIST::Load %s (%d bytes)\n", file, static_cast<int>(OSYS::FileSize(file)));
    int added = 0;
    BINARY text;
    if (text.Load(file, "r")) {
        STRINGARRAY lines(text, "\n");
        STRING Section;
        Section.Make(0, "");
        bool headerseen = false;
        int n = lines.GetCount();
        for (int i = 0; i < n; i++) {
            // Every line is taken with its line end, an unterminated last one included.
            STRING buf = lines[i];
            if (buf.Length() == 0) continue;
            buf.AppendChar('\n');
            if (buf[0] != '[') {
                Section += buf;
                continue;
            }
            ASSERTINFO(buf[1]=='#', buf.Text());
            ASSERTINFO(buf[buf.Length()-2]==']', buf.Text());
            if (headerseen) {
                Add(HASH(Section));
                added++;
                Section.Make(0, "");
            } else {
                // Lines before the first header stay and become part of the first record.
                ASSERTINFO(Section.Length()==0, Section.Text());
            }
            headerseen = true;
        }
        if (Section.Length() > 0) {
            Add(HASH(Section));
            added++;
        }
    }
    if (LogitActive()) Logit("HASHLIST::Load returns %d, %s\n", added, ErrorText().Text());
    return added;
}
