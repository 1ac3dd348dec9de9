// ZIP archives made byte by byte.
#include "zipwriter.h"

#include <zlib.h>

static void put16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}

static void put32(std::string& s, uint32_t v)
{
    put16(s, v & 0xffff);
    put16(s, v >> 16);
}

std::string DeflateRaw(const std::string& data)
{
    z_stream z = {};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string MakeZip(const std::vector<ZIPITEM>& items)
{
    std::string archive, directory;
    for (const ZIPITEM& item : items) {
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(item.Data.data()), static_cast<uInt>(item.Data.size())));
        if (item.BadCrc) crc ^= 1;
        std::string packed = item.Method >= 0 ? item.Data : item.Deflate ? DeflateRaw(item.Data) : item.Data;
        uint32_t method = item.Method >= 0 ? static_cast<uint32_t>(item.Method) : item.Deflate ? 8 : 0;
        uint32_t offset = static_cast<uint32_t>(archive.size());
        std::string common;
        put16(common, item.Flags);
        put16(common, method);
        put16(common, 0x6000);  // 12:00
        put16(common, 0x5988);  // 2024-12-08
        put32(common, crc);
        put32(common, static_cast<uint32_t>(packed.size()));
        put32(common, static_cast<uint32_t>(item.Data.size()));
        put16(common, static_cast<uint32_t>(item.Name.size()));
        put16(common, 0);
        put32(archive, 0x04034b50);
        put16(archive, 20);
        archive += common + item.Name + packed;
        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 20);
        directory += common;
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += item.Name;
    }
    uint32_t start = static_cast<uint32_t>(archive.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, static_cast<uint32_t>(items.size()));
    put16(archive, static_cast<uint32_t>(items.size()));
    put32(archive, static_cast<uint32_t>(directory.size()));
    put32(archive, start);
    put16(archive, 0);
    return archive;
}
