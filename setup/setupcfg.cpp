// Reading setup.cfg: a checked text, then the key/value table.
#include "setupcfg.h"

#include "kelvo.h"
#include "osys.h"

#include <cctype>
#include <cstring>

// The escapes a value may carry (see STRING::Unescape): "\0", "\\", "\n", "\r", "\t",
// "\z" and "\x" with two hexadecimal digits.
static bool escapes_well_formed(const char* value, int length)
{
    for (int i = 0; i < length; i++) {
        if (value[i] != '\\') continue;
        if (i + 1 >= length) return false;
        char next = value[++i];
        if (strchr("0\\nrtz", next)) continue;
        if (next != 'x' || i + 2 >= length || !isxdigit(static_cast<unsigned char>(value[i + 1])) ||
            !isxdigit(static_cast<unsigned char>(value[i + 2])))
            return false;
        i += 2;
    }
    return true;
}

bool SetupConfigWellFormed(const STRING& text, int* line)
{
    const char* p = text.Text();
    int length = text.Length();
    if (static_cast<int>(strlen(p)) != length) {
        if (line) *line = 1;
        return false;  // a NUL byte: no text file
    }
    int number = 0;
    for (int start = 0; start < length;) {
        int end = start;
        while (end < length && p[end] != '\n') end++;
        number++;
        int stop = end > start && p[end - 1] == '\r' ? end - 1 : end;
        const char* s = p + start;
        int n = stop - start;
        bool comment = n == 0 || (n >= 2 && s[0] == '/' && s[1] == '/') || (n >= 2 && s[0] == '#' && s[1] == ' ') ||
                       (n == 1 && s[0] == '#');
        if (!comment) {
            const char* eq = static_cast<const char*>(memchr(s, '=', n));
            int keylength = eq ? static_cast<int>(eq - s) : 0;
            if (!eq || keylength == 0 || !escapes_well_formed(eq + 1, n - keylength - 1)) {
                if (line) *line = number;
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

SETUPCFGSTATE LoadSetupConfig(const char* file, HASH& config, int* line)
{
    Logit("LoadSetupConfig %s\n", file ? file : "");
    long long size = file ? OSYS::FileSize(file) : -1;
    BINARY text;
    if (size < 0 || size > SETUPCFG_MAXBYTES || !text.Load(file, "rb")) return SETUPCFG_UNREADABLE;
    // A binary "{b64:...}" value is text as well; every line is checked before the table
    // sees it, so a damaged file never raises a report in the middle of parsing.
    if (!SetupConfigWellFormed(text, line)) {
        Logit("LoadSetupConfig: line %d is malformed\n", line ? *line : 0);
        return SETUPCFG_MALFORMED;
    }
    return config.Load(file) ? SETUPCFG_OK : SETUPCFG_UNREADABLE;
}

void FoldLanguageKeys(HASH& config, const char* suffix)
{
    STRING s(suffix ? suffix : "");
    STRINGARRAY keys;
    for (int i = 0; i < config.GetCount(); i++) keys.Add(config.KeyAt(i));
    for (int i = 0; i < keys.GetCount(); i++) {
        STRING key = *keys.GetItem(i);
        if (!key.Find(".")) continue;
        int index = config.IndexOf(key);
        if (index < 0) continue;
        STRING value = config.ValueAt(index);
        if (s.Length() > 0 && key.Length() > s.Length() && key.Right(s.Length()) == s) {
            STRING plain = key.Left(key.Length() - s.Length());
            config[plain] = value;
        }
        config.Remove(key);
    }
    keys.DeleteAll();
    for (int i = 0; i < config.GetCount(); i++) keys.Add(config.KeyAt(i));
    for (int i = 0; i < keys.GetCount(); i++) {
        STRING key = *keys.GetItem(i);
        if (key.Find("_")) continue;
        for (int n = 0; n < SETUPCFG_CONTINUATIONS; n++) {
            STRING part;
            part.Format("%s_%d", key.Text(), n);
            int index = config.IndexOf(part);
            if (index < 0) continue;
            STRING more = config.ValueAt(index);
            config[key] += more;
            config.Remove(part);
        }
    }
}

STRINGARRAY SetupList(const STRING& value)
{
    STRINGARRAY items;
    for (int i = 0;; i++) {
        STRING item = value.Field(i, "|");
        if (item.IsNull()) break;
        if (item.Length() > 0) items.Add(item);
    }
    return items;
}
