// The atomic file writer: temporary file in the target's folder, flush to disk,
// then one replace, which either happens completely or not at all.
#include "atomicfile.h"

#include "kelvo.h"

#include <windows.h>

#include <io.h>
#include <share.h>

// The folder part of a path, usable by GetTempFileName: "." for a bare name, and
// "C:\" (not "C:", the drive's current folder) for a file in a drive's root.
static STRING folder_of(const STRING& path)
{
    int cut = -1;
    for (int i = 0; i < path.Length(); i++)
        if (path.Data()[i] == '\\' || path.Data()[i] == '/') cut = i;
    if (cut < 0) return path.Length() >= 2 && path.Data()[1] == ':' ? path.Left(2) : STRING(".");
    STRING folder = path.Left(cut);
    if (folder.Length() == 0 || folder.Data()[folder.Length() - 1] == ':') folder = path.Left(cut + 1);
    return folder;
}

// GetTempFileName makes "<prefix><hex>.tmp" of the first three letters of the prefix.
static const char TEMP_PREFIX[] = "~hl";
static const char TEMP_PATTERN[] = "~hl*.tmp";

long ATOMICFILE::CutWritesAt = -1;

ATOMICFILE::ATOMICFILE() : pFile(nullptr) {}

ATOMICFILE::~ATOMICFILE() { Abandon(); }

FILE* ATOMICFILE::Open(const char* target, const char* mode)
{
    Abandon();
    if (!ASSERTINFO(mode && mode[0] == 'w', mode)) return nullptr;
    if (!target || !*target) return nullptr;
    Target = target;
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folder_of(Target).Text(), TEMP_PREFIX, 0, temp)) return nullptr;
    Temp = temp;
    pFile = _fsopen(temp, mode, _SH_DENYRW);
    if (!pFile) Abandon();
    return pFile;
}

bool ATOMICFILE::Commit()
{
    if (!pFile) return false;
    bool ok = fflush(pFile) == 0 && !ferror(pFile);
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pFile)));
    if (ok && CutWritesAt >= 0) {
        // The test seam: the write stops short, part of the content on the disk.
        _chsize(_fileno(pFile), CutWritesAt);
        SetLastError(ERROR_DISK_FULL);
        ok = false;
    }
    if (ok && !FlushFileBuffers(h)) ok = false;
    if (fclose(pFile) != 0) ok = false;
    pFile = nullptr;
    // A read-only target is not to be written, and a folder is no file to replace; not
    // every system's MoveFileEx refuses them by itself.
    DWORD attributes = GetFileAttributesA(Target.Text());
    if (ok && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        ok = false;
    }
    if (ok) ok = MoveFileExA(Temp.Text(), Target.Text(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (ok)
        Temp.SetNull();
    else
        Abandon();
    return ok;
}

void ATOMICFILE::Abandon()
{
    // The caller reports why the write failed: keep that error, not the clean-up's.
    DWORD error = GetLastError();
    if (pFile) fclose(pFile);
    pFile = nullptr;
    if (Temp.NotNull()) DeleteFileA(Temp.Text());
    Temp.SetNull();
    SetLastError(error);
}

int ATOMICFILE::RemoveLeftovers(const char* folder)
{
    if (!folder || !*folder) return 0;
    STRING base = folder;
    if (base.Data()[base.Length() - 1] != '\\' && base.Data()[base.Length() - 1] != '/') base += "\\";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(STRING(base + TEMP_PATTERN).Text(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int removed = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        STRING path = base + found.cFileName;
        // A writer's file is open without sharing, so it cannot be deleted under it.
        if (DeleteFileA(path.Text())) {
            Logit("ATOMICFILE::RemoveLeftovers %s\n", path.Text());
            removed++;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return removed;
}
