// Every resource number a program's code uses (its resource header) exists in
// every language library of that program; a missing text would read "<STR-ERR>".
#include "testfiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct RESOURCEID {
    std::string name;
    int number;
};

// The "#define ID?_NAME number" lines of a resource header below the source tree.
static std::vector<RESOURCEID> resource_ids(const std::string& header)
{
    const char* source = getenv("HORALINK_SOURCE_DIR");
    std::string path = std::string("Z:") + (source ? source : "") + "/" + header;
    std::vector<RESOURCEID> ids;
    FILE* f = fopen(path.c_str(), "r");
    if (!f) return ids;
    char line[512];
    while (fgets(line, sizeof line, f)) {
        char name[128];
        int number;
        if (sscanf(line, " #define %127s %d", name, &number) == 2 && strncmp(name, "ID", 2) == 0)
            ids.push_back({name, number});
    }
    fclose(f);
    return ids;
}

static std::string kind(const std::string& name) { return name.substr(0, name.find('_')); }

static void check_library(const std::string& library, const std::vector<RESOURCEID>& ids)
{
    HMODULE module = LoadLibraryExA((ProductBinDir() + "\\" + library).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << library;
    int checked = 0;
    for (const RESOURCEID& id : ids) {
        std::string k = kind(id.name);
        LPCSTR type = nullptr;
        if (k == "IDS") {
            char text[1024];
            EXPECT_GT(LoadStringA(module, id.number, text, sizeof text), 0)
                << library << ": text " << id.name << " (" << id.number << ") is missing";
            checked++;
            continue;
        }
        if (k == "IDD") type = RT_DIALOG;
        if (k == "IDR") type = RT_MENU;
        if (k == "IDA") type = RT_ACCELERATOR;
        if (k == "IDI") type = RT_GROUP_ICON;
        if (k == "IDB") type = RT_BITMAP;
        if (!type) continue;  // commands and controls are no resources
        EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(id.number), type), nullptr)
            << library << ": resource " << id.name << " (" << id.number << ") is missing";
        checked++;
    }
    EXPECT_GT(checked, 0);
    FreeLibrary(module);
}

TEST(LanguageLibraries, HoralinkHasEveryResourceItsCodeUses)
{
    std::vector<RESOURCEID> ids = resource_ids("horalink/lang/horalinkres.h");
    ASSERT_FALSE(ids.empty());
    check_library("horalinkenglish.dll", ids);
    check_library("horalinkgerman.dll", ids);
}

TEST(LanguageLibraries, SetupHasEveryResourceItsCodeUses)
{
    std::vector<RESOURCEID> ids = resource_ids("setup/lang/setupres.h");
    ASSERT_FALSE(ids.empty());
    check_library("setupenglish.dll", ids);
    check_library("setupgerman.dll", ids);
}

TEST(LanguageLibraries, GermanTextsSurviveAsWindowsCodePage)
{
    HMODULE module = LoadLibraryExA((ProductBinDir() + "\\horalinkgerman.dll").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    wchar_t text[256];
    ASSERT_GT(LoadStringW(module, 10004, text, 256), 0);
    EXPECT_NE(std::wstring(text).find(L"\x2013"), std::wstring::npos);  // the dash came through
    FreeLibrary(module);
}
