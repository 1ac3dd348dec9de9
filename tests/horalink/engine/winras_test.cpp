// WINRAS: the remote-access library loaded at run time, against Wine's own library
// (which knows no connections), a missing library, and a stand-in with scripted
// phonebook entries and connections.
#include "fakeras.h"
#include "kelvo.h"
#include "testfiles.h"
#include "winras.h"

#include <gtest/gtest.h>

#include <string>

TEST(WinRas, WinesLibraryLoadsAndKnowsNoConnections)
{
    WINRAS ras;
    EXPECT_TRUE(ras.Available());
    EXPECT_STREQ(ras.GetEntryList().Text(), "");
    char name[WINRAS_ENTRYNAME_SIZE] = "";
    EXPECT_FALSE(ras.IsConnected(name, sizeof name, nullptr));
}

TEST(WinRas, AMissingLibraryAnswersNothingAndALoadedOneLivesAsLongAsTheObjects)
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

    // A library that loads lives as long as the objects.
    WINRAS::SetLibraryName((TestProgramDir() + "\\fakerasapi.dll").c_str());
    EXPECT_EQ(GetModuleHandleA("fakerasapi.dll"), nullptr);
    {
        WINRAS first;
        WINRAS second(1);
        EXPECT_EQ(WINRAS::GetInstanceCount(), 2);
        EXPECT_NE(GetModuleHandleA("fakerasapi.dll"), nullptr);
    }
    EXPECT_EQ(WINRAS::GetInstanceCount(), 0);
    EXPECT_EQ(GetModuleHandleA("fakerasapi.dll"), nullptr);
    WINRAS::SetLibraryName(nullptr);
}

// The phone book's entries joined by bars. Without a name the first connection counts,
// with one the first of that name (byte for byte); either must itself be connected. The
// caller's buffer gets the entry's name.
TEST(WinRas, EntriesAndConnectedEntries)
{
    FAKERAS fake;
    WINRAS ras;
    ASSERT_TRUE(fake.Script("Office|Home|Mobile", ""));
    EXPECT_STREQ(ras.GetEntryList().Text(), "Office|Home|Mobile");
    EXPECT_EQ(WINRAS::SplitEntryList(ras.GetEntryList()).GetCount(), 3);
    struct {
        const char* connections;
        const char* asked;
        bool connected;
        const char* name;
    } cases[] = {{"Dialling=0|Office=0x2000", "", false, ""},
                 {"Office=0x2000|Dialling=0", "", true, "Office"},
                 {"Home=0x2000|Office=1", "Office", false, ""},
                 {"Home=0x2000|Office=1", "Home", true, "Home"},
                 {"Home=0x2000|Office=1", "home", false, ""}};
    for (const auto& c : cases) {
        ASSERT_TRUE(fake.Script("", c.connections));
        char name[WINRAS_ENTRYNAME_SIZE];
        snprintf(name, sizeof name, "%s", c.asked);
        HRASCONN handle = reinterpret_cast<HRASCONN>(1);
        EXPECT_EQ(ras.IsConnected(name, sizeof name, &handle), c.connected) << c.connections << c.asked;
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(handle != nullptr, c.connected);
    }
}

TEST(WinRas, NamesFillingTheWholeBufferAreRefused)
{
    FAKERAS fake;
    WINRAS ras;
    std::string longest(WINRAS_ENTRYNAME_SIZE - 1, 'n');
    ASSERT_TRUE(fake.Script("", (longest + "=0x2000|" + longest + "n=0x2000").c_str()));
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
