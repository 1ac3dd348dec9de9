// The controller's texts: string resources of the program itself, the German ones
// SERVICE_GERMAN above the English ones.
#include "servicetexts.h"

#include "kelvoapp.h"
#include "serviceres.h"

bool ServiceGerman() { return KELVOAPP::LanguageCode() == 7; }

STRING ServiceText(int id)
{
    if (ServiceGerman()) id += SERVICE_GERMAN;
    // The notices are longer than a fixed buffer: read the resource in place.
    const wchar_t* wide = nullptr;
    int n = LoadStringW(KELVOAPP::Instance(), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&wide), 0);
    if (n <= 0 || !wide) return STRING("<STR-ERR>");
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, n, nullptr, 0, nullptr, nullptr);
    STRING text;
    text.Make(bytes, nullptr);
    WideCharToMultiByte(CP_ACP, 0, wide, n, text.Data(), bytes, nullptr, nullptr);
    return text;
}

STRING ServiceText(int id, const char* product)
{
    STRING text = ServiceText(id);
    text.Replace("%s", product ? product : "");
    return text;
}
