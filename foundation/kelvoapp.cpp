// The start-up frame's state and services: the argument table built from the
// command line and the argument files, the argument queries, the language
// library, the main message loop and the start banner.
#include "kelvoapp.h"

#include "kelvo.h"
#include "osys.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>

DWORD gMainThreadId;

static STRING arg_table[ARGTABLE_SLOTS];
static int arg_count;
static STRINGARRAY* command_tokens;

static HINSTANCE instance_handle;
static HINSTANCE resource_module;
static bool language_library;
static int language_code = 9;
static char app_title[300] = "Kelvo Application";
static char app_id[80];
static char program_path[MAX_PATH];
static char program_dir[MAX_PATH];
static char work_dir[MAX_PATH];

// ---------------------------------------------------------------- frame state

// The log names its file after the program and writes assertion reports in the
// program's language under its title: it hears of every change of these three.
static void tell_log() { LogSetProgram(program_path, language_code, app_title); }

HINSTANCE KELVOAPP::Instance()
{
    return instance_handle ? instance_handle : GetModuleHandleA(nullptr);
}

HINSTANCE KELVOAPP::ResourceModule()
{
    return resource_module ? resource_module : GetModuleHandleA(nullptr);
}

int KELVOAPP::LanguageCode() { return language_code; }

void KELVOAPP::SetLanguageCode(int code)
{
    language_code = code;
    tell_log();
}

const char* KELVOAPP::AppTitle() { return app_title; }

const char* KELVOAPP::AppId() { return app_id; }

static void remember_program_path()
{
    if (program_path[0]) return;
    char path[257];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    path[n < sizeof path ? n : sizeof path - 1] = 0;
    snprintf(program_path, sizeof program_path, "%s", path);
    char* slash = strrchr(path, '\\');
    if (slash) *slash = 0;
    snprintf(program_dir, sizeof program_dir, "%s", KELVOAPP::DevTreeDirectory(path).Text());
    tell_log();
}

const char* KELVOAPP::ProgramPath()
{
    remember_program_path();
    return program_path;
}

const char* KELVOAPP::ProgramDir()
{
    remember_program_path();
    return program_dir;
}

const char* KELVOAPP::WorkDir() { return work_dir; }

void KELVOAPP::Reset()
{
    for (STRING& arg : arg_table) arg.SetNull();
    arg_count = 0;
    delete command_tokens;
    command_tokens = nullptr;
    FreeLanguageLibrary();
    language_code = 9;
    snprintf(app_title, sizeof app_title, "%s", "Kelvo Application");
    app_id[0] = 0;
    tell_log();
}

int KELVOAPP::ArgCount() { return arg_count; }

STRING KELVOAPP::ArgAt(int i)
{
    if (i < 0 || i >= arg_count) return STRING();
    return arg_table[i];
}

// ---------------------------------------------------------------- argument table

STRINGARRAY KELVOAPP::SplitCommandLine(const char* commandline)
{
    STRINGARRAY tokens;
    STRING line(commandline ? commandline : "");
    line.Strip('B', " ");
    const char* p = line.Text();
    while (*p) {
        char terminator = ' ';
        if (*p == '"') {
            terminator = '"';
            p++;
        }
        const char* end = strchr(p, terminator);
        if (!end) {
            if (*p) tokens.Add(STRING(p));
            break;
        }
        tokens.Add(STRING(p, static_cast<int>(end - p)));
        p = end + 1;
        while (*p == ' ') p++;
    }
    return tokens;
}

STRING KELVOAPP::DevTreeDirectory(const char* directory)
{
    STRING dir(directory ? directory : "");
    static const char* const tails[] = {"\\Debug", "\\Debug2", "\\Release", "\\Release2"};
    for (const char* tail : tails) {
        int n = static_cast<int>(strlen(tail));
        if (dir.Length() < n || !(dir.Right(n) == tail)) continue;
        if (OSYS::FileExists((dir + "\\..\\main.cpp").Text()) ||
            OSYS::FileExists((dir + "\\..\\approot.cpp").Text()))
            return dir.Left(dir.Length() - n);
    }
    return dir;
}

static void add_argument(const STRING& arg)
{
    if (arg_count >= ARGTABLE_SLOTS - 1) {
        // The slot behind the last argument must stay empty: later arguments are refused.
        ASSERTTEXTQUIET(false, "arg_count<ARGTABLE_SLOTS-1", arg.Text());
        return;
    }
    arg_table[arg_count++] = arg;
}

static void read_argument_file(const STRING& file)
{
    Logit("Trying %s\n", file.Text());
    STRINGARRAY lines;
    if (OSYS::FileExists(file.Text())) lines.Load(file.Text(), false);
    for (int i = 0; i < lines.GetCount(); i++) {
        STRING line = *lines.GetItem(i);
        line.Strip('B', " \t");
        if (line.Length() == 0) continue;
        LogitOption(line.Text());
        add_argument(line);
    }
    Logit("Processing %s done\n", file.Text());
}

void KELVOAPP::PrepareArguments(HINSTANCE instance, const char* commandline)
{
    instance_handle = instance;
    resource_module = instance;

    program_path[0] = 0;
    remember_program_path();
    GetCurrentDirectoryA(sizeof work_dir, work_dir);
    SetCurrentDirectoryA(program_dir);

    INITCOMMONCONTROLSEX icc = {sizeof icc, 0x7FF};
    InitCommonControlsEx(&icc);

    delete command_tokens;
    command_tokens = new STRINGARRAY(SplitCommandLine(commandline));
    if (command_tokens->GetCount() == 0)
        command_tokens->Add(STRING(program_path));
    else
        *command_tokens->GetItem(0) = program_path;
    for (int i = 1; i < command_tokens->GetCount(); i++) LogitOption(command_tokens->GetItem(i)->Text());

    for (STRING& arg : arg_table) arg.SetNull();
    arg_count = 0;
    for (int i = 0; i < command_tokens->GetCount(); i++) add_argument(*command_tokens->GetItem(i));

    STRING programdir(program_dir);
    read_argument_file(programdir + "\\commandline.ini");
    if (!(programdir == work_dir)) read_argument_file(STRING(work_dir) + "\\commandline.ini");
    STRING path(program_path);
    if (path.Length() > 4 && path.Right(4) == ".exe")
        read_argument_file(path.Left(path.Length() - 4) + "_commandline.ini");

    for (int i = 0; i < arg_count; i++) Logit("Program Argument %d= %s\n", i, arg_table[i].Text());
}

const STRINGARRAY* KELVOAPP::CommandTokens() { return command_tokens; }

int KELVOAPP::ChooseLanguageCode()
{
    STRING lang = GetArgValue("LANG", 0);
    if (lang.IsNull()) lang = STRING(static_cast<int>(GetThreadLocale() & 0x3FF));
    lang.Replace("GER", "7", false);
    lang.Replace("ENGL", "9", false);
    lang.Replace("FRENCH", "12", false);
    lang.Replace("HUNGARIAN", "14", false);
    language_code = lang.ToInt();
    tell_log();
    return language_code;
}

// ---------------------------------------------------------------- argument queries

// Whether arg is "/" or "-" followed by a text beginning with name.
static bool names_option(const STRING& arg, const char* name)
{
    if (arg.Length() < 1 || (arg[0] != '/' && arg[0] != '-')) return false;
    return _strnicmp(arg.Text() + 1, name, strlen(name)) == 0;
}

bool TestArg(const char* name)
{
    const char* n = name ? name : "";
    bool found = false;
    for (int i = 0; i < arg_count && !found; i++)
        found = names_option(arg_table[i], n) && _stricmp(arg_table[i].Text() + 1, n) == 0;
    Logit("TestArg(\"%s\") returned %d\n", n, found);
    return found;
}

bool TestArgValue(const char* name, int n)
{
    const char* nm = name ? name : "";
    int count = 0;
    for (int i = 0; i < arg_count; i++)
        if (names_option(arg_table[i], nm)) count++;
    bool found = count >= n + 1;
    Logit("TestArgValue(\"%s\", %d) returned %d\n", nm, n, found);
    return found;
}

STRING GetArgValue(const char* name, int n)
{
    const char* nm = name ? name : "";
    STRING value;
    int seen = 0;
    for (int i = 0; i < arg_count; i++) {
        const STRING& arg = arg_table[i];
        if (!names_option(arg, nm)) continue;
        if (seen++ != n) continue;
        if (arg[0] == '/') {
            const char* rest = arg.Text() + 1 + strlen(nm);
            if (*rest == ':') rest++;
            value = rest;
        } else if (i + 1 < arg_count) {
            value = arg_table[i + 1];
        }
        break;
    }
    Logit("GetArgValue(\"%s\", %d) returned %s\n", nm, n, value.IsNull() ? "<NULL>" : value.Text());
    return value;
}

// ---------------------------------------------------------------- language library

void LoadLanguageLibrary(const char* programpath, const char* name, const char* version)
{
    STRING program(name ? name : "");
    STRING capitalised(program);
    if (capitalised.Length() > 0) {
        capitalised.ToLower();
        capitalised[0] = static_cast<char>(toupper(static_cast<unsigned char>(capitalised[0])));
    }
    const char* ver = version ? version : "";
    snprintf(app_title, sizeof app_title, "Kelvo Application (%s %s)", capitalised.Text(), ver);
    STRING id = program + ver;
    id.Replace(".", "");
    id.ToUpper();
    snprintf(app_id, sizeof app_id, "%s", id.Text());
    tell_log();

    STRING dir(programpath ? programpath : KELVOAPP::ProgramPath());
    int slash = -1;
    for (int i = 0; i < dir.Length(); i++)
        if (dir[i] == '\\' || dir[i] == '/') slash = i;
    dir = KELVOAPP::DevTreeDirectory(slash >= 0 ? dir.Left(slash).Text() : ".");
    STRING base = dir + "\\" + program.Text();

    const char* wanted = "english.dll";
    switch (language_code) {
    case 7: wanted = "german.dll"; break;
    case 12: wanted = "french.dll"; break;
    case 14: wanted = "hungarian.dll"; break;
    default: break;
    }
    STRING tried = base + wanted;
    HINSTANCE library = LoadLibraryA(tried.Text());
    if (!library && strcmp(wanted, "english.dll") != 0) {
        language_code = 9;
        tell_log();
        tried = base + "english.dll";
        library = LoadLibraryA(tried.Text());
    }
    if (!library) {
        Logit("LoadLanguageLibrary failed for %s\n", tried.Text());
        char text[MAX_PATH + 32];
        snprintf(text, sizeof text, "DLL not found:\r%s", tried.Text());
        MessageBoxA(nullptr, text, "Kelvo Application", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        LogitOption("/LOGITCLOSE");
        ExitProcess(99);
    }
    KELVOAPP::FreeLanguageLibrary();
    resource_module = library;
    language_library = true;
    Logit("LoadLanguageLibrary %s loaded, language %d\n", tried.Text(), language_code);
}

void KELVOAPP::FreeLanguageLibrary()
{
    if (language_library && resource_module) FreeLibrary(resource_module);
    language_library = false;
    resource_module = instance_handle;
}

// ---------------------------------------------------------------- loop and banner

int KELVOAPP::MainDispatchLoop(HWND mainwindow, int accelerator)
{
    Logit("KELVOAPP::MainDispatchLoop\n");
    HACCEL haccel = nullptr;
    if (accelerator != 0) {
        haccel = LoadAcceleratorsA(ResourceModule(), MAKEINTRESOURCEA(accelerator & 0xFFFF));
        ASSERT(haccel);
    }
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (haccel && GetActiveWindow() == mainwindow &&
            TranslateAcceleratorA(mainwindow, haccel, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Logit("KELVOAPP::MainDispatchLoop done\n");
    return static_cast<int>(msg.wParam);
}

void LogStartBanner(const char* title, const char* version)
{
    if (!LogitActive()) return;
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    static const char* const systems[] = {"Windows 95/98\n", "Windows NT4\n", "Windows 2000\n",
                                          "Windows XP\n", "Windows 2003 family\n",
                                          "Windows Vista\n"};
    int type = OSYS::GetOSType();
    Logit("%s Version %s\n", title ? title : "", version ? version : "");
    Logit("Started %s %s\n", OSYS::DateIso().Text(), OSYS::TimeIso().Text());
    Logit("Compiled %s %s\n", __DATE__, __TIME__);
    Logit("Current Directory: %s (exe directory)\n", cwd);
    Logit("Working Directory: %s (gWorkDir, program started from here)\n", work_dir);
    Logit("Running under\n");
    Logit("%s", type >= 0 && type <= 5 ? systems[type] : "<unknown>\n");
}
