// NULLDACL and GETPRIVILEGE: an open security descriptor for objects shared with
// other accounts, and a privilege of the process token held by an object.
#include "security.h"

#include "kelvo.h"

// ---------------------------------------------------------------- NULLDACL

NULLDACL::NULLDACL() : pSecurityDescriptor(nullptr), fSuccess(false)
{
    SecurityAttributes.nLength = sizeof SecurityAttributes;
    SecurityAttributes.lpSecurityDescriptor = nullptr;
    SecurityAttributes.bInheritHandle = TRUE;
    // Quiet reports: the caller goes on with default security, nothing for the user to decide.
    pSecurityDescriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
    if (!pSecurityDescriptor)
        ASSERTTEXTQUIET(false, "FALSE", "NULLDACL::LocalAlloc() failed");
    else if (!InitializeSecurityDescriptor(pSecurityDescriptor, SECURITY_DESCRIPTOR_REVISION))
        ASSERTTEXTQUIET(false, "FALSE", "NULLDACL::InitializeSecurityDescriptor() failed");
    else if (!SetSecurityDescriptorDacl(pSecurityDescriptor, TRUE, nullptr, FALSE))
        ASSERTTEXTQUIET(false, "FALSE", "NULLDACL::SetSecurityDescriptorDacl() failed");
    else
        fSuccess = true;
    if (fSuccess) SecurityAttributes.lpSecurityDescriptor = pSecurityDescriptor;
    LogitLevel(2, "NULLDACL::NULLDACL created, success==%d\n", fSuccess);
}

NULLDACL::~NULLDACL()
{
    if (pSecurityDescriptor) LocalFree(pSecurityDescriptor);
}

// ---------------------------------------------------------------- GETPRIVILEGE

GETPRIVILEGE::GETPRIVILEGE(const char* name)
    : PrivilegeName(name), hToken(nullptr), fRestore(false), fSuccess(false)
{
    Privilege.PrivilegeCount = 1;
    Privilege.Privileges[0].Luid = LUID{0, 0};
    Privilege.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!ASSERT(name)) return;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken)) {
        DWORD error = GetLastError();
        hToken = nullptr;
        // A system without tokens needs no privilege for anything.
        fSuccess = error == ERROR_CALL_NOT_IMPLEMENTED;
        LogitLevel(2, "GETPRIVILEGE::OpenProcessToken %s error= %ld\n", name,
                   static_cast<long>(error));
        return;
    }
    if (!LookupPrivilegeValueA(nullptr, name, &Privilege.Privileges[0].Luid)) {
        LogitLevel(2, "GETPRIVILEGE::LookupPrivilegeValue %s error= %ld\n", name,
                   static_cast<long>(GetLastError()));
        return;
    }
    TOKEN_PRIVILEGES previous;
    DWORD size = sizeof previous;
    SetLastError(ERROR_SUCCESS);
    BOOL ok = AdjustTokenPrivileges(hToken, FALSE, &Privilege, sizeof previous, &previous, &size);
    // The call succeeds even when the token lacks the privilege; only the last error tells.
    DWORD error = GetLastError();
    if (ok && error == ERROR_SUCCESS) {
        fSuccess = true;
        // When it was on already, switching it off is up to whoever switched it on. Windows
        // leaves an unchanged privilege out of the previous state; Wine lists it as enabled.
        fRestore = previous.PrivilegeCount > 0 &&
                   !(previous.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
    } else if (error == ERROR_CALL_NOT_IMPLEMENTED) {
        fSuccess = true;
    } else {
        LogitLevel(2, "GETPRIVILEGE::GetLastError after AdjustTokenPrivileges is %ld\n",
                   static_cast<long>(error));
    }
    LogitLevel(2, "GETPRIVILEGE::GETPRIVILEGE %s success= %d\n", name, fSuccess);
}

GETPRIVILEGE::~GETPRIVILEGE()
{
    if (fRestore) {
        Privilege.Privileges[0].Attributes = 0;
        AdjustTokenPrivileges(hToken, FALSE, &Privilege, 0, nullptr, nullptr);
    }
    if (hToken) CloseHandle(hToken);
}
