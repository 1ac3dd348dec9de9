// DLLINTERFACE: loading a library at run time, looking up its functions, freeing it.
#include "dllinterface.h"

#include "kelvo.h"

#include <cstring>

static void* address_of(FARPROC function) { return reinterpret_cast<void*>(function); }

DLLINTERFACE::DLLINTERFACE(const char* library, const char* function)
    : hDll(nullptr), pFunction(nullptr)
{
    FunctionName[0] = 0;
    Logit("DLLINTERFACE::DLLINTERFACE\n");
    if (ASSERT(library)) hDll = LoadLibraryA(library);
    // A cut name would find another function or none: a name that does not fit is refused.
    if (function && ASSERTINFO(strlen(function) < sizeof FunctionName, function)) {
        memcpy(FunctionName, function, strlen(function) + 1);
        if (hDll) pFunction = GetProcAddress(hDll, FunctionName);
    }
    Logit("DLLINTERFACE::DLLINTERFACE done, hdll= %p\n", static_cast<void*>(hDll));
}

DLLINTERFACE::~DLLINTERFACE()
{
    if (hDll) FreeLibrary(hDll);
}

FARPROC DLLINTERFACE::GetFunction(const char* name)
{
    FARPROC function = name ? (hDll ? GetProcAddress(hDll, name) : nullptr) : pFunction;
    Logit("DLLINTERFACE::GetFunction %s returns %p\n", name ? name : FunctionName,
          address_of(function));
    return function;
}
