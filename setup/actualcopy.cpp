// The copy worker: stops the product's service, extracts the archives, copies the
// extra files, registers the file types and writes the uninstall entry, then starts
// the service again. A file the user gives up on stops it before anything is
// registered, and the wizard lets the user go back or cancel.
#include "actualcopy.h"

#include "filename.h"
#include "filetypes.h"
#include "kelvo.h"
#include "osys.h"
#include "registry.h"
#include "setupcfg.h"
#include "setupdialog.h"
#include "setuphook.h"
#include "setupstate.h"
#include "unzip.h"
#include "unzipper.h"
#include "winmisc.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

// The maker, as the uninstall entry names it.
static const char* const PUBLISHER = "Kelvo";
static const char* const PUBLISHER_URL = "https://www.kelvo.example/";

long ServiceControl(const char* folder, const char* command)
{
    STRING controller = PathJoin(folder, "service.exe");
    PROCESS_INFORMATION process = {};
    if (!StartProgram(controller, command, folder, "Kelvo Service-Control", true, &process)) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (!GetExitCodeProcess(process.hProcess, &code)) code = static_cast<DWORD>(-1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    Logit("ServiceControl %s %s: %ld\n", controller.Text(), command, static_cast<long>(code));
    return static_cast<long>(code);
}

static bool service_controller_present()
{
    return OSYS::FileExists(PathJoin(Setup().InstallFolder, "service.exe"));
}

// Asks whether to try a file again that could not be installed.
static bool retry_question(HWND owner, const char* file)
{
    STRING text = OSYS::GetStringFromResource(IDS_SETUP_NOEXTRACT);
    text.Replace("$FILE", file);
    text.Replace("$PROGRAM", Setup().Value("AppName"));
    return WINKELVO::YesNoMsgBox(owner, OSYS::GetStringFromResource(IDS_SETUP_INSTALLER), text);
}

static bool is_dummy(const char* name)
{
    size_t n = strlen(name);
    return n >= 9 && _stricmp(name + n - 9, "dummy.tmp") == 0;
}

static void append_item(STRING& list, const char* item)
{
    if (list.Length() > 0) list += "|";
    list += item;
}

// Extracts every entry of one archive into the install folder and records it in
// installed; progress (when given) follows the uncompressed sizes. False when the
// user gave up on a file, or on an archive that cannot be listed.
static bool extract_archive(HWND owner, const char* archive, const char* ask, const char* protect, HWND progress,
                            STRING& installed)
{
    SETUPSTATE& s = Setup();
    UNZIPPER unzipper;
    unzipper.SetOwner(owner);
    for (;;) {
        unzipper.Open(archive, ask, protect);
        if (unzipper.Listed()) break;
        // Nothing of an archive that cannot be read whole is installed: the walk over
        // an empty table would report a copy that did not happen.
        if (!retry_question(owner, archive)) {
            unzipper.Close();
            return false;
        }
    }
    unsigned long long total = ZipListing().Total;
    ASSERTTEXTQUIET(total > 0, "total>0", "install");
    unsigned long long done = 0;
    char name[ZIPLIST_NAMESIZE];
    for (DWORD size = unzipper.First(name); name[0]; size = unzipper.Next(name)) {
        while (!unzipper.Extract(name, s.InstallFolder)) {
            if (!retry_question(owner, name)) {
                unzipper.Close();
                return false;
            }
        }
        done += size;
        if (progress) SendMessageA(progress, PBM_SETPOS, static_cast<WPARAM>(total > 0 ? done * 100 / total : 100), 0);
        if (is_dummy(name)) {
            STRING file = PathJoin(s.InstallFolder, name);
            file.Replace("/", "\\");
            DeleteFileA(file);
        } else {
            append_item(installed, name);
        }
    }
    unzipper.Close();
    return true;
}

// The extra files of the setup folder, copied into the install folder.
static void copy_to_dest(STRING& installed)
{
    SETUPSTATE& s = Setup();
    STRINGARRAY items = SetupList(s.Value("CopyToDest"));
    for (int i = 0; i < items.GetCount(); i++) {
        const STRING& item = *items.GetItem(i);
        if (item.Length() == 0) continue;
        // The list names files of the setup folder: one that climbs out of the install
        // folder is not copied (but recorded, so that nothing changes for the uninstaller).
        if (StaysInsideFolder(item)) {
            if (!CopyFileA(item, PathJoin(s.InstallFolder, item), FALSE))
                Logit("SETUP::ActualCopy cannot copy %s (error %lu)\n", item.Text(), GetLastError());
        } else {
            Logit("SETUP::ActualCopy %s is not a file of the install folder: not copied\n", item.Text());
        }
        installed += "|";
        installed += item;
    }
}

static void write_uninstall_entry(const STRING& installed, STRING roots)
{
    SETUPSTATE& s = Setup();
    STRING inikey = s.Value("IniKey");
    if (inikey.Length() == 0) return;
    while (roots.Length() > 0 && roots[roots.Length() - 1] == '|') roots.Truncate(roots.Length() - 1);
    STRING uninstall("\"");
    uninstall += s.InstallFolder;
    uninstall += "\\Setup.exe\" -remove \"";
    uninstall += inikey;
    uninstall += "\"";
    REGISTRY key(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, inikey, REGISTRY_CREATE);
    key.Write("DisplayName", s.Value("StartmenuName"));
    key.Write("DisplayVersion", s.Value("AppVersion"));
    key.Write("DisplayIcon", PathJoin(s.InstallFolder, s.Value("UninstallIcon")));
    key.Write("Publisher", PUBLISHER);
    key.Write("URLInfoAbout", PUBLISHER_URL);
    key.Write("AppName", s.Value("AppName"));
    key.Write("Version", s.Value("AppVersion"));
    key.Write("UninstallString", uninstall);
    key.Write("UninstallFiles", installed);
    key.Write("UninstallPath", s.InstallFolder);
    key.Write("UninstallRootClasses", roots);
    key.Write("UninstallProtect", s.Value("ProtectedFiles"));
    if (s.Config.IndexOf("AddToFirewall") >= 0) key.Write("UninstallFirewall", s.Value("AddToFirewall"));
    STRING email = s.Value("UninstallEmail");
    if (s.Config.IndexOf("UninstallEmail") >= 0 && strchr(email, ';')) key.Write("UninstallEmail", email);
}

void ActualCopy(SETUPDIALOGBOX* frame, HWND page, HWND progress)
{
    SETUPSTATE& s = Setup();
    HWND window = frame->GetHwnd();
    Logit("SETUP::ActualCopy to %s (mode %s)\n", s.InstallFolder.Text(), s.InstallMode.Text());
    SetDlgItemTextA(page, IDC_SETUP_TEXT, OSYS::GetStringFromResource(IDS_SETUP_COPYING));
    INT_PTR mode = atoi(s.InstallMode.Text());
    if (s.Hooks) s.Hooks->NewSetup(NEWHOOK_COPYBEGINS, 0, window, page, 0, reinterpret_cast<void*>(mode));

    bool stopped = false;
    if (service_controller_present() && ServiceControl(s.InstallFolder, "/STOP") == 0) {
        Logit("SETUP::ActualCopy Application Service was stopped\n");
        stopped = true;
    }

    STRING installed("");
    bool copied = extract_archive(window, "setup.fil", s.Value("AskOverwrite"), s.Value("ProtectedFiles"), progress, installed);
    if (copied && OSYS::FileExists("custom.fil"))
        copied = extract_archive(window, "custom.fil", "<NULL>", "<NULL>", nullptr, installed);
    if (!copied) {
        Logit("SETUP::ActualCopy given up\n");
        EnableWindow(frame->Button(IDC_SETUP_BACK), TRUE);
        EnableWindow(frame->Button(IDCANCEL), TRUE);
        return;
    }

    copy_to_dest(installed);
    STRING roots = RegisterFileTypes(s.Value("FileTypes"), s.InstallFolder);
    SendMessageA(progress, PBM_SETPOS, 100, 0);
    write_uninstall_entry(installed, roots);
    if (s.Hooks) {
        s.Hooks->Setup(SETUPHOOK_COPIED, s.InstallFolder);
        s.Hooks->NewSetup(NEWHOOK_COPYENDED, 0, window, page, 0, nullptr);
    }

    if (stopped && service_controller_present()) {
        ServiceControl(s.InstallFolder, "/START");
        Logit("SETUP::ActualCopy Application Service was restarted\n");
    }

    EnableWindow(frame->Button(IDC_SETUP_NEXT), TRUE);
    if (s.Number("NoCopyComplete") == 0) {
        SetDlgItemTextA(page, IDC_SETUP_TEXT, OSYS::GetStringFromResource(IDS_SETUP_COPIED));
        SendMessageA(window, DM_SETDEFID, IDC_SETUP_NEXT, 0);
        SendMessageA(frame->Button(IDC_SETUP_NEXT), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        PostMessageA(window, WM__SETUPFOCUS, IDC_SETUP_NEXT, 0);
    }
    EnableWindow(frame->Button(IDCANCEL), TRUE);
    if (s.Number("NoCopyComplete") != 0) PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_SETUP_NEXT, BN_CLICKED), 0);
    Logit("SETUP::ActualCopy done\n");
}
