// Finding and answering dialogs and message boxes from tests.
#include "testdialogs.h"

#include "testprocess.h"

#include <cctype>

struct SEARCH {
    std::string windowclass;
    std::string titlepart;
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK match_window(HWND hwnd, LPARAM param)
{
    SEARCH* search = reinterpret_cast<SEARCH*>(param);
    if (!IsWindowVisible(hwnd)) return TRUE;
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (search->windowclass != cls) return TRUE;
    if (search->pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != search->pid) return TRUE;
    }
    if (!search->titlepart.empty() && WindowText(hwnd).find(search->titlepart) == std::string::npos)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

static HWND wait_for(const std::string& windowclass, const std::string& titlepart, DWORD pid,
                     DWORD timeoutms)
{
    DWORD start = GetTickCount();
    for (;;) {
        SEARCH search = {windowclass, titlepart, pid, nullptr};
        EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (GetTickCount() - start > timeoutms) return nullptr;
        Sleep(50);
    }
}

HWND WaitForDialog(const std::string& titlepart, DWORD pid, DWORD timeoutms)
{
    return wait_for("#32770", titlepart, pid, timeoutms);
}

HWND WaitForWindowOfClass(const std::string& windowclass, DWORD pid, DWORD timeoutms)
{
    return wait_for(windowclass, "", pid, timeoutms);
}

std::string WindowText(HWND hwnd)
{
    char text[4096] = "";
    // WM_GETTEXT reaches windows of other processes too.
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

static BOOL CALLBACK collect_static(HWND hwnd, LPARAM param)
{
    char cls[32];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0) {
        std::string text = WindowText(hwnd);
        if (!text.empty()) {
            std::string* all = reinterpret_cast<std::string*>(param);
            if (!all->empty()) *all += "\n";
            *all += text;
        }
    }
    return TRUE;
}

std::string DialogStaticText(HWND dialog)
{
    std::string all;
    EnumChildWindows(dialog, collect_static, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::string ItemText(HWND window, int id)
{
    char text[4096] = "";
    SendDlgItemMessageA(window, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ButtonStates(HWND window, const std::vector<int>& ids, const char* letters)
{
    std::string states;
    for (size_t i = 0; i < ids.size() && letters[i]; i++) {
        HWND button = GetDlgItem(window, ids[i]);
        states += !IsWindowVisible(button) ? '-'
                  : IsWindowEnabled(button) ? letters[i]
                                            : static_cast<char>(tolower(static_cast<unsigned char>(letters[i])));
    }
    return states;
}

void PressDialogButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

DIALOGANSWERER::DIALOGANSWERER(const std::string& titlepart, int button, DWORD timeoutms, DWORD pid)
{
    worker = std::thread([this, titlepart, button, timeoutms, pid]() {
        HWND dialog = WaitForDialog(titlepart, pid, timeoutms);
        if (!dialog) return;
        seen.found = true;
        seen.title = WindowText(dialog);
        seen.text = DialogStaticText(dialog);
        PressDialogButton(dialog, button);
    });
}

const DIALOGSEEN& DIALOGANSWERER::Wait()
{
    if (!joined && worker.joinable()) worker.join();
    joined = true;
    return seen;
}

DIALOGANSWERER::~DIALOGANSWERER() { Wait(); }

struct OWNEDBOX {
    HWND Owner, Box;
};

static BOOL CALLBACK find_owned_box(HWND w, LPARAM data)
{
    OWNEDBOX* f = reinterpret_cast<OWNEDBOX*>(data);
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (GetWindow(w, GW_OWNER) != f->Owner || !IsWindowVisible(w) || std::string(cls) != "#32770") return TRUE;
    f->Box = w;
    return FALSE;
}

DIALOGSEEN AnswerOwnedBox(HWND owner, int button, DWORD timeoutms, const std::function<void()>& meanwhile)
{
    OWNEDBOX find = {owner, nullptr};
    WaitUntil([&] {
        EnumWindows(find_owned_box, reinterpret_cast<LPARAM>(&find));
        return find.Box != nullptr;
    }, timeoutms);
    DIALOGSEEN seen;
    if (!find.Box) return seen;
    seen.found = true;
    seen.title = WindowText(find.Box);
    seen.text = DialogStaticText(find.Box);
    if (meanwhile) meanwhile();
    PressDialogButton(find.Box, button);
    // Gone before the next question is looked for.
    WaitUntil([&] { return !IsWindow(find.Box) || !IsWindowVisible(find.Box); }, timeoutms);
    return seen;
}

bool PressAndAwaitExit(HWND window, int id, DWORD timeoutms)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PressDialogButton(window, id);
    bool ended = process && WaitForSingleObject(process, timeoutms) == WAIT_OBJECT_0;
    if (process) CloseHandle(process);
    return ended;
}
