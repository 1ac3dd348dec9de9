// Walking an archive for the copy worker, with the rules for files that are there.
#include "unzipper.h"

#include "kelvo.h"
#include "osys.h"
#include "setupres.h"
#include "unzip.h"
#include "winmisc.h"

#include <cctype>
#include <cstring>

static bool same_letter(char a, char b)
{
    return tolower(static_cast<unsigned char>(a)) == tolower(static_cast<unsigned char>(b));
}

// Whether c is in the set that begins after "[" at p; *end becomes the place after
// its "]". False, with *end null, when the set has no "]" (the "[" is then a letter).
static bool in_set(const char* p, char c, const char** end)
{
    bool negated = *p == '!' || *p == '^';
    if (negated) p++;
    bool found = false;
    const char* q = p;
    for (; *q && (*q != ']' || q == p); q++) {
        if (q[1] == '-' && q[2] && q[2] != ']') {
            unsigned char from = static_cast<unsigned char>(tolower(static_cast<unsigned char>(q[0])));
            unsigned char to = static_cast<unsigned char>(tolower(static_cast<unsigned char>(q[2])));
            unsigned char x = static_cast<unsigned char>(tolower(static_cast<unsigned char>(c)));
            if (from <= x && x <= to) found = true;
            q += 2;
        } else if (same_letter(*q, c)) {
            found = true;
        }
    }
    *end = *q == ']' ? q + 1 : nullptr;
    return found != negated;
}

// Matches one pattern element at p against c; *next becomes the following element.
static bool element_matches(const char* p, char c, const char** next)
{
    if (*p == '?') {
        *next = p + 1;
        return true;
    }
    if (*p == '[') {
        const char* end;
        bool match = in_set(p + 1, c, &end);
        if (end) {
            *next = end;
            return match;
        }
    }
    *next = p + 1;
    return same_letter(*p, c);
}

bool WildcardMatch(const char* pattern, const char* name)
{
    if (!pattern || !name) return false;
    // The last "*" and the name's place when it was met: a mismatch lets that star
    // take one more character.
    const char* star = nullptr;
    const char* starname = nullptr;
    const char* p = pattern;
    const char* n = name;
    while (*n) {
        const char* next;
        if (*p == '*') {
            star = ++p;
            starname = n;
        } else if (*p && element_matches(p, *n, &next)) {
            p = next;
            n++;
        } else if (star) {
            p = star;
            n = ++starname;
        } else {
            return false;
        }
    }
    while (*p == '*') p++;
    return *p == 0;
}

UNZIPPER::UNZIPPER() : Cursor(0), IsListed(false)
{
    Archive[0] = 0;
}

void UNZIPPER::Open(const char* archive, const char* asklist, const char* protectlist)
{
    Logit("UNZIPPER::Open %s\n", archive ? archive : "");
    AskList = asklist ? asklist : "";
    AskList.Replace("\\", "/");
    ProtectList = protectlist ? protectlist : "";
    ProtectList.Replace("\\", "/");
    Cursor = 0;
    ClearZipListing();
    size_t length = archive ? strlen(archive) : 0;
    IsListed = false;
    if (length == 0 || length >= sizeof Archive) {
        Archive[0] = 0;
        ASSERTTEXTQUIET(FALSE, "error==FALSE", "the archive's path is empty or too long");
        return;
    }
    memcpy(Archive, archive, length + 1);
    const char* args[] = {"unzip", "-v", Archive};
    int error = Unzip(3, args);
    // Recorded quietly: the copy worker tells the user in words of its own.
    ASSERTTEXTQUIET(error == 0, "error==FALSE", UnzipError());
    IsListed = error == 0;
}

DWORD UNZIPPER::First(char* name)
{
    Cursor = 0;
    return Next(name);
}

DWORD UNZIPPER::Next(char* name)
{
    ZIPLISTING& table = ZipListing();
    if (Cursor >= ZIPLIST_ENTRIES) {
        name[0] = 0;
        return 0;
    }
    memcpy(name, table.Name[Cursor], ZIPLIST_NAMESIZE);
    name[ZIPLIST_NAMESIZE - 1] = 0;
    return table.Size[Cursor++];
}

bool UNZIPPER::Protected(const char* name, const STRING& target) const
{
    for (int i = 0;; i++) {
        STRING item = ProtectList.Field(i, "|");
        if (item.IsNull()) return false;
        STRING pattern = item.Field(0, ";");
        if (pattern.Length() == 0) continue;
        bool wild = strpbrk(pattern, "*?") != nullptr;
        bool match = wild ? WildcardMatch(pattern, name) : _stricmp(pattern, name) == 0;
        if (match && OSYS::FileExists(target)) {
            Logit("UNZIPPER::Extract %s is protected and kept\n", name);
            return true;
        }
    }
}

bool UNZIPPER::Confirmed(const char* name, const STRING& target) const
{
    for (int i = 0;; i++) {
        STRING item = AskList.Field(i, "|");
        if (item.IsNull()) return true;
        if (_stricmp(item.Field(0, ";", STRINGFIELD_EMPTYIFMISSING), name) != 0 || !OSYS::FileExists(target)) continue;
        STRING shown = item.Field(1, ";");
        if (shown.IsNull()) shown = name;
        STRING text = OSYS::GetStringFromResource(IDS_SETUP_REPLACE);
        text.Replace("%s", shown);
        bool yes = WINKELVO::YesNoMsgBox(Owner ? Owner : GetForegroundWindow(), OSYS::GetStringFromResource(IDS_SETUP_REPLACETITLE), text);
        Logit("UNZIPPER::Extract replace %s: %s\n", name, yes ? "yes" : "no");
        return yes;
    }
}

// Creates the folders of path from the left; a drive's root ("X:\") is skipped, the
// last component is left to the engine.
static void create_parents(const char* folder)
{
    STRING path(folder);
    for (int i = 0; i < path.Length(); i++) {
        if ((path[i] != '\\' && path[i] != '/') || i == 2 || i == 0) continue;
        CreateDirectoryA(path.Left(i), nullptr);
    }
}

bool UNZIPPER::Extract(const char* name, const char* folder, bool* written)
{
    if (written) *written = false;
    if (!name || !*name || !folder) return false;
    STRING target(folder);
    if (target.Length() > 0 && target[target.Length() - 1] != '\\') target += "\\";
    target += name;
    target.Replace("/", "\\");
    if (!OSYS::FileExists(folder)) create_parents(folder);
    bool write = !Protected(name, target) && Confirmed(name, target);
    if (written) *written = write;
    if (!write) return true;
    const char* args[] = {"unzip", "-qq", Archive, name, "-d", folder};
    int error = Unzip(6, args);
    if (error != 0) Logit("UNZIPPER::Extract %s failed: %s\n", name, UnzipError());
    return error == 0;
}

void UNZIPPER::Close()
{
    AskList = "";
    ProtectList = "";
}
