// The controller's help: the file and topic that AppHelp of service.cfg names.
#pragma once

#include "strings.h"

class HELPFILE;

// The help file for AppHelp ("name|topic") in folder: name, and unless it holds
// "english", "german.chm" or "english.chm" by language; a missing one ends in "hlp"
// instead (a classic help file). When neither exists but name + ".chm" does (one help
// file for every language), that one.
STRING ServiceHelpFile(const char* apphelp, const char* folder, bool german);
// The topic number after the "|"; 0 when there is none.
int ServiceHelpTopic(const char* apphelp);
// Points help at the help file of AppHelp beside the program, when it is there.
void PrepareServiceHelp(HELPFILE& help, const char* apphelp);
