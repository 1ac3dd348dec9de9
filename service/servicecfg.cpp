// Reading and checking service.cfg.
#include "servicecfg.h"

#include "hash.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"

#include <cctype>
#include <cstring>

STRING ServiceConfigFile()
{
    if (TestArgValue("CFG", 0)) {
        STRING file = GetArgValue("CFG", 0);
        if (file.NotEmpty() && OSYS::FileExists(file)) return file;
        Logit("ServiceConfigFile: %s does not exist, service.cfg is used\n", file.Text());
    }
    return STRING("service.cfg");
}

// Names the platform keeps for devices in every folder ("aux", "com1.txt", ...).
static bool is_device_name(const STRING& part)
{
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    STRING stem = part.Field(0, ".");
    stem.Strip('R', " ");
    for (const char* device : devices)
        if (stem == device) return true;
    if (stem.Length() == 4 && (stem.Left(3) == "COM" || stem.Left(3) == "LPT") && isdigit(static_cast<unsigned char>(stem[3])))
        return true;
    return false;
}

bool StaysInsideFolder(const char* name)
{
    // No drive, stream or root: nothing absolute and no ":" anywhere.
    if (!name || !*name || strchr(name, ':') || name[0] == '\\' || name[0] == '/') return false;
    STRING path(name);
    path.Replace("/", "\\");
    if (path[path.Length() - 1] == '\\') return false;  // a folder, not a file
    for (int i = 0;; i++) {
        STRING part = path.Field(i, "\\");
        if (part.IsNull()) break;
        STRING trimmed = part;
        trimmed.Strip('B', " .");
        // "", ".", "..", "..." and the like, which the platform folds into a climb.
        if (trimmed.Length() == 0 || is_device_name(part)) return false;
    }
    return true;
}

bool LoadServiceConfig(const char* file, SERVICECONFIG& config)
{
    Logit("LoadServiceConfig %s\n", file ? file : "");
    HASH hash;
    if (!file || !hash.Load(file)) {
        Logit("LoadServiceConfig: cannot read %s\n", file ? file : "");
        return false;
    }
    struct FIELD {
        const char* Key;
        STRING* Value;
    } fields[] = {{"AppName", &config.AppName},     {"AppExe", &config.AppExe},
                  {"AppHelp", &config.AppHelp},     {"AppRegKey", &config.AppRegKey},
                  {"AppWinClass", &config.AppWinClass}};
    for (FIELD& field : fields) {
        int i = hash.IndexOf(field.Key);
        STRING value = i >= 0 ? hash.ValueAt(i) : STRING();
        if (value.Length() == 0 || value.Length() > SERVICECFG_MAXVALUE) {
            Logit("LoadServiceConfig: %s missing, empty or longer than %d\n", field.Key, SERVICECFG_MAXVALUE);
            return false;
        }
        *field.Value = value;
    }
    if (!config.AppWinClass.Find("Kelvo")) {
        Logit("LoadServiceConfig: AppWinClass %s is no Kelvo class\n", config.AppWinClass.Text());
        return false;
    }
    if (!StaysInsideFolder(config.AppExe)) {
        Logit("LoadServiceConfig: AppExe %s leaves the folder\n", config.AppExe.Text());
        return false;
    }
    return true;
}
