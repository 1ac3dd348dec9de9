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

bool WORKDIR::SameFolder(const char* a, const char* b)
{
    return FullFolder(a) == FullFolder(b);
}

bool WORKDIR::FolderInside(const char* inner, const char* outer)
{
    STRING in = FullFolder(inner);
    STRING out = FullFolder(outer);
    if (out.Length() > 0 && out[out.Length() - 1] == '\\') out.Truncate(out.Length() - 1);
    int n = out.Length();
    return n > 0 && in.Length() > n + 1 && in.Left(n) == out && in[n] == '\\';
}
