// Security helpers: NULLDACL, attributes that let every account use a kernel
// object, and GETPRIVILEGE, a privilege enabled for an object's lifetime.
#pragma once

#include "strings.h"

#include <windows.h>

class NULLDACL {
public:
    // Builds inheritable attributes whose descriptor has a null access list.
    NULLDACL();
    ~NULLDACL();
    NULLDACL(const NULLDACL&) = delete;
    NULLDACL& operator=(const NULLDACL&) = delete;

    bool Success() const { return fSuccess; }
    // The attributes for creating a kernel object; null (default security) on failure.
    SECURITY_ATTRIBUTES* Attributes() { return fSuccess ? &SecurityAttributes : nullptr; }

private:
    PSECURITY_DESCRIPTOR pSecurityDescriptor;
    SECURITY_ATTRIBUTES SecurityAttributes;
    bool fSuccess;
};

class GETPRIVILEGE {
public:
    // Enables the privilege (for example "SeSystemtimePrivilege") in the process token.
    explicit GETPRIVILEGE(const char* name);
    // Disables it again, unless it had been enabled before this object.
    ~GETPRIVILEGE();
    GETPRIVILEGE(const GETPRIVILEGE&) = delete;
    GETPRIVILEGE& operator=(const GETPRIVILEGE&) = delete;

    // True when the privilege is enabled, or the system has no privileges at all.
    bool Success() const { return fSuccess; }

private:
    STRING PrivilegeName;
    HANDLE hToken;
    TOKEN_PRIVILEGES Privilege;
    bool fRestore;
    bool fSuccess;
};
