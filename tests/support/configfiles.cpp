// Helpers for tests of the configuration file formats.
#include "configfiles.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

std::string BytesOf(const STRING& s) { return s.NotNull() ? std::string(s.Data(), s.Length()) : ""; }

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = fd.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string TextModeView(const std::string& raw)
{
    std::string out;
    for (size_t i = 0; i < raw.size(); i++) {
        char c = raw[i];
        if (c == 26) break;
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        out += c;
    }
    return out;
}

std::string DumpValue(const STRING& s)
{
    if (s.IsNull()) return "<null>";
    std::string out = (s.GetFlags() & STRINGFLAG_BINARY) ? "<binary>" : "";
    return out + BytesOf(s.Escape(""));
}

std::string DumpHash(const HASH& h)
{
    char head[64];
    snprintf(head, sizeof head, "Handle=%d Locked=%d Key=", h.Handle, h.IsLocked() ? 1 : 0);
    std::string out = head + DumpValue(h.Key) + "\n";
    for (int i = 0; i < h.GetCount(); i++)
        out += DumpValue(h.KeyAt(i)) + "=" + DumpValue(h.ValueAt(i)) + "\n";
    return out;
}

static std::string shown(const std::string& s, size_t from)
{
    std::string part = s.substr(from, 60);
    return BytesOf(STRING(part.data(), static_cast<int>(part.size())).Escape("\""));
}

testing::AssertionResult SameText(const std::string& actual, const std::string& expected)
{
    if (actual == expected) return testing::AssertionSuccess();
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) at++;
    size_t from = at > 20 ? at - 20 : 0;
    return testing::AssertionFailure()
           << "lengths " << actual.size() << " and " << expected.size() << ", first difference at byte "
           << at << "\n  actual:   \"" << shown(actual, from) << "\"\n  expected: \"" << shown(expected, from)
           << "\"";
}
