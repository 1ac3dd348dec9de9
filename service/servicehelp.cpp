// Finding and showing the controller's help topic.
#include "servicehelp.h"

#include "filename.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "servicetexts.h"
#include "winhelp.h"

STRING ServiceHelpFile(const char* apphelp, const char* folder, bool german)
{
    STRING name = STRING(apphelp).Field(0, "|");
    STRING file = PathJoin(folder, name);
    STRING single = file + ".chm";
    if (!name.iFind("english")) file += german ? "german.chm" : "english.chm";
    if (!OSYS::FileExists(file)) {
        file.CutRight(3);
        file += "hlp";
        if (!OSYS::FileExists(file) && OSYS::FileExists(single)) file = single;
    }
    return file;
}

int ServiceHelpTopic(const char* apphelp)
{
    STRING topic = STRING(apphelp).Field(1, "|");
    return topic.IsNull() ? 0 : topic.ToInt();
}

void PrepareServiceHelp(HELPFILE& help, const char* apphelp)
{
    STRING file = ServiceHelpFile(apphelp, KELVOAPP::ProgramDir(), ServiceGerman());
    Logit("PrepareServiceHelp %s\n", file.Text());
    // Without the file the Help button shows nothing; it is no reason for a report.
    if (!OSYS::FileExists(file)) return;
    help.SetFilename(file, file.Right(4) == ".chm");
}
