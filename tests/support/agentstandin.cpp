// Registering the stand-in character server for a test.
#include "agentstandin.h"

#include "testfiles.h"

typedef HRESULT(STDAPICALLTYPE* SELFREGISTER)();

static SELFREGISTER self_register(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<SELFREGISTER>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

AGENTSTANDIN::AGENTSTANDIN() : path(TestProgramDir() + "\\agentstandin.dll")
{
    module = LoadLibraryA(path.c_str());
    SELFREGISTER doregister = self_register(module, "DllRegisterServer");
    registered = doregister && doregister() == S_OK;
}

AGENTSTANDIN::~AGENTSTANDIN()
{
    if (registered) Unregister();
    if (module) FreeLibrary(module);
}

bool AGENTSTANDIN::Unregister()
{
    SELFREGISTER dounregister = self_register(module, "DllUnregisterServer");
    registered = false;
    return dounregister && dounregister() == S_OK;
}
