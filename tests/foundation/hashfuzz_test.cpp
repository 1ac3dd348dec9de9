// Robustness of the configuration readers: a seeded generator feeds thousands of
// random, truncated and hostile texts to HASH and HASHLIST parsing and to
// STRINGARRAY::Load. Nothing may crash or hang, every report carries on, and what
// was read comes back unchanged from its own text form. The seed is printed; set
// HORALINK_FUZZ_SEED to run the same texts again.
#include "hash.h"

#include "configfiles.h"
#include "kelvo.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// splitmix64: small, fast, and the same sequence on every platform.
class RANDOM {
public:
    explicit RANDOM(unsigned long long seed) : state(seed) {}
    unsigned long long Next()
    {
        unsigned long long z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<unsigned long long>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    unsigned long long state;
};

static unsigned long long fuzz_seed()
{
    static unsigned long long seed = [] {
        const char* env = getenv("HORALINK_FUZZ_SEED");
        unsigned long long s = env && *env ? strtoull(env, nullptr, 0)
                                           : (static_cast<unsigned long long>(GetTickCount64()) << 20) ^
                                                 GetCurrentProcessId();
        printf("[   SEED   ] HORALINK_FUZZ_SEED=%llu\n", s);
        fflush(stdout);
        return s;
    }();
    return seed;
}

static std::string pick(RANDOM& r, const std::vector<std::string>& choices)
{
    return choices[r.Below(static_cast<int>(choices.size()))];
}

static std::string random_bytes(RANDOM& r, int maxlen)
{
    std::string s;
    for (int n = r.Below(maxlen + 1); n > 0; n--) s += static_cast<char>(r.Below(256));
    return s;
}

static std::string random_key(RANDOM& r)
{
    return pick(r, {"a", "A", "b", "Name", "NAME", "name", "TimeServer", "#Handle7", "#x", " sp ",
                    "k_", "[k]", "", "#", "/"});
}

// Escapes, blocks and bytes that the readers must survive.
static std::string hostile_value(RANDOM& r)
{
    std::string v;
    for (int n = r.Below(6); n >= 0; n--) {
        v += pick(r, {"plain", "\\", "\\x", "\\x4", "\\xg1", "\\x4G", "\\q", "\\0", "\\\\", "\\z",
                      "={{", "}}", "={{QUJD}}", "={{====}}", "={{A", "=", "{", "}",
                      std::string(1, '\0'), "\x1a", "\r", "\xff\x80", "\\x7d"});
    }
    if (r.Chance(20)) v += pick(r, {"\\", "\\x", "\\x1"});  // an escape cut off by the line end
    return v;
}

static std::string hostile_line(RANDOM& r)
{
    switch (r.Below(12)) {
    case 0: return random_key(r) + "=" + random_bytes(r, 12);
    case 1: return random_bytes(r, 40);
    case 2: return pick(r, {"// note", "# note", "#", "", "//", "# "});
    case 3: return pick(r, {"#Handle=", "#HANDLE=", "#Key=", "#key="}) +
                   pick(r, {"7", "-1", "x", "99999999999", ""}) +
                   (r.Chance(30) ? hostile_value(r) : "");
    case 4: return pick(r, {"[#1]", "[#2]", "[2]", "[#3", "[", "[]", "[#", "[#]]", "[ #1]"});
    case 5: return random_key(r) + "=" + hostile_value(r);
    case 6: return random_key(r) + "=={{" + random_bytes(r, 10) + pick(r, {"}}", "}", "", "}}x"});
    case 7: {
        if (!r.Chance(15)) return "noequals";
        std::string longline(1000 + r.Below(70000), 'x');
        if (r.Chance(50)) longline[r.Below(static_cast<int>(longline.size()))] = '=';
        return longline;
    }
    case 8: return random_key(r) + std::string(1, '\0') + "=" + std::string(1, '\0') + "v";
    case 9: return "Ctrl-Z=\x1a" + random_bytes(r, 5);
    case 10: return pick(r, {"x", "no equals here", "\\", "\\x"});
    default: return random_key(r) + "=" + pick(r, {"1", "value", "x=y{z}", " padded "});
    }
}

static std::string hostile_text(RANDOM& r)
{
    std::string text;
    for (int n = r.Below(40); n > 0; n--) {
        text += hostile_line(r);
        text += pick(r, {"\n", "\n", "\r\n", "\r\n", "\r", ""});
    }
    if (r.Chance(30) && !text.empty()) text.resize(r.Below(static_cast<int>(text.size())));
    return text;
}

// DumpHash of the table as its text form gives it back: keys holding a Ctrl-Z cannot be
// written (a text-mode reader would stop there), so Text leaves them out.
static std::string dump_writable(const HASH& h, int* unwritable)
{
    HASH kept;
    kept.Handle = h.Handle;
    kept.Key = h.Key;
    std::string dump = DumpHash(kept);
    *unwritable = 0;
    for (int i = 0; i < h.GetCount(); i++) {
        if (BytesOf(h.KeyAt(i)).find('\x1a') != std::string::npos)
            (*unwritable)++;
        else
            dump += DumpValue(h.KeyAt(i)) + "=" + DumpValue(h.ValueAt(i)) + "\n";
    }
    return dump;
}

// What every parsed table must look like, whatever the input was.
static void expect_sound(const HASH& h)
{
    int before = AssertCount();
    for (int i = 0; i < h.GetCount(); i++) {
        std::string key = BytesOf(h.KeyAt(i));
        EXPECT_TRUE(h.ValueAt(i).NotNull());
        EXPECT_EQ(key.find_first_of("\n="), std::string::npos);
        EXPECT_TRUE(i == 0 || _stricmp(h.KeyAt(i - 1).Text(), key.c_str()) <= 0);
    }
    EXPECT_EQ(AssertCount(), before);  // every index below GetCount has a key and a value
}

// The round trip through the text form: the same table comes back.
static void expect_round_trip(const HASH& h)
{
    int unwritable = 0;
    std::string expected = dump_writable(h, &unwritable);
    int before = AssertCount();
    STRING text = h.Text();
    EXPECT_EQ(AssertCount(), before + unwritable);
    before = AssertCount();
    HASH back(text);
    EXPECT_EQ(AssertCount(), before);  // what the table writes reads back without a report
    EXPECT_TRUE(SameText(DumpHash(back), expected));
}

static std::vector<std::string> model_lines(const std::string& view)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t lf; (lf = view.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(view.substr(start, lf - start));
    if (start < view.size()) lines.push_back(view.substr(start));
    return lines;
}

// The sections the sectioned reader should find in a text-mode view.
static std::vector<std::string> model_sections(const std::string& view)
{
    std::vector<std::string> sections;
    std::string body;
    bool header = false;
    for (const std::string& line : model_lines(view)) {
        if (line.empty()) continue;
        if (line[0] != '[') {
            body += line + "\n";
            continue;
        }
        if (header) sections.push_back(body);
        if (header) body.clear();
        header = true;
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
        RecordProperty("seed", std::to_string(fuzz_seed()));
    }
    void TearDown() override { SetCurrentDirectoryA(previous); }

    TEMPDIR dir;
    char previous[MAX_PATH];
};

TEST_F(HashFuzz, ParsingHostileTextsGivesSoundTablesThatRoundTrip)
{
    RANDOM r(fuzz_seed());
    int reportsbefore = AssertCount();
    for (int i = 0; i < 3000; i++) {
        std::string text = hostile_text(r);
        SCOPED_TRACE("seed " + std::to_string(fuzz_seed()) + ", text " + std::to_string(i));
        HASH h(STRING(text.data(), static_cast<int>(text.size())));
        expect_sound(h);
        expect_round_trip(h);
        if (HasFailure()) break;
    }
    // The hostile parts reached the checks, and every report carried on.
    printf("[   INFO   ] %d reports raised and carried on\n", AssertCount() - reportsbefore);
    EXPECT_GT(AssertCount(), reportsbefore);
}

TEST_F(HashFuzz, ReadingHostileFilesMatchesTheTextModeModel)
{
    RANDOM r(fuzz_seed() ^ 0x5EC7105ULL);
    std::string file = dir.File("fuzz.cfg");
    std::string saved = dir.File("saved.cfg");
    for (int i = 0; i < 400; i++) {
        std::string raw = hostile_text(r);
        SCOPED_TRACE("seed " + std::to_string(fuzz_seed()) + ", file " + std::to_string(i));
        ASSERT_TRUE(WriteFileBytes(file, raw));
        std::string view = TextModeView(raw);
        STRING viewtext(view.data(), static_cast<int>(view.size()));

        HASH h;
        ASSERT_TRUE(h.Load(file.c_str()));
        EXPECT_TRUE(SameText(DumpHash(h), DumpHash(HASH(viewtext))));
        expect_sound(h);
        int unwritable = 0;
        HASH back;
        EXPECT_TRUE(h.Save(saved.c_str()) && back.Load(saved.c_str()));
        EXPECT_TRUE(SameText(DumpHash(back), dump_writable(h, &unwritable)));

        HASHLIST list;
        std::vector<std::string> sections = model_sections(view);
        ASSERT_EQ(list.Load(file.c_str()), static_cast<int>(sections.size()));
        for (size_t s = 0; s < sections.size(); s++) {
            HASH record(STRING(sections[s].data(), static_cast<int>(sections[s].size())));
            EXPECT_TRUE(SameText(DumpHash(list[static_cast<int>(s)]), DumpHash(record)));
        }

        for (bool unescape : {false, true}) {
            STRINGARRAY lines;
            std::vector<std::string> expected = model_lines(view);
            ASSERT_EQ(lines.Load(file.c_str(), unescape), static_cast<int>(expected.size()));
            for (size_t l = 0; l < expected.size(); l++) {
                STRING line(expected[l].data(), static_cast<int>(expected[l].size()));
                if (unescape) line = line.Unescape(false);
                EXPECT_TRUE(SameText(BytesOf(*lines.GetItem(static_cast<int>(l))), BytesOf(line)));
            }
        }
        if (HasFailure()) {
            std::string kept = TestProgramDir() + "\\hashfuzz_failed.cfg";
            WriteFileBytes(kept, raw);
            ADD_FAILURE() << "the file is kept as " << kept;
            break;
        }
    }
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 3u);  // fuzz.cfg, saved.cfg, assert.log
}
