// The about box: the program's title and version, and a link to the product's web
// site, which the help menu also opens.
#pragma once

#include <windows.h>

// Shows the about box (dialog 2049) until the user closes it.
void ShowAboutBox(HWND owner);
// Opens the product's web site (text 2977) in the browser; true when it opened.
bool OpenProductWebSite(HWND owner);
