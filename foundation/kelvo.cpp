// The trace log: options that open and close it, the line writer with its level
// filter, the logging hot keys, and the assertion report with "assert.log".
#include "kelvo.h"

#include "osys.h"
#include "semaphores.h"

#include <commctrl.h>
#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

// ---------------------------------------------------------------- state

static HANDLE log_handle = INVALID_HANDLE_VALUE;
static bool log_open;
static bool log_debug;
static bool console_owned;
static unsigned logit_level;
static bool no_assert;
static std::atomic<bool> assert_boxes{true};
static long long time_base;
static char log_filename[MAX_PATH];

// The program as the start-up frame described it (LogSetProgram).
static char program_path[MAX_PATH];
static int program_language = 9;
static char program_title[300] = "Kelvo Application";

static HANDLE log_lock()
{
    static HANDLE lock = CreateMutexA(nullptr, FALSE, nullptr);  // on the first log call
    return lock;
}

static long long now_ms()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<long long>(u.QuadPart / 10000);
}

bool LogitActive() { return log_open || log_debug; }

unsigned GetLogitLevel() { return logit_level; }

const char* LogitFileName() { return log_filename; }

void LogSetProgram(const char* path, int languagecode, const char* title)
{
    if (path && *path) snprintf(program_path, sizeof program_path, "%s", path);
    program_language = languagecode;
    if (title && *title) snprintf(program_title, sizeof program_title, "%s", title);
}

static const char* log_program_path()
{
    // A log opened before the frame said anything (tests, early reports) names the
    // module itself, as the frame would.
    if (!program_path[0]) {
        DWORD n = GetModuleFileNameA(nullptr, program_path, sizeof program_path);
        program_path[n < sizeof program_path ? n : sizeof program_path - 1] = 0;
    }
    return program_path;
}

// ---------------------------------------------------------------- writing

static bool level_passes(int level)
{
    unsigned l = static_cast<unsigned>(level);
    if ((l & 15) > (logit_level & 15)) return false;
    unsigned categories = l & ~15u;
    if (categories && !(categories & logit_level)) return false;
    return true;
}

static bool write_line(const char* format, va_list args)
{
    static char logitbuf[8192];
    const int maxline = 8160;

    long long now = now_ms();
    if (time_base == 0) time_base = now;
    long long elapsed = now - time_base;

    HANDLE lock = log_lock();
    WaitForSingleObject(lock, INFINITE);
    int howmany = snprintf(logitbuf, sizeof logitbuf, "[%04u.%02d:%04x] ",
                           static_cast<unsigned>(elapsed / 1000),
                           static_cast<int>((elapsed % 1000) / 10),
                           static_cast<unsigned>(GetCurrentThreadId() & 0xFFFF));
    int room = maxline + 1 - howmany;
    int n;
    if (strchr(format, '%')) {
        n = vsnprintf(logitbuf + howmany, room, format, args);
        if (n < 0 || n >= room) n = room - 1;
    } else {
        n = static_cast<int>(strlen(format));
        if (n >= room) n = room - 1;
        memcpy(logitbuf + howmany, format, n);
    }
    howmany += n;
    if (howmany > 0 && logitbuf[howmany - 1] == '\n' &&
        (howmany < 2 || logitbuf[howmany - 2] != '\r')) {
        logitbuf[howmany - 1] = '\r';
        logitbuf[howmany++] = '\n';
    }
    logitbuf[howmany] = 0;
    if (log_open && log_handle != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(log_handle, logitbuf, howmany, &written, nullptr);
    }
    if (log_debug) OutputDebugStringA(logitbuf);
    if (!ReleaseMutex(lock)) Assert(false, "ReleaseMutex", __FILE__, __LINE__, nullptr, true);
    return true;
}

bool Logit(const char* format, ...)
{
    if (!log_open && !log_debug) return false;
    if (!format) return false;
    va_list args;
    va_start(args, format);
    bool rc = write_line(format, args);
    va_end(args);
    return rc;
}

bool LogitLevel(int level, const char* format, ...)
{
    if (!log_open && !log_debug) return false;
    if (!format || !level_passes(level)) return false;
    va_list args;
    va_start(args, format);
    bool rc = write_line(format, args);
    va_end(args);
    return rc;
}

// ---------------------------------------------------------------- opening and closing

static void log_close()
{
    if (log_handle != INVALID_HANDLE_VALUE && !console_owned &&
        log_handle != GetStdHandle(STD_ERROR_HANDLE))
        CloseHandle(log_handle);
    if (console_owned) FreeConsole();
    log_handle = INVALID_HANDLE_VALUE;
    console_owned = false;
    log_open = false;
    log_filename[0] = 0;
}

static STRING default_log_name()
{
    if (OSYS::GetOSType() < 5) return STRING("LOGIT.LOG");
    const char* path = log_program_path();
    const char* base = strrchr(path, '\\');
    STRING file(base ? base + 1 : path);
    if (file.Length() >= 4 && file.Right(4) == ".exe") file = file.Left(file.Length() - 4) + "_";
    file.ToUpper();
    return GetWin32SystemPath(6) + "Kelvo_" + file.Text() + "LOGIT.LOG";
}

static void log_start_lines()
{
    const char* path = log_program_path();
    struct _stat64 st;
    long size = 0;
    char created[64] = "<unknown>\n";
    if (_stat64(path, &st) == 0) {
        size = static_cast<long>(st.st_size);
        time_t t = static_cast<time_t>(st.st_ctime);
        const char* text = ctime(&t);
        if (text) snprintf(created, sizeof created, "%s", text);
    }
    Logit("START LOGGING at %s %s\n", OSYS::DateShort().Text(), OSYS::Time24().Text());
    Logit("Running as %s %ld bytes, %s", path, size, created);
}

static void log_open_file(const char* name, bool keep, bool hard)
{
    STRING file(name && *name ? name : "");
    if (file.Length() == 0) file = default_log_name();
    log_close();

    if (file == "UNIQUE") {
        SYSTEMTIME lt;
        GetLocalTime(&lt);
        file.Format("LOGIT_%lu_%d_%X.log", static_cast<unsigned long>(time(nullptr)),
                    lt.wMilliseconds, static_cast<unsigned>(GetCurrentProcessId()));
    }

    HANDLE h;
    if (file == "STDERR") {
        h = GetStdHandle(STD_ERROR_HANDLE);
    } else if (file == "CONSOLE") {
        if (AllocConsole()) console_owned = true;
        h = GetStdHandle(STD_OUTPUT_HANDLE);
    } else {
        h = CreateFileA(file.Text(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        keep ? OPEN_ALWAYS : CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL | (hard ? FILE_FLAG_WRITE_THROUGH : 0), nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            char full[MAX_PATH];
            if (!GetFullPathNameA(file.Text(), sizeof full, full, nullptr))
                snprintf(full, sizeof full, "%s", file.Text());
            snprintf(log_filename, sizeof log_filename, "%s", full);
        }
    }
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        if (console_owned) FreeConsole();
        console_owned = false;
        log_filename[0] = 0;
        return;  // the program runs without a log
    }
    if (keep) SetFilePointer(h, 0, nullptr, FILE_END);
    log_handle = h;
    log_open = true;
    log_start_lines();
}

// The option's name (without "/" or "-") and its value behind the first ":".
static bool option_is(const char* body, const char* name, const char** value)
{
    size_t n = strlen(name);
    if (_strnicmp(body, name, n) != 0) return false;
    if (body[n] == 0) {
        *value = nullptr;
        return true;
    }
    if (body[n] == ':') {
        *value = body + n + 1;
        return true;
    }
    return false;
}

// A level number: decimal, or hexadecimal after "0x" (category bits read best that way);
// a leading zero means nothing, so "/D:010" is ten.
static unsigned level_value(const char* text)
{
    bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    return static_cast<unsigned>(strtoul(text, nullptr, hex ? 16 : 10));
}

void LogitOption(const char* text)
{
    if (!text || (text[0] != '/' && text[0] != '-')) return;
    const char* body = text + 1;
    const char* value = nullptr;
    if (option_is(body, "LOGITCLOSE", &value) && !value) {
        log_close();
    } else if (option_is(body, "LOGITKEEP", &value)) {
        log_open_file(value, true, false);
    } else if (option_is(body, "LOGITHARD", &value)) {
        log_open_file(value, false, true);
    } else if (option_is(body, "LOGIT", &value)) {
        log_open_file(value, false, false);
    } else if ((option_is(body, "LOGDEBUG", &value) || option_is(body, "LOGDBG", &value)) &&
               !value) {
        log_debug = true;
    } else if (option_is(body, "LOG", &value) && value) {
        logit_level |= level_value(value);
        if (!log_open) log_open_file(nullptr, false, false);
        Logit("LogitLevel %08x\n", logit_level);
    } else if (option_is(body, "D", &value) && value) {
        logit_level |= level_value(value);
        Logit("LogitLevel %08x\n", logit_level);
    } else if (option_is(body, "NOASSERT", &value) && !value) {
        no_assert = !no_assert;
    }
}

// ---------------------------------------------------------------- hot keys

struct TONE {
    int frequency;
    int length;
    int pause;  // after the tone
};

static void play(const TONE* tones, int n)
{
    for (int i = 0; i < n; i++) {
        Beep(tones[i].frequency, tones[i].length);
        if (tones[i].pause) Sleep(tones[i].pause);
    }
}

void LogitHotKey(UINT message, WPARAM wParam, LPARAM lParam)
{
    WPARAM key;
    if (message == WM_KEYDOWN) {
        key = wParam;
    } else if (message == WM_NOTIFY && lParam &&
               reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(LVN_KEYDOWN)) {
        key = reinterpret_cast<NMLVKEYDOWN*>(lParam)->wVKey;
    } else {
        return;
    }
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_SHIFT) >= 0) return;

    static const TONE up3[] = {{440, 200, 10}, {660, 100, 10}, {880, 100, 0}};
    static const TONE up4[] = {{440, 200, 10}, {660, 100, 10}, {880, 100, 100}, {880, 100, 0}};
    static const TONE up5[] = {{440, 200, 10}, {660, 100, 10}, {880, 100, 100},
                               {880, 100, 100}, {880, 100, 0}};
    static const TONE down[] = {{880, 100, 10}, {660, 100, 10}, {440, 100, 0}};
    switch (key) {
    case VK_F5: LogitOption("/LOGIT"); play(up3, 3); break;
    case VK_F6: LogitOption("/LOGITHARD"); play(up4, 4); break;
    case VK_F7: LogitOption("/LOGIT:CONSOLE"); play(up5, 5); break;
    case VK_F8: LogitOption("/LOGITCLOSE"); play(down, 3); break;
    default: break;
    }
}

// ---------------------------------------------------------------- assertion report

static CRITSECT& assert_lock()
{
    static CRITSECT* lock = new CRITSECT;  // reports may come from static destructors
    return *lock;
}
static int assert_count;
static char assert_condition[256];
static char assert_info[512];

void AssertBoxes(bool shown) { assert_boxes = shown; }

int AssertCount() { return assert_count; }
const char* AssertLastCondition() { return assert_condition; }
const char* AssertLastInfo() { return assert_info; }

static const char ENGLISH_DETAILS[] =
    "    Condition: %s\r\n    Location : %s line %d\r\n    Last Err.: %dL (%s)\r\n"
    "    Add. Info: %s\r\n";
static const char GERMAN_DETAILS[] =
    "    Bedingung: %s\r\n    Datei: %s Zeile %d\r\n    Code : %dL (%s)\r\n    Info : %s\r\n";
static const char ENGLISH_MESSAGE[] =
    "Unexpected condition encountered!\n\nPlease contact us via our web site and \nprovide "
    "the following information (logged \nin assert.log file in the program's \ninstallation "
    "folder):\n\n%s\nDo you want to try to continue with the program?";
static const char GERMAN_MESSAGE[] =
    "Es ist eine unerwartete Situation aufgetreten!\n\nBitte melden Sie die Umst\xe4"
    "nde des Fehlers und die folgenden\nInformationen an uns (siehe auch Datei assert.log im "
    "Ordner,\nin dem das Programm installiert wurde):\n\n%s\nWollen Sie jetzt versuchen mit "
    "dem Programm fortzufahren?";

bool Assert(bool ok, const char* condition, const char* file, int line, const char* info,
            bool quiet)
{
    if (ok) return true;
    DWORD error = GetLastError();
    char errortext[512] = "";
    if (error != 0) snprintf(errortext, sizeof errortext, "%s", ErrorText(error).Text());

    const char* source = file ? file : "";
    for (const char* p = source; *p; p++)
        if (*p == ':' || *p == '/' || *p == '\\') source = p + 1;
    if (!condition) condition = "";
    if (!info) info = "<null>";

    bool german = program_language == 7;
    char details[2048];
    snprintf(details, sizeof details, german ? GERMAN_DETAILS : ENGLISH_DETAILS, condition,
             source, line, static_cast<int>(error), errortext, info);

    assert_lock().Enter();
    assert_count++;
    snprintf(assert_condition, sizeof assert_condition, "%s", condition);
    snprintf(assert_info, sizeof assert_info, "%s", info);
    assert_lock().Leave();

    Logit("*** ASSERTION FAILED: \r\n%s\n", details);

    FILE* f = fopen("assert.log", "ab");
    if (f) {
        fprintf(f, "--- %s --- %s %s ---\r\n\r\n", program_title, OSYS::DateShort().Text(),
                OSYS::TimeUser().Text());
        fprintf(f, "%s\r\n\r\n", details);
        fclose(f);
    }

    if (!no_assert && !quiet && assert_boxes) {
        char title[300];
        snprintf(title, sizeof title, "%s / %s", program_title, OSYS::TimeUser().Text());
        STRING message;  // reports of two threads may be shown at once
        message.Make(static_cast<int>(strlen(details) + sizeof GERMAN_MESSAGE), nullptr);
        snprintf(message.Data(), message.GetBufLen(), german ? GERMAN_MESSAGE : ENGLISH_MESSAGE,
                 details);
        int answer = MessageBoxA(nullptr, message.Data(), title,
                                 MB_YESNO | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL);
        if (answer == IDNO) {
            // The user wants the program to stop here, without running further code.
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
    SetLastError(error);
    return true;
}
