// The shortcuts page's work: one shortcut per StartmenuOpts item
// ("name;target;arguments;icon:index"), the uninstall shortcut and the desktop icon,
// their record in the uninstall key, and the firewall exceptions.
#include "shortcuts.h"

#include "filename.h"
#include "firewall.h"
#include "kelvo.h"
#include "osys.h"
#include "registry.h"
#include "setupcfg.h"
#include "setupdialog.h"
#include "setuphook.h"
#include "setupres.h"
#include "setupstate.h"
#include "stringarray.h"

#include <intshcut.h>
#include <shlobj.h>

// What one run of MakeShortcuts needs and collects.
struct SHORTCUTRUN {
    STRING Install;       // install folder
    STRING Group;         // program-group folder, without a trailing "\"
    bool MakeGroup;       // the user wants a program group
    STRING GroupFiles;    // "name|" per shortcut made in the group
    STRING DesktopFiles;  // "name|" per shortcut made on the desktop
};

static STRING without_trailing_backslash(STRING folder)
{
    while (folder.RemoveTrailing('\\')) {
    }
    return folder;
}

// A shortcut's name (and the program group's) becomes a file name in its folder: it must
// not lead anywhere else.
bool ShortcutNameAllowed(const STRING& name)
{
    return StaysInsideFolder(name) && !name.Find("\\") && !name.Find("/") && !name.Find("..");
}

// The full path (at most 255 characters) of file as the system's library search finds
// it; a null STRING when it is not found.
static STRING search_path(const STRING& file)
{
    STRING result;
    UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(file.Text());
    SetErrorMode(mode);
    if (!module) {
        Logit("MakeShortcuts %s is not on the search path\n", file.Text());
        return result;
    }
    char path[256];
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    if (n > 0 && n < sizeof path) result = path;
    FreeLibrary(module);
    return result;
}

// Saves the shell object as file (named in the system's code page).
static HRESULT save_as(IUnknown* object, const STRING& file, bool completed)
{
    IPersistFile* persist = nullptr;
    HRESULT hres = object->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
    if (FAILED(hres)) return hres;
    WCHAR wide[2 * MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, file.Text(), -1, wide, 2 * MAX_PATH)) {
        hres = E_INVALIDARG;
    } else {
        hres = persist->Save(wide, TRUE);
        if (SUCCEEDED(hres) && completed) persist->SaveCompleted(wide);
    }
    persist->Release();
    Logit("MakeShortcuts saved %s: 0x%08lx\n", file.Text(), static_cast<unsigned long>(hres));
    return hres;
}

// An Internet shortcut "name.URL": in the program group only, never on the desktop.
static void make_internet_shortcut(const STRING& name, const STRING& url, SHORTCUTRUN& run)
{
    if (!run.MakeGroup) return;
    IUniformResourceLocatorA* locator = nullptr;
    HRESULT hres = CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IUniformResourceLocatorA, reinterpret_cast<void**>(&locator));
    if (!ASSERT(SUCCEEDED(hres))) return;
    hres = locator->SetURL(url.Text(), IURL_SETURL_FL_GUESS_PROTOCOL);
    if (SUCCEEDED(hres)) {
        STRING file;
        file.Format("%s\\%s.URL", run.Group.Text(), name.Text());
        hres = save_as(locator, file, true);
    }
    locator->Release();
    if (!ASSERTINFO(SUCCEEDED(hres), "Internet shortcut")) return;
    run.GroupFiles += name + "|";
}

// A shortcut "name.LNK" to a file: in the program group, or on the desktop when the
// target begins with "#".
static void make_file_shortcut(const STRING& name, STRING target, const STRING& arguments,
                               const STRING& icon, SHORTCUTRUN& run)
{
    STRING iconfile, iconindex;
    if (icon.NotNull()) {
        iconfile = icon.Field(0, ":", STRINGFIELD_EMPTYIFMISSING);
        iconindex = icon.Field(1, ":");
        if (iconindex.IsNull()) iconindex = "0";
    }
    bool desktop = target.Text()[0] == '#';
    if (!desktop && !run.MakeGroup) return;
    STRING folder = desktop ? without_trailing_backslash(GetWin32SystemPath(SYSTEMPATH_DESKTOP)) : run.Group;
    target.Strip('L', "*#");
    STRING path;
    if (target.Left(7) == "%PATH%\\") path = search_path(target.Mid(7));
    if (path.IsNull()) path = run.Install + "\\" + target.Text();

    IShellLinkA* link = nullptr;
    HRESULT hres = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link));
    if (!ASSERT(SUCCEEDED(hres))) return;
    link->SetDescription(name.Text());
    link->SetPath(path.Text());
    link->SetArguments(arguments.Text());
    link->SetWorkingDirectory(run.Install.Text());
    if (icon.NotNull()) link->SetIconLocation((run.Install + "\\" + iconfile.Text()).Text(), iconindex.ToInt());
    STRING file;
    file.Format("%s\\%s.LNK", folder.Text(), name.Text());
    hres = save_as(link, file, false);
    link->Release();
    if (!ASSERTINFO(SUCCEEDED(hres), "Programgroup entry or desktop icon")) return;
    (desktop ? run.DesktopFiles : run.GroupFiles) += name + "|";
}

static void make_shortcut(const STRING& item, SHORTCUTRUN& run)
{
    STRING name = item.Field(0, ";");
    STRING target = item.Field(1, ";", STRINGFIELD_EMPTYIFMISSING);
    if (!ShortcutNameAllowed(name)) {
        Logit("MakeShortcuts refuses %s: the name must not leave the folder\n", item.Text());
        return;
    }
    if (target.Left(7) == "http://" || target.Left(8) == "https://")
        make_internet_shortcut(name, target, run);
    else
        make_file_shortcut(name, target, item.Field(2, ";", STRINGFIELD_EMPTYIFMISSING), item.Field(3, ";"), run);
}

STRING DesktopEntry()
{
    STRING entry;
    STRINGARRAY items = SetupList(Setup().Value("StartmenuOpts"));
    for (int i = 0; i < items.GetCount(); i++) {
        const STRING& item = *items.GetItem(i);
        STRING target = item.Field(1, ";");
        if (!target.RemoveLeading('*')) continue;
        entry.Format("%s;#%s;%s", item.Field(0, ";").Text(), target.Text(), item.Field(2, ";").Text());
    }
    return entry;
}

// The uninstaller removes what is recorded here.
static void record_for_uninstall(const SETUPSTATE& s, const STRING& inikey, SHORTCUTRUN& run)
{
    run.GroupFiles.Strip('B', "|");
    run.DesktopFiles.Strip('B', "|");
    if (inikey.Length() == 0) return;
    bool group = run.GroupFiles.NotEmpty() && (run.MakeGroup || s.InstallMode == INSTALLMODE_NEW);
    bool desktop = run.DesktopFiles.NotEmpty();
    if (!group && !desktop) return;
    REGISTRY key(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, inikey.Text(), REGISTRY_CREATE);
    if (group) {
        key.Write("UninstallStartmenu", s.ProgramGroup.Text());
        key.Write("UninstallStartmenuFiles", run.GroupFiles.Text());
    }
    if (desktop) key.Write("UninstallDesktopFiles", run.DesktopFiles.Text());
}

// The name of the first StartmenuOpts item whose target is program, else AppName.
static STRING friendly_name(const SETUPSTATE& s, const STRING& program)
{
    STRINGARRAY items = SetupList(s.Value("StartmenuOpts"));
    for (int i = 0; i < items.GetCount(); i++) {
        STRING target = items.GetItem(i)->Field(1, ";");
        target.RemoveLeading('*');
        if (target == program) return items.GetItem(i)->Field(0, ";");
    }
    return s.Value("AppName");
}

static void add_firewall_exceptions(const SETUPSTATE& s)
{
    if (!s.Config.Exists("AddToFirewall")) return;
    FIREWALL firewall;
    if (!firewall.IsUp()) return;
    STRINGARRAY programs = SetupList(s.Value("AddToFirewall"));
    for (int i = 0; i < programs.GetCount(); i++) {
        const STRING& program = *programs.GetItem(i);
        // setup.cfg may write the program's path with "/"; the firewall keeps the
        // system's "\" form.
        STRING path = s.InstallFolder + "\\" + program.Text();
        path.Replace("/", "\\");
        STRING name = friendly_name(s, program);
        Logit("MakeShortcuts firewall exception \"%s\" for %s\n", name.Text(), path.Text());
        firewall.AddApplication(path.Text(), name.Text());
    }
}

void MakeShortcuts(SETUPDIALOGBOX*)
{
    SETUPSTATE& s = Setup();
    SHORTCUTRUN run;
    run.MakeGroup = s.ShortcutChoice != "2";
    // Without a name of its own the group would be the Start menu's folder itself, which
    // the uninstaller would then empty.
    if (run.MakeGroup && !ShortcutNameAllowed(s.Value("StartmenuName"))) {
        Logit("MakeShortcuts StartmenuName \"%s\" is no folder name: no program group\n", s.Value("StartmenuName").Text());
        run.MakeGroup = false;
    }
    bool common = s.ShortcutChoice == "1";
    STRING parent = GetWin32SystemPath(common ? SYSTEMPATH_COMMONPROGRAMS : SYSTEMPATH_PROGRAMS);
    s.ProgramGroup = PathJoin(parent, s.Value("StartmenuName"));
    if (s.Hooks) s.Hooks->NewSetup(NEWHOOK_GROUPCHOSEN, 0, nullptr, nullptr, 0, &s.ProgramGroup);
    Logit("MakeShortcuts group %d in %s\n", run.MakeGroup, s.ProgramGroup.Text());
    run.Install = s.InstallFolder;
    run.Group = without_trailing_backslash(s.ProgramGroup);
    STRING inikey = s.Value("IniKey");

    STRING list;
    list.Make(0, "");
    if (run.MakeGroup) {
        CreateDirectoryA(s.ProgramGroup.Text(), nullptr);
        list = s.Value("StartmenuOpts");
        if (s.Number("StartmenuUninstall")) {
            STRING uninstall = OSYS::GetStringFromResource(IDS_SETUP_UNINSTALLSHORTCUT);
            uninstall.Replace("$PROGRAM", s.Value("AppName").Text());
            uninstall.AppendFormat(";setup.exe;-remove %s;setup.exe:1", inikey.Text());
            list += "|";
            list += uninstall;
        }
    }
    if (s.DesktopIcon == "1") {
        list += "|";
        list += DesktopEntry();
    }

    HRESULT com = CoInitialize(nullptr);
    STRINGARRAY items = SetupList(list);
    for (int i = 0; i < items.GetCount(); i++) make_shortcut(*items.GetItem(i), run);
    if (SUCCEEDED(com)) CoUninitialize();

    record_for_uninstall(s, inikey, run);
    if (s.Hooks) s.Hooks->NewSetup(NEWHOOK_SHORTCUTSDONE, 0, nullptr, nullptr, 0, inikey.Data());
    add_firewall_exceptions(s);
}

bool StartAppManager(const char* manager, const char* arguments, const char* title)
{
    if (!manager || !*manager) return false;
    // Alone on its command line the path is quoted too, so that a blank in it cannot
    // start a program named by its first part.
    STRING quoted;
    quoted.Format("\"%s\"", manager);
    bool ran = StartProgram(arguments && *arguments ? manager : quoted.Text(), arguments, nullptr, title, true);
    Logit("StartAppManager %s %s: %d\n", manager, arguments ? arguments : "", ran);
    return ran;
}

bool RunAppManager()
{
    SETUPSTATE& s = Setup();
    STRING arguments;
    arguments.Format("\"%s\\pcinstall.ini\"", s.InstallFolder.Text());
    return StartAppManager(s.AppManager, arguments, OSYS::GetStringFromResource(IDS_SETUP_INSTALLER));
}

STRING RegisteredAppManager()
{
    REGISTRY key(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe", "", REGISTRY_READ);
    STRING path = key.IsOpen() ? key.Read("") : STRING();
    return path.IsNull() ? STRING("") : path;
}
