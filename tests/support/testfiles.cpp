// Scratch folders and whole-file helpers for tests.
#include "testfiles.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

static unsigned long tempdir_counter;

std::string TestProgramDir()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\'));
}

std::string ProductBinDir()
{
    std::string dir = TestProgramDir();
    return dir.substr(0, dir.find_last_of('\\')) + "\\bin";
}

std::string SharedTestData(const std::string& name)
{
    const char* source = getenv("HORALINK_SOURCE_DIR");
    std::string path = std::string("Z:") + (source ? source : "") + "/../shared/testdata/" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    if (!source || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        fprintf(stderr, "The shared test data %s is missing: it lies beside the source tree in ../shared.\n",
                path.c_str());
    return path;
}

TEMPDIR::TEMPDIR()
{
    std::string base = TestProgramDir() + "\\tmp";
    CreateDirectoryA(base.c_str(), nullptr);
    char name[64];
    for (;;) {
        snprintf(name, sizeof name, "\\t%lu_%lu", GetCurrentProcessId(), ++tempdir_counter);
        path = base + name;
        if (CreateDirectoryA(path.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TEMPDIR::~TEMPDIR() { RemoveTree(path); }

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = folder + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(folder.c_str());
}

std::string ReadFileBytes(const std::string& file)
{
    std::string bytes;
    FILE* f = fopen(file.c_str(), "rb");
    if (!f) return bytes;
    char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    fclose(f);
    return bytes;
}

bool WriteFileBytes(const std::string& file, const std::string& bytes)
{
    FILE* f = fopen(file.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool FileExistsOnDisk(const std::string& file)
{
    return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}
