// Every resource number a program's code uses (its resource header) exists in
// every language library of that program; a missing text would read "<STR-ERR>".
#include "setupres.h"
#include "testfiles.h"
#include "testwindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

static INT_PTR CALLBACK quiet_dialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The wizard finds its controls by number: each of its templates, created from either
// library, has every control the program looks for.
TEST(LanguageLibraries, SetupWizardTemplatesHaveTheirControls)
{
    const struct { int dialog; std::vector<int> controls; } templates[] = {
        {IDD_SETUP_FRAME, {IDC_SETUP_BACK, IDC_SETUP_NEXT, IDCANCEL, IDC_SETUP_TITLE, IDC_SETUP_SUBTITLE,
                           IDC_SETUP_PAGEAREA, IDC_SETUP_HEADER, IDC_SETUP_ICON, IDC_SETUP_HIDDEN}},
        {IDD_SETUP_WELCOME, {IDC_SETUP_CHOICE1, IDC_SETUP_CHOICE2, IDC_SETUP_CHOICE3}},
        {IDD_SETUP_LICENCE, {IDC_SETUP_TEXT, IDC_SETUP_BUTTON, IDC_SETUP_CHECK}},
        {IDD_SETUP_FOLDER, {IDC_SETUP_TEXT, IDC_SETUP_BUTTON}},
        {IDD_SETUP_COPY, {IDC_SETUP_TEXT, IDC_SETUP_PROGRESS}},
        {IDD_SETUP_SHORTCUTS, {IDC_SETUP_CHOICE1, IDC_SETUP_CHOICE2, IDC_SETUP_CHOICE3, IDC_SETUP_CHECK}},
        {IDD_SETUP_ADVERTISE, {IDC_SETUP_TEASER1, IDC_SETUP_TEASER2, IDC_SETUP_TEXT, IDC_SETUP_BUTTON}},
        {IDD_SETUP_FINISH, {IDC_SETUP_PICTURE, IDC_SETUP_TEASER2}}};
    HWND parent = CreateTestWindow("setup wizard templates");
    ASSERT_NE(parent, nullptr);
    for (const char* library : {"setupenglish.dll", "setupgerman.dll"}) {
        HMODULE module = LoadLibraryExA((ProductBinDir() + "\\" + library).c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << library;
        for (const auto& t : templates) {
            HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(t.dialog), parent, quiet_dialog, 0);
            EXPECT_NE(dialog, nullptr) << library << ": dialog " << t.dialog;
            if (!dialog) continue;
            for (int id : t.controls)
                EXPECT_NE(GetDlgItem(dialog, id), nullptr)
                    << library << ": dialog " << t.dialog << " lacks control " << id;
            if (t.dialog == IDD_SETUP_FRAME) {  // the header's icon comes from the library
                EXPECT_NE(SendDlgItemMessageA(dialog, IDC_SETUP_ICON, STM_GETICON, 0, 0), 0) << library;
            }
            DestroyWindow(dialog);
        }
        // Pure red is the picture's background, which the program maps to the button face.
        HBITMAP picture = LoadBitmapA(module, MAKEINTRESOURCEA(IDB_SETUP_FINISH));
        ASSERT_NE(picture, nullptr) << library;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, picture);
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0)) << library;
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(picture);
        FreeLibrary(module);
    }
    DestroyWindow(parent);
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
