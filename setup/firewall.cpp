// The Windows Firewall's exception list through its COM manager.
#include "firewall.h"

#include "kelvo.h"
#include "osys.h"

// The firewall's class ids are in no import library: this file defines them.
#include <initguid.h>
#include <netfw.h>

// The firewall came with XP (GetOSType 3).
const int FIREWALL_FIRSTOS = 3;

static unsigned long code(HRESULT hr) { return static_cast<unsigned long>(hr); }

// text as a BSTR in the system's code page; null when it is empty or memory is short.
static BSTR make_bstr(const char* text)
{
    int n = text && *text ? MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0) : 0;
    if (n <= 1) return nullptr;
    BSTR result = SysAllocStringLen(nullptr, n - 1);
    if (result) MultiByteToWideChar(CP_ACP, 0, text, -1, result, n);
    return result;
}

FIREWALL::FIREWALL() : boolUpAndRunning(false), boolComInitialised(false), pProfile(nullptr)
{
    Logit("FIREWALL::Constructor()\n");
    if (OSYS::GetOSType() < FIREWALL_FIRSTOS) {
        Logit("FIREWALL::Constructor() WinOS < WinXP detected, constructor aborted\n");
        Logit("FIREWALL::~Constructor()\n");
        return;
    }
    boolComInitialised = SUCCEEDED(CoInitialize(nullptr));
    INetFwMgr* manager = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_NetFwMgr, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwMgr,
                                  reinterpret_cast<void**>(&manager));
    if (FAILED(hr)) {
        Logit("FIREWALL::Constructor() CoCreateInstance failed: 0x%08lx\n", code(hr));
    } else {
        INetFwPolicy* policy = nullptr;
        hr = manager->get_LocalPolicy(&policy);
        if (FAILED(hr)) {
            Logit("FIREWALL::Constructor() get_LocalPolicy failed: 0x%08lx\n", code(hr));
        } else {
            hr = policy->get_CurrentProfile(&pProfile);
            if (FAILED(hr)) {
                pProfile = nullptr;
                Logit("FIREWALL::Constructor() get_CurrentProfile failed: 0x%08lx\n", code(hr));
            } else {
                boolUpAndRunning = true;
            }
            policy->Release();
        }
        manager->Release();
    }
    Logit("FIREWALL::~Constructor()\n");
}

FIREWALL::~FIREWALL()
{
    if (pProfile) pProfile->Release();
    pProfile = nullptr;
    boolUpAndRunning = false;
    Logit("FIREWALL::Destructor()\n");
    Logit("FIREWALL::~Destructor()\n");
    if (boolComInitialised) CoUninitialize();
}

HRESULT FIREWALL::IsAppEnabled(const char* appname, BOOL* enabled)
{
    ASSERT(this->boolUpAndRunning);
    ASSERT(appname);
    if (!boolUpAndRunning) return S_FALSE;
    if (!appname || !enabled) return E_POINTER;
    INetFwAuthorizedApplications* apps = nullptr;
    HRESULT hr = pProfile->get_AuthorizedApplications(&apps);
    if (FAILED(hr)) return hr;
    BSTR name = make_bstr(appname);
    if (!name) {
        apps->Release();
        return E_OUTOFMEMORY;
    }
    INetFwAuthorizedApplication* app = nullptr;
    if (FAILED(apps->Item(name, &app))) {
        Logit("FIREWALL::IsAppEnabled() Application is not in exception list\n");
        *enabled = FALSE;
        hr = S_OK;
    } else {
        Logit("FIREWALL::IsAppEnabled() Application is in exception list\n");
        VARIANT_BOOL on = VARIANT_FALSE;
        hr = app->get_Enabled(&on);
        if (SUCCEEDED(hr)) {
            *enabled = on != VARIANT_FALSE;
            Logit(*enabled ? "FIREWALL::IsAppEnabled() Application is enabled\n"
                           : "FIREWALL::IsAppEnabled() Application is disabled\n");
        }
        app->Release();
    }
    SysFreeString(name);
    apps->Release();
    return hr;
}

bool FIREWALL::AddApplication(const char* appname, const char* friendlyname)
{
    ASSERT(this->boolUpAndRunning);
    ASSERT(appname);
    ASSERT(friendlyname);
    if (!boolUpAndRunning || !appname || !friendlyname) return false;
    BOOL enabled = FALSE;
    HRESULT hr = IsAppEnabled(appname, &enabled);
    if (FAILED(hr)) {
        Logit("FIREWALL::AddApplication() failed: 0x%08lx\n", code(hr));
        return false;
    }
    if (enabled) {
        Logit("FIREWALL::AddApplication() Application is already added\n");
        return true;
    }
    INetFwAuthorizedApplications* apps = nullptr;
    hr = pProfile->get_AuthorizedApplications(&apps);
    if (FAILED(hr)) {
        Logit("FIREWALL::AddApplication() get_AuthorizedApplications failed: 0x%08lx\n", code(hr));
        return false;
    }
    INetFwAuthorizedApplication* app = nullptr;
    BSTR image = nullptr, name = nullptr;
    hr = CoCreateInstance(CLSID_NetFwAuthorizedApplication, nullptr, CLSCTX_INPROC_SERVER,
                          IID_INetFwAuthorizedApplication, reinterpret_cast<void**>(&app));
    if (FAILED(hr)) {
        app = nullptr;
        Logit("FIREWALL::AddApplication() CoCreateInstance failed: 0x%08lx\n", code(hr));
    } else {
        image = make_bstr(appname);
        hr = image ? app->put_ProcessImageFileName(image) : E_OUTOFMEMORY;
        if (FAILED(hr)) Logit("FIREWALL::AddApplication() put_ProcessImageFileName failed: 0x%08lx\n", code(hr));
    }
    if (SUCCEEDED(hr)) {
        name = make_bstr(friendlyname);
        hr = name ? S_OK : E_OUTOFMEMORY;
        if (FAILED(hr)) Logit("FIREWALL::AddApplication() SysAllocString failed: 0x%08lx\n", code(hr));
    }
    if (SUCCEEDED(hr)) {
        hr = app->put_Name(name);
        if (FAILED(hr)) Logit("FIREWALL::AddApplication() put_Name failed: 0x%08lx\n", code(hr));
    }
    if (SUCCEEDED(hr)) {
        hr = apps->Add(app);
        if (FAILED(hr))
            Logit("FIREWALL::AddApplication() Add failed: 0x%08lx\n", code(hr));
        else
            Logit("FIREWALL::AddApplication() Application %s is now added to the firewall\n", appname);
    }
    if (name) SysFreeString(name);
    if (image) SysFreeString(image);
    if (app) app->Release();
    apps->Release();
    return SUCCEEDED(hr);
}

bool FIREWALL::RemoveApplication(const char* appname)
{
    ASSERT(this->boolUpAndRunning);
    ASSERT(appname);
    if (!boolUpAndRunning || !appname) return false;
    BOOL enabled = FALSE;
    HRESULT hr = IsAppEnabled(appname, &enabled);
    if (FAILED(hr)) {
        Logit("FIREWALL::RemoveApplication() failed: 0x%08lx\n", code(hr));
        return false;
    }
    if (!enabled) return true;
    INetFwAuthorizedApplications* apps = nullptr;
    hr = pProfile->get_AuthorizedApplications(&apps);
    if (FAILED(hr)) {
        Logit("FIREWALL::RemoveApplication() get_AuthorizedApplications failed: 0x%08lx\n", code(hr));
        return false;
    }
    BSTR image = make_bstr(appname);
    if (!image) {
        hr = E_OUTOFMEMORY;
        Logit("FIREWALL::RemoveApplication() SysAllocString failed: 0x%08lx\n", code(hr));
    } else {
        hr = apps->Remove(image);
        if (FAILED(hr)) Logit("FIREWALL::RemoveApplication() Remove failed: 0x%08lx\n", code(hr));
        SysFreeString(image);
    }
    apps->Release();
    return SUCCEEDED(hr);
}
