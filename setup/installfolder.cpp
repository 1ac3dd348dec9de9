// The install folder's rules.
#include "installfolder.h"

#include "kelvo.h"
#include "osys.h"

#include <windows.h>

#include <cctype>
#include <cstring>

STRING ProposedInstallFolder(const char* earlierfolder, const char* installpath, const char* programfiles)
{
    if (earlierfolder && *earlierfolder && OSYS::FileIsDirectory(earlierfolder)) return STRING(earlierfolder);
    STRING path(installpath ? installpath : "");
    if (path.Length() > 0 && path[0] == '*') return path.Mid(1);
    return STRING(programfiles ? programfiles : "") + path;
}

STRING FinishedInstallFolder(const char* folder, const char* appname)
{
    STRING result(folder ? folder : "");
    if (result.Length() > 0 && result[result.Length() - 1] == '\\') result.CutRight(1);
    if (result.Length() < 5) result.AppendFormat("\\%s", appname ? appname : "");
    return result;
}

// The folder without trailing backslashes, for comparing.
static STRING bare(const char* folder)
{
    STRING s(folder ? folder : "");
    while (s.Length() > 0 && s[s.Length() - 1] == '\\') s.CutRight(1);
    return s;
}

bool InstallFolderAllowed(const char* folder, const char* windowsfolder, const char* programfiles)
{
    STRING f = bare(folder);
    // A full path: a drive letter, ":" and "\", or a network path "\\server\share".
    bool drive = f.Length() >= 3 && isalpha(static_cast<unsigned char>(f[0])) && f[1] == ':' && f[2] == '\\';
    bool network = f.Length() >= 5 && f[0] == '\\' && f[1] == '\\';
    if ((!drive && !network) || f.Length() > INSTALLFOLDER_MAXPATH) return false;
    // Nothing may climb out of the folder it names.
    if (f.Find("\\..\\") || f.Right(3) == "\\.." || f.Find("\\.\\") || f.Right(2) == "\\.") return false;
    // A drive root, or a share's root.
    if (drive && f.Length() <= 3) return false;
    if (network && f.Field(4, "\\").IsNull()) return false;
    return !(f == bare(windowsfolder)) && !(f == bare(programfiles));
}

STRING WindowsFolder()
{
    char path[MAX_PATH] = "";
    UINT n = GetWindowsDirectoryA(path, sizeof path);
    return n > 0 && n < sizeof path ? STRING(path) : STRING("");
}
