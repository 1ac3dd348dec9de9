// The four message boxes, and the file dialog: its filter from the file types,
// its start folder from the initial file, and its answer as full paths.
#include "winmisc.h"

#include "filename.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"

#include <commdlg.h>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------- message boxes

static int message_box(HWND owner, const char* title, const char* text, UINT style)
{
    STRING caption = title ? STRING(title) : OSYS::GetStringFromResource(IDS_PROGRAMTITLE);
    return MessageBoxA(owner, text ? text : "", caption, style | MB_SETFOREGROUND);
}

void WINKELVO::InfoMsgBox(HWND owner, const char* title, const char* text)
{
    Logit("WINKELVO::InfoMsgBox title=%s text=%s\n", title ? title : "(null)", text ? text : "");
    message_box(owner, title, text, MB_OK | MB_ICONINFORMATION);
}

void WINKELVO::WarningMsgBox(HWND owner, const char* title, const char* text)
{
    Logit("WINKELVO::WarningMsgBox title=%s text=%s\n", title ? title : "(null)", text ? text : "");
    message_box(owner, title, text, MB_OK | MB_ICONEXCLAMATION);
}

void WINKELVO::ErrorMsgBox(HWND owner, const char* title, const char* text)
{
    Logit("WINKELVO::ErrorMsgBox title=%s text=%s\n", title ? title : "(null)", text ? text : "");
    message_box(owner, title, text, MB_OK | MB_ICONERROR);
}

bool WINKELVO::YesNoMsgBox(HWND owner, const char* title, const char* text)
{
    Logit("WINKELVO::YesNoMsgBox title=%s text=%s\n", title ? title : "(null)", text ? text : "");
    return message_box(owner, title, text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// ---------------------------------------------------------------- file dialog

FILEDIALOGFILTER FileDialogFilter(const char* filetypes, int languagecode)
{
    const char* alltypes = languagecode == 7 ? "Alle Dateien|*.*" : "All Files|*.*";
    STRING types(filetypes ? filetypes : "");
    if (!types.Find("|*.*")) {
        if (types.Length() > 0 && types[types.Length() - 1] != '\n') types.Append("\n");
        types.Append(alltypes);
    }
    if (!ASSERTTEXT(types.Length() < FILEDIALOG_MAXFILTER, "_tcslen(filetypes)<2048", nullptr))
        types = alltypes;

    FILEDIALOGFILTER result;
    result.Filter.Make(0, "");
    STRINGARRAY lines(types, "\n");
    for (int i = 0; i < lines.GetCount(); i++) {
        STRING line = lines[i];
        line.RemoveTrailing('\r');
        if (line.Length() == 0) continue;
        if (line[0] == '.') {
            result.DefaultExtension = line.Mid(1);
            continue;
        }
        int bar = line.Pos("|");
        if (bar < 0) {
            Logit("FileDialogFilter ignores %s\n", line.Text());
            continue;
        }
        STRING pattern = line.Mid(bar + 1);
        result.Filter.Append(line.Left(bar));
        result.Filter.Append(" (");
        result.Filter += pattern;
        result.Filter.Append(")");
        result.Filter.AppendChar(0);
        result.Filter += pattern;
        result.Filter.AppendChar(0);
    }
    result.Filter.AppendChar(0);
    return result;
}

// Brings the dialog in front once it is ready (the programs often run in the tray).
static UINT_PTR CALLBACK file_dialog_hook(HWND hdlg, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_NOTIFY && reinterpret_cast<OFNOTIFYA*>(lParam)->hdr.code == CDN_INITDONE)
        SetForegroundWindow(GetParent(hdlg));
    return 0;
}

static STRING without_trailing_dot(const char* path)
{
    STRING s(path);
    s.RemoveTrailing('.');
    return s;
}

STRINGARRAY FileDialog(HWND owner, const char* initialfile, const char* title, bool save,
                       bool multiple, const char* filetypes)
{
    Logit("FileDialog %s title=%s save= %d multiple= %d\n", initialfile ? initialfile : "(null)",
          title ? title : "(null)", save, multiple);
    FILEDIALOGFILTER filter = FileDialogFilter(filetypes, KELVOAPP::LanguageCode());

    STRING folder(".");
    STRING name("");
    if (initialfile && OSYS::FileIsDirectory(initialfile)) {
        folder = initialfile;
    } else if (initialfile) {
        const char* slash = strrchr(initialfile, '\\');
        if (slash) {
            folder = STRING(initialfile, static_cast<int>(slash - initialfile));
            name = slash + 1;
        } else {
            name = initialfile;
        }
    }

    int size = multiple ? FILEDIALOG_MULTIBUFFER : FILEDIALOG_SINGLEBUFFER;
    std::vector<char> answer(size + 2, 0);
    if (!ASSERTTEXT(name.Length() < size, "name.Length()<size", name)) name.Truncate(size - 1);
    memcpy(answer.data(), name.Text(), name.Length());

    OPENFILENAMEA ofn;
    memset(&ofn, 0, sizeof ofn);
    // Systems before XP reject the longer record.
    ofn.lStructSize = OSYS::GetOSType() < 3 ? OPENFILENAME_SIZE_VERSION_400A : sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.Filter.Data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = answer.data();
    ofn.nMaxFile = size;
    ofn.lpstrInitialDir = folder;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = filter.DefaultExtension.NotEmpty() ? filter.DefaultExtension.Text() : nullptr;
    ofn.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_ENABLEHOOK;
    if (multiple) ofn.Flags |= OFN_ALLOWMULTISELECT;
    ofn.lpfnHook = file_dialog_hook;

    BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    STRINGARRAY chosen;
    if (!ok) {
        Logit("FileDialog cancelled, error= %lu\n", static_cast<unsigned long>(CommDlgExtendedError()));
        return chosen;
    }
    const char* first = answer.data();
    const char* next = first + strlen(first) + 1;
    if (!multiple || !*next) {
        // One file: the whole answer is its full path.
        chosen.Add(without_trailing_dot(first));
    } else {
        // Several files: the folder, then each name.
        for (const char* p = next; *p; p += strlen(p) + 1)
            chosen.Add(without_trailing_dot(PathJoin(first, p)));
    }
    Logit("FileDialog returns %d files, first %s\n", chosen.GetCount(),
          chosen.GetCount() > 0 ? chosen[0].Text() : "");
    return chosen;
}
