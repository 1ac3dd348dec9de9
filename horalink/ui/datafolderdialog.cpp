// The data folder dialog: an entry field with the folder, the shell's folder browser
// and the shell's "open" beside it; confirming another folder records it for the next
// start, when WORKDIR carries out the move.
#include "datafolderdialog.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "registry.h"
#include "winmisc.h"
#include "workdir.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

// Preselects the folder the browser was given once it is up.
static int CALLBACK browse_callback(HWND browser, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

DATAFOLDERDIALOG::DATAFOLDERDIALOG(HWND owner, STRING* folder) : DATADIALOG(IDD_DATAFOLDER, owner)
{
    AddEntry(IDC_DATAFOLDER_FOLDER, folder, MAX_PATH - 1);
}

INT_PTR DATAFOLDERDIALOG::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_DATAFOLDER_BROWSE: Browse(); return TRUE;
        case IDC_DATAFOLDER_OPEN: OpenFolder(); return TRUE;
        default: break;
        }
    }
    return DATADIALOG::DlgProc(message, wParam, lParam);
}

bool DATAFOLDERDIALOG::Browse()
{
    CONTROL field(hWnd, IDC_DATAFOLDER_FOLDER);
    STRING start = field.GetText();
    Logit("DATAFOLDERDIALOG::Browse %s\n", start.Text());
    start.Strip('B', " \t");
    // The browser finds "x\" less reliably than "x".
    start = WORKDIR::FullFolder(start);
    // The browser of the newer style runs on OLE in this thread.
    HRESULT ole = OleInitialize(nullptr);
    char name[MAX_PATH] = "";
    BROWSEINFOA info = {};
    info.hwndOwner = hWnd;
    info.pszDisplayName = name;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = browse_callback;
    info.lParam = start.Length() > 0 ? reinterpret_cast<LPARAM>(start.Text()) : 0;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    STRING folder;
    if (chosen) {
        char path[MAX_PATH] = "";
        if (SHGetPathFromIDListA(chosen, path)) folder = path;
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    folder = WORKDIR::FullFolder(folder);
    if (folder.Length() > 0) field.SetText(folder);
    Logit("DATAFOLDERDIALOG::Browse returns %s\n", folder.Length() > 0 ? folder.Text() : "<none>");
    return folder.Length() > 0;
}

bool DATAFOLDERDIALOG::OpenFolder()
{
    STRING folder = CONTROL(hWnd, IDC_DATAFOLDER_FOLDER).GetText();
    Logit("DATAFOLDERDIALOG::OpenFolder %s\n", folder.Text());
    HINSTANCE result = ShellExecuteA(hWnd, "open", folder, nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success; anything else is an error code of its own.
    bool opened = reinterpret_cast<INT_PTR>(result) > 32;
    if (!opened) {
        Logit("DATAFOLDERDIALOG::OpenFolder failed: %s\n", ErrorText().Text());
        MessageBeep(MB_ICONEXCLAMATION);
    }
    Logit("DATAFOLDERDIALOG::OpenFolder returns %d\n", opened);
    return opened;
}

bool DataFolderDialog(HWND owner, const char* registryname)
{
    STRING name = registryname ? STRING(registryname) : OSYS::GetStringFromResource(IDS_HELPNAME);
    Logit("DataFolderDialog %s\n", name.Text());
    REGISTRY key(name, KELVO_REGISTRYKEY, REGISTRY_CURRENTUSER);
    STRING current = key.Read(WORKDIR_VALUE);
    if (current.IsNull()) current = "";
    STRING folder = current;
    DATAFOLDERDIALOG dialog(owner, &folder);
    int answer = dialog.Run();
    folder.Strip('B', " \t");
    bool recorded = false;
    if (answer == IDOK && folder.Length() > 0 && !WORKDIR::SameFolder(folder, current)) {
        STRING title = OSYS::GetStringFromResource(IDS_TITLE);
        if (WINKELVO::YesNoMsgBox(owner, title, OSYS::GetStringFromResource(IDS_DATAFOLDERMOVE)))
            folder.InsertFill(WORKDIR_MOVEMARK, 1, 0);
        recorded = key.Write(WORKDIR_VALUE_NEW, folder);
        if (recorded)
            WINKELVO::InfoMsgBox(owner, title, OSYS::GetStringFromResource(IDS_DATAFOLDERNEXTSTART));
        else
            Logit("DataFolderDialog cannot record %s: %s\n", folder.Text(),
                  ErrorText(key.LastError()).Text());
    }
    Logit("DataFolderDialog returns %d\n", recorded);
    return recorded;
}
