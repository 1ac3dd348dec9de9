// The removal worker, in the order the installation is taken apart: the plug-in, the
// service, the recorded files, the program group, the desktop icons, everything else
// when the user chose so, the file types, the firewall exceptions, the uninstall key
// and the autostart value. Every item that the registry names is checked before it is
// touched; an item that would lead elsewhere is skipped with a log line.
#include "removal.h"

#include "actualcopy.h"
#include "filename.h"
#include "firewall.h"
#include "installfolder.h"
#include "kelvo.h"
#include "osys.h"
#include "osysfile.h"
#include "registry.h"
#include "setupcfg.h"
#include "setupdialog.h"
#include "setuphook.h"
#include "setupstate.h"
#include "shortcuts.h"
#include "uninstaller.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <initializer_list>

static STRING bare(const char* folder)
{
    STRING s(folder ? folder : "");
    while (s.RemoveTrailing('\\')) {
    }
    return s;
}

static bool has_control(const char* text)
{
    for (const char* c = text; *c; c++)
        if (static_cast<unsigned char>(*c) < 32) return true;
    return false;
}

bool IniKeyUsable(const char* inikey)
{
    return inikey && *inikey && !strchr(inikey, '\\') && !strchr(inikey, '"') && !has_control(inikey);
}

// Whether path lies strictly below folder (an empty folder holds nothing).
static bool inside(const STRING& path, const char* folder)
{
    STRING f = bare(folder);
    if (f.Length() == 0 || path.Length() <= f.Length() + 1) return false;
    return path.Left(f.Length()) == f && path[f.Length()] == '\\' && StaysInsideFolder(path.Mid(f.Length() + 1));
}

bool FolderRemovable(const char* folder, const char* windowsfolder, const char* programfiles, const char* forbidden)
{
    if (!InstallFolderAllowed(folder, windowsfolder, programfiles)) return false;
    STRING f = bare(folder);
    if (f.Find(":", nullptr, 2) || has_control(f)) return false;
    // Neither a shared folder itself nor one that holds a shared folder.
    STRINGARRAY system = SetupList(STRING(forbidden ? forbidden : ""));
    for (int i = 0; i < system.GetCount(); i++) {
        STRING shared = bare(system[i]);
        if (shared == f || inside(shared, f)) return false;
    }
    return true;
}

bool StartMenuGroupAllowed(const char* group, const char* userprograms, const char* commonprograms)
{
    STRING g = bare(group);
    return inside(g, userprograms) || inside(g, commonprograms);
}

bool RootClassAllowed(const char* name)
{
    // Keys of the system itself, which an installation never registers as a file type.
    static const char* const SYSTEM_KEYS[] = {"*", "CLSID", "Interface", "TypeLib", "AppID", "Installer",
                                              "Folder", "Directory", "Drive", "AllFilesystemObjects"};
    if (!name || !*name || strchr(name, '\\') || strchr(name, '/') || has_control(name)) return false;
    STRING n(name);
    n.Strip('B', " \t");
    if (n.Length() == 0) return false;
    for (const char* key : SYSTEM_KEYS)
        if (n == key) return false;
    return true;
}

bool FileProtected(const char* item, const char* protect)
{
    STRING name(item ? item : "");
    name.Replace("/", "\\");
    name = FILENAME(name).FilePart();
    STRINGARRAY protected_files = SetupList(STRING(protect ? protect : ""));
    for (int i = 0; i < protected_files.GetCount(); i++)
        if (name == protected_files[i]) return true;
    return false;
}

STRING DefaultDataFolder(const char* datafolder, const char* appdata, const char* commonappdata, const char* inikey)
{
    STRING data = bare(datafolder);
    if (data.Length() == 0 || !IniKeyUsable(inikey)) return STRING("");
    for (const char* system : {appdata, commonappdata}) {
        // An unknown system folder would make the default a relative path.
        if (!system || !*system) continue;
        STRING place = PathJoin(system, "Kelvo");
        place = PathJoin(place, inikey);
        if (data == place) return data;
    }
    return STRING("");
}

// ---------------------------------------------------------------- the worker

// The values of the uninstall key that name what is removed.
struct RECORDED {
    STRING Files, Startmenu, StartmenuFiles, DesktopFiles, Protect, RootClasses, Firewall;
};

static RECORDED read_recorded(const char* inikey)
{
    RECORDED r;
    REGISTRY key(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, inikey, REGISTRY_READ);
    r.Files = key.Read("UninstallFiles");
    r.Startmenu = key.Read("UninstallStartmenu");
    r.StartmenuFiles = key.Read("UninstallStartmenuFiles");
    r.DesktopFiles = key.Read("UninstallDesktopFiles");
    r.Protect = key.Read("UninstallProtect");
    r.RootClasses = key.Read("UninstallRootClasses");
    r.Firewall = key.Read("UninstallFirewall");
    return r;
}

static STRING shell_folder(int csidl)
{
    char path[MAX_PATH] = "";
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path)) ? STRING(path) : STRING("");
}

// The folders that hold more than one product's things: never emptied as a whole.
static STRING shared_folders()
{
    STRING list;
    list.Make(0, "");
    const int csidls[] = {CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROFILE, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                          CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PERSONAL,
                          CSIDL_COMMON_DOCUMENTS, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
                          CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU};
    for (int csidl : csidls) list += shell_folder(csidl) + "|";
    // The profiles' own folder (the parent of the user's profile).
    list += FILENAME(bare(shell_folder(CSIDL_PROFILE))).Directory();
    return list;
}

static void remove_files(const STRING& folder, const RECORDED& r)
{
    STRINGARRAY items = SetupList(r.Files);
    for (int i = 0; i < items.GetCount(); i++) {
        const STRING& item = items[i];
        if (!StaysInsideFolder(item)) {
            Logit("SETUP::RemoveInstallation skips %s: not inside the install folder\n", item.Text());
        } else if (FileProtected(item, r.Protect)) {
            Logit("SETUP::RemoveInstallation keeps the protected %s\n", item.Text());
        } else {
            STRING file = PathJoin(folder, item);
            file.Replace("/", "\\");
            DeleteFileA(file);
        }
    }
}

// Deletes folder\name + each extension for every plain name of names.
static void remove_shortcuts(const STRING& folder, const STRING& names, const char* const* extensions, int count)
{
    STRINGARRAY items = SetupList(names);
    for (int i = 0; i < items.GetCount(); i++) {
        if (!ShortcutNameAllowed(items[i])) {
            Logit("SETUP::RemoveInstallation skips the shortcut %s: no plain name\n", items[i].Text());
            continue;
        }
        for (int e = 0; e < count; e++) DeleteFileA(PathJoin(folder, items[i] + extensions[e]));
    }
}

static void remove_program_group(const RECORDED& r)
{
    if (r.Startmenu.Length() == 0 || !OSYS::FileIsDirectory(r.Startmenu)) return;
    if (!StartMenuGroupAllowed(r.Startmenu, GetWin32SystemPath(SYSTEMPATH_PROGRAMS),
                               GetWin32SystemPath(SYSTEMPATH_COMMONPROGRAMS))) {
        Logit("SETUP::RemoveInstallation skips the program group %s: not inside a Programs folder\n", r.Startmenu.Text());
        return;
    }
    const char* const extensions[] = {".LNK", ".URL"};
    remove_shortcuts(bare(r.Startmenu), r.StartmenuFiles, extensions, 2);
    RemoveDirectoryA(r.Startmenu);
}

static void remove_everything(const UNINSTALLSTATE& u, const STRING& folder, bool folderok)
{
    if (folderok)
        DeleteTree(folder, "*.*", true);
    else
        Logit("SETUP::RemoveInstallation skips the tree of %s: no folder of the product's own\n", folder.Text());
    STRING data = REGISTRY(HKEY_CURRENT_USER, KELVO_REGISTRYKEY, u.IniKey, REGISTRY_READ).Read("ApplicationDataDir");
    STRING datafolder = DefaultDataFolder(data, GetWin32SystemPath(SYSTEMPATH_APPDATA),
                                          GetWin32SystemPath(SYSTEMPATH_COMMONAPPDATA), u.IniKey);
    if (datafolder.Length() > 0 && OSYS::FileIsDirectory(datafolder))
        DeleteTree(datafolder, "*.*", true);
    else if (data.Length() > 0)
        Logit("SETUP::RemoveInstallation keeps the data folder %s\n", data.Text());
    // A key that still has sub-keys stays.
    REGISTRY(HKEY_CURRENT_USER, KELVO_REGISTRYKEY, "", REGISTRY_WRITE).Delete(u.IniKey, false);
    REGISTRY(HKEY_LOCAL_MACHINE, KELVO_REGISTRYKEY, "", REGISTRY_WRITE).Delete(u.IniKey, false);
}

static void remove_root_classes(const STRING& roots)
{
    STRINGARRAY items = SetupList(roots);
    REGISTRY classes(HKEY_CLASSES_ROOT, "", "", REGISTRY_WRITE);
    for (int i = 0; i < items.GetCount(); i++) {
        if (RootClassAllowed(items[i]))
            classes.Delete(items[i], true);
        else
            Logit("SETUP::RemoveInstallation skips the class %s: no file type's key\n", items[i].Text());
    }
}

static void remove_firewall_exceptions(const STRING& folder, const STRING& programs)
{
    STRINGARRAY items = SetupList(programs);
    if (items.GetCount() == 0) return;
    FIREWALL firewall;
    if (!firewall.IsUp()) return;
    for (int i = 0; i < items.GetCount(); i++) {
        if (!StaysInsideFolder(items[i])) {
            Logit("SETUP::RemoveInstallation skips the firewall exception %s: not inside the install folder\n",
                  items[i].Text());
            continue;
        }
        STRING path = PathJoin(folder, items[i]);
        path.Replace("/", "\\");
        firewall.RemoveApplication(path);
    }
}

// The progress bar's run from 0 to 100, one step of 5 every 50 ms.
static void show_progress(HWND progress)
{
    for (int position = 0; position <= 100; position += 5) {
        SendMessageA(progress, PBM_SETPOS, position, 0);
        OSYS::Sleep(50);
    }
}

void RemoveInstallation(SETUPDIALOGBOX* frame, HWND page, HWND progress)
{
    UNINSTALLSTATE& u = Uninstall();
    HWND window = frame->GetHwnd();
    bool everything = u.Choice == "1";
    Logit("SETUP::RemoveInstallation %s from %s, everything= %d\n", u.IniKey.Text(), u.InstallFolder.Text(), everything);
    if (u.Hooks)
        u.Hooks->NewSetup(NEWHOOK_REMOVALBEGINS, 0, window, page, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(everything)));
    RECORDED r = read_recorded(u.IniKey);
    if (u.Hooks) u.Hooks->Setup(SETUPHOOK_BEFOREREMOVE, u.InstallFolder);

    STRING folder = bare(u.InstallFolder);
    bool folderok = FolderRemovable(folder, WindowsFolder(), GetWin32SystemPath(SYSTEMPATH_PROGRAMFILES), shared_folders());
    if (!folderok) Logit("SETUP::RemoveInstallation %s is no folder of the product's own: nothing in it goes\n", folder.Text());
    if (folderok && OSYS::FileExists(PathJoin(folder, "service.exe")) && OSYS::GetOSType() > 0) {
        ServiceControl(folder, "/STOP");
        ServiceControl(folder, "/UNINSTALL");
    }
    if (folderok) remove_files(folder, r);
    remove_program_group(r);
    const char* const link[] = {".LNK"};
    remove_shortcuts(bare(GetWin32SystemPath(SYSTEMPATH_DESKTOP)), r.DesktopFiles, link, 1);
    if (everything) remove_everything(u, folder, folderok);
    remove_root_classes(r.RootClasses);
    remove_firewall_exceptions(folder, r.Firewall);
    REGISTRY(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, "", REGISTRY_WRITE).Delete(u.IniKey, true);
    SetAutoStart(u.IniKey, nullptr);
    if (u.Hooks) {
        u.Hooks->Setup(SETUPHOOK_REMOVED, nullptr);
        u.Hooks->NewSetup(NEWHOOK_REMOVALENDED, 0, window, page, 0, nullptr);
    }

    show_progress(progress);
    frame->SetHeader(OSYS::GetStringFromResource(IDS_SETUP_REMOVEDTITLE), "");
    if (everything) {
        ShowWindow(GetDlgItem(page, IDC_SETUP_TEXT), SW_HIDE);
        SetDlgItemTextA(page, IDC_SETUP_TEXT2, OSYS::GetLongStringFromResource(IDS_SETUP_REMOVEDALL));
        ShowWindow(GetDlgItem(page, IDC_SETUP_TEXT2), SW_SHOW);
    }
    PostMessageA(window, WM__SETUPFOCUS, IDCANCEL, 0);
    EnableWindow(frame->Button(IDC_SETUP_BACK), TRUE);
    EnableWindow(frame->Button(IDCANCEL), TRUE);
    Logit("SETUP::RemoveInstallation done\n");
}
