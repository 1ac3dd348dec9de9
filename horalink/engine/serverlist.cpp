// The time servers offered for choice, read from the language library: a sectioned
// list in the format of the configuration files, too long for an ordinary text.
#include "serverlist.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"

#include <windows.h>

// A text resource of any length, in the program's code page; null when it is missing.
static STRING long_resource_text(int id)
{
    const wchar_t* text = nullptr;
    // Length 0 asks for a pointer into the resource itself, without a copy or a limit.
    int n = LoadStringW(KELVOAPP::ResourceModule(), static_cast<UINT>(id),
                        reinterpret_cast<wchar_t*>(&text), 0);
    if (n <= 0 || !text) return STRING();
    int size = WideCharToMultiByte(CP_ACP, 0, text, n, nullptr, 0, nullptr, nullptr);
    STRING result;
    if (size <= 0) return result;
    result.Make(size, nullptr);
    WideCharToMultiByte(CP_ACP, 0, text, n, result.Data(), size, nullptr, nullptr);
    return result;
}

HASHLIST ParseServerList(const STRING& text)
{
    HASHLIST list;
    STRINGARRAY lines(text, "\n");
    STRING section;
    for (int i = 0; i < lines.GetCount(); i++) {
        STRING line = lines[i];
        line.RemoveTrailing('\r');
        if (line.Length() > 0 && line[0] == '[') {
            ASSERTINFO(line.Length() >= 3 && line[1] == '#' && line[line.Length() - 1] == ']',
                       line.Text());
            if (section.Length() > 0) list.Add(HASH(section));
            section.SetNull();
            continue;
        }
        if (line.Length() == 0) continue;
        section += line;
        section.AppendChar('\n');
    }
    if (section.Length() > 0) list.Add(HASH(section));
    return list;
}

HASHLIST ServerList()
{
    STRING text = long_resource_text(IDS_SERVERLIST);
    ASSERTINFO(text.NotEmpty(), "text resource IDS_SERVERLIST");
    HASHLIST list = ParseServerList(text);
    Logit("ServerList %d servers\n", list.GetCount());
    return list;
}

HASHLIST ServerListWith(const HASHLIST& list, const STRING& host)
{
    HASHLIST result(list);
    if (host.Length() > 0 && result.Find(SERVERLIST_VALUEKEY, host, true) < 0) {
        HASH record;
        record[SERVERLIST_VALUEKEY] = host;
        result.Add(record);
    }
    return result;
}
