// Reading a ZIP archive. Every number of the archive is checked against the file
// before it is used: offsets and sizes stay inside the file, the directory holds the
// entries it claims, and an entry's data lies before the directory.
#include "ziparchive.h"

#include "kelvo.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

static const uint32_t SIG_LOCAL = 0x04034b50;
static const uint32_t SIG_CENTRAL = 0x02014b50;
static const uint32_t SIG_END = 0x06054b50;
static const uint32_t SIG_END64LOCATOR = 0x07064b50;
static const uint32_t END_SIZE = 22;
static const uint32_t CENTRAL_SIZE = 46;
static const uint32_t LOCAL_SIZE = 30;
static const uint32_t MAX_COMMENT = 65535;
// A directory larger than this is not an installer's archive.
static const uint32_t MAX_DIRECTORY = 64u << 20;

static uint16_t get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
static uint32_t get32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

ZIPARCHIVE::~ZIPARCHIVE()
{
    Close();
}

bool ZIPARCHIVE::Fail(const char* why)
{
    Why = why;
    return false;
}

void ZIPARCHIVE::Close()
{
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
    File = INVALID_HANDLE_VALUE;
    List.clear();
    FileSize = DirectoryStart = 0;
}

bool ZIPARCHIVE::ReadAt(uint64_t offset, void* buffer, uint32_t size)
{
    if (offset > FileSize || size > FileSize - offset) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    return SetFilePointerEx(File, to, nullptr, FILE_BEGIN) && ReadFile(File, buffer, size, &got, nullptr) &&
           got == size;
}

bool ZIPARCHIVE::Open(const char* path)
{
    Close();
    Why.clear();
    File = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (File == INVALID_HANDLE_VALUE) return Fail("cannot open the archive");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(File, &size)) return Fail("cannot read the archive");
    FileSize = static_cast<uint64_t>(size.QuadPart);
    if (!ReadDirectory()) {
        std::string why = Why;
        Close();
        Why = why;
        return false;
    }
    return true;
}

bool ZIPARCHIVE::ReadDirectory()
{
    if (FileSize < END_SIZE) return Fail("not a ZIP archive");
    // The end record sits in the last 22 bytes plus at most a 64 KB comment; the last
    // signature whose comment reaches exactly to the end of the file is the one.
    uint32_t tail = static_cast<uint32_t>(std::min<uint64_t>(FileSize, END_SIZE + MAX_COMMENT));
    std::vector<unsigned char> buffer(tail);
    uint64_t tailstart = FileSize - tail;
    if (!ReadAt(tailstart, buffer.data(), tail)) return Fail("cannot read the archive");
    long end = -1;
    for (long i = static_cast<long>(tail - END_SIZE); i >= 0; i--) {
        if (get32(&buffer[i]) != SIG_END) continue;
        if (i + END_SIZE + get16(&buffer[i + 20]) == tail) {
            end = i;
            break;
        }
        if (end < 0) end = i;
    }
    if (end < 0) return Fail("not a ZIP archive");
    const unsigned char* e = &buffer[end];
    uint16_t disk = get16(e + 4), dirdisk = get16(e + 6), here = get16(e + 8), count = get16(e + 10);
    uint32_t dirsize = get32(e + 12), diroffset = get32(e + 16);
    uint64_t endoffset = tailstart + static_cast<uint64_t>(end);
    if (end >= 20 && get32(e - 20) == SIG_END64LOCATOR) return Fail("ZIP64 archives are not supported");
    if (disk != 0 || dirdisk != 0 || here != count) return Fail("archives in several parts are not supported");
    if (dirsize > MAX_DIRECTORY || static_cast<uint64_t>(diroffset) + dirsize > endoffset ||
        static_cast<uint64_t>(count) * CENTRAL_SIZE > dirsize)
        return Fail("damaged archive: the directory lies outside the file");
    DirectoryStart = diroffset;
    std::vector<unsigned char> dir(dirsize + 1);
    if (dirsize > 0 && !ReadAt(diroffset, dir.data(), dirsize)) return Fail("cannot read the archive's directory");
    uint32_t at = 0;
    List.reserve(count);
    for (uint32_t i = 0; i < count; i++) {
        if (dirsize - at < CENTRAL_SIZE || get32(&dir[at]) != SIG_CENTRAL)
            return Fail("damaged archive: the directory is incomplete");
        const unsigned char* c = &dir[at];
        uint32_t namelength = get16(c + 28), extra = get16(c + 30), comment = get16(c + 32);
        uint32_t length = CENTRAL_SIZE + namelength + extra + comment;
        if (length > dirsize - at) return Fail("damaged archive: the directory is incomplete");
        ZIPENTRY entry;
        entry.Flags = get16(c + 8);
        entry.Method = get16(c + 10);
        entry.Time = get16(c + 12);
        entry.Date = get16(c + 14);
        entry.Crc = get32(c + 16);
        entry.PackedSize = get32(c + 20);
        entry.Size = get32(c + 24);
        entry.HeaderOffset = get32(c + 42);
        entry.Name.assign(reinterpret_cast<const char*>(c + CENTRAL_SIZE), namelength);
        if (entry.PackedSize == 0xffffffff || entry.Size == 0xffffffff || entry.HeaderOffset == 0xffffffff)
            return Fail("ZIP64 archives are not supported");
        if (get16(c + 34) != 0) return Fail("archives in several parts are not supported");
        if (entry.HeaderOffset >= DirectoryStart) return Fail("damaged archive: an entry lies outside the file");
        List.push_back(entry);
        at += length;
    }
    return true;
}

static std::string folded(const char* name)
{
    std::string s(name);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

const ZIPENTRY* ZIPARCHIVE::Find(const char* name) const
{
    std::string wanted = folded(name);
    for (const ZIPENTRY& entry : List)
        if (folded(entry.Name.c_str()) == wanted) return &entry;
    return nullptr;
}

// An entry's packed bytes, read from the archive in blocks.
class ZIPDATA : public ZIPINPUT {
public:
    ZIPDATA(ZIPARCHIVE& archive, uint64_t start, uint32_t size) : Archive(archive), Position(start), Left(size) {}
    size_t Read(unsigned char* buffer, size_t size) override
    {
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, Left));
        if (n == 0 || !Archive.ReadAt(Position, buffer, n)) return 0;
        Position += n;
        Left -= n;
        return n;
    }

private:
    ZIPARCHIVE& Archive;
    uint64_t Position;
    uint32_t Left;
};

// Counts and checksums what a decoder writes and never lets more than the entry's
// size through.
class ZIPCHECK : public ZIPOUTPUT {
public:
    ZIPCHECK(ZIPOUTPUT& out, uint32_t size) : Out(out), Size(size) {}
    bool Write(const unsigned char* data, size_t size) override
    {
        if (size > Size - Written) return false;
        Crc = crc32(Crc, data, static_cast<uInt>(size));
        Written += static_cast<uint32_t>(size);
        if (!Out.Write(data, size)) WriteFailed = true;
        return !WriteFailed;
    }
    uint32_t Written = 0;
    bool WriteFailed = false;
    uLong Crc = crc32(0, nullptr, 0);

private:
    ZIPOUTPUT& Out;
    uint32_t Size;
};

bool ZIPARCHIVE::Decode(const ZIPENTRY& entry, ZIPOUTPUT& out)
{
    Why.clear();
    if (File == INVALID_HANDLE_VALUE) return Fail("the archive is not open");
    if (entry.Flags & (ZIPFLAG_ENCRYPTED | ZIPFLAG_STRONGENCRYPTION)) return Fail("encrypted (not supported)");
    unsigned char local[LOCAL_SIZE];
    if (!ReadAt(entry.HeaderOffset, local, LOCAL_SIZE) || get32(local) != SIG_LOCAL)
        return Fail("damaged archive: an entry's header is missing");
    uint64_t start = static_cast<uint64_t>(entry.HeaderOffset) + LOCAL_SIZE + get16(local + 26) + get16(local + 28);
    if (start > DirectoryStart || entry.PackedSize > DirectoryStart - start)
        return Fail("damaged archive: an entry's data lies outside the file");
    ZIPDATA in(*this, start, entry.PackedSize);
    ZIPCHECK check(out, entry.Size);
    bool done;
    switch (entry.Method) {
    case 0: done = CopyStored(in, check, entry.Size); break;
    case 1: done = Unshrink(in, check, entry.Size); break;
    case 2: case 3: case 4: case 5: done = Unreduce(in, check, entry.Size, entry.Method - 1); break;
    case 6: done = Explode(in, check, entry.Size, (entry.Flags & 2) != 0, (entry.Flags & 4) != 0); break;
    case 8: done = Inflate(in, check, entry.Size); break;
    default: return Fail("unknown compression method");
    }
    if (!done) return Fail(check.WriteFailed ? "cannot write the file" : "damaged data");
    if (check.Written != entry.Size) return Fail("damaged data: wrong size");
    if (check.Crc != entry.Crc) return Fail("damaged data: CRC error");
    return true;
}
