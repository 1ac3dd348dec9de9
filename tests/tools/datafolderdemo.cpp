// Shows the data folder dialog on its own with the texts of the built program (English
// unless /LANG asks for another language), for scripts/screenshots. The folder it shows is recorded in a scratch key that is
// removed again when the dialog closes.
//
//   datafolderdemo [/FOLDER:<folder>] [/LANG:<language>]   folder: the product's default
#include "datafolderdialog.h"

#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "registry.h"
#include "workdir.h"

#include <windows.h>

static const char DEMO_KEY[] = "TestDataFolderDemo";

int main()
{
    KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), GetCommandLineA());
    // The language library lies beside the built program, in bin beside tests.
    STRING bin = STRING(KELVOAPP::ProgramDir()) + "\\..\\bin";
    KELVOAPP::SetLanguageCode(TestArgValue("LANG", 0) ? KELVOAPP::ChooseLanguageCode() : 9);
    LoadLanguageLibrary((bin + "\\horalink.exe").Text(), "horalink", "1.00");

    STRING folder = GetArgValue("FOLDER", 0);
    if (folder.Length() == 0)
        folder = GetWin32SystemPath(WORKDIR_SYSTEMFOLDER) + "Kelvo\\" +
                 OSYS::GetStringFromResource(IDS_HELPNAME).Text();
    {
        REGISTRY key(DEMO_KEY, KELVO_REGISTRYKEY, REGISTRY_CURRENTUSER);
        key.Write(WORKDIR_VALUE, folder);
    }
    bool recorded = DataFolderDialog(nullptr, DEMO_KEY);
    REGISTRY(HKEY_CURRENT_USER, "Software", "Kelvo", REGISTRY_WRITE).Delete(DEMO_KEY, true);
    return recorded ? 0 : 1;
}
