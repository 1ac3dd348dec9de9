// The start-up frame shared by every program: the argument table and its queries,
// the language library, the message loop and the start banner.
#pragma once

#include "strings.h"
#include "stringarray.h"

#include <windows.h>

const int ARGTABLE_SLOTS = 128;  // the slot behind the last argument stays empty

// Supplied by each program: its own entry; the result is the process exit code.
// argv holds the command-line tokens (argv[0] is the program's full path) and ends
// with a null entry; arguments from argument files are reached through the queries.
int AppMain(int argc, char** argv, void* reserved);

extern DWORD gMainThreadId;

// True if some argument is "/" or "-" followed by exactly name (case-insensitive).
bool TestArg(const char* name);
// True if at least n+1 arguments are "/" or "-" followed by a text beginning with name.
bool TestArgValue(const char* name, int n);
// Value of the n-th such argument: "/NAME:value", "/NAMEvalue" or "-NAME value";
// a null STRING when there is none.
STRING GetArgValue(const char* name, int n);

// Loads "<programdir>\<name><language>.dll" (English as fall-back) as resource module;
// with no library at all shows "DLL not found:" and ends the process with exit code 99.
void LoadLanguageLibrary(const char* programpath, const char* name, const char* version);

// Writes the program and system description to the log.
void LogStartBanner(const char* title, const char* version);

namespace KELVOAPP {
// The message loop of the main thread; accelerator 0 means none.
int MainDispatchLoop(HWND mainwindow, int accelerator);

HINSTANCE Instance();
// Where string tables, dialogs, menus and accelerators are loaded from.
HINSTANCE ResourceModule();
// Windows primary language number: 7 German, 9 English, 12 French, 14 Hungarian.
int LanguageCode();
void SetLanguageCode(int code);
// Title of assertion and start-failure boxes: "Kelvo Application" and, once the
// language library is loaded, " (Name version)".
const char* AppTitle();
const char* AppId();
const char* ProgramPath();  // the program's full path
const char* ProgramDir();   // its directory, cut back by the development-tree rule
const char* WorkDir();      // the current directory at start ("program started from here")

// The steps of WinMain before AppMain, usable on their own (tests drive them directly).
// Splits a command line into tokens: blanks separate, double quotes group.
STRINGARRAY SplitCommandLine(const char* commandline);
// Cuts "\Debug", "\Debug2", "\Release", "\Release2" off a directory when
// "..\main.cpp" or "..\approot.cpp" exists beside it.
STRING DevTreeDirectory(const char* directory);
// Builds the argument table from the command line and the argument files.
void PrepareArguments(HINSTANCE instance, const char* commandline);
// The command-line tokens (token 0 replaced by the program's full path).
const STRINGARRAY* CommandTokens();
// Language code from "LANG" or the thread locale.
int ChooseLanguageCode();
// The argument table: count and slot i (a null STRING past the end).
int ArgCount();
STRING ArgAt(int i);
// Empties the argument table and forgets the language library (for tests).
void Reset();
// Frees the language library if one was loaded.
void FreeLanguageLibrary();
}  // namespace KELVOAPP
