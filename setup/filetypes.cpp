// Registering the product's file types.
#include "filetypes.h"

#include "kelvo.h"
#include "registry.h"
#include "setupcfg.h"

// Sets the default value of HKEY_CLASSES_ROOT\key, creating the key when missing.
static void set_class_value(const STRING& key, const char* text)
{
    REGISTRY entry(HKEY_CLASSES_ROOT, key, "", REGISTRY_CREATE);
    entry.Write("", text);
}

STRING RegisterFileTypes(const char* list, const char* folder)
{
    STRING base(folder);
    while (base.Length() > 0 && (base[base.Length() - 1] == '\\' || base[base.Length() - 1] == '/'))
        base.Truncate(base.Length() - 1);
    base += "\\";
    STRING roots("");
    STRINGARRAY items = SetupList(list);
    for (int i = 0; i < items.GetCount(); i++) {
        const STRING& item = *items.GetItem(i);
        STRING extension = item.Field(0, ";", STRINGFIELD_EMPTYIFMISSING);
        STRING type = item.Field(1, ";", STRINGFIELD_EMPTYIFMISSING);
        STRING open = item.Field(2, ";", STRINGFIELD_EMPTYIFMISSING);
        STRING icon = item.Field(3, ";", STRINGFIELD_EMPTYIFMISSING);
        STRING options = item.Field(4, ";", STRINGFIELD_EMPTYIFMISSING);
        STRING name = type.Field(0, "=", STRINGFIELD_EMPTYIFMISSING);
        STRING description = type.Field(1, "=", STRINGFIELD_EMPTYIFMISSING);
        if (extension.Length() == 0 || name.Length() == 0 || description.Length() == 0 || open.Length() == 0 ||
            icon.Length() == 0) {
            Logit("RegisterFileTypes: item %s incomplete, not registered\n", item.Text());
            continue;
        }
        set_class_value(extension, name);
        set_class_value(name, description);
        set_class_value(name + "\\DefaultIcon", base + icon);
        if (_stricmp(open, "{null}") != 0) set_class_value(name + "\\Shell\\open\\command", base + open);
        if (options.iFind("{textedit}")) set_class_value(name + "\\Shell\\edit\\command", "notepad %1");
        roots += extension;
        roots += "|";
        roots += name;
        roots += "|";
    }
    return roots;
}
