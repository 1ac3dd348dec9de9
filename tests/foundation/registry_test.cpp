// REGISTRY on Wine's registry below a scratch key, and the autostart value of the
// Run key.
#include "registry.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "logcapture.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace {

const char KELVO_KEY[] = "Software\\Kelvo";

bool key_exists(HKEY root, const std::string& path)
{
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// The raw bytes and type of a value, read without the class under test.
bool raw_value(HKEY root, const std::string& path, const char* name, std::string* data,
               DWORD* type = nullptr)
{
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    char buf[16384];
    DWORD size = sizeof buf, t = 0;
    LONG rc = RegQueryValueExA(k, name, nullptr, &t, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return false;
    data->assign(buf, size);
    if (type) *type = t;
    return true;
}

class Registry : public testing::Test {
protected:
    void SetUp() override
    {
        char name[64];
        snprintf(name, sizeof name, "Test%lu_%lu", GetCurrentProcessId(), GetTickCount());
        app = name;
        path = std::string(KELVO_KEY) + "\\" + app;
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(k);
    }
    void TearDown() override
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
        // The maker's key itself goes only when nothing else lives in it.
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, KELVO_KEY);
        EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path));
    }
    std::string app;
    std::string path;
};

}  // namespace

TEST_F(Registry, UserArgumentChoosesTheRoot)
{
    {
        REGISTRY reg(app.c_str(), "Software\\Kelvo\\", REGISTRY_CURRENTUSER);
        ASSERT_TRUE(reg.IsOpen());
        EXPECT_EQ(reg.Root(), HKEY_CURRENT_USER);
        EXPECT_STREQ(reg.KeyPath().Text(), path.c_str());
        EXPECT_TRUE(reg.Write("where", "user"));
    }
    std::string data;
    ASSERT_TRUE(raw_value(HKEY_CURRENT_USER, path, "where", &data));
    EXPECT_EQ(data, std::string("user", 5));

    {
        REGISTRY reg(app.c_str(), "Software\\Kelvo", REGISTRY_LOCALMACHINE);
        ASSERT_TRUE(reg.IsOpen());
        EXPECT_EQ(reg.Root(), HKEY_LOCAL_MACHINE);
        EXPECT_TRUE(reg.Write("where", "machine"));
    }
    ASSERT_TRUE(raw_value(HKEY_LOCAL_MACHINE, path, "where", &data));
    EXPECT_EQ(data, std::string("machine", 8));

    {
        std::string sub = app + "\\Root";
        REGISTRY reg(sub.c_str(), "Software\\Kelvo",
                     reinterpret_cast<INT_PTR>(HKEY_CURRENT_USER));
        ASSERT_TRUE(reg.IsOpen());
        EXPECT_EQ(reg.Root(), HKEY_CURRENT_USER);
    }
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, path + "\\Root"));
}

TEST_F(Registry, AppInAngleBracketsIsRefused)
{
    LOGCAPTURE log(2);
    int before = AssertCount();
    REGISTRY reg("<app>", "Software\\Kelvo", REGISTRY_CURRENTUSER);
    EXPECT_EQ(AssertCount(), before + 1);
    EXPECT_STREQ(AssertLastCondition(), "app[0]!='<'");
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_TRUE(reg.Read("x").IsNull());
    EXPECT_FALSE(reg.Write("x", "y"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\Kelvo\\<app>"));
    EXPECT_NE(log.Text().find(
                  "REGISTRY::Constructor failed for app=<app>, basekey=Software\\Kelvo, user=1\r\n"),
              std::string::npos)
        << log.Text();
}

TEST_F(Registry, ModesOpenReadWriteOrCreate)
{
    {
        REGISTRY seed(HKEY_CURRENT_USER, KELVO_KEY, app.c_str(), REGISTRY_CREATE);
        ASSERT_TRUE(seed.IsOpen());
        EXPECT_TRUE(seed.Write("v", "1"));
    }
    {
        REGISTRY reader(HKEY_CURRENT_USER, KELVO_KEY, app.c_str(), REGISTRY_READ);
        ASSERT_TRUE(reader.IsOpen());
        EXPECT_STREQ(reader.Read("v").Text(), "1");
        EXPECT_FALSE(reader.Write("v", "2"));
        EXPECT_EQ(reader.LastError(), ERROR_ACCESS_DENIED);
    }
    {
        REGISTRY writer(HKEY_CURRENT_USER, KELVO_KEY, app.c_str(), REGISTRY_WRITE);
        ASSERT_TRUE(writer.IsOpen());
        EXPECT_TRUE(writer.Write("v", "3"));
    }
    std::string data;
    ASSERT_TRUE(raw_value(HKEY_CURRENT_USER, path, "v", &data));
    EXPECT_EQ(data, std::string("3", 2));

    std::string missing = app + "\\Missing";
    {
        REGISTRY reader(HKEY_CURRENT_USER, KELVO_KEY, missing.c_str(), REGISTRY_READ);
        EXPECT_FALSE(reader.IsOpen());
        EXPECT_EQ(reader.LastError(), ERROR_FILE_NOT_FOUND);
        EXPECT_TRUE(reader.Read("v").IsNull());
        REGISTRY writer(HKEY_CURRENT_USER, KELVO_KEY, missing.c_str(), REGISTRY_WRITE);
        EXPECT_FALSE(writer.IsOpen());
    }
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path + "\\Missing"));
    {
        REGISTRY creator(HKEY_CURRENT_USER, KELVO_KEY, missing.c_str(), REGISTRY_CREATE);
        EXPECT_TRUE(creator.IsOpen());
    }
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, path + "\\Missing"));

    int before = AssertCount();
    std::string other = app + "\\Other";
    REGISTRY bad(HKEY_CURRENT_USER, KELVO_KEY, other.c_str(), 259);
    EXPECT_EQ(AssertCount(), before + 1);
    EXPECT_STREQ(AssertLastCondition(), "FALSE");
    EXPECT_FALSE(bad.IsOpen());
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path + "\\Other"));
}

TEST_F(Registry, KeyPathJoining)
{
    EXPECT_STREQ(REGISTRY::JoinKeyPath("Software\\Kelvo\\", "Horalink").Text(),
                 "Software\\Kelvo\\Horalink");
    EXPECT_STREQ(REGISTRY::JoinKeyPath("Software\\Kelvo", "Horalink").Text(),
                 "Software\\Kelvo\\Horalink");
    EXPECT_STREQ(REGISTRY::JoinKeyPath("Software\\Kelvo", "\\\\Horalink\\\\").Text(),
                 "Software\\Kelvo\\Horalink");
    EXPECT_STREQ(REGISTRY::JoinKeyPath("Software\\Kelvo\\", "").Text(), "Software\\Kelvo");
    EXPECT_STREQ(REGISTRY::JoinKeyPath("Software\\Kelvo", nullptr).Text(), "Software\\Kelvo");
    EXPECT_STREQ(REGISTRY::JoinKeyPath("", "\\Horalink").Text(), "Horalink");
    EXPECT_STREQ(REGISTRY::JoinKeyPath(nullptr, "A\\B\\").Text(), "A\\B");

    std::string messy = "\\\\" + app + "\\Sub\\\\";
    {
        REGISTRY reg(messy.c_str(), "Software\\Kelvo\\", REGISTRY_CURRENTUSER);
        ASSERT_TRUE(reg.IsOpen());
        EXPECT_STREQ(reg.KeyPath().Text(), (path + "\\Sub").c_str());
    }
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, path + "\\Sub"));
}

TEST_F(Registry, TextValuesAreStoredTerminatedAndReadWithout)
{
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(reg.Write("text", "C:\\Program Files\\Kelvo"));
    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(raw_value(HKEY_CURRENT_USER, path, "text", &data, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string("C:\\Program Files\\Kelvo", 23));
    STRING back = reg.Read("text");
    EXPECT_EQ(back.Length(), 22);
    EXPECT_STREQ(back.Text(), "C:\\Program Files\\Kelvo");

    ASSERT_TRUE(reg.Write("empty", ""));
    STRING empty = reg.Read("empty");
    EXPECT_TRUE(empty.NotNull());
    EXPECT_EQ(empty.Length(), 0);
    EXPECT_TRUE(reg.Read("missing").IsNull());
    EXPECT_EQ(reg.LastError(), ERROR_FILE_NOT_FOUND);

    // A text written by another program without its terminator reads the same.
    HKEY k = reg.Key();
    ASSERT_EQ(RegSetValueExA(k, "bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
              ERROR_SUCCESS);
    EXPECT_STREQ(reg.Read("bare").Text(), "abc");
}

TEST_F(Registry, RawReadTerminatesShortTextsAndReportsSize)
{
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(RegSetValueExA(reg.Key(), "bare", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>("abcd"), 4) == ERROR_SUCCESS);
    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    DWORD size = sizeof buffer;
    ASSERT_TRUE(reg.Read("bare", buffer, &size));
    // Windows reports the 4 stored bytes; Wine appends the terminator itself and counts it.
    EXPECT_TRUE(size == 4u || size == 5u) << size;
    EXPECT_STREQ(buffer, "abcd");

    char small[3];
    size = sizeof small;
    EXPECT_FALSE(reg.Read("bare", small, &size));
    EXPECT_EQ(reg.LastError(), ERROR_MORE_DATA);
    EXPECT_GE(size, 4u);
    size = sizeof buffer;
    EXPECT_FALSE(reg.Read("missing", buffer, &size));
}

TEST_F(Registry, BinaryRoundTripKeepsEveryByte)
{
    std::string bytes;
    for (int i = 0; i < 256; i++) bytes.push_back(static_cast<char>(i));
    bytes.append(3, '\0');  // trailing zeros belong to binary data
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(reg.Write("bin", bytes.data(), static_cast<int>(bytes.size())));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(raw_value(HKEY_CURRENT_USER, path, "bin", &data, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(data, bytes);
    STRING back = reg.Read("bin");
    ASSERT_EQ(back.Length(), static_cast<int>(bytes.size()));
    EXPECT_EQ(std::string(back.Data(), back.Length()), bytes);

    ASSERT_TRUE(reg.Write("nothing", nullptr, 0));
    STRING none = reg.Read("nothing");
    EXPECT_TRUE(none.NotNull());
    EXPECT_EQ(none.Length(), 0);

    int before = AssertCount();
    EXPECT_FALSE(reg.Write("bad", bytes.data(), -1));
    EXPECT_EQ(AssertCount(), before + 1);
}

TEST_F(Registry, LongValuesAreCutTo8192Bytes)
{
    std::string bytes(10000, '\0');
    for (size_t i = 0; i < bytes.size(); i++) bytes[i] = static_cast<char>('a' + i % 26);
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(reg.Write("long", bytes.data(), static_cast<int>(bytes.size())));
    STRING back = reg.Read("long");
    ASSERT_EQ(back.Length(), 8192);
    EXPECT_EQ(std::string(back.Data(), 8192), bytes.substr(0, 8192));
}

TEST_F(Registry, ValueNamesInBothForms)
{
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    std::string longest(511, 'n');
    std::string toolong(600, 'm');
    std::set<std::string> expected = {"alpha", "beta", "gamma", longest};
    for (const std::string& n : expected) ASSERT_TRUE(reg.Write(n.c_str(), "x"));
    ASSERT_TRUE(reg.Write(toolong.c_str(), "x"));

    STRINGARRAY names = reg.ValueNames();
    std::set<std::string> seen;
    for (int i = 0; i < names.GetCount(); i++) seen.insert(names[i].Text());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(names.GetCount(), 4);

    STRING joined;
    EXPECT_EQ(reg.ValueNames(joined), 4);
    std::string j = joined.Text();
    EXPECT_EQ(std::count(j.begin(), j.end(), '|'), 3);
    std::set<std::string> fromjoined;
    size_t start = 0;
    for (size_t bar; (bar = j.find('|', start)) != std::string::npos; start = bar + 1)
        fromjoined.insert(j.substr(start, bar - start));
    fromjoined.insert(j.substr(start));
    EXPECT_EQ(fromjoined, expected);

    REGISTRY empty((app + "\\Empty").c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    EXPECT_EQ(empty.ValueNames(joined), 0);
    EXPECT_TRUE(joined.NotNull());
    EXPECT_EQ(joined.Length(), 0);
}

TEST_F(Registry, DeletingValuesAndKeys)
{
    LOGCAPTURE log(2);
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(reg.Write("alpha", "1"));
    EXPECT_TRUE(reg.Delete("alpha"));
    EXPECT_TRUE(reg.Read("alpha").IsNull());
    EXPECT_FALSE(reg.Delete("alpha"));
    EXPECT_EQ(reg.LastError(), ERROR_FILE_NOT_FOUND);

    {
        REGISTRY deep((app + "\\Tree\\Branch\\Leaf").c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
        ASSERT_TRUE(deep.Write("v", "1"));
        REGISTRY branch((app + "\\Tree").c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
        ASSERT_TRUE(branch.Write("w", "2"));
        REGISTRY lone((app + "\\Lone").c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    }
    EXPECT_FALSE(reg.Delete("Tree", false));  // not empty: stays
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, path + "\\Tree\\Branch\\Leaf"));
    EXPECT_TRUE(reg.Delete("Tree", true));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path + "\\Tree"));
    EXPECT_TRUE(reg.Delete("Lone", false));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path + "\\Lone"));

    // An empty name would empty the key itself.
    ASSERT_TRUE(reg.Write("keep", "1"));
    int before = AssertCount();
    EXPECT_FALSE(reg.Delete("", true));
    EXPECT_EQ(AssertCount(), before + 1);
    EXPECT_STREQ(reg.Read("keep").Text(), "1");

    const std::string& text = log.Text();
    EXPECT_NE(text.find("REGISTRY::Write String value= alpha; data=1, error=00000000\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("REGISTRY::delete value= alpha, error=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("REGISTRY::delete value= alpha, error=2\r\n"), std::string::npos);
    EXPECT_NE(text.find("REGISTRY::Read key=alpha, ok=0, error=2\r\n"), std::string::npos);
    EXPECT_NE(text.find("REGISTRY::delete key= Tree, error=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("REGISTRY::delete key= Lone, error=0\r\n"), std::string::npos);
}

TEST_F(Registry, BinaryWriteLogLine)
{
    LOGCAPTURE log(2);
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(reg.Write("bin", "\x01\x02", 2));
    EXPECT_NE(log.Text().find("REGISTRY::Write binary value= bin, error=00000000\r\n"),
              std::string::npos)
        << log.Text();
}

// ---------------------------------------------------------------- autostart

namespace {

const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class AutoStart : public testing::Test {
protected:
    void SetUp() override
    {
        char buf[64];
        snprintf(buf, sizeof buf, "KelvoTest%lu", GetCurrentProcessId());
        name = buf;
        ASSERT_FALSE(raw_value(HKEY_CURRENT_USER, RUN_KEY, name.c_str(), &data));
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, sizeof path);
        self = path;
    }
    void TearDown() override
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
            RegDeleteValueA(k, name.c_str());
            RegCloseKey(k);
        }
        EXPECT_FALSE(raw_value(HKEY_CURRENT_USER, RUN_KEY, name.c_str(), &data));
    }
    std::string Stored()
    {
        if (!raw_value(HKEY_CURRENT_USER, RUN_KEY, name.c_str(), &data)) return "<missing>";
        return std::string(data.c_str());
    }
    std::string name;
    std::string self;
    std::string data;
};

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return toupper(c); });
    return s;
}

}  // namespace

TEST_F(AutoStart, SelfIsWrittenAsQuotedProgramPath)
{
    std::string quoted = "\"" + self + "\"";
    ASSERT_TRUE(SetAutoStart(name.c_str(), "<self>"));
    EXPECT_EQ(Stored(), quoted);
    ASSERT_TRUE(SetAutoStart(name.c_str(), nullptr));
    EXPECT_EQ(Stored(), "<missing>");

    ASSERT_TRUE(SetAutoStart(name.c_str(), "<ownfile>"));
    EXPECT_EQ(Stored(), quoted);
    ASSERT_TRUE(SetAutoStart(name.c_str(), "x"));
    ASSERT_TRUE(SetAutoStart(name.c_str(), upper(self).c_str()));
    EXPECT_EQ(Stored(), quoted);
    ASSERT_TRUE(SetAutoStart(name.c_str(), "x"));
    ASSERT_TRUE(SetAutoStart(name.c_str(), true));
    EXPECT_EQ(Stored(), quoted);
    ASSERT_TRUE(SetAutoStart(name.c_str(), false));
    EXPECT_EQ(Stored(), "<missing>");
}

TEST_F(AutoStart, OtherCommandsAreWrittenAsGivenAndRemovalIsIdempotent)
{
    ASSERT_TRUE(SetAutoStart(name.c_str(), "\"C:\\Program Files\\Kelvo\\horalink.exe\" /MIN"));
    EXPECT_EQ(Stored(), "\"C:\\Program Files\\Kelvo\\horalink.exe\" /MIN");
    EXPECT_TRUE(SetAutoStart(name.c_str(), nullptr));
    EXPECT_TRUE(SetAutoStart(name.c_str(), nullptr));
    EXPECT_EQ(Stored(), "<missing>");

    int before = AssertCount();
    EXPECT_FALSE(SetAutoStart(nullptr, "x"));
    EXPECT_FALSE(SetAutoStart("", "x"));
    EXPECT_EQ(AssertCount(), before + 2);
}
