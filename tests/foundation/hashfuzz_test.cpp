// Robustness of the configuration readers: a seeded generator feeds thousands of
// random, truncated and hostile texts to HASH and HASHLIST parsing and to
// STRINGARRAY::Load. Nothing may crash or hang, every report carries on, and what
// was read comes back unchanged from its own text form. The seed is fixed so that
// every run checks the same texts; HORALINK_FUZZ_SEED chooses others, and a failure
// names the seed that gave it.
#include "fuzzseed.h"
#include "hash.h"

#include "configfiles.h"
#include "kelvo.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

typedef std::vector<std::string> TEXTS;

const unsigned long long DEFAULT_FUZZ_SEED = 20261207;

// The engine's sequence is fixed by the standard: the same texts on every platform.
class RANDOM {
public:
    explicit RANDOM(unsigned long long seed) : engine(seed) {}
    int Below(int n) { return static_cast<int>(engine() % static_cast<unsigned>(n)); }
    std::string Pick(const TEXTS& choices) { return choices[Below(static_cast<int>(choices.size()))]; }
    std::string Bytes(int maxlen)
    {
        std::string s;
        for (int n = Below(maxlen + 1); n > 0; n--) s += static_cast<char>(Below(256));
        return s;
    }

private:
    std::mt19937_64 engine;
};

static STRING of(const std::string& bytes) { return STRING(bytes.data(), static_cast<int>(bytes.size())); }

static std::string random_key(RANDOM& r)
{
    return r.Pick({"a", "A", "Name", "NAME", "name", "#Handle7", "#x", " sp ", "[k]", "", "#", "/"});
}

// Escapes, blocks and bytes that the readers must survive; the last may be cut off by the line end.
static std::string hostile_value(RANDOM& r)
{
    std::string v;
    for (int n = r.Below(6); n >= 0; n--)
        v += r.Pick({"plain", "\\", "\\x", "\\x4", "\\xg1", "\\q", "\\0", "\\\\", "\\z", "={{", "}}",
                     "={{QUJD}}", "={{====}}", "={{A", "=", std::string(1, '\0'), "\x1a", "\r", "\xff\x80"});
    return v;
}

static std::string hostile_line(RANDOM& r)
{
    switch (r.Below(6)) {
    case 0: return r.Bytes(40);
    case 1: return r.Pick({"// note", "# note", "", "[#1]", "[#2]", "[2]", "[#3", "[", "[]", "[ #1]",
                           "no equals", "\\"});
    case 2: return r.Pick({"#Handle=", "#HANDLE=", "#Key=", "#key="}) +
                   r.Pick({"7", "-1", "x", "99999999999", "", hostile_value(r)});
    case 3: return random_key(r) + "=" + hostile_value(r);
    case 4: return random_key(r) + r.Pick({"", std::string(1, '\0')}) + "=={{" + r.Bytes(10) +
                   r.Pick({"}}", "}", "", "}}x"});
    default: {
        if (r.Below(16)) return random_key(r) + "=" + r.Pick({"1", "x=y{z}", " padded "});
        std::string line(1000 + r.Below(70000), 'x');  // longer than any read piece
        line[r.Below(static_cast<int>(line.size()))] = r.Pick({"=", "x"})[0];
        return line;
    }
    }
}

static std::string hostile_text(RANDOM& r)
{
    std::string text;
    for (int n = r.Below(40); n > 0; n--) text += hostile_line(r) + r.Pick({"\n", "\r\n", "\r", ""});
    if (r.Below(10) < 3 && !text.empty()) text.resize(r.Below(static_cast<int>(text.size())));
    return text;
}

// What every parsed table must look like, whatever the input was, and the same table
// back from its text form. Keys holding a Ctrl-Z cannot be written (a text-mode reader
// would stop there): Text leaves each out with a report.
static void expect_sound_round_trip(const HASH& h)
{
    HASH head;
    head.Handle = h.Handle;
    head.Key = h.Key;
    std::string expected = DumpHash(head);
    int before = AssertCount(), unwritable = 0;
    for (int i = 0; i < h.GetCount(); i++) {
        std::string key = BytesOf(h.KeyAt(i));
        EXPECT_TRUE(h.ValueAt(i).NotNull());
        EXPECT_EQ(key.find_first_of("\n="), std::string::npos);
        EXPECT_TRUE(i == 0 || _stricmp(h.KeyAt(i - 1).Text(), key.c_str()) <= 0);
        if (key.find('\x1a') != std::string::npos)
            unwritable++;
        else
            expected += DumpValue(h.KeyAt(i)) + "=" + DumpValue(h.ValueAt(i)) + "\n";
    }
    EXPECT_EQ(AssertCount(), before);  // every index below GetCount has a key and a value
    HASH back(h.Text());
    EXPECT_EQ(AssertCount(), before + unwritable);  // what the table writes reads back without a report
    EXPECT_TRUE(SameText(DumpHash(back), expected));
}

// The lines of a text-mode view, and the sections the sectioned reader should find in them.
static TEXTS lines_of(const std::string& view)
{
    TEXTS lines;
    size_t start = 0;
    for (size_t lf; (lf = view.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(view.substr(start, lf - start));
    if (start < view.size()) lines.push_back(view.substr(start));
    return lines;
}

static TEXTS sections_of(const TEXTS& lines)
{
    TEXTS sections;
    std::string body;  // text before the first header belongs to the first section
    bool header = false;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (line[0] != '[') {
            body += line + "\n";
        } else if (header) {
            sections.push_back(body);
            body.clear();
        }
        header = header || line[0] == '[';
    }
    if (!body.empty()) sections.push_back(body);
    return sections;
}

class HashFuzz : public testing::Test {
protected:
    // Reports append to "assert.log" in the current folder: keep that in the scratch folder.
    void SetUp() override
    {
        GetCurrentDirectoryA(sizeof previous, previous);
        ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    }
    void TearDown() override { SetCurrentDirectoryA(previous); }

    TEMPDIR dir;
    char previous[MAX_PATH];
};

TEST_F(HashFuzz, HostileTextsGiveSoundTablesAndFilesReadAsTheirTextModeView)
{
    unsigned long long seed = FuzzSeed(DEFAULT_FUZZ_SEED);
    RANDOM r(seed);
    SCOPED_TRACE("HORALINK_FUZZ_SEED=" + std::to_string(seed));
    std::string file = dir.File("fuzz.cfg");
    int reportsbefore = AssertCount();
    for (int i = 0; i < 3000 && !HasFailure(); i++) {
        std::string raw = hostile_text(r);
        SCOPED_TRACE("text " + std::to_string(i));
        expect_sound_round_trip(HASH(of(raw)));
        if (i % 8) continue;

        // Every eighth text also as a file, read by all three readers.
        ASSERT_TRUE(WriteFileBytes(file, raw));
        std::string view = TextModeView(raw);
        HASH h;
        ASSERT_TRUE(h.Load(file.c_str()));
        EXPECT_TRUE(SameText(DumpHash(h), DumpHash(HASH(of(view)))));

        TEXTS lines = lines_of(view), sections = sections_of(lines);
        HASHLIST list;
        ASSERT_EQ(list.Load(file.c_str()), static_cast<int>(sections.size()));
        for (size_t s = 0; s < sections.size(); s++)
            EXPECT_TRUE(SameText(DumpHash(list[static_cast<int>(s)]), DumpHash(HASH(of(sections[s])))));
        STRINGARRAY read;
        ASSERT_EQ(read.Load(file.c_str(), true), static_cast<int>(lines.size()));
        for (size_t l = 0; l < lines.size(); l++) {
            STRING line = of(lines[l]).Unescape(false);
            EXPECT_TRUE(SameText(BytesOf(*read.GetItem(static_cast<int>(l))), BytesOf(line)));
        }
    }
    // The hostile parts reached the checks, and every report carried on.
    printf("[   INFO   ] %d reports raised and carried on\n", AssertCount() - reportsbefore);
    EXPECT_GT(AssertCount(), reportsbefore);
}
