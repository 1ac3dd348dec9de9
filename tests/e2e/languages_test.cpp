// Every resource number a program's code uses (its resource header) exists in
// every language library of that program; a missing text would read "<STR-ERR>".
#include "testfiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Checks each "#define ID?_NAME number" of a header below the source tree against the
// libraries: texts (IDS_) load, dialogs, menus, accelerators, icons and bitmaps exist.
static void check_libraries(const std::string& header, const char* library1, const char* library2)
{
    const char* source = getenv("HORALINK_SOURCE_DIR");
    FILE* f = fopen((std::string("Z:") + (source ? source : "") + "/" + header).c_str(), "r");
    ASSERT_NE(f, nullptr) << header;
    const char* libraries[] = {library1, library2};
    HMODULE modules[2];
    for (int i = 0; i < 2; i++) {
        modules[i] = LoadLibraryExA((ProductBinDir() + "\\" + libraries[i]).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(modules[i], nullptr) << libraries[i];
    }
    const struct { const char* kind; LPCSTR type; } kinds[] = {
        {"IDS_", nullptr},      {"IDD_", RT_DIALOG},      {"IDR_", RT_MENU},
        {"IDA_", RT_ACCELERATOR}, {"IDI_", RT_GROUP_ICON}, {"IDB_", RT_BITMAP}};
    int checked = 0;
    char line[512], name[128], text[1024];
    int number;
    while (fgets(line, sizeof line, f)) {
        if (sscanf(line, " #define %127s %d", name, &number) != 2) continue;
        for (const auto& k : kinds) {
            if (strncmp(name, k.kind, 4) != 0) continue;  // commands and controls are no resources
            for (int i = 0; i < 2; i++) {
                bool present = k.type ? FindResourceA(modules[i], MAKEINTRESOURCEA(number), k.type) != nullptr
                                      : LoadStringA(modules[i], number, text, sizeof text) > 0;
                EXPECT_TRUE(present) << libraries[i] << ": " << name << " (" << number << ") is missing";
            }
            checked++;
        }
    }
    fclose(f);
    for (HMODULE module : modules) FreeLibrary(module);
    EXPECT_GT(checked, 0);
}

TEST(LanguageLibraries, HoralinkHasEveryResourceItsCodeUses)
{
    check_libraries("horalink/lang/horalinkres.h", "horalinkenglish.dll", "horalinkgerman.dll");
}

TEST(LanguageLibraries, SetupHasEveryResourceItsCodeUses)
{
    check_libraries("setup/lang/setupres.h", "setupenglish.dll", "setupgerman.dll");
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
