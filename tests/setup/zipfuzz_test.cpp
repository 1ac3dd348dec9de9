// Robustness of the ZIP engine: a seeded generator mutates a handful of archives (made
// here, and the legacy shrunk, reduced and imploded ones of the shared test data) into
// 100 000 damaged ones: flipped bits, set bytes, cut ends, appended garbage, inserted
// bytes, header fields set to extremes, names that try to climb out, names grown
// to the listing table's limit and past it, directories repeated to about its
// largest number of entries and past it. Each is listed, and up to three of the
// listed entries are extracted below a sandbox folder.
// Nothing may crash or hang, the engine answers only with its documented results,
// an entry it calls extracted has its listed size, and nothing is written in the
// sandbox outside the target folder, nor is a temporary file left behind.
// HORALINK_FUZZ_SEED chooses other archives, HORALINK_FUZZ_COUNT how many; a failure
// names the seed, and a crash the iteration too.
#include "fuzzseed.h"
#include "testfiles.h"
#include "unzip.h"
#include "zipwriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const unsigned long long DEFAULT_FUZZ_SEED = 20261207;
const long DEFAULT_FUZZ_COUNT = 100000;
const int MAX_EXTRACTED = 3;     // entries extracted per archive
const long CHECK_EVERY = 2000;   // iterations between looks at the sandbox (and its cleaning)

uint32_t get16(const std::string& s, size_t at)
{
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

uint32_t get32(const std::string& s, size_t at)
{
    return get16(s, at) | get16(s, at + 2) << 16;
}

void put(std::string& s, size_t at, int width, uint32_t value)
{
    for (int i = 0; i < width && at + static_cast<size_t>(i) < s.size(); i++)
        s[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

uint32_t crc_of(const std::string& bytes)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// Where the records of a (sound) seed archive lie, for mutations aimed at their fields.
struct LAYOUT {
    size_t End = 0;
    std::vector<size_t> Central, Local;
};

LAYOUT layout_of(const std::string& zip)
{
    LAYOUT layout;
    size_t end = zip.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos || end + 22 > zip.size()) return layout;
    layout.End = end;
    size_t at = get32(zip, end + 16);
    for (uint32_t i = 0, count = get16(zip, end + 10); i < count && at + 46 <= end; i++) {
        if (get32(zip, at) != 0x02014b50) break;
        layout.Central.push_back(at);
        layout.Local.push_back(get32(zip, at + 42));
        at += 46 + get16(zip, at + 28) + get16(zip, at + 30) + get16(zip, at + 32);
    }
    return layout;
}

struct SEED {
    std::string Name;
    std::string Bytes;
    LAYOUT Layout;
    bool Sound;  // every entry extracts as it is
};

// The numeric fields of each record: offset and width.
struct FIELD {
    int Offset, Width;
};
const FIELD LOCAL_FIELDS[] = {{6, 2}, {8, 2}, {14, 4}, {18, 4}, {22, 4}, {26, 2}, {28, 2}};
const FIELD CENTRAL_FIELDS[] = {{8, 2}, {10, 2}, {16, 4}, {20, 4}, {24, 4}, {28, 2}, {30, 2}, {32, 2}, {34, 2}, {42, 4}};
const FIELD END_FIELDS[] = {{4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 4}, {16, 4}, {20, 2}};

// Beginnings of names that lead outside the folder, or nowhere the platform allows.
const char* const HOSTILE_NAMES[] = {"../", "..\\", "../../", "..\\..\\..\\", "/", "\\", "C:", "C:\\", "a/../../",
                                     "a\\..\\..\\", " ../", ".../", "CON", "NUL.", "AUX/", "a:b", "*", "\x01"};

class MUTATOR {
public:
    explicit MUTATOR(unsigned long long seed) : engine(seed) {}
    uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(engine() % n) : 0; }

    // One damaged archive grown from seed.
    std::string Mutate(const SEED& seed)
    {
        std::string zip = seed.Bytes;
        LAYOUT reshaped;
        const LAYOUT* layout = &seed.Layout;
        if (Below(8) == 0 && !layout->Central.empty()) {
            Reshape(zip, *layout);
            reshaped = layout_of(zip);
            layout = &reshaped;
        }
        for (uint32_t edits = 1 + Below(3); edits > 0; edits--) {
            switch (Below(10)) {
            case 0:
            case 1:
                if (!zip.empty()) zip[Below(static_cast<uint32_t>(zip.size()))] ^= static_cast<char>(1 << Below(8));
                break;
            case 2:
                if (!zip.empty()) zip[Below(static_cast<uint32_t>(zip.size()))] = static_cast<char>(Below(256));
                break;
            case 3: zip.resize(Below(static_cast<uint32_t>(zip.size()) + 1)); break;
            case 4: {
                std::string garbage = Garbage();
                zip.insert(Below(2) ? zip.size() : Below(static_cast<uint32_t>(zip.size()) + 1), garbage);
                break;
            }
            case 5: HostileName(zip, *layout); break;
            default: ExtremeField(zip, *layout); break;
            }
        }
        return zip;
    }

private:
    std::string Garbage()
    {
        std::string bytes;
        for (uint32_t n = 1 + Below(64); n > 0; n--) bytes += static_cast<char>(Below(256));
        // Now and then a signature, so that a false record is found and believed.
        static const char* const signatures[] = {"PK\x05\x06", "PK\x01\x02", "PK\x03\x04", "PK\x06\x07"};
        if (Below(3) == 0) bytes.insert(Below(static_cast<uint32_t>(bytes.size())), signatures[Below(4)], 4);
        return bytes;
    }

    // A sound archive of another shape, for the limits of the listing table: one
    // entry's name grown (to about the longest the table takes, or far beyond), or the
    // directory repeated to about the most entries the table takes. The directory
    // is the archive's last part but for the end record, so nothing else moves.
    void Reshape(std::string& zip, const LAYOUT& layout)
    {
        size_t end = layout.End, directory = layout.Central[0];
        if (Below(2)) {
            size_t entry = layout.Central[Below(static_cast<uint32_t>(layout.Central.size()))];
            uint32_t length = get16(zip, entry + 28);
            uint32_t grown = Below(3) ? ZIPLIST_NAMESIZE - 3 + Below(5) : 1 + Below(400);
            if (grown <= length) return;
            uint32_t more = grown - length;
            zip.insert(entry + 46 + length, std::string(more, static_cast<char>('a' + Below(26))));
            put(zip, entry + 28, 2, grown);
            put(zip, end + more + 12, 4, get32(zip, end + more + 12) + more);
        } else {
            uint32_t count = get16(zip, end + 10);
            uint32_t wanted = Below(2) ? ZIPLIST_ENTRIES - 2 + Below(5) : count + Below(600);
            std::string records = zip.substr(directory, end - directory), all;
            uint32_t total = 0;
            while (total + count <= wanted) {
                all += records;
                total += count;
            }
            zip.replace(directory, end - directory, all);
            end = directory + all.size();
            put(zip, end + 8, 2, total);
            put(zip, end + 10, 2, total);
            put(zip, end + 12, 4, static_cast<uint32_t>(all.size()));
        }
    }

    uint32_t Extreme(const std::string& zip)
    {
        uint32_t size = static_cast<uint32_t>(zip.size());
        const uint32_t values[] = {0, 1, 0x7fff, 0xffff, 0x10000, 0x7fffffff, 0x80000000, 0xfffffffe, 0xffffffff,
                                   size, size + 1, size - 1, size / 2, Below(256), Below(size + 64)};
        return values[Below(sizeof values / sizeof values[0])];
    }

    void ExtremeField(std::string& zip, const LAYOUT& layout)
    {
        uint32_t which = Below(3);
        size_t base;
        FIELD field;
        if (which == 0 || layout.Central.empty()) {
            base = layout.End;
            field = END_FIELDS[Below(sizeof END_FIELDS / sizeof END_FIELDS[0])];
        } else {
            size_t entry = Below(static_cast<uint32_t>(layout.Central.size()));
            if (which == 1) {
                base = layout.Central[entry];
                field = CENTRAL_FIELDS[Below(sizeof CENTRAL_FIELDS / sizeof CENTRAL_FIELDS[0])];
            } else {
                base = layout.Local[entry];
                field = LOCAL_FIELDS[Below(sizeof LOCAL_FIELDS / sizeof LOCAL_FIELDS[0])];
            }
        }
        put(zip, base + static_cast<size_t>(field.Offset), field.Width, Extreme(zip));
    }

    // Overwrites the start of an entry's name, in the directory and in its local header.
    void HostileName(std::string& zip, const LAYOUT& layout)
    {
        if (layout.Central.empty()) return;
        size_t entry = Below(static_cast<uint32_t>(layout.Central.size()));
        std::string hostile = HOSTILE_NAMES[Below(sizeof HOSTILE_NAMES / sizeof HOSTILE_NAMES[0])];
        for (size_t at : {layout.Central[entry] + 46, layout.Local[entry] + 30}) {
            size_t length = get16(zip, at - (at == layout.Central[entry] + 46 ? 18 : 4));
            for (size_t i = 0; i < hostile.size() && i < length && at + i < zip.size(); i++) zip[at + i] = hostile[i];
        }
    }

    std::mt19937_64 engine;
};

// The archive under test, written over the last one and then cut to its size: a
// file emptied and written again is flushed to the disk at once by some file
// systems (ext4), which matters when the scratch folder is on a disk.
bool write_archive(const std::string& file, const std::string& bytes)
{
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = (bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                 written == bytes.size())) &&
              SetEndOfFile(h);
    return CloseHandle(h) && ok;
}

int list(const std::string& archive)
{
    const char* args[] = {"unzip", "-v", archive.c_str()};
    return Unzip(3, args);
}

int extract(const std::string& archive, const std::string& entry, const std::string& folder)
{
    const char* args[] = {"unzip", "-qq", archive.c_str(), entry.c_str(), "-d", folder.c_str()};
    return Unzip(6, args);
}

// What lies below folder that should not: every file or folder not on the way to
// (or inside) the target, and every temporary file of the engine.
void strays(const std::string& folder, const std::string& target, std::vector<std::string>& found)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName, full = folder + "\\" + name;
        if (name == "." || name == "..") continue;
        bool inside = full.compare(0, target.size() + 1, target + "\\") == 0;
        bool onway = full == target || target.compare(0, full.size() + 1, full + "\\") == 0;
        if (!inside && !onway) found.push_back(full);
        if (_strnicmp(name.c_str(), "hlz", 3) == 0 && name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".tmp") == 0)
            found.push_back(full + " (temporary file)");
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) strays(full, target, found);
    } while (FindNextFileA(h, &data));
    FindClose(h);
}

// The folder the archives are written to and extracted into. Under Wine on Linux it
// lies in memory (/dev/shm) when it can: a disk's file system journals every file
// made, cut and removed, and the run would take minutes instead of seconds.
class SCRATCH {
public:
    SCRATCH()
    {
        DWORD shm = GetFileAttributesA("Z:\\dev\\shm");
        if (shm != INVALID_FILE_ATTRIBUTES && (shm & FILE_ATTRIBUTE_DIRECTORY)) {
            std::string memory = "Z:\\dev\\shm\\horalink-zipfuzz-" + std::to_string(GetCurrentProcessId());
            RemoveTree(memory);  // of an earlier process of the same number that crashed
            if (CreateDirectoryA(memory.c_str(), nullptr)) path = memory;
        }
        if (path.empty()) {
            disk.reset(new TEMPDIR);
            path = disk->Path();
        }
    }
    ~SCRATCH()
    {
        if (!disk) RemoveTree(path);
    }
    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "\\" + name; }

private:
    std::string path;
    std::unique_ptr<TEMPDIR> disk;
};

// A crash names the iteration that caused it.
volatile long current_iteration = -1;
unsigned long long current_seed = 0;

LONG WINAPI report_crash(EXCEPTION_POINTERS* exception)
{
    fprintf(stderr, "zipfuzz: exception 0x%08lx at HORALINK_FUZZ_SEED=%llu, iteration %ld\n",
            static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode), current_seed, current_iteration);
    fflush(stderr);
    // Ends the process at once, its exit code the exception's: a debugger started
    // for the crash would otherwise keep the test waiting until its timeout.
    return EXCEPTION_EXECUTE_HANDLER;
}

// Names the iteration on a crash while the test runs.
struct CRASHREPORT {
    CRASHREPORT() : previous(SetUnhandledExceptionFilter(report_crash)) {}
    ~CRASHREPORT() { SetUnhandledExceptionFilter(previous); }
    CRASHREPORT(const CRASHREPORT&) = delete;
    CRASHREPORT& operator=(const CRASHREPORT&) = delete;
    LPTOP_LEVEL_EXCEPTION_FILTER previous;
};

std::string fixture(const char* name)
{
    return ReadFileBytes(SharedTestData(std::string("zip\\") + name));
}

// The first size bytes of a reduced entry of the larger fixtures, in an archive of
// its own: the decoder stops at the entry's size, so a prefix of its data suffices.
std::string reduced_prefix(const std::string& zip, const std::string& expected, uint32_t size, size_t packed)
{
    LAYOUT layout = layout_of(zip);
    for (size_t i = 0; i < layout.Central.size(); i++) {
        size_t c = layout.Central[i], l = layout.Local[i];
        uint32_t method = get16(zip, c + 10);
        if (method < 2 || method > 5 || zip.compare(c + 46, get16(zip, c + 28), "TEST.EXE") != 0) continue;
        size_t data = l + 30 + get16(zip, l + 26) + get16(zip, l + 28);
        ZIPITEM item;
        item.Name = "TEST.EXE";
        item.Method = static_cast<int>(method);
        item.Data = zip.substr(data, std::min<size_t>(packed, get32(zip, c + 20)));
        std::string small = MakeZip({item});
        LAYOUT own = layout_of(small);
        uint32_t crc = crc_of(expected.substr(0, size));
        put(small, own.Local[0] + 14, 4, crc);
        put(small, own.Local[0] + 22, 4, size);
        put(small, own.Central[0] + 16, 4, crc);
        put(small, own.Central[0] + 24, 4, size);
        return small;
    }
    return std::string();
}

std::vector<SEED> seeds()
{
    std::string text;
    for (int i = 0; i < 60; i++) text += "Horalink keeps the time " + std::to_string(i * 7919 % 1000) + "\r\n";
    std::string binary;
    for (uint32_t i = 0, x = 12345; i < 700; i++) binary += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
    std::vector<SEED> all;
    auto add = [&](const std::string& name, const std::string& bytes, bool sound) {
        all.push_back({name, bytes, layout_of(bytes), sound});
    };
    add("stored", MakeZip({{"readme.txt", text.substr(0, 300), false}}), true);
    add("deflated", MakeZip({{"horalink.txt", text, true}}), true);
    add("folders", MakeZip({{"bin/", "", false},
                            {"bin/horalink.exe", binary, true},
                            {"bin/lang/german.txt", text, true},
                            {"doc/", "", false},
                            {"doc/empty.txt", "", false},
                            {"doc/raw.bin", binary.substr(0, 200), false}}),
        true);
    add("several", MakeZip({{"a.txt", text.substr(0, 100), true},
                            {"b.txt", text.substr(100, 50), false},
                            {"c.dat", binary.substr(0, 64), true},
                            {"d\\e.txt", "e", false}}),
        true);
    add("acc_SHRUNK.ZIP", fixture("acc_SHRUNK.ZIP"), true);
    add("zip2_shrink.zip", fixture("zip2_shrink.zip"), true);
    add("zip2_reduce.zip", fixture("zip2_reduce.zip"), true);
    add("zip2_implode.zip", fixture("zip2_implode.zip"), true);
    add("acc_imploding-4Kdict-2trees.zip", fixture("acc_imploding-4Kdict-2trees.zip"), true);
    add("acc_imploding-8Kdict-3trees.zip", fixture("acc_imploding-8Kdict-3trees.zip"), true);
    std::string exe = ReadFileBytes(SharedTestData("zip\\expected\\sharpcompress_TEST.EXE"));
    for (int factor = 1; factor <= 3; factor++) {
        std::string name = "sharpcompress_Zip.reduce" + std::to_string(factor) + ".zip";
        add(name + " (first 2 KB of TEST.EXE)", reduced_prefix(fixture(name.c_str()), exe, 2048, 1600), true);
    }
    add("libarchive_symlink_unsupported_compression.zip", fixture("libarchive_symlink_unsupported_compression.zip"),
        false);
    add("libarchive_traditional_encryption_data.zip", fixture("libarchive_traditional_encryption_data.zip"), false);
    return all;
}

bool one_of(int result, std::initializer_list<int> codes)
{
    for (int code : codes)
        if (result == code) return true;
    return false;
}

}  // namespace

TEST(ZipFuzz, DamagedArchivesNeitherCrashNorWriteOutsideTheFolder)
{
    unsigned long long seed = FuzzSeed(DEFAULT_FUZZ_SEED);
    long count = FuzzCount(DEFAULT_FUZZ_COUNT);
    SCOPED_TRACE("HORALINK_FUZZ_SEED=" + std::to_string(seed));
    current_seed = seed;
    CRASHREPORT crashes;

    SCRATCH scratch;
    const std::string archive = scratch.File("fuzz.zip");
    const std::string sandbox = scratch.File("sandbox");
    const std::string target = sandbox + "\\one\\two\\three\\target";  // a climb of four levels still lands in the sandbox
    // The engine makes the target folder, not the folders above it.
    CreateDirectoryA(sandbox.c_str(), nullptr);
    for (size_t at = target.find('\\', sandbox.size() + 1); at != std::string::npos; at = target.find('\\', at + 1))
        CreateDirectoryA(target.substr(0, at).c_str(), nullptr);
    printf("zipfuzz: HORALINK_FUZZ_SEED=%llu, %ld archives; the one being read is %s\n", seed, count, archive.c_str());
    fflush(stdout);

    // Every seed is read whole before it is damaged: the mutations start from
    // archives that reach the decoders.
    std::vector<SEED> all = seeds();
    for (const SEED& s : all) {
        SCOPED_TRACE(s.Name);
        ASSERT_FALSE(s.Layout.Central.empty());
        ASSERT_TRUE(WriteFileBytes(archive, s.Bytes));
        ASSERT_EQ(UNZIP_OK, list(archive)) << UnzipError();
        for (int i = 0; s.Sound && i < ZIPLIST_ENTRIES && ZipListing().Name[i][0]; i++)
            ASSERT_EQ(UNZIP_OK, extract(archive, ZipListing().Name[i], target)) << ZipListing().Name[i] << ": " << UnzipError();
    }
    RemoveTree(target);

    MUTATOR mutator(seed);
    long listed = 0, extracted = 0, refused = 0;
    for (long i = 0; i < count; i++) {
        current_iteration = i;
        const SEED& from = all[mutator.Below(static_cast<uint32_t>(all.size()))];
        ASSERT_TRUE(write_archive(archive, mutator.Mutate(from))) << i;

        int result = list(archive);
        ASSERT_TRUE(one_of(result, {UNZIP_OK, UNZIP_DAMAGED, UNZIP_NOARCHIVE, UNZIP_TOOLARGE}))
            << "listing gave " << result << " at iteration " << i << " (from " << from.Name << ")";
        ASSERT_EQ(result == UNZIP_OK, UnzipError()[0] == '\0') << UnzipError() << " at iteration " << i;
        const ZIPLISTING& table = ZipListing();
        if (result != UNZIP_OK) {
            ASSERT_TRUE(table.Name[0][0] == '\0' && table.Total == 0) << "a refused listing left entries, iteration " << i;
        } else {
            listed++;
            std::vector<std::string> names;
            std::vector<DWORD> sizes;
            DWORD total = 0;
            for (int n = 0; n < ZIPLIST_ENTRIES && table.Name[n][0]; n++) {
                names.push_back(table.Name[n]);
                sizes.push_back(table.Size[n]);
                total += table.Size[n];
            }
            ASSERT_EQ(table.Total, total) << "iteration " << i;
            for (int n = 0; n < MAX_EXTRACTED && !names.empty(); n++) {
                size_t pick = names.size() <= MAX_EXTRACTED ? static_cast<size_t>(n) : mutator.Below(static_cast<uint32_t>(names.size()));
                if (pick >= names.size()) break;
                std::string name = names[pick];
                result = extract(archive, name, target);
                ASSERT_TRUE(one_of(result, {UNZIP_OK, UNZIP_DAMAGED, UNZIP_UNSUPPORTED}))
                    << "extracting " << name << " gave " << result << " at iteration " << i;
                ASSERT_EQ(result == UNZIP_OK, UnzipError()[0] == '\0') << UnzipError() << " at iteration " << i;
                if (result != UNZIP_OK) {
                    refused++;
                    continue;
                }
                extracted++;
                if (name.back() == '/') continue;
                // The engine extracts the first entry of a name.
                DWORD size = sizes[pick];
                for (size_t k = 0; k < names.size(); k++)
                    if (names[k] == name) {
                        size = sizes[k];
                        break;
                    }
                std::string file = target + "\\" + name;
                for (char& c : file)
                    if (c == '/') c = '\\';
                WIN32_FILE_ATTRIBUTE_DATA data;
                ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data))
                    << name << " was extracted but is missing, iteration " << i;
                ASSERT_TRUE(data.nFileSizeHigh == 0 && data.nFileSizeLow == size)
                    << name << " was extracted with " << data.nFileSizeLow << " bytes instead of " << size
                    << ", iteration " << i;
            }
        }
        if ((i + 1) % CHECK_EVERY == 0 || i + 1 == count) {
            std::vector<std::string> found;
            strays(scratch.Path(), target, found);
            found.erase(std::remove(found.begin(), found.end(), archive), found.end());
            found.erase(std::remove(found.begin(), found.end(), sandbox), found.end());
            ASSERT_TRUE(found.empty()) << found.size() << " strays by iteration " << i << ", the first: " << found[0];
            RemoveTree(target);
        }
    }
    current_iteration = -1;
    printf("zipfuzz: %ld listed, %ld entries extracted, %ld refused\n", listed, extracted, refused);
    // The damage must leave enough readable for the decoders and the writing to be tried.
    if (count >= 10000) {
        EXPECT_GT(listed, count / 10);
        EXPECT_GT(extracted, count / 20);
        EXPECT_GT(refused, count / 20);
    }
}
