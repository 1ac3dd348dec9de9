// NULLDACL and GETPRIVILEGE against Wine's security calls and process token.
#include "security.h"

#include "kelvo.h"
#include "logcapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

// 1 enabled, 0 present but disabled, -1 not in the token (or no token to ask).
static int privilege_state(const char* name)
{
    LUID luid;
    HANDLE token;
    if (!LookupPrivilegeValueA(nullptr, name, &luid) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return -1;
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    int state = -1;
    if (GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
        const TOKEN_PRIVILEGES* tp = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < tp->PrivilegeCount; i++)
            if (tp->Privileges[i].Luid.LowPart == luid.LowPart &&
                tp->Privileges[i].Luid.HighPart == luid.HighPart)
                state = (tp->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) ? 1 : 0;
    }
    CloseHandle(token);
    return state;
}

TEST(NullDacl, InheritableAttributesWithANullAccessList)
{
    LOGCAPTURE log(2);
    NULLDACL open;
    ASSERT_TRUE(open.Success());
    SECURITY_ATTRIBUTES* sa = open.Attributes();
    ASSERT_NE(sa, nullptr);
    EXPECT_EQ(sa->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_TRUE(sa->bInheritHandle);
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(GetSecurityDescriptorDacl(sa->lpSecurityDescriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, nullptr);
    EXPECT_FALSE(defaulted);
    char name[64];
    snprintf(name, sizeof name, "\\\\.\\mailslot\\KelvoTestDacl%lu", GetCurrentProcessId());
    HANDLE slot = CreateMailslotA(name, 0, 0, sa);
    EXPECT_NE(slot, INVALID_HANDLE_VALUE);
    CloseHandle(slot);
    EXPECT_NE(log.Text().find("] NULLDACL::NULLDACL created, success==1\r\n"), std::string::npos)
        << log.Text();
}

TEST(GetPrivilege, SystemTimePrivilegeHeldForTheObjectsLifetime)
{
    const char* privilege = "SeSystemtimePrivilege";
    int before = privilege_state(privilege);
    if (before < 0) GTEST_SKIP() << "the process token does not hold SeSystemtimePrivilege";
    {
        GETPRIVILEGE outer(privilege);
        EXPECT_TRUE(outer.Success());
        {
            // A second holder must not take it away from the first when it ends.
            GETPRIVILEGE inner(privilege);
            EXPECT_TRUE(inner.Success());
        }
        EXPECT_EQ(privilege_state(privilege), 1);
    }
    EXPECT_EQ(privilege_state(privilege), before);
}

TEST(GetPrivilege, DisabledPrivilegeIsSwitchedOffAgainUnknownOneFails)
{
    LOGCAPTURE log(2);
    GETPRIVILEGE none("SeKelvoNoSuchPrivilege");
    EXPECT_FALSE(none.Success());
    EXPECT_NE(log.Text().find("] GETPRIVILEGE::LookupPrivilegeValue SeKelvoNoSuchPrivilege error= "),
              std::string::npos)
        << log.Text();

    // A privilege Wine's token holds but does not enable, to see the destructor's work.
    const char* chosen = nullptr;
    for (const char* name :
         {"SeShutdownPrivilege", "SeSystemtimePrivilege", "SeDebugPrivilege", "SeBackupPrivilege"})
        if (!chosen && privilege_state(name) == 0) chosen = name;
    if (!chosen) GTEST_SKIP() << "no disabled privilege in this token";
    {
        GETPRIVILEGE held(chosen);
        EXPECT_TRUE(held.Success()) << chosen;
        EXPECT_EQ(privilege_state(chosen), 1) << chosen;
    }
    EXPECT_EQ(privilege_state(chosen), 0) << chosen;
}
