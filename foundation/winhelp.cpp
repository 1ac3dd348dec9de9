// HELPFILE: HTML Help through hhctrl.ocx loaded at run time, or classic help;
// the companion topic list, the number-to-topic mappings, context help along the
// parent windows, and the copy to %TEMP% of a help file on a network drive.
#include "winhelp.h"

#include "dllinterface.h"
#include "filename.h"
#include "kelvo.h"
#include "osys.h"

#include <htmlhelp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

typedef HWND(WINAPI* HTMLHELPFUNCTION)(HWND, LPCSTR, UINT, DWORD_PTR);

HELPFILE::HELPFILE()
    : Html(false), HtmlCookie(0), HtmlResult(nullptr), hOwner(nullptr), DefaultTopic(-1),
      NumMappings(0), NumHelpIds(0), pHtmlHelp(nullptr)
{
    Logit("HELPFILE::HELPFILE\n");
    memset(Mappings, 0, sizeof Mappings);
    memset(HelpIds, 0, sizeof HelpIds);
    Logit("~HELPFILE::HELPFILE\n");
}

HELPFILE::~HELPFILE()
{
    if (pHtmlHelp) {
        CallHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
        CallHtmlHelp(nullptr, nullptr, HH_UNINITIALIZE, HtmlCookie);
        delete pHtmlHelp;
    } else if (Filename.NotEmpty()) {
        WinHelpA(hOwner, Filename, HELP_QUIT, 0);
    }
}

HWND HELPFILE::CallHtmlHelp(HWND owner, const char* file, UINT command, DWORD_PTR data)
{
    HTMLHELPFUNCTION htmlhelp = pHtmlHelp ? pHtmlHelp->GetFunctionAs<HTMLHELPFUNCTION>() : nullptr;
    if (!htmlhelp) return nullptr;
    HtmlResult = htmlhelp(owner, file, command, data);
    return HtmlResult;
}

void HELPFILE::SetFilename(const char* file, bool html)
{
    Logit("HELPFILE::SetFilename %s (html= %d)\n", file ? file : "(null)", html);
    Html = html;
    Filename = file ? file : "";
    if (html && !pHtmlHelp) {
        pHtmlHelp = new DLLINTERFACE("hhctrl.ocx", "HtmlHelpA");
        CallHtmlHelp(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&HtmlCookie));
    }
    ReadHelpIds();

    char temp[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    if (Filename.NotEmpty() && FILENAME(Filename).IsOnNetwork() && n > 0 && n < sizeof temp) {
        // HTML Help refuses to show files from network drives.
        Logit("HELPFILE::SetFilename file is on network\n");
        STRING copy = PathJoin(temp, FILENAME(Filename).FilePart());
        if (CopyFileA(Filename, copy, FALSE)) {
            Filename = copy;
            Logit("HELPFILE::SetFilename copy to temp (%s) done\n", copy.Text());
        } else {
            Logit("HELPFILE::SetFilename copy to temp (%s) failed: %s\n", copy.Text(),
                  ErrorText().Text());
        }
    }
    Logit("HELPFILE::SetFilename done, file is %s (html= %d)\n", Filename.Text(), html);
}

// Reads the companion list: one topic per line, the number after the first blank
// (or the whole line's); lines without a number are skipped.
void HELPFILE::ReadHelpIds()
{
    NumHelpIds = 0;
    STRING companion(Filename);
    if (companion.Length() >= 3) companion.Truncate(companion.Length() - 3);
    STRING ids = companion + "ids";
    companion = OSYS::FileExists(ids) ? ids : companion + "cnt";
    FILE* fhelpcnt = fopen(companion, "r");
    if (!ASSERTTEXT(fhelpcnt != nullptr, "fhelpcnt!=NULL", companion)) return;
    char line[HELPFILE_MAXLINE + 2];
    bool continuation = false;
    while (fgets(line, sizeof line, fhelpcnt)) {
        // The rest of an over-long line is not a line of its own.
        bool skip = continuation;
        continuation = !strchr(line, '\n') && !feof(fhelpcnt);
        if (skip) continue;
        const char* blank = strchr(line, ' ');
        const char* number = blank ? blank + 1 : line;
        char* end = nullptr;
        long topic = strtol(number, &end, 10);
        if (end == number) continue;
        if (!ASSERTTEXT(NumHelpIds < HELPFILE_MAXHELPIDS, "this->NumHelpIds<ARRAYMAX(this->HelpIds)",
                        companion))
            break;
        HelpIds[NumHelpIds++] = static_cast<int>(topic);
    }
    fclose(fhelpcnt);
    Logit("HELPFILE::SetFilename %d topics from %s\n", NumHelpIds, companion.Text());
}

bool HELPFILE::AddMapping(int number, int topic)
{
    if (!ASSERTTEXT(NumMappings < HELPFILE_MAXMAPPINGS, "this->NumMappings<ARRAYMAX(this->Mappings)",
                    nullptr))
        return false;
    Mappings[NumMappings].Number = number;
    Mappings[NumMappings].Topic = topic;
    NumMappings++;
    return true;
}

int HELPFILE::MapTopic(int number) const
{
    for (int i = 0; i < NumMappings; i++)
        if (Mappings[i].Number == number) return Mappings[i].Topic;
    return number;
}

bool HELPFILE::HasTopic(int topic) const
{
    for (int i = 0; i < NumHelpIds; i++)
        if (HelpIds[i] == topic) return true;
    return false;
}

bool HELPFILE::ShowTopic(int number)
{
    int topic = MapTopic(number);
    if (!HasTopic(topic)) {
        Logit("HELPFILE::ShowTopic %d (topic %d) not in help\n", number, topic);
        return false;
    }
    if (Html) {
        STRING url;
        url.Format("%s::html/topic-%d.html", Filename.Text(), topic);
        Logit("HELPFILE::ShowTopic %s\n", url.Text());
        CallHtmlHelp(hOwner, url, HH_DISPLAY_TOPIC, 0);
    } else {
        Logit("HELPFILE::ShowTopic %s context %d\n", Filename.Text(), topic);
        WinHelpA(hOwner, Filename, HELP_CONTEXT, topic);
    }
    return true;
}

// A window's own help number: its context help id, else a child's control id.
static int window_help_number(HWND window)
{
    int number = static_cast<int>(GetWindowContextHelpId(window));
    if (number == 0 && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
        number = GetDlgCtrlID(window);
    return number;
}

bool HELPFILE::ContextHelp(HWND window, int number)
{
    Logit("HELPFILE::ContextHelp %p %d\n", static_cast<void*>(window), number);
    for (;;) {
        if (ShowTopic(number)) return true;
        window = window ? GetParent(window) : nullptr;
        if (!window) return false;
        number = window_help_number(window);
    }
}

bool HELPFILE::ContextHelpHook(HWND window, int number, void* helpfile)
{
    return helpfile && static_cast<HELPFILE*>(helpfile)->ContextHelp(window, number);
}

void HELPFILE::Contents(bool finder)
{
    Logit("HELPFILE::Contents %s (html= %d)\n", Filename.Text(), Html);
    if (Html)
        CallHtmlHelp(hOwner, Filename, HH_DISPLAY_TOC, 0);
    else
        WinHelpA(hOwner, Filename, finder ? HELP_FINDER : HELP_CONTENTS, 0);
}
