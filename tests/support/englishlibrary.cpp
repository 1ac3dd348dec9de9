// Loading horalink's English language library from the built programs.
#include "englishlibrary.h"

#include "kelvoapp.h"
#include "testfiles.h"

void LoadEnglishLibrary()
{
    KELVOAPP::SetLanguageCode(9);
    LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
}
