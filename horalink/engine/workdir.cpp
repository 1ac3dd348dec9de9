// The data folder: chosen at start from the "WORKDIR" option, the registry or a
// default below a system folder, and moved or switched when the previous run asked.
// A move deletes the old folder only after every file reached the new one.
#include "workdir.h"

#include "filename.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "osysfile.h"
#include "registry.h"
#include "winmisc.h"

#include <cstring>
#include <vector>

static const char WORKDIR_MAKERFOLDER[] = "Kelvo";
static const char WORKDIR_OPTION[] = "WORKDIR";

WORKDIR::WORKDIR(HWND owner, const char* makerfolder, const char* applicationname)
    : hOwner(owner), RegistryName(OSYS::GetStringFromResource(IDS_HELPNAME)),
      FolderName(RegistryName),
      ApplicationName(applicationname && *applicationname ? applicationname : FolderName.Text()),
      MakerFolder(makerfolder && *makerfolder ? makerfolder : WORKDIR_MAKERFOLDER)
{
    Logit("WORKDIR::WORKDIR\n");
    Logit("WORKDIR::WORKDIR done\n");
}

WORKDIR::~WORKDIR() {}

void WORKDIR::GetWorkDir(HWND owner, int menuitem, STRING& result, STRING& pending, int systemfolder)
{
    Logit("WORKDIR::GetWorkDir\n");
    // The folder given on the command line cannot be changed from the menu.
    if (menuitem && owner && TestArgValue(WORKDIR_OPTION, 0)) {
        HMENU menu = GetMenu(owner);
        if (menu) EnableMenuItem(menu, static_cast<UINT>(menuitem), MF_BYCOMMAND | MF_GRAYED);
    }
    STRING folder;
    WorkDirInit(folder, pending, systemfolder);
    if (pending.NotEmpty() && WorkDirNew(folder, pending, "*.*")) {
        folder = pending;
        folder.RemoveLeading(WORKDIR_MOVEMARK);
    }
    result = folder;
    Logit("WORKDIR::GetWorkDir done, pfilesdir= %s\n", result.Text());
}

bool WORKDIR::WorkDirInit(STRING& result, STRING& pending, int systemfolder)
{
    Logit("WORKDIR::WorkDirInit %s %s\n", RegistryName.Text(), FolderName.Text());
    pending.SetNull();
    STRING folder;
    if (TestArgValue(WORKDIR_OPTION, 0)) {
        folder = GetArgValue(WORKDIR_OPTION, 0);
        if (folder.NotEmpty() && !OSYS::FileIsDirectory(folder) && !CreateDirectoryA(folder, nullptr))
            Logit("WORKDIR::WorkDirInit %s: %s\n", folder.Text(), ErrorText().Text());
        // An empty or unusable option would scatter the data over the current folder's drive.
        bool usable = folder.NotEmpty() && OSYS::FileIsDirectory(folder);
        if (!ASSERTTEXT(usable, "FALSE", folder)) folder = ".";
        result = folder;
        Logit("WORKDIR::WorkDirInit done, workdir= %s\n", result.Text());
        return usable;
    }

    REGISTRY key(RegistryName, KELVO_REGISTRYKEY, REGISTRY_CURRENTUSER);
    folder = key.Read(WORKDIR_VALUE);
    if (folder.Length() == 0) {
        STRING old = key.Read(WORKDIR_VALUE_OLD);
        if (old.Length() > 0) {
            Logit("WORKDIR::WorkDirInit takes over %s= %s\n", WORKDIR_VALUE_OLD, old.Text());
            key.Write(WORKDIR_VALUE, old);
            key.Delete(WORKDIR_VALUE_OLD);
            folder = old;
        }
    }
    if (folder.Length() > 0 && !OSYS::FileIsDirectory(folder) && !MakePath(folder)) {
        Logit("WORKDIR::WorkDirInit drops %s\n", folder.Text());
        folder.SetNull();
    }

    if (folder.Length() == 0) {
        STRING system = GetWin32SystemPath(systemfolder);
        // Without the system folder a default would land in whatever folder is current.
        if (system.Length() > 0) {
            if (systemfolder == WORKDIR_DOCUMENTSFOLDER)
                folder = system + ApplicationName.Text();
            else
                folder = system + MakerFolder.Text() + "\\" + FolderName.Text();
            MakePath(folder);
            ASSERTTEXT(OSYS::FileIsDirectory(folder), "OSYS::FileIsDirectory(workdir)", folder);
        }
    }

    bool usable = folder.Length() > 0 && OSYS::FileIsDirectory(folder);
    if (!ASSERTTEXT(usable, "FALSE", folder))
        folder = ".";
    else if (!key.Write(WORKDIR_VALUE, folder))
        Logit("WORKDIR::WorkDirInit cannot record %s: %s\n", folder.Text(),
              ErrorText(key.LastError()).Text());

    STRING next = key.Read(WORKDIR_VALUE_NEW);
    if (next.Length() > 0 && next != folder) pending = next;
    result = folder;
    Logit("WORKDIR::WorkDirInit done, workdir= %s\n", result.Text());
    return usable;
}

bool WORKDIR::WorkDirNew(const char* current, const char* newfolder, const char* pattern)
{
    STRING from(current ? current : "");
    STRING to(newfolder ? newfolder : "");
    Logit("WORKDIR::WorkDirNew %s %s %s %s\n", RegistryName.Text(), from.Text(), to.Text(),
          pattern ? pattern : "");
    bool success = true;
    if (to.RemoveLeading(WORKDIR_MOVEMARK)) {
        success = false;
        // Moving deletes the old folder: never the program's own (".") nor a folder
        // that holds the new one.
        if (!PathIsAbsolute(from) || to.Length() == 0 || SameFolder(from, to) ||
            FolderInside(to, from)) {
            Logit("WORKDIR::WorkDirNew refuses to move %s into %s\n", from.Text(), to.Text());
        } else if (CopyTree(from, to, pattern, true, false)) {
            DeleteTree(from, pattern, true);
            success = true;
        }
    } else if (!MakePath(to)) {
        // A folder that cannot exist would leave the program without its data.
        success = false;
    }
    if (!success) {
        STRING text = from + " -> \r\n" + to.Text() +
                      ": some copy failed!\r\n(existing files, illegal destination path, etc.)"
                      "\r\n\r\nThe original data folder will remain active!";
        if (Quiet)
            ASSERTTEXTQUIET(false, "data folder move", text);
        else
            WINKELVO::ErrorMsgBox(hOwner, OSYS::GetStringFromResource(IDS_TITLE), text);
    }
    REGISTRY key(RegistryName, KELVO_REGISTRYKEY, REGISTRY_CURRENTUSER);
    if (success) key.Write(WORKDIR_VALUE, to);
    key.Delete(WORKDIR_VALUE_NEW);
    Logit("WORKDIR::WorkDirNew done, success= %d\n", success);
    return success;
}

STRING WORKDIR::FullFolder(const char* folder)
{
    STRING text(folder ? folder : "");
    text.Replace("/", "\\");
    DWORD n = text.Length() > 0 ? GetFullPathNameA(text, 0, nullptr, nullptr) : 0;
    if (n > 0) {
        std::vector<char> buffer(n + 1);
        DWORD got = GetFullPathNameA(text, n + 1, buffer.data(), nullptr);
        if (got > 0 && got <= n) text = buffer.data();
    }
    while (text.Length() > 1 && text[text.Length() - 1] == '\\' &&
           !(text.Length() == 3 && text[1] == ':'))
        text.Truncate(text.Length() - 1);
    return text;
}

// The folder above a full folder name ("C:\a" gives "C:\"); empty at a drive root and
// at a UNC server, whose "\\" must not become the current drive's root.
static STRING ParentFolder(const STRING& folder)
{
    int cut = folder.Length() - 1;
    while (cut >= 0 && folder[cut] != '\\') --cut;
    if (cut <= 1 || cut == folder.Length() - 1) return STRING();
    return folder.Left(cut == 2 && folder[1] == ':' ? cut + 1 : cut);
}

// A full folder name with its 8.3 short names expanded. Only existing folders can be
// expanded, so the longest existing ancestor is, and the part below it stays as written
// (a move's destination usually does not exist yet).
static STRING LongFolder(const STRING& full)
{
    for (STRING head = full; head.Length() > 0; head = ParentFolder(head)) {
        DWORD n = GetLongPathNameA(head, nullptr, 0);
        if (n == 0) continue;
        std::vector<char> buffer(n + 1);
        DWORD got = GetLongPathNameA(head, buffer.data(), n + 1);
        if (got == 0 || got > n) break;
        return STRING(buffer.data()) + full.Mid(head.Length()).Text();
    }
    return full;
}

// Which folder a name reaches, whatever drive letter, short name, junction or link led
// there: its volume and file index. False when it cannot be opened (it may not exist yet)
// or its file system keeps no index (zero, as on some network shares).
static bool FolderIdentity(const char* folder, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE handle = CreateFileA(folder, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return known && (info.nFileIndexHigh != 0 || info.nFileIndexLow != 0);
}

static bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

bool WORKDIR::SameFolder(const char* a, const char* b)
{
    STRING one = FullFolder(a);
    STRING two = FullFolder(b);
    BY_HANDLE_FILE_INFORMATION first, second;
    if (FolderIdentity(one, first) && FolderIdentity(two, second)) {
        bool same = SameIdentity(first, second);
        if (same && one != two)
            Logit("WORKDIR::SameFolder %s is %s\n", one.Text(), two.Text());
        return same;
    }
    return LongFolder(one) == LongFolder(two);
}

// Whether a folder below out, to a depth of eight, is the folder with the identity target
// (a junction or link elsewhere may lead there). Junctions and links inside out are not
// searched through: they lead out of it.
static bool HoldsFolder(const STRING& out, const BY_HANDLE_FILE_INFORMATION& target, int depth = 0)
{
    if (depth >= 8) return false;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(out + "\\*", &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool holds = false;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || strcmp(found.cFileName, ".") == 0 ||
            strcmp(found.cFileName, "..") == 0)
            continue;
        STRING sub = out + "\\" + found.cFileName;
        BY_HANDLE_FILE_INFORMATION info;
        holds = (FolderIdentity(sub, info) && SameIdentity(info, target)) ||
                (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && HoldsFolder(sub, target, depth + 1));
    } while (!holds && FindNextFileA(find, &found));
    FindClose(find);
    return holds;
}

bool WORKDIR::FolderInside(const char* inner, const char* outer)
{
    STRING in = LongFolder(FullFolder(inner));
    STRING out = LongFolder(FullFolder(outer));
    STRING prefix = out;
    prefix.RemoveTrailing('\\');  // "C:\" as "C:", so that "C:\data" is "C:" and "\data"
    int n = prefix.Length();
    // The names alone decide for folders that do not exist yet.
    if (n > 0 && in.Length() > n + 1 && in.Left(n) == prefix && in[n] == '\\') return true;
    // Other names: outer above inner under a second drive letter, a junction or a link, or
    // the first existing folder on inner's way lying below outer (it is, or is reached
    // through, a junction or link into outer).
    BY_HANDLE_FILE_INFORMATION target, here;
    if (n == 0 || !FolderIdentity(out, target)) return false;
    bool first = true;
    for (STRING up = in; up.Length() > 0; up = ParentFolder(up)) {
        if (!FolderIdentity(up, here)) continue;
        if ((up != in && SameIdentity(here, target)) || (first && HoldsFolder(out, here))) {
            Logit("WORKDIR::FolderInside %s lies in %s as %s\n", in.Text(), out.Text(), up.Text());
            return true;
        }
        first = false;
    }
    return false;
}
