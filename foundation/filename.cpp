// FILENAME: placeholders, names relative to a folder, the process-wide table of
// shell strings ("%APPDATA%", "~\" and the programs' own), path parts, file size,
// directory search and the network-drive test.
#include "filename.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "semaphores.h"

#include <cctype>
#include <cstring>

struct SHELLSTRING {
    // A copy of the caller's name: a table entry must not point at a caller's temporary.
    STRING Name;
    STRING Value;
    int Flag;
};

struct SHELLSTRINGTABLE {
    CRITSECT Lock;
    SHELLSTRING Entries[SHELLSTRING_MAX];
    bool Filled = false;
};

struct STANDARDSHELLSTRING {
    const char* name;
    int which;  // GetWin32SystemPath number
};

static const STANDARDSHELLSTRING STANDARD_SHELL_STRINGS[] = {
    {"%USERPICTURES%", 7},   {"%USERPROFILE%", 6},    {"%USERDESKTOP%", 8},
    {"%APPDATA%", 5},        {"%ALLUSERPROFILE%", 12}, {"%ALLUSERAPPDATA%", 13},
};

static SHELLSTRINGTABLE& shell_table()
{
    static SHELLSTRINGTABLE table;
    return table;
}

// Index of the entry named exactly name, else of the first free entry; -1 when full.
static int shell_slot(SHELLSTRINGTABLE& table, const char* name)
{
    for (int i = 0; i < SHELLSTRING_MAX; i++) {
        SHELLSTRING& e = table.Entries[i];
        if (e.Name.IsNull() || strcmp(e.Name.Text(), name) == 0) return i;
    }
    return -1;
}

bool PathIsAbsolute(const char* path)
{
    if (!path || !path[0]) return false;
    return path[0] == '\\' || path[1] == ':';
}

STRING PathJoin(const char* directory, const char* name)
{
    STRING result(directory ? directory : "");
    if (result.IsNull()) result.Make(0, "");
    if (result.NotEmpty() && result[result.Length() - 1] != '\\') result.Append("\\");
    result.Append(name ? name : "");
    return result;
}

// A root ("\" or "x:\") keeps its backslash: "x:" alone would name the drive's
// current directory instead.
static bool is_root(const STRING& path)
{
    return path.Length() == 1 || (path.Length() == 3 && path[1] == ':');
}

// ---------------------------------------------------------------- construction

FILENAME::FILENAME(const char* name) : STRING(), hFind(nullptr), FoundAttributes(0)
{
    Resolve(name);
}

FILENAME::FILENAME(const char* directory, const char* name)
    : STRING(), hFind(nullptr), FoundAttributes(0)
{
    Resolve(name);
    if (!IsAbsolute()) {
        STRING folder(directory);
        if (folder.IsNull() || folder.Length() == 0) {
            char current[MAX_PATH];
            DWORD n = GetCurrentDirectoryA(sizeof current, current);
            folder = (n > 0 && n < sizeof current) ? current : ".";
        }
        STRING::operator=(PathJoin(folder, Text()));
        ExpandShellString();
    }
    Logit("FILENAME::FILENAME returns %s\n", Text());
}

FILENAME::FILENAME(const FILENAME& other) : STRING(other), hFind(nullptr), FoundAttributes(0) {}

FILENAME& FILENAME::operator=(const FILENAME& other)
{
    if (this != &other) {
        FindClose();
        STRING::operator=(other);
    }
    return *this;
}

FILENAME::~FILENAME() { FindClose(); }

void FILENAME::Resolve(const char* name)
{
    if (name && _stricmp(name, "<self>") == 0) {
        STRING::operator=(KELVOAPP::ProgramPath());
    } else if (name && (_stricmp(name, "<tmp>") == 0 || _stricmp(name, "<temp>") == 0)) {
        char temp[MAX_PATH] = "";
        char fname[MAX_PATH] = "";
        DWORD n = GetEnvironmentVariableA("TEMP", temp, sizeof temp);
        // Creating the file is what makes the name unique.
        bool ok = n > 0 && n < sizeof temp && GetTempFileNameA(temp, "kel", 0, fname) != 0;
        ASSERTTEXT(ok, "fname", temp);
        STRING::operator=(ok ? fname : "");
    } else {
        STRING::operator=(name ? name : "");
    }
    ExpandShellString();
}

// ---------------------------------------------------------------- path questions

bool FILENAME::IsAbsolute() const { return PathIsAbsolute(Text()); }

STRING FILENAME::Directory() const
{
    const char* slash = strrchr(Text(), '\\');
    if (!slash) return STRING("");
    return Left(static_cast<int>(slash - Text()));
}

STRING FILENAME::FilePart() const
{
    const char* slash = strrchr(Text(), '\\');
    return STRING(slash ? slash + 1 : Text());
}

long long FILENAME::FileSize() const { return OSYS::FileSize(Text()); }

bool FILENAME::IsOnNetwork() const
{
    Logit("FILENAME::IsOnNetwork file= %s\n", Text());
    bool network = false;
    const char* p = Text();
    if (!ASSERTTEXTQUIET(NotEmpty(), "fullname.NotEmpty()", nullptr)) {
        network = false;
    } else if (isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && p[2] == '\\') {
        STRING root = Left(3);
        UINT rc = GetDriveTypeA(root);
        if (ASSERTTEXTQUIET(rc != 0 && rc != 1, "rc!=0 && rc!=1", root)) network = rc == DRIVE_REMOTE;
    } else if (p[0] == '\\' && p[1] == '\\' && p[2] && p[2] != '?' && p[2] != '.') {
        // "\\server\share\..." has no drive letter but is on the network all the same.
        network = true;
    }
    Logit("FILENAME::IsOnNetwork fullname %s returns %d\n", Text(), network);
    return network;
}

// ---------------------------------------------------------------- directory search

STRING FILENAME::FindFirst(const char* pattern)
{
    FindClose();
    STRING search = PathJoin(Text(), pattern ? pattern : "*");
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(search, &data);
    if (h == INVALID_HANDLE_VALUE) return STRING();
    hFind = h;
    FoundAttributes = data.dwFileAttributes;
    return STRING(data.cFileName);
}

STRING FILENAME::FindNext()
{
    if (!hFind) return STRING();
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(hFind, &data)) {
        FindClose();
        return STRING();
    }
    FoundAttributes = data.dwFileAttributes;
    return STRING(data.cFileName);
}

void FILENAME::FindClose()
{
    if (hFind) ::FindClose(hFind);
    hFind = nullptr;
    FoundAttributes = 0;
}

// ---------------------------------------------------------------- shell strings

void FILENAME::ShellStringsInit()
{
    SHELLSTRINGTABLE& table = shell_table();
    table.Lock.Enter();
    if (!table.Filled) {
        Logit("FILENAME::ShellStringsInit\n");
        table.Filled = true;
        for (const STANDARDSHELLSTRING& s : STANDARD_SHELL_STRINGS) {
            int i = shell_slot(table, s.name);
            if (i < 0) break;
            table.Entries[i].Name = s.name;
            table.Entries[i].Value = GetWin32SystemPath(s.which);
            table.Entries[i].Flag = 0;
        }
        Logit("FILENAME::ShellStringsInit done\n");
    }
    table.Lock.Leave();
}

void FILENAME::ShellStringSet(const char* name, const char* value, int flag)
{
    if (!ASSERT(name != nullptr)) return;
    ShellStringsInit();
    Logit("FILENAME::ShellStringSet %s %s\n", name, value ? value : "(null)");
    SHELLSTRINGTABLE& table = shell_table();
    table.Lock.Enter();
    int i = shell_slot(table, name);
    if (ASSERTTEXTQUIET(i >= 0, "i>=0", name)) {
        table.Entries[i].Name = name;
        table.Entries[i].Value = value;
        table.Entries[i].Flag = flag;
    }
    table.Lock.Leave();
}

STRING FILENAME::ShellStringGet(const char* name)
{
    ShellStringsInit();
    SHELLSTRINGTABLE& table = shell_table();
    STRING value;
    table.Lock.Enter();
    int i = name ? shell_slot(table, name) : -1;
    if (i >= 0 && table.Entries[i].Name.NotNull()) value = table.Entries[i].Value;
    table.Lock.Leave();
    return value;
}

void FILENAME::ShellStringsReset()
{
    SHELLSTRINGTABLE& table = shell_table();
    table.Lock.Enter();
    for (SHELLSTRING& e : table.Entries) {
        e.Name.SetNull();
        e.Value.SetNull();
        e.Flag = 0;
    }
    table.Filled = false;
    table.Lock.Leave();
}

void FILENAME::ExpandShellString()
{
    if (IsNull()) return;
    bool shell = (Length() > 0 && ((*this)[0] == '%' || (*this)[0] == '~')) || iFind("%USERNAME%");
    if (shell) {
        STRING before(*this);
        ShellStringsInit();
        Replace("/", "\\");
        if (Left(2) == "~\\") {
            CutLeft(1);
            Insert("%USERPROFILE%", 0);
        }
        if (iFind("%USERNAME%")) Replace("%USERNAME%", OSYS::GetUserName().Text(), false);
        SHELLSTRINGTABLE& table = shell_table();
        table.Lock.Enter();
        for (SHELLSTRING& e : table.Entries) {
            if (e.Name.IsNull()) break;
            STRING value(e.Value);
            while (value.RemoveTrailing('\\') || value.RemoveTrailing('/')) {
            }
            if (value.Length() == 0 || Length() < e.Name.Length()) continue;
            if (_strnicmp(Text(), e.Name.Text(), e.Name.Length()) == 0) {
                value.Append(Text() + e.Name.Length());
                STRING::operator=(value);
            }
        }
        table.Lock.Leave();
        Logit("FILENAME::ExpandShellString %s -> %s\n", before.Text(), Text());
    }
    Replace("/", "\\");
    while (Length() > 0 && (*this)[Length() - 1] == '\\' && !is_root(*this)) Truncate(Length() - 1);
}

// Names the platform keeps for devices in every folder ("aux", "com1.txt", ...).
static bool is_device_name(const STRING& part)
{
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    STRING stem = part.Field(0, ".");
    stem.Strip('R', " ");
    for (const char* device : devices)
        if (stem == device) return true;
    if (stem.Length() == 4 && (stem.Left(3) == "COM" || stem.Left(3) == "LPT") && isdigit(static_cast<unsigned char>(stem[3])))
        return true;
    return false;
}

bool StaysInsideFolder(const char* name)
{
    // No drive, stream or root: nothing absolute and no ":" anywhere; nothing the
    // platform refuses or reads as a wildcard in a name, no control character.
    if (!name || !*name || strchr(name, ':') || name[0] == '\\' || name[0] == '/') return false;
    for (const char* c = name; *c; c++)
        if (static_cast<unsigned char>(*c) < 32 || strchr("<>\"|?*", *c)) return false;
    STRING path(name);
    path.Replace("/", "\\");
    if (path[path.Length() - 1] == '\\') return false;  // a folder, not a file
    for (int i = 0;; i++) {
        STRING part = path.Field(i, "\\");
        if (part.IsNull()) break;
        STRING trimmed = part;
        trimmed.Strip('B', " .");
        // "", ".", "..", "..." and the like, which the platform folds into a climb.
        if (trimmed.Length() == 0 || is_device_name(part)) return false;
    }
    return true;
}
