// The program settings: the first start's file byte for byte, defaults that fill
// only missing keys, keys that differ in case, the move of an old file into the
// data folder, the LAN flags, the stored clock font and the offered server list.
#include "clockfont.h"
#include "configfiles.h"
#include "enginetest.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "reports.h"
#include "serverlist.h"
#include "settings.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// The moment of the tests' "now": 2023-11-14 22:13:20 UTC.
const unsigned long NOW = 1700000000ul;

class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
    }
    void TearDown() override { KELVOAPP::FreeLanguageLibrary(); }

    std::string File() { return dir.File("horalink.cfg"); }
    // Reads a settings file with the given lines (CR LF line ends, as written on Windows).
    void ReadLines(const std::string& lines)
    {
        ASSERT_TRUE(WriteFileBytes(File(), lines));
        ASSERT_TRUE(SETTINGS::Read(settings, dir.Path().c_str(), NOW));
    }
    // The keys of the saved file, one per line, as they stand there.
    int LinesStartingWith(const std::string& text, const std::string& prefix)
    {
        int n = 0;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            if (_strnicmp(text.c_str() + pos, prefix.c_str(), prefix.size()) == 0) n++;
            pos = end + 1;
        }
        return n;
    }

    TEMPDIR dir;
    HASH settings;
};

std::string golden(const char* name)
{
    const char* source = getenv("HORALINK_SOURCE_DIR");
    return ReadFileBytes(std::string("Z:") + (source ? source : "") + "/tests/horalink/data/" +
                         name);
}

TEST_F(Settings, FirstStartWritesEveryDefaultSortedWithCrLf)
{
    REPORTS reports;
    EXPECT_FALSE(SETTINGS::Read(settings, dir.Path().c_str(), NOW));
    EXPECT_TRUE(settings.IsLocked());
    SETTINGS::Apply(settings);
    ASSERT_TRUE(SETTINGS::Save(settings, dir.Path().c_str()));
    std::string expected = golden("firststart.cfg");
    ASSERT_FALSE(expected.empty()) << "golden file missing";
    EXPECT_TRUE(SameText(ReadFileBytes(File()), expected));
    EXPECT_TRUE(reports.Were(0));
}

TEST_F(Settings, DefaultsFillOnlyMissingKeysAndModeZeroIsStoredAsOne)
{
    ReadLines("Mode=0\r\nTimeServer=\r\nAgentTextCorrect=\r\nClockFont=\r\n"
              "NotifySoundFile=bell.wav\r\nTimeCyclic=3\r\n");
    EXPECT_STREQ(settings["Mode"].Text(), "0");
    SETTINGS::Apply(settings);
    EXPECT_STREQ(settings["Mode"].Text(), "1");
    // Empty values stay empty, except the font, which must be usable.
    EXPECT_TRUE(settings["TimeServer"].NotNull());
    EXPECT_STREQ(settings["TimeServer"].Text(), "");
    EXPECT_STREQ(settings["AgentTextCorrect"].Text(), "");
    EXPECT_TRUE(BytesOf(settings["ClockFont"]) == BytesOf(DefaultClockFont()));
    EXPECT_TRUE(settings["ClockFont"].GetFlags() & STRINGFLAG_BINARY);
    EXPECT_STREQ(settings["NotifySoundFile"].Text(), "bell.wav");
    EXPECT_STREQ(settings["TimeCyclic"].Text(), "3");
    // Missing keys got theirs.
    EXPECT_STREQ(settings["AgentTextNotCorrect"].Text(), "Your clock is off.");
    EXPECT_STREQ(settings["ConnectionType"].Text(), "-1");
    EXPECT_STREQ(settings["Version"].Text(), "0.00");
    ASSERT_TRUE(SETTINGS::Save(settings, dir.Path().c_str()));
    std::string saved = ReadFileBytes(File());
    EXPECT_NE(saved.find("\r\nMode=1\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nTimeServer=\r\n"), std::string::npos);
}

TEST_F(Settings, KeysDifferingInCaseAreOneEntry)
{
    ReadLines("TImeNextRefresh=123\r\nTimeLastValueMS=77\r\nlasttimeserver=old\r\n"
              "TIMESERVER=ntp.example\r\n");
    REPORTS reports;
    EXPECT_STREQ(settings["TimeNextRefresh"].Text(), "123");
    EXPECT_STREQ(settings["TimeLastValueMs"].Text(), "77");
    EXPECT_STREQ(settings["LastTimeServer"].Text(), "ntp.example");
    EXPECT_TRUE(reports.Were(0));
    ASSERT_TRUE(SETTINGS::Save(settings, dir.Path().c_str()));
    std::string saved = ReadFileBytes(File());
    EXPECT_EQ(LinesStartingWith(saved, "TimeNextRefresh="), 1);
    EXPECT_EQ(LinesStartingWith(saved, "TimeLastValueMs="), 1);
    EXPECT_EQ(LinesStartingWith(saved, "TimeServer="), 1);
    EXPECT_NE(saved.find("TImeNextRefresh=123\r\n"), std::string::npos);
}

TEST_F(Settings, TheZeroDeltaDefaultKeepsItsBlank)
{
    EXPECT_FALSE(SETTINGS::Read(settings, dir.Path().c_str(), NOW));
    EXPECT_STREQ(settings["TimeLastTimeDelta"].Text(), "00000000 00000000");
    ASSERT_TRUE(SETTINGS::Save(settings, dir.Path().c_str()));
    HASH again;
    ASSERT_TRUE(SETTINGS::Read(again, dir.Path().c_str(), NOW + 100));
    EXPECT_STREQ(again["TimeLastTimeDelta"].Text(), "00000000 00000000");
    // The times of the first start stay as they were written.
    EXPECT_STREQ(again["TimeNextRefresh"].Text(), "1700000000");
    EXPECT_STREQ(again["TimeLastRefresh"].Text(), "1699956800");
}

TEST_F(Settings, AReadOnlyTableReportsMisspeltKeys)
{
    EXPECT_FALSE(SETTINGS::Read(settings, dir.Path().c_str(), NOW));
    REPORTS reports;
    settings["TimeServr"];
    EXPECT_TRUE(reports.Were(1, "!this->LockTable", "TimeServr"));
}

TEST_F(Settings, ASaveIntoAMissingFolderFails)
{
    EXPECT_FALSE(SETTINGS::Read(settings, dir.Path().c_str(), NOW));
    EXPECT_FALSE(SETTINGS::Save(settings, dir.File("missing").c_str()));
    EXPECT_FALSE(FileExistsOnDisk(dir.File("missing\\horalink.cfg")));
}

TEST_F(Settings, LanFlagsFollowServerModeAndServing)
{
    EXPECT_FALSE(SETTINGS::Read(settings, dir.Path().c_str(), NOW));
    EXPECT_FALSE(SETTINGS::IsLanClient(settings));
    settings["TimeServer"] = "LanServer.Horalink.INVALID";
    EXPECT_TRUE(SETTINGS::IsLanClient(settings));
    settings["TimeServer"] = "lanserver.horalink.invalid.example";
    EXPECT_FALSE(SETTINGS::IsLanClient(settings));

    settings["LanDoServer"] = "1";
    EXPECT_FALSE(SETTINGS::IsLanServer(settings));  // Mode 1
    settings["Mode"] = "2";
    EXPECT_TRUE(SETTINGS::IsLanServer(settings));
    settings["LanDoServer"] = "0";
    EXPECT_FALSE(SETTINGS::IsLanServer(settings));
}

// ---------------------------------------------------------------- Migrate

class Migrate : public Settings {
protected:
    std::string Old() { return old.File("horalink.cfg"); }
    TEMPDIR old;
};

TEST_F(Migrate, MovesAnOldFileIntoTheDataFolder)
{
    ASSERT_TRUE(WriteFileBytes(Old(), "Mode=2\r\n"));
    LOGCAPTURE log;
    EXPECT_TRUE(SETTINGS::Migrate(dir.Path().c_str(), old.Path().c_str()));
    EXPECT_EQ(ReadFileBytes(File()), "Mode=2\r\n");
    EXPECT_FALSE(FileExistsOnDisk(Old()));
    const std::string& text = log.Text();
    // Whole lines of the log file (written with CR LF).
    size_t entered = text.find("] APP::Migrate entered\r\n");
    size_t work = text.find("] APP::Migrate - there is work to do\r\n");
    size_t finished = text.find("] APP::Migrate finished\r\n");
    ASSERT_NE(entered, std::string::npos);
    ASSERT_NE(work, std::string::npos);
    ASSERT_NE(finished, std::string::npos);
    EXPECT_LT(entered, work);
    EXPECT_LT(work, finished);
}

TEST_F(Migrate, NeverOverwritesTheDataFolderFile)
{
    ASSERT_TRUE(WriteFileBytes(Old(), "Mode=2\r\n"));
    ASSERT_TRUE(WriteFileBytes(File(), "Mode=1\r\n"));
    LOGCAPTURE log;
    EXPECT_FALSE(SETTINGS::Migrate(dir.Path().c_str(), old.Path().c_str()));
    EXPECT_EQ(ReadFileBytes(File()), "Mode=1\r\n");
    EXPECT_EQ(ReadFileBytes(Old()), "Mode=2\r\n");
    EXPECT_EQ(log.Text().find("there is work to do"), std::string::npos);
}

TEST_F(Migrate, AFailedCopyKeepsTheOldFile)
{
    ASSERT_TRUE(WriteFileBytes(Old(), "Mode=2\r\n"));
    std::string missing = dir.File("notthere");
    EXPECT_FALSE(SETTINGS::Migrate(missing.c_str(), old.Path().c_str()));
    EXPECT_EQ(ReadFileBytes(Old()), "Mode=2\r\n");
}

TEST_F(Migrate, TheCurrentFolderIsTheDefaultSource)
{
    ASSERT_TRUE(WriteFileBytes(Old(), "Mode=2\r\n"));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(old.Path().c_str()));
    bool moved = SETTINGS::Migrate(dir.Path().c_str());
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(moved);
    EXPECT_EQ(ReadFileBytes(File()), "Mode=2\r\n");
    EXPECT_FALSE(FileExistsOnDisk(Old()));
}

// ---------------------------------------------------------------- the engine's view

class SettingsSchedule : public ENGINETEST {
protected:
    TEMPDIR dir;
};

TEST_F(SettingsSchedule, AFileWithoutTimeNextRefreshIsDueAtOnce)
{
    ASSERT_TRUE(WriteFileBytes(dir.File("horalink.cfg"), "TimeCyclic=4\r\n"));
    ASSERT_TRUE(SETTINGS::Read(settings, dir.Path().c_str(), FROZEN_SECONDS));
    EXPECT_EQ(settings["TimeNextRefresh"].ToInt64(), static_cast<long long>(FROZEN_SECONDS));
    // The last update counts as half a day ago.
    EXPECT_EQ(settings["TimeLastRefresh"].ToInt64(),
              static_cast<long long>(FROZEN_SECONDS) - 43200);
    EXPECT_EQ(engine.NeedsRefresh(), 1);
}

TEST_F(SettingsSchedule, AStoredTimeNextRefreshIsKept)
{
    ASSERT_TRUE(WriteFileBytes(dir.File("horalink.cfg"), "TimeCyclic=4\r\nTimeNextRefresh=" +
                                                            std::to_string(FROZEN_SECONDS + 600) +
                                                            "\r\n"));
    ASSERT_TRUE(SETTINGS::Read(settings, dir.Path().c_str(), FROZEN_SECONDS));
    EXPECT_EQ(engine.NeedsRefresh(), 0);
}

// ---------------------------------------------------------------- clock font

TEST(ClockFont, DefaultIsBoldArialAsOneBinaryLogfont)
{
    STRING value = DefaultClockFont();
    EXPECT_EQ(value.Length(), 60);
    EXPECT_TRUE(value.GetFlags() & STRINGFLAG_BINARY);
    LOGFONTA font;
    ASSERT_TRUE(ClockFontFromValue(value, &font));
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, 18);
    EXPECT_EQ(font.lfWeight, 700);

    HASH table;
    table["ClockFont"] = value;
    std::string text = table.Text().Text();
    EXPECT_EQ(text.rfind("ClockFont=={{", 0), 0u) << text;
    HASH back(table.Text());
    EXPECT_TRUE(BytesOf(back["ClockFont"]) == BytesOf(value));
}

TEST(ClockFont, OnlyACompleteLogfontIsTaken)
{
    LOGFONTA font = {};
    font.lfHeight = -33;
    strcpy(font.lfFaceName, "Courier New");
    LOGFONTA read;
    ASSERT_TRUE(ClockFontFromValue(ClockFontValue(font), &read));
    EXPECT_EQ(read.lfHeight, -33);
    EXPECT_STREQ(read.lfFaceName, "Courier New");

    LOGFONTA untouched = {};
    untouched.lfHeight = 5;
    EXPECT_FALSE(ClockFontFromValue(STRING(""), &untouched));
    EXPECT_FALSE(ClockFontFromValue(ClockFontValue(font).Left(59), &untouched));
    memset(font.lfFaceName, 'x', sizeof font.lfFaceName);
    EXPECT_FALSE(ClockFontFromValue(ClockFontValue(font), &untouched));
    EXPECT_EQ(untouched.lfHeight, 5);
}

// ---------------------------------------------------------------- server list

TEST_F(Settings, TheServerListsOfBothLanguagesOfferTheSameServers)
{
    HASHLIST english = ServerList();
    KELVOAPP::FreeLanguageLibrary();
    KELVOAPP::SetLanguageCode(7);
    LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
    HASHLIST german = ServerList();
    ASSERT_GE(english.GetCount(), 10);
    ASSERT_EQ(english.GetCount(), german.GetCount());
    for (int i = 0; i < english.GetCount(); i++) {
        EXPECT_STREQ(english[i]["dns"].Text(), german[i]["dns"].Text());
        EXPECT_TRUE(english[i]["loc"].NotEmpty()) << i;
        EXPECT_TRUE(german[i]["loc"].NotEmpty()) << i;
        EXPECT_EQ(english[i].GetCount(), 2) << i;
    }
    EXPECT_EQ(english.Find("dns", DEFAULT_TIME_SERVER, true), 0);
    EXPECT_GE(english.Find("dns", LAN_SERVER_HOST, true), 0);
    EXPECT_GE(english.Find("dns", "ptbtime1.ptb.de", true), 0);
}

TEST(ServerList, SectionsBecomeRecords)
{
    REPORTS reports;
    HASHLIST list = ParseServerList(STRING("[#1]\nloc=One\ndns=one.example\n\n[#2]\r\n"
                                           "loc=Two \\x3d 2\ndns=two.example\n[#3]\n"));
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_STREQ(list[0]["dns"].Text(), "one.example");
    EXPECT_STREQ(list[1]["loc"].Text(), "Two = 2");
    EXPECT_TRUE(reports.Were(0));

    ParseServerList(STRING("[1]\nloc=x\n"));
    EXPECT_TRUE(reports.Were(1, nullptr, "[1]"));
}

TEST(ServerList, AHostNotInTheListIsAddedOnce)
{
    HASHLIST list = ParseServerList(STRING("[#1]\nloc=One\ndns=one.example\n"));
    EXPECT_EQ(ServerListWith(list, STRING("ONE.example")).GetCount(), 1);
    EXPECT_EQ(ServerListWith(list, STRING("")).GetCount(), 1);
    HASHLIST more = ServerListWith(list, STRING("mine.example"));
    ASSERT_EQ(more.GetCount(), 2);
    EXPECT_STREQ(more[1]["dns"].Text(), "mine.example");
    EXPECT_FALSE(more[1].Exists("loc"));
}

}  // namespace
