// WINRAS: the remote-access library loaded at run time, against Wine's own library
// (which knows no connections), a missing library, and a stand-in with scripted
// phonebook entries and connections.
#include "kelvo.h"
#include "testfiles.h"
#include "winras.h"

#include <gtest/gtest.h>

#include <string>

typedef void(WINAPI* FAKERASSCRIPT)(const char*, const char*);

class STANDIN : public testing::Test {
protected:
    void SetUp() override { WINRAS::SetLibraryName((TestProgramDir() + "\\fakerasapi.dll").c_str()); }
    void TearDown() override { WINRAS::SetLibraryName(nullptr); }
    // Scripts the stand-in, which the object loaded.
    void Script(const char* entries, const char* connections)
    {
        HMODULE module = GetModuleHandleA("fakerasapi.dll");
        ASSERT_NE(module, nullptr);
        FAKERASSCRIPT script = reinterpret_cast<FAKERASSCRIPT>(
            reinterpret_cast<void*>(GetProcAddress(module, "FakeRasScript")));
        ASSERT_NE(script, nullptr);
        script(entries, connections);
    }
};

TEST(WinRas, WinesLibraryLoadsAndKnowsNoConnections)
{
    WINRAS ras;
    EXPECT_TRUE(ras.Available());
    EXPECT_STREQ(ras.GetEntryList().Text(), "");
    char name[WINRAS_ENTRYNAME_SIZE] = "";
    EXPECT_FALSE(ras.IsConnected(name, sizeof name, nullptr));
}

TEST(WinRas, AMissingLibraryAnswersNothingAvailable)
{
    WINRAS::SetLibraryName("nosuchrasapi.dll");
    int before = AssertCount();
    {
        WINRAS ras;
        EXPECT_FALSE(ras.Available());
        EXPECT_STREQ(ras.GetEntryList().Text(), "");
        char name[WINRAS_ENTRYNAME_SIZE] = "Office";
        HRASCONN handle = reinterpret_cast<HRASCONN>(1);
        EXPECT_FALSE(ras.IsConnected(name, sizeof name, &handle));
        EXPECT_EQ(handle, nullptr);
    }
    EXPECT_EQ(AssertCount(), before);  // a missing library is no error
    WINRAS::SetLibraryName(nullptr);
}

TEST_F(STANDIN, EntriesAreJoinedByBars)
{
    WINRAS ras;
    Script("Office|Home|Mobile", "");
    EXPECT_STREQ(ras.GetEntryList().Text(), "Office|Home|Mobile");
    Script("", "");
    EXPECT_STREQ(ras.GetEntryList().Text(), "");
}

TEST_F(STANDIN, AnyConnectedEntryCountsWhenNoneIsNamed)
{
    WINRAS ras;
    Script("", "Dialling=0|Office=0x2000");
    char name[WINRAS_ENTRYNAME_SIZE] = "";
    HRASCONN handle = nullptr;
    // The first connection is taken: still dialling, so not connected.
    EXPECT_FALSE(ras.IsConnected(name, sizeof name, &handle));
    Script("", "Office=0x2000|Dialling=0");
    EXPECT_TRUE(ras.IsConnected(name, sizeof name, &handle));
    EXPECT_STREQ(name, "Office");
    EXPECT_NE(handle, nullptr);
}

TEST_F(STANDIN, AWatchedEntryMustItselfBeConnected)
{
    WINRAS ras;
    Script("", "Home=0x2000|Office=1");
    char name[WINRAS_ENTRYNAME_SIZE] = "Office";
    EXPECT_FALSE(ras.IsConnected(name, sizeof name, nullptr));
    EXPECT_STREQ(name, "");  // the caller's buffer is cleared
    snprintf(name, sizeof name, "Home");
    EXPECT_TRUE(ras.IsConnected(name, sizeof name, nullptr));
    EXPECT_STREQ(name, "Home");
    snprintf(name, sizeof name, "home");  // names are compared byte for byte
    EXPECT_FALSE(ras.IsConnected(name, sizeof name, nullptr));
}

TEST_F(STANDIN, NamesFillingTheWholeBufferAreRefused)
{
    WINRAS ras;
    std::string longest(WINRAS_ENTRYNAME_SIZE - 1, 'n');
    Script("", (longest + "=0x2000|" + longest + "n=0x2000").c_str());
    char buffer[WINRAS_ENTRYNAME_SIZE + 16];
    memset(buffer, 'n', sizeof buffer);  // no terminator within the given size
    buffer[sizeof buffer - 1] = 'x';
    EXPECT_FALSE(ras.IsConnected(buffer, WINRAS_ENTRYNAME_SIZE, nullptr));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[sizeof buffer - 1], 'x');  // nothing touched behind the given size

    snprintf(buffer, WINRAS_ENTRYNAME_SIZE, "%s", longest.c_str());
    EXPECT_TRUE(ras.IsConnected(buffer, WINRAS_ENTRYNAME_SIZE, nullptr));
    EXPECT_EQ(std::string(buffer), longest);
}

TEST_F(STANDIN, TheLibraryLivesAsLongAsTheObjects)
{
    EXPECT_EQ(GetModuleHandleA("fakerasapi.dll"), nullptr);
    {
        WINRAS first;
        WINRAS second(1);
        EXPECT_EQ(WINRAS::GetInstanceCount(), 2);
        EXPECT_NE(GetModuleHandleA("fakerasapi.dll"), nullptr);
    }
    EXPECT_EQ(WINRAS::GetInstanceCount(), 0);
    EXPECT_EQ(GetModuleHandleA("fakerasapi.dll"), nullptr);
}
