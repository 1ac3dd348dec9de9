// HELPFILE shows topics of the program's help file, an HTML Help file or a classic
// Windows help file, but only topics its companion list says exist.
#pragma once

#include "strings.h"

#include <windows.h>

class DLLINTERFACE;

const int HELPFILE_MAXMAPPINGS = 128;
const int HELPFILE_MAXHELPIDS = 256;
// Longest line of the companion topic list.
const int HELPFILE_MAXLINE = 512;

class HELPFILE {
public:
    HELPFILE();
    ~HELPFILE();
    HELPFILE(const HELPFILE&) = delete;
    HELPFILE& operator=(const HELPFILE&) = delete;

    // Uses file (with html: an HTML Help file) and reads its existing topics from the
    // companion ".ids" (or ".cnt") file; a file on a network drive is used from a copy
    // in %TEMP%.
    void SetFilename(const char* file, bool html);
    const STRING& GetFilename() const { return Filename; }
    bool IsHtml() const { return Html; }
    void SetOwner(HWND owner) { hOwner = owner; }
    void SetSecondName(const char* name) { SecondName = name; }
    const STRING& GetSecondName() const { return SecondName; }
    void SetDefaultTopic(int topic) { DefaultTopic = topic; }
    int GetDefaultTopic() const { return DefaultTopic; }

    // Maps a control or command number to a topic; false (after a report) when full.
    bool AddMapping(int number, int topic);
    // The topic of number: the first mapping's, or number itself.
    int MapTopic(int number) const;
    // Whether the companion list holds topic.
    bool HasTopic(int topic) const;
    int TopicCount() const { return NumHelpIds; }

    // Shows the topic of number when it exists; true when shown.
    bool ShowTopic(int number);
    // Shows the topic of number, else of each parent window's number in turn.
    bool ContextHelp(HWND window, int number);
    // The table of contents (HTML Help), or the help finder or the contents page.
    void Contents(bool finder);
    // ContextHelp of the HELPFILE given as context, in the shape of the dialogs' help hook.
    static bool ContextHelpHook(HWND window, int number, void* helpfile);

private:
    struct MAPPING {
        int Number;
        int Topic;
    };

    HWND CallHtmlHelp(HWND owner, const char* file, UINT command, DWORD_PTR data);
    void ReadHelpIds();

    bool Html;
    DWORD_PTR HtmlCookie;
    HWND HtmlResult;
    HWND hOwner;
    STRING Filename;
    STRING SecondName;
    int DefaultTopic;
    MAPPING Mappings[HELPFILE_MAXMAPPINGS];
    int NumMappings;
    int HelpIds[HELPFILE_MAXHELPIDS];
    int NumHelpIds;
    DLLINTERFACE* pHtmlHelp;
};
