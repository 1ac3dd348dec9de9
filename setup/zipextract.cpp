// Writing one archive entry below a folder.
#include "zipextract.h"

#include "filename.h"
#include "kelvo.h"

#include <algorithm>
#include <cstring>
#include <string>

bool SafeEntryName(const std::string& name)
{
    std::string path = name;
    if (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    return path.find('\0') == std::string::npos && StaysInsideFolder(path.c_str());
}

// The decoded bytes, written to the temporary file in large blocks.
class FILEOUT : public ZIPOUTPUT {
public:
    explicit FILEOUT(HANDLE file) : File(file) {}
    ~FILEOUT() override { delete[] Buffer; }
    bool Write(const unsigned char* data, size_t size) override
    {
        while (size > 0) {
            size_t n = std::min(size, BLOCK - Used);
            memcpy(Buffer + Used, data, n);
            Used += n;
            data += n;
            size -= n;
            if (Used == BLOCK && !Flush()) return false;
        }
        return true;
    }
    bool Flush()
    {
        DWORD written = 0;
        bool ok = Used == 0 || (WriteFile(File, Buffer, static_cast<DWORD>(Used), &written, nullptr) && written == Used);
        Used = 0;
        return ok;
    }

private:
    static const size_t BLOCK = 256 * 1024;
    HANDLE File;
    unsigned char* Buffer = new unsigned char[BLOCK];
    size_t Used = 0;
};

// Makes path a folder (when it is none yet); false when something else is there, or
// a link that could lead out of the folder being filled.
static bool make_folder(const std::string& path)
{
    CreateDirectoryA(path.c_str(), nullptr);
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool ExtractEntry(ZIPARCHIVE& archive, const ZIPENTRY& entry, const char* folder, std::string& why)
{
    if (!SafeEntryName(entry.Name)) {
        why = "the entry's name leads outside the folder: refused";
        return false;
    }
    std::string base(folder ? folder : "");
    while (base.size() > 3 && (base.back() == '\\' || base.back() == '/')) base.pop_back();
    std::string name = entry.Name;
    std::replace(name.begin(), name.end(), '/', '\\');
    bool isfolder = name.back() == '\\';
    if (isfolder) name.pop_back();
    std::string target = base + (base.empty() || base.back() == '\\' ? "" : "\\") + name;
    if (target.size() >= MAX_PATH - 14) {
        why = "the path of the file is too long";
        return false;
    }
    // The folder itself, then the entry's folders below it.
    if (!make_folder(base)) {
        why = "cannot create the folder " + base;
        return false;
    }
    for (size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1))
        if (!make_folder(base + "\\" + name.substr(0, at))) {
            why = "cannot create the folder of " + entry.Name;
            return false;
        }
    if (isfolder) {
        if (make_folder(target)) return true;
        why = "cannot create the folder " + entry.Name;
        return false;
    }
    std::string directory = target.substr(0, target.find_last_of('\\'));
    char temp[MAX_PATH];
    if (!GetTempFileNameA(directory.c_str(), "hlz", 0, temp)) {
        why = "cannot write into the folder of " + entry.Name;
        return false;
    }
    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(temp);
        why = "cannot write the file";
        return false;
    }
    FILEOUT out(file);
    bool ok = archive.Decode(entry, out);
    why = archive.Error();
    if (ok && !out.Flush()) {
        ok = false;
        why = "cannot write the file";
    }
    FILETIME local, utc;
    if (ok && DosDateTimeToFileTime(entry.Date, entry.Time, &local) && LocalFileTimeToFileTime(&local, &utc))
        SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
    if (ok) {
        // A read-only file of an older installation is replaced as well.
        DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        ok = MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        if (!ok) why = "cannot replace the file (error " + std::to_string(GetLastError()) + ")";
    }
    if (!ok) DeleteFileA(temp);
    return ok;
}
