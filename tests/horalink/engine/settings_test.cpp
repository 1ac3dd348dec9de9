// The program settings: the first start's file byte for byte, defaults that fill
// only missing keys, keys that differ in case, the move of an old file into the
// data folder, the LAN flags, accepting a huge interval, the stored clock font and the
// offered server list.
#include "appengine.h"
#include "atomicfile.h"
#include "clockfont.h"
#include "configfiles.h"
#include "englishlibrary.h"
#include "fakeclock.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "recordingevents.h"
#include "reports.h"
#include "serverlist.h"
#include "settings.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// The moment of the tests' "now": 2023-11-14 22:13:20 UTC.
const unsigned long NOW = 1700000000ul;

class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        LoadEnglishLibrary();
    }
    void TearDown() override { KELVOAPP::FreeLanguageLibrary(); }

    std::string File() { return dir.File("horalink.cfg"); }
    // Reads a settings file of the given lines; false when there was no file.
    bool Read(const std::string& lines)
    {
        if (!lines.empty()) {
            EXPECT_TRUE(WriteFileBytes(File(), lines));
        }
        return SETTINGS::Read(settings, dir.Path().c_str(), NOW);
    }
    // The file as saved now.
    std::string Saved()
    {
        EXPECT_TRUE(SETTINGS::Save(settings, dir.Path().c_str()));
        return ReadFileBytes(File());
    }

    TEMPDIR dir;
    HASH settings;
};

TEST_F(Settings, FirstStartWritesEveryDefaultSortedWithCrLf)
{
    REPORTS reports;
    EXPECT_FALSE(Read(""));
    EXPECT_TRUE(settings.IsLocked());  // a misspelt key is reported from now on
    SETTINGS::Apply(settings);
    const char* source = getenv("HORALINK_SOURCE_DIR");
    std::string expected = ReadFileBytes(std::string("Z:") + (source ? source : "") +
                                         "/tests/horalink/engine/data/firststart.cfg");
    ASSERT_FALSE(expected.empty()) << "golden file missing";
    EXPECT_TRUE(SameText(Saved(), expected));
    EXPECT_TRUE(reports.Were(0));
}

TEST_F(Settings, DefaultsFillOnlyMissingKeysAndModeZeroIsStoredAsOne)
{
    ASSERT_TRUE(Read("Mode=0\r\nTimeServer=\r\nAgentTextCorrect=\r\nClockFont=\r\n"
                     "NotifySoundFile=bell.wav\r\nTimeCyclic=3\r\n"));
    EXPECT_STREQ(settings["Mode"].Text(), "0");
    SETTINGS::Apply(settings);
    // Empty values stay empty, except the font, which must be usable; missing keys get theirs.
    std::string values;
    for (const char* key : {"Mode", "TimeServer", "AgentTextCorrect", "NotifySoundFile", "TimeCyclic",
                            "AgentTextNotCorrect", "ConnectionType", "Version", "TimeLastTimeDelta"})
        values += std::string(settings[key].Text()) + "|";
    EXPECT_EQ(values, "1|||bell.wav|3|Your clock is off.|-1|0.00|00000000 00000000|");
    EXPECT_TRUE(settings["TimeServer"].NotNull());
    EXPECT_TRUE(BytesOf(settings["ClockFont"]) == BytesOf(DefaultClockFont()));
    std::string saved = Saved();
    EXPECT_NE(saved.find("\r\nMode=1\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nTimeServer=\r\n"), std::string::npos);
}

TEST_F(Settings, KeysDifferingInCaseAreOneEntry)
{
    ASSERT_TRUE(Read("TImeNextRefresh=123\r\nTimeLastValueMS=77\r\nlasttimeserver=old\r\n"
                     "TIMESERVER=ntp.example\r\n"));
    REPORTS reports;
    EXPECT_STREQ(settings["TimeNextRefresh"].Text(), "123");
    EXPECT_STREQ(settings["TimeLastValueMs"].Text(), "77");
    EXPECT_STREQ(settings["LastTimeServer"].Text(), "ntp.example");
    EXPECT_TRUE(reports.Were(0));
    std::string saved = Saved();
    EXPECT_NE(saved.find("\r\nTImeNextRefresh=123\r\n"), std::string::npos);  // as it was written
    std::transform(saved.begin(), saved.end(), saved.begin(), ::tolower);
    for (const char* key : {"\ntimenextrefresh=", "\ntimelastvaluems=", "\ntimeserver="})
        EXPECT_EQ(saved.find(key), saved.rfind(key)) << key << " more than once";
}

// A file without TimeNextRefresh makes the first scheduled update due at once after
// start-up; without TimeLastRefresh the last update counts as half a day ago.
TEST_F(Settings, AFileWithoutTheScheduleIsDueAtOnce)
{
    ASSERT_TRUE(Read("TimeCyclic=4\r\n"));
    EXPECT_STREQ(settings["TimeNextRefresh"].Text(), "1700000000");
    EXPECT_STREQ(settings["TimeLastRefresh"].Text(), "1699956800");
    FAKECLOCK clock;  // the real time, later than the tests' "now"
    RECORDINGEVENTS events;
    EXPECT_EQ(APPENGINE(settings, clock, events).NeedsRefresh(), 1);
}

TEST_F(Settings, LanFlagsFollowServerModeAndServing)
{
    Read("");
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

// New settings take effect nowhere here: there are no windows to apply them to.
class NOEVENTS : public SETTINGSEVENTS {
public:
    void SetLanFlags(bool, bool) override {}
    void ApplyDrift() override {}
    void ApplyWindows() override {}
};

// A huge interval stops at the last time the count holds instead of wrapping round to a
// check due at once.
TEST_F(Settings, AcceptingAHugeIntervalStopsAtTheLastTime)
{
    Read("");
    settings["TimeCyclic"] = "1e30";
    CRITSECT lock;
    NOEVENTS events;
    SETTINGS::Accept(settings, &lock, dir.Path().c_str(), events);
    EXPECT_STREQ(settings["TimeNextRefresh"].Text(), "4294967295");
    EXPECT_NE(ReadFileBytes(File()).find("\r\nTimeNextRefresh=4294967295\r\n"), std::string::npos);
}

TEST_F(Settings, MigrateMovesAnOldFileIntoTheDataFolderButKeepsWhatItCannotMove)
{
    TEMPDIR old;
    std::string oldfile = old.File("horalink.cfg");
    ASSERT_TRUE(WriteFileBytes(oldfile, "Mode=2\r\n"));
    {
        LOGCAPTURE log;
        EXPECT_TRUE(SETTINGS::Migrate(dir.Path().c_str(), old.Path().c_str()));
        size_t entered = log.Text().find("] APP::Migrate entered\r\n");
        size_t work = log.Text().find("] APP::Migrate - there is work to do\r\n");
        EXPECT_LT(entered, work);
        EXPECT_LT(work, log.Text().find("] APP::Migrate finished\r\n"));
        EXPECT_NE(log.Text().find("] APP::Migrate finished\r\n"), std::string::npos);
    }
    EXPECT_EQ(ReadFileBytes(File()), "Mode=2\r\n");
    EXPECT_FALSE(FileExistsOnDisk(oldfile));

    // The current folder is the default source.
    ASSERT_TRUE(WriteFileBytes(oldfile, "Mode=1\r\n"));
    TEMPDIR other;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(old.Path().c_str()));
    bool moved = SETTINGS::Migrate(other.Path().c_str());
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(moved);
    EXPECT_EQ(ReadFileBytes(other.File("horalink.cfg")), "Mode=1\r\n");

    // A file in the data folder is never overwritten, and a failed copy keeps the old file.
    ASSERT_TRUE(WriteFileBytes(oldfile, "Mode=3\r\n"));
    LOGCAPTURE log;
    EXPECT_FALSE(SETTINGS::Migrate(dir.Path().c_str(), old.Path().c_str()));
    EXPECT_EQ(log.Text().find("there is work to do"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(File()), "Mode=2\r\n");
    EXPECT_FALSE(SETTINGS::Migrate(dir.File("notthere").c_str(), old.Path().c_str()));
    EXPECT_EQ(ReadFileBytes(oldfile), "Mode=3\r\n");
}

// The temporary files of saves that were interrupted go at the next start; other files,
// and one a save still holds open, stay.
TEST_F(Settings, LeftoversOfAnInterruptedSaveAreRemovedAtStart)
{
    struct {
        const char* name;
        bool stays;
    } files[] = {{"~hl1A2B.tmp", false}, {"~HLFFFF.TMP", false}, {"~hl3.tmp", true},
                 {"~other.tmp", true},   {"notes~hl1.tmp", true}, {"~hl4.cfg", true}};
    for (const auto& f : files) ASSERT_TRUE(WriteFileBytes(dir.File(f.name), "Version=1.00\r\n"));
    HANDLE writing = CreateFileA(dir.File("~hl3.tmp").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writing, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Read("Version=1.00\r\n"));
    CloseHandle(writing);
    for (const auto& f : files) EXPECT_EQ(FileExistsOnDisk(dir.File(f.name)), f.stays) << f.name;
    EXPECT_TRUE(FileExistsOnDisk(File()));
}

// A save that stops short after writing started (a full disk) fails and leaves the old
// horalink.cfg byte for byte, with no temporary file behind, wherever the write stops.
TEST_F(Settings, AShortWriteKeepsTheOldFileWhole)
{
    const std::string old = "Version=1.00\r\nTimeServer=old.example\r\nTimeCyclic=4\r\n";
    for (long cut : {0l, 1l, 20l, 4000l}) {
        ASSERT_TRUE(WriteFileBytes(File(), old));
        settings["TimeServer"] = "new.example";
        settings["TimeCyclic"] = "1";
        settings["Filler"] = std::string(5000, 'x').c_str();  // longer than every cut
        ATOMICFILE::CutWritesForTests(cut);
        bool saved = SETTINGS::Save(settings, dir.Path().c_str());
        DWORD error = GetLastError();
        ATOMICFILE::CutWritesForTests(-1);
        EXPECT_FALSE(saved) << cut;
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_DISK_FULL)) << cut;
        EXPECT_EQ(ReadFileBytes(File()), old) << cut;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(dir.File("*").c_str(), &found);
        ASSERT_NE(search, INVALID_HANDLE_VALUE);
        std::string names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names += std::string(found.cFileName) + " ";
        } while (FindNextFileA(search, &found));
        FindClose(search);
        EXPECT_EQ(names, "horalink.cfg ") << cut;
    }
    // Without the cut the same save goes through.
    EXPECT_TRUE(SETTINGS::Save(settings, dir.Path().c_str()));
    EXPECT_NE(ReadFileBytes(File()).find("TimeServer=new.example"), std::string::npos);
}

// Only a file that is not there is a first start: one that is there but cannot be read
// (held open without sharing) or is larger than any settings file is told apart.
TEST_F(Settings, OnlyAMissingFileIsAFirstStart)
{
    struct {
        const char* name;
        long long bytes;  // -1: no file
        bool locked;
        SETTINGSFILESTATE state;
    } cases[] = {{"missing", -1, false, SETTINGSFILE_MISSING},
                 {"read", 16, false, SETTINGSFILE_READ},
                 {"largest", SETTINGS_MAX_FILE_BYTES, false, SETTINGSFILE_READ},
                 {"too large", SETTINGS_MAX_FILE_BYTES + 1, false, SETTINGSFILE_TOOLARGE},
                 {"locked", 16, true, SETTINGSFILE_UNREADABLE}};
    for (const auto& c : cases) {
        DeleteFileA(File().c_str());
        if (c.bytes >= 0) {
            std::string text = "Version=1.00\r\n//";  // 16 bytes, padded as a comment
            text.resize(static_cast<size_t>(c.bytes), '#');
            ASSERT_TRUE(WriteFileBytes(File(), text));
        }
        HANDLE lock = c.locked ? CreateFileA(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr)
                               : INVALID_HANDLE_VALUE;
        SETTINGSFILESTATE state = SETTINGSFILE_READ;
        settings = HASH();
        bool read = SETTINGS::Read(settings, dir.Path().c_str(), NOW, &state);
        if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
        EXPECT_EQ(state, c.state) << c.name;
        EXPECT_EQ(read, c.state == SETTINGSFILE_READ) << c.name;
        EXPECT_EQ(settings["Version"].Text(), std::string(read ? "1.00" : "0.00")) << c.name;
    }
    SETTINGSFILESTATE state = SETTINGSFILE_READ;
    EXPECT_FALSE(SETTINGS::Read(settings, dir.File("no such folder").c_str(), NOW, &state));
    EXPECT_EQ(state, SETTINGSFILE_MISSING);
}

TEST(ClockFont, OneBinaryLogfontAndOnlyACompleteOneIsTaken)
{
    STRING value = DefaultClockFont();
    EXPECT_EQ(value.Length(), 60);
    LOGFONTA font;
    ASSERT_TRUE(ClockFontFromValue(value, &font));
    EXPECT_EQ(std::string(font.lfFaceName) + " " + std::to_string(font.lfHeight) + " " +
                  std::to_string(font.lfWeight),
              "Arial 18 700");
    HASH table;
    table["ClockFont"] = value;
    EXPECT_EQ(std::string(table.Text().Text()).rfind("ClockFont=={{", 0), 0u);  // binary form
    EXPECT_TRUE(BytesOf(HASH(table.Text())["ClockFont"]) == BytesOf(value));

    LOGFONTA untouched = {};
    untouched.lfHeight = 5;
    EXPECT_FALSE(ClockFontFromValue(STRING(""), &untouched));
    EXPECT_FALSE(ClockFontFromValue(value.Left(59), &untouched));
    memset(font.lfFaceName, 'x', sizeof font.lfFaceName);  // no terminator
    EXPECT_FALSE(ClockFontFromValue(ClockFontValue(font), &untouched));
    EXPECT_EQ(untouched.lfHeight, 5);
}

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
        EXPECT_TRUE(english[i]["loc"].NotEmpty() && german[i]["loc"].NotEmpty()) << i;
        EXPECT_EQ(english[i].GetCount(), 2) << i;
    }
    EXPECT_EQ(english.Find("dns", DEFAULT_TIME_SERVER, true), 0);
    EXPECT_GE(english.Find("dns", LAN_SERVER_HOST, true), 0);
}

TEST(ServerList, SectionsBecomeRecordsAndAHostNotInTheListIsAddedOnce)
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

    EXPECT_EQ(ServerListWith(list, STRING("ONE.example")).GetCount(), 2);
    EXPECT_EQ(ServerListWith(list, STRING("")).GetCount(), 2);
    HASHLIST more = ServerListWith(list, STRING("mine.example"));
    ASSERT_EQ(more.GetCount(), 3);
    EXPECT_STREQ(more[2]["dns"].Text(), "mine.example");
    EXPECT_FALSE(more[2].Exists("loc"));
}

}  // namespace
