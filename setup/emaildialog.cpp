// EMAIL's send dialog: the mail's recipient, sender, subject and text, which the
// user can still change, and a Send button that sends it once it went out well.
#include "email.h"

#include "datadialogs.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "winmisc.h"

// The status texts, chosen by the language code like the foundation's own German
// texts: 0 and 1 the question to go online, 2 sending, 3 sent, 4 the error's prefix,
// 5 the error box ("$error"), 6 the Cancel button's text afterwards.
static const char STATUS_ENGLISH[] =
    "Internet Connection|Please press OK when an Internet connection is available|Sending mail ...|"
    "Your mail has been sent. Thank you!|Error: |An error occurred ($error)!\r\rPlease try the send button "
    "again or use fax/mail or your own email program to send the text.|Done";
static const char STATUS_GERMAN[] =
    "Internet Verbindung|Bitte klicken Sie auf OK, wenn Sie eine Internetverbindung hergestellt haben.|"
    "Sende eMail ...|Die eMail wurde verschickt. Vielen Dank!|Fehler: |Es ist ein Fehler aufgetreten "
    "($error).\r\rBitte versuchen Sie es noch einmal oder schicken Sie den Text per Post, Fax oder mit "
    "Ihrem eigenen eMail Programm.|Fertig";

static const int MAXFIELD = 128;
static const int MAXBODY = 8192;
static const int MINBODY = 3;  // a text this short is no feedback

static bool german() { return KELVOAPP::LanguageCode() == 7; }

static STRING status_text(int item)
{
    return STRING(german() ? STATUS_GERMAN : STATUS_ENGLISH).Field(item, "|", STRINGFIELD_EMPTYIFMISSING);
}

// A single-line field as it comes back from its control.
static STRING field_value(const STRING& text)
{
    STRING s = text;
    s.Replace("\r", "");
    s.Replace("\n", "");
    return s;
}

class EMAILDIALOG : public DATADIALOG {
public:
    EMAILDIALOG(EMAIL& mail, int templateid, const char* title)
        : DATADIALOG(templateid), Mail(mail), Title(title ? title : "")
    {
        To = Mail.Recipients.GetCount() > 0 ? Mail.Recipients[0] : STRING("");
        From = Mail.Sender;
        Subject = Mail.Subject;
        // The edit field breaks lines at CRLF only.
        Body = Mail.Body;
        Body.Replace("\r\n", "\n");
        Body.Replace("\n", "\r\n");
        AddEntry(IDC_EMAIL_TO, &To, MAXFIELD);
        AddEntry(IDC_EMAIL_FROM, &From, MAXFIELD);
        AddEntry(IDC_EMAIL_SUBJECT, &Subject, MAXFIELD);
        AddEntry(IDC_EMAIL_BODY, &Body, MAXBODY);
        SetNotify(on_command, this);
    }

    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        INT_PTR result = DATADIALOG::DlgProc(message, wParam, lParam);
        if (message == WM_INITDIALOG) {
            SetWindowTextA(hWnd, Title);
            SetDlgItemTextA(hWnd, IDCANCEL, german() ? "Abbruch" : "Cancel");
        }
        return result;
    }

private:
    static bool on_command(DATADIALOG* dialog, UINT message, WPARAM wParam, LPARAM, void* context)
    {
        if (message != WM_COMMAND || LOWORD(wParam) != IDC_EMAIL_SEND || HIWORD(wParam) != BN_CLICKED) return false;
        static_cast<EMAILDIALOG*>(context)->OnSend();
        (void)dialog;
        return true;
    }

    void OnSend()
    {
        Logit("EMAILDIALOG::OnSend\n");
        SaveItems();
        STRING to = field_value(To);
        to.Strip('B', " \t");
        if (Mail.Recipients.GetCount() > 0)
            Mail.Recipients[0] = to;
        else
            Mail.Recipients.Add(to);
        Mail.Sender = field_value(From);
        Mail.Sender.Strip('B', " \t");
        Mail.Subject = field_value(Subject);
        Mail.Body = Body;

        HWND send = Item(IDC_EMAIL_SEND);
        HWND cancel = Item(IDCANCEL);
        EnableWindow(send, FALSE);
        EnableWindow(cancel, FALSE);
        if (Mail.Body.Length() > MINBODY) {
            WINKELVO::InfoMsgBox(nullptr, status_text(0), status_text(1));
            SetStatus(status_text(2));
            STRING error;
            if (Mail.Send(&error)) {
                SetStatus(status_text(3));
                WINKELVO::InfoMsgBox(hWnd, Title, status_text(3));
                Mail.Sent = 1;
            } else {
                SetStatus(status_text(4) + error.Text());
                STRING text = status_text(5);
                text.Replace("$error", error);
                WINKELVO::ErrorMsgBox(hWnd, Title, text);
                EnableWindow(send, TRUE);
            }
        } else {
            // Nothing went out: the user may write more and send then.
            EnableWindow(send, TRUE);
        }
        EnableWindow(cancel, TRUE);
        SetWindowTextA(cancel, status_text(6));
        Logit("EMAILDIALOG::~OnSend sent= %ld\n", static_cast<long>(Mail.Sent));
    }

    // The status line, painted at once: sending holds up the dialog's thread.
    void SetStatus(const STRING& text)
    {
        SetDlgItemTextA(hWnd, IDC_EMAIL_STATUS, text);
        UpdateWindow(Item(IDC_EMAIL_STATUS));
    }

    EMAIL& Mail;
    STRING Title;
    STRING To, From, Subject, Body;
};

bool EMAIL::SendDialog(int templateid, const char* title)
{
    Logit("EMAIL::SendDialog %d, %s\n", templateid, title ? title : "");
    Sent = 0;
    EMAILDIALOG dialog(*this, templateid, title);
    dialog.Run();
    Logit("EMAIL::~SendDialog returns %ld\n", static_cast<long>(Sent));
    return Sent != 0;
}
