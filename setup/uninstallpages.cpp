// The uninstall wizard's pages.
#include "uninstallpages.h"

#include "email.h"
#include "filename.h"
#include "installpages.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "registry.h"
#include "removal.h"
#include "setupdialog.h"
#include "setupstate.h"
#include "shortcuts.h"
#include "uninstaller.h"
#include "winmisc.h"

#include <cstring>
#include <initializer_list>

// ---------------------------------------------------------------- feedback

// A header field's text on one line: control characters become blanks.
static STRING one_line(STRING text)
{
    for (int i = 0; i < text.Length(); i++)
        if (static_cast<unsigned char>(text[i]) < 32) text[i] = ' ';
    return text;
}

bool MakeFeedbackMail(const char* product, const char* version, const char* setting, FEEDBACKMAIL& mail)
{
    STRING where(setting ? setting : FEEDBACK_DEFAULTMAIL);
    mail.Recipient = where.Field(0, ";", STRINGFIELD_EMPTYIFMISSING);
    mail.Server = where.Field(1, ";", STRINGFIELD_EMPTYIFMISSING);
    mail.Recipient.Strip('B', " \t");
    mail.Server.Strip('B', " \t");
    int at = mail.Recipient.Pos("@");
    bool usable = at >= 0 && mail.Server.Find(".");
    // An address or server that spans lines would smuggle commands into the dialogue.
    for (const STRING* field : {&mail.Recipient, &mail.Server})
        for (int i = 0; i < field->Length(); i++)
            if (static_cast<unsigned char>((*field)[i]) <= 32) usable = false;
    if (!usable) return false;
    mail.Sender = STRING("anonymous@") + mail.Recipient.Mid(at + 1).Text();
    STRING v(version && *version ? version : "0.00");
    mail.Subject = one_line(STRING(product ? product : "") + " V" + v.Text() + " uninstall");
    return true;
}

static void send_feedback(HWND page)
{
    UNINSTALLSTATE& u = Uninstall();
    char text[FEEDBACK_MAXTEXT + 1] = "";
    GetDlgItemTextA(page, IDC_SETUP_TEXT2, text, sizeof text);
    REGISTRY key(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, u.IniKey, REGISTRY_READ);
    STRING version = key.Read("Version");
    STRING setting = key.Read("UninstallEmail");
    FEEDBACKMAIL mail;
    if (!MakeFeedbackMail(u.ProductName, version, setting.IsNull() ? nullptr : setting.Text(), mail)) {
        Logit("SETUP::Feedback no usable mail setting \"%s\"\n", setting.Text());
        return;
    }
    Logit("SETUP::Feedback to %s over %s\n", mail.Recipient.Text(), mail.Server.Text());
    EMAIL email(mail.Sender, mail.Recipient, mail.Subject, text, mail.Server);
    email.SendDialog(IDD_EMAIL_SEND, OSYS::GetStringFromResource(IDS_SETUP_MAILTITLE).Field(0, "|", STRINGFIELD_EMPTYIFMISSING));
}

// Send works only while there is something to send.
static bool feedback_command(DATADIALOG* page, UINT message, WPARAM wParam, LPARAM, void*)
{
    if (message != WM_COMMAND) return false;
    if (LOWORD(wParam) == IDC_SETUP_TEXT2 && HIWORD(wParam) == EN_CHANGE) {
        EnableWindow(page->Item(IDC_SETUP_SEND), GetWindowTextLengthA(page->Item(IDC_SETUP_TEXT2)) > 0);
        return true;
    }
    if (LOWORD(wParam) == IDC_SETUP_SEND && HIWORD(wParam) == BN_CLICKED) {
        send_feedback(page->GetHwnd());
        return true;
    }
    return false;
}

INT_PTR FeedbackPage(SETUPDIALOGBOX* frame, SETUPSTEP*)
{
    UNINSTALLSTATE& u = Uninstall();
    HICON icon = LoadIconA(KELVOAPP::Instance(), MAKEINTRESOURCEA(UNINSTALL_ICON));
    SendDlgItemMessageA(frame->GetHwnd(), IDC_SETUP_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    DATADIALOG* page = frame->GetPage();
    HWND field = page->Item(IDC_SETUP_TEXT2);
    SendMessageA(field, EM_LIMITTEXT, FEEDBACK_MAXTEXT, 0);
    // Set here rather than bound: a multi-line field reports no change for its start text.
    SetWindowTextA(field, u.Feedback);
    EnableWindow(page->Item(IDC_SETUP_SEND), u.Feedback.Length() > 0);
    page->SetNotify(feedback_command, nullptr);
    INT_PTR result = frame->RunPage();
    int n = GetWindowTextLengthA(field);
    u.Feedback.Make(n, nullptr);
    GetWindowTextA(field, u.Feedback.Data(), n + 1);
    return result;
}

// ---------------------------------------------------------------- options

// A handheld-device installation lies in the application manager's folder: the manager
// removes it from the device, and its folder here goes whole.
static bool remove_from_device(UNINSTALLSTATE& u)
{
    STRING manager = RegisteredAppManager();
    STRING folder = FILENAME(manager).Directory();
    if (manager.Length() == 0 || folder.Length() == 0 || !(u.InstallFolder.Left(folder.Length()) == folder)) return false;
    // "C:\Sync" does not hold "C:\Syncer\Clock".
    char next = u.InstallFolder.Length() > folder.Length() ? u.InstallFolder[folder.Length()] : '\\';
    if (next != '\\') return false;
    StartAppManager(manager, "", u.Title);
    u.Choice = "1";
    return true;
}

INT_PTR OptionsPage(SETUPDIALOGBOX* frame, SETUPSTEP*)
{
    UNINSTALLSTATE& u = Uninstall();
    if (remove_from_device(u)) return IDC_SETUP_NEXT;
    DATADIALOG* page = frame->GetPage();
    page->AddRadio(IDC_SETUP_CHOICE1, &u.Choice, 0);
    page->AddRadio(IDC_SETUP_CHOICE2, &u.Choice, 1);
    INT_PTR result = frame->RunPage();
    if (result != 0 && u.Choice == "1") {
        STRING warning = OSYS::GetLongStringFromResource(IDS_SETUP_REMOVEWARNING);
        warning += OSYS::GetLongStringFromResource(IDS_SETUP_REMOVEWARNING2);
        warning.Replace("$PROGRAM", u.ProductName);
        warning.Replace("$DIR", u.InstallFolder);
        if (!WINKELVO::YesNoMsgBox(frame->GetHwnd(), u.Title, warning)) return SETUPPAGE_AGAIN;
    }
    return result;
}

// ---------------------------------------------------------------- removal

INT_PTR RemovalPage(SETUPDIALOGBOX* frame, SETUPSTEP*) { return RunWorkerPage(frame, RemoveInstallation); }
