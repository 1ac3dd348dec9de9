// Reading and checking service.cfg.
#include "servicecfg.h"

#include "filename.h"
#include "hash.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"

STRING ServiceConfigFile()
{
    if (TestArgValue("CFG", 0)) {
        STRING file = GetArgValue("CFG", 0);
        if (file.NotEmpty() && OSYS::FileExists(file)) return file;
        Logit("ServiceConfigFile: %s does not exist, service.cfg is used\n", file.Text());
    }
    return STRING("service.cfg");
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
