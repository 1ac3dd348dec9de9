// The ZIP engine's two commands and the listing table they fill.
#include "unzip.h"

#include "kelvo.h"
#include "ziparchive.h"
#include "zipextract.h"

#include <algorithm>
#include <cstring>
#include <string>

static ZIPLISTING listing;
static std::string last_error;

ZIPLISTING& ZipListing()
{
    return listing;
}

void ClearZipListing()
{
    memset(&listing, 0, sizeof listing);
}

const char* UnzipError()
{
    return last_error.c_str();
}

static int failed(int result, const char* archive, const std::string& why)
{
    last_error = why;
    Logit("unzip: %s: %s\n", archive, why.c_str());
    return result;
}

// Lists archive into the table. An archive the table cannot take whole, or one with
// a name that leads outside the folder, is refused and the table stays empty: a
// walk over half an archive would install half a product.
static int list(const char* archive)
{
    ClearZipListing();
    ZIPARCHIVE zip;
    if (!zip.Open(archive)) return failed(UNZIP_NOARCHIVE, archive, zip.Error());
    const std::vector<ZIPENTRY>& entries = zip.Entries();
    if (entries.size() > static_cast<size_t>(ZIPLIST_ENTRIES))
        return failed(UNZIP_TOOLARGE, archive,
                      "more than " + std::to_string(ZIPLIST_ENTRIES) + " entries (" + std::to_string(entries.size()) + ")");
    unsigned long long total = 0;
    for (const ZIPENTRY& entry : entries) {
        if (entry.Name.size() >= static_cast<size_t>(ZIPLIST_NAMESIZE))
            return failed(UNZIP_TOOLARGE, archive,
                          "an entry name is longer than " + std::to_string(ZIPLIST_NAMESIZE - 1) + " characters");
        if (!SafeEntryName(entry.Name))
            return failed(UNZIP_DAMAGED, archive, "the entry " + entry.Name + " leads outside the folder: refused");
        total += entry.Size;
    }
    if (total > 0xffffffffULL) return failed(UNZIP_TOOLARGE, archive, "more than 4 GB of files");
    for (size_t i = 0; i < entries.size(); i++) {
        std::string name = entries[i].Name;
        std::replace(name.begin(), name.end(), '\\', '/');
        memcpy(listing.Name[i], name.c_str(), name.size() + 1);
        listing.Size[i] = entries[i].Size;
    }
    listing.Total = static_cast<DWORD>(total);
    return UNZIP_OK;
}

static int extract(const char* archive, const char* name, const char* folder)
{
    ZIPARCHIVE zip;
    if (!zip.Open(archive)) return failed(UNZIP_NOARCHIVE, archive, zip.Error());
    const ZIPENTRY* entry = zip.Find(name);
    if (!entry) return failed(UNZIP_NOENTRY, archive, std::string("no entry ") + name);
    std::string why;
    if (ExtractEntry(zip, *entry, folder, why)) return UNZIP_OK;
    bool unsupported = why == "unknown compression method" || why == "encrypted (not supported)";
    return failed(unsupported ? UNZIP_UNSUPPORTED : UNZIP_DAMAGED, archive, std::string(name) + ": " + why);
}

int Unzip(int argc, const char* const argv[])
{
    last_error.clear();
    if (argc == 3 && argv[1] && argv[2] && strcmp(argv[1], "-v") == 0) return list(argv[2]);
    if (argc == 6 && argv[1] && argv[2] && argv[3] && argv[4] && argv[5] && strcmp(argv[1], "-qq") == 0 &&
        strcmp(argv[4], "-d") == 0)
        return extract(argv[2], argv[3], argv[5]);
    return failed(UNZIP_USAGE, "", "unknown arguments");
}
