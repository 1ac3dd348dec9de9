// Finding the shown page of a dialog made of pages, and reading the autostart entry
// that such dialogs write.
#include "dialogpages.h"

#include "registry.h"

#include <cstring>

HWND ShownPage(HWND frame)
{
    for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = "";
        GetClassNameA(child, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0 && IsWindowVisible(child)) return child;
    }
    return nullptr;
}

HWND PageControl(HWND frame, int id)
{
    HWND page = ShownPage(frame);
    return page ? GetDlgItem(page, id) : nullptr;
}

bool IsEnabled(HWND control) { return control && IsWindowEnabled(control); }

std::string AutoStartValue(const char* name)
{
    REGISTRY run(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "",
                 REGISTRY_READ);
    STRING value = run.IsOpen() ? run.Read(name) : STRING();
    return value.IsNull() ? std::string("<none>") : std::string(value.Text());
}
