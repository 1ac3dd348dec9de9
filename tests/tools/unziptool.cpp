// The installer's ZIP engine on the command line, for tests and benchmarks:
//   unziptool -v ARCHIVE                  prints the listing table: "size<TAB>name" per
//                                         entry, then "total<TAB>n"
//   unziptool -qq ARCHIVE ENTRY -d FOLDER extracts one entry
//   unziptool -all ARCHIVE FOLDER         lists, then extracts every entry
// The exit code is the engine's; a failure prints "error: " and the engine's reason.
#include "unzip.h"

#include <cstdio>
#include <cstring>

static int report(int result)
{
    if (result != 0) printf("error: %s\n", UnzipError());
    return result;
}

int main(int argc, char* argv[])
{
    argv[0] = const_cast<char*>("unzip");
    if (argc == 4 && strcmp(argv[1], "-all") == 0) {
        const char* list[] = {"unzip", "-v", argv[2]};
        int result = Unzip(3, list);
        for (int i = 0; result == 0 && i < ZIPLIST_ENTRIES && ZipListing().Name[i][0]; i++) {
            const char* one[] = {"unzip", "-qq", argv[2], ZipListing().Name[i], "-d", argv[3]};
            result = Unzip(6, one);
        }
        return report(result);
    }
    int result = Unzip(argc, argv);
    if (result == 0 && argc == 3) {
        const ZIPLISTING& table = ZipListing();
        for (int i = 0; i < ZIPLIST_ENTRIES && table.Name[i][0]; i++) printf("%lu\t%s\n", table.Size[i], table.Name[i]);
        printf("total\t%lu\n", table.Total);
    }
    return report(result);
}
