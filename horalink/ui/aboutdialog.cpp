// The about box and the product's web site.
#include "aboutdialog.h"

#include "dialogs.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "strings.h"
#include "version.h"

#include <commctrl.h>
#include <shellapi.h>

class ABOUTDIALOG : public DIALOG {
public:
    explicit ABOUTDIALOG(HWND owner) : DIALOG(IDD_ABOUT, owner) {}

    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_INITDIALOG) {
            STRING title = OSYS::GetStringFromResource(IDS_TITLE) + " V";
            title += HORALINK_VERSION;
            SetDlgItemTextA(hWnd, IDC_ABOUT_TITLE, title);
        }
        if (message == WM_NOTIFY) {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header && header->idFrom == IDC_ABOUT_LINK &&
                (header->code == NM_CLICK || header->code == NM_RETURN)) {
                OpenProductWebSite(hWnd);
                return TRUE;
            }
        }
        return DIALOG::DlgProc(message, wParam, lParam);
    }
};

void ShowAboutBox(HWND owner)
{
    Logit("ShowAboutBox\n");
    ABOUTDIALOG dialog(owner);
    dialog.Run();
}

bool OpenProductWebSite(HWND owner)
{
    STRING address = OSYS::GetStringFromResource(IDS_WEBSITE);
    HINSTANCE rc = ShellExecuteA(owner, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
    bool ok = reinterpret_cast<INT_PTR>(rc) > 32;
    Logit("OpenProductWebSite %s returns %d\n", address.Text(), ok);
    return ok;
}
