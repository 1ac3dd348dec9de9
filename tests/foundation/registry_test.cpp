// REGISTRY on Wine's registry below a scratch key, and the autostart value of the
// Run key.
#include "registry.h"

#include "configfiles.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "reports.h"
#include "scratchkey.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace {

const char KELVO_KEY[] = "Software\\Kelvo";
const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool key_exists(HKEY root, const std::string& path)
{
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// The raw bytes of a value, read without the class under test; "<missing>" when absent.
std::string raw_value(HKEY root, const std::string& path, const char* name, DWORD* type = nullptr)
{
    char buf[16384];
    DWORD size = sizeof buf;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, type, buf, &size) != ERROR_SUCCESS)
        return "<missing>";
    return std::string(buf, size);
}

class Registry : public testing::Test {
protected:
    void TearDown() override
    {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, KELVO_KEY);  // only when nothing else lives in it
    }
    SCRATCHKEY scratch;  // removed below HKEY_CURRENT_USER at the end
    std::string app = scratch.Name();
    std::string path = scratch.Path();
    REPORTS reports;
};

}  // namespace

TEST_F(Registry, UserArgumentChoosesTheRootAndAngleBracketsAreRefused)
{
    {
        REGISTRY user(app.c_str(), "Software\\Kelvo\\", REGISTRY_CURRENTUSER);
        EXPECT_EQ(user.Root(), HKEY_CURRENT_USER);
        EXPECT_STREQ(user.KeyPath().Text(), path.c_str());
        EXPECT_TRUE(user.Write("where", "user"));
        REGISTRY machine(app.c_str(), "Software\\Kelvo", REGISTRY_LOCALMACHINE);
        EXPECT_TRUE(machine.Write("where", "machine"));
        REGISTRY root((app + "\\Root").c_str(), KELVO_KEY, reinterpret_cast<INT_PTR>(HKEY_CURRENT_USER));
        EXPECT_TRUE(root.IsOpen());
    }
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, path, "where"), std::string("user", 5));
    EXPECT_EQ(raw_value(HKEY_LOCAL_MACHINE, path, "where"), std::string("machine", 8));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, path + "\\Root"));

    LOGCAPTURE log(2);
    REGISTRY refused("<app>", KELVO_KEY, REGISTRY_CURRENTUSER);
    EXPECT_TRUE(reports.Were(1, "app[0]!='<'"));
    EXPECT_TRUE(refused.Read("x").IsNull());
    EXPECT_FALSE(refused.Write("x", "y"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\Kelvo\\<app>"));
    EXPECT_NE(log.Text().find(
                  "] REGISTRY::Constructor failed for app=<app>, basekey=Software\\Kelvo, user=1\r\n"),
              std::string::npos)
        << log.Text();
}

TEST_F(Registry, ModesOpenReadWriteOrCreate)
{
    std::string sub = app + "\\Sub";
    REGISTRY missing(HKEY_CURRENT_USER, KELVO_KEY, sub.c_str(), REGISTRY_READ);
    EXPECT_EQ(missing.LastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(REGISTRY(HKEY_CURRENT_USER, KELVO_KEY, sub.c_str(), REGISTRY_WRITE).IsOpen());
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path + "\\Sub"));
    EXPECT_TRUE(REGISTRY(HKEY_CURRENT_USER, KELVO_KEY, sub.c_str(), REGISTRY_CREATE).Write("v", "1"));
    REGISTRY reader(HKEY_CURRENT_USER, KELVO_KEY, sub.c_str(), REGISTRY_READ);
    EXPECT_STREQ(reader.Read("v").Text(), "1");
    EXPECT_FALSE(reader.Write("v", "2"));
    EXPECT_EQ(reader.LastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(REGISTRY(HKEY_CURRENT_USER, KELVO_KEY, sub.c_str(), REGISTRY_WRITE).Write("v", "3"));
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, path + "\\Sub", "v"), std::string("3", 2));
    REGISTRY bad(HKEY_CURRENT_USER, KELVO_KEY, (app + "\\Other").c_str(), 259);
    EXPECT_TRUE(reports.Were(1, "FALSE"));
    EXPECT_FALSE(bad.IsOpen());
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path + "\\Other"));
}

TEST_F(Registry, KeyPathJoining)
{
    const char* cases[][3] = {{"Software\\Kelvo\\", "Horalink", "Software\\Kelvo\\Horalink"},
                              {"Software\\Kelvo", "\\\\Horalink\\\\", "Software\\Kelvo\\Horalink"},
                              {"Software\\Kelvo\\", "", "Software\\Kelvo"},
                              {"Software\\Kelvo", nullptr, "Software\\Kelvo"},
                              {"", "\\Horalink", "Horalink"},
                              {nullptr, "A\\B\\", "A\\B"}};
    for (const auto& c : cases) EXPECT_STREQ(REGISTRY::JoinKeyPath(c[0], c[1]).Text(), c[2]) << c[2];
    REGISTRY reg(("\\\\" + app + "\\Sub\\\\").c_str(), "Software\\Kelvo\\", REGISTRY_CURRENTUSER);
    EXPECT_STREQ(reg.KeyPath().Text(), (path + "\\Sub").c_str());
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, path + "\\Sub"));
}

TEST_F(Registry, TextValuesAreStoredTerminatedAndReadWithout)
{
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(reg.Write("text", "C:\\Program Files\\Kelvo"));
    DWORD type = 0;
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, path, "text", &type), std::string("C:\\Program Files\\Kelvo", 23));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(reg.Read("text").Length(), 22);
    ASSERT_TRUE(reg.Write("empty", ""));
    EXPECT_EQ(DumpValue(reg.Read("empty")), "");  // empty, not null
    EXPECT_TRUE(reg.Read("missing").IsNull());
    EXPECT_EQ(reg.LastError(), ERROR_FILE_NOT_FOUND);

    // A text written by another program without its terminator reads the same.
    ASSERT_EQ(RegSetValueExA(reg.Key(), "bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcd"), 4),
              ERROR_SUCCESS);
    EXPECT_STREQ(reg.Read("bare").Text(), "abcd");
    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    DWORD size = sizeof buffer;
    ASSERT_TRUE(reg.Read("bare", buffer, &size));
    EXPECT_TRUE(size == 4u || size == 5u) << size;  // Wine appends the terminator and counts it
    EXPECT_STREQ(buffer, "abcd");
    size = 3;
    EXPECT_FALSE(reg.Read("bare", buffer, &size));
    EXPECT_EQ(reg.LastError(), ERROR_MORE_DATA);
    EXPECT_GE(size, 4u);
}

TEST_F(Registry, BinaryValuesRoundTripAndLongOnesAreCutTo8192Bytes)
{
    std::string bytes;
    for (int i = 0; i < 256; i++) bytes.push_back(static_cast<char>(i));
    bytes.append(3, '\0');  // trailing zeros belong to binary data
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(reg.Write("bin", bytes.data(), static_cast<int>(bytes.size())));
    DWORD type = 0;
    EXPECT_EQ(raw_value(HKEY_CURRENT_USER, path, "bin", &type), bytes);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(BytesOf(reg.Read("bin")), bytes);
    ASSERT_TRUE(reg.Write("nothing", nullptr, 0));
    EXPECT_TRUE(reg.Read("nothing").NotNull());
    EXPECT_FALSE(reg.Write("bad", bytes.data(), -1));
    EXPECT_TRUE(reports.Were(1));

    std::string text(10000, 'a');
    for (size_t i = 0; i < text.size(); i++) text[i] = static_cast<char>('a' + i % 26);
    ASSERT_TRUE(reg.Write("long", text.data(), static_cast<int>(text.size())));
    EXPECT_EQ(BytesOf(reg.Read("long")), text.substr(0, 8192));
}

TEST_F(Registry, ValueNamesInBothForms)
{
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    std::set<std::string> expected = {"alpha", "beta", "gamma", std::string(511, 'n')};
    for (const std::string& n : expected) ASSERT_TRUE(reg.Write(n.c_str(), "x"));
    ASSERT_TRUE(reg.Write(std::string(600, 'm').c_str(), "x"));  // passed over
    auto set_of = [](const STRINGARRAY& names) {
        std::set<std::string> seen;
        for (int i = 0; i < names.GetCount(); i++) seen.insert(names.GetItem(i)->Text());
        return seen;
    };
    STRINGARRAY names = reg.ValueNames();
    EXPECT_EQ(names.GetCount(), 4);
    EXPECT_EQ(set_of(names), expected);
    STRING joined;
    EXPECT_EQ(reg.ValueNames(joined), 4);
    EXPECT_EQ(set_of(STRINGARRAY(joined, "|")), expected);
    REGISTRY empty((app + "\\Empty").c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    EXPECT_EQ(empty.ValueNames(joined), 0);
    EXPECT_STREQ(joined.Text(), "");
}

TEST_F(Registry, DeletingValuesAndKeysAndTheLogLines)
{
    LOGCAPTURE log(2);
    REGISTRY reg(app.c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    ASSERT_TRUE(reg.Write("alpha", "1"));
    ASSERT_TRUE(reg.Write("bin", "\x01\x02", 2));
    EXPECT_TRUE(reg.Delete("alpha"));
    EXPECT_TRUE(reg.Read("alpha").IsNull());
    EXPECT_FALSE(reg.Delete("alpha"));
    EXPECT_EQ(reg.LastError(), ERROR_FILE_NOT_FOUND);
    {
        REGISTRY deep((app + "\\Tree\\Branch\\Leaf").c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
        REGISTRY lone((app + "\\Lone").c_str(), KELVO_KEY, REGISTRY_CURRENTUSER);
    }
    EXPECT_FALSE(reg.Delete("Tree", false));  // not empty: stays
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, path + "\\Tree\\Branch\\Leaf"));
    EXPECT_TRUE(reg.Delete("Tree", true));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path + "\\Tree"));
    EXPECT_TRUE(reg.Delete("Lone", false));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, path + "\\Lone"));
    EXPECT_FALSE(reg.Delete("", true));  // an empty name would empty the key itself
    EXPECT_TRUE(reports.Were(1));
    EXPECT_STREQ(reg.Read("bin").Text(), "\x01\x02");

    const std::string& text = log.Text();
    for (const char* line :
         {"REGISTRY::Write String value= alpha; data=1, error=00000000",
          "REGISTRY::Write binary value= bin, error=00000000", "REGISTRY::delete value= alpha, error=0",
          "REGISTRY::delete value= alpha, error=2", "REGISTRY::Read key=alpha, ok=0, error=2",
          "REGISTRY::delete key= Tree, error=0"})
        EXPECT_NE(text.find("] " + std::string(line) + "\r\n"), std::string::npos) << line << "\n" << text;
}

TEST(AutoStart, SelfIsWrittenAsQuotedProgramPathOthersAsGivenAndNullRemoves)
{
    std::string name = "KelvoTest" + std::to_string(GetCurrentProcessId());
    std::string quoted = "\"" + std::string(KELVOAPP::ProgramPath()) + "\"";
    std::string upper = KELVOAPP::ProgramPath();
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return toupper(c); });
    auto stored = [&name]() {
        std::string value = raw_value(HKEY_CURRENT_USER, RUN_KEY, name.c_str());
        return value.substr(0, value.find('\0'));
    };
    ASSERT_EQ(stored(), "<missing>");
    for (const char* self : {"<self>", "<ownfile>", upper.c_str()}) {
        EXPECT_TRUE(SetAutoStart(name.c_str(), "x"));
        EXPECT_TRUE(SetAutoStart(name.c_str(), self));
        EXPECT_EQ(stored(), quoted) << self;
    }
    EXPECT_TRUE(SetAutoStart(name.c_str(), nullptr));
    EXPECT_EQ(stored(), "<missing>");
    EXPECT_TRUE(SetAutoStart(name.c_str(), nullptr));  // removing again is no failure
    EXPECT_TRUE(SetAutoStart(name.c_str(), true));
    EXPECT_EQ(stored(), quoted);
    EXPECT_TRUE(SetAutoStart(name.c_str(), "\"C:\\Program Files\\Kelvo\\horalink.exe\" /MIN"));
    EXPECT_EQ(stored(), "\"C:\\Program Files\\Kelvo\\horalink.exe\" /MIN");
    EXPECT_TRUE(SetAutoStart(name.c_str(), false));
    EXPECT_EQ(stored(), "<missing>");

    REPORTS reports;
    EXPECT_FALSE(SetAutoStart(nullptr, "x"));
    EXPECT_FALSE(SetAutoStart("", "x"));
    EXPECT_TRUE(reports.Were(2));
}
