// The language library of horalink's English start, for tests of code that reads its
// texts, dialogs and menus.
#pragma once

// Loads horalinkenglish.dll from the built programs as horalink's language library.
void LoadEnglishLibrary();
