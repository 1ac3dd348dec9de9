// File-tree operations on top of FILENAME's directory search: creating a path
// one folder after the other, listing a tree with contents before their folder,
// and copying or deleting such a listing.
#include "osysfile.h"

#include "filename.h"
#include "kelvo.h"
#include "osys.h"

#include <windows.h>

bool MakePath(const char* path)
{
    Logit("MakePath %s\n", path ? path : "(null)");
    if (!path || !*path) return false;
    STRING p(path);
    p.Replace("/", "\\");
    int len = p.Length();
    // Skip what cannot be created: a drive ("x:\"), a root "\", or "\\server\share\".
    int start = 0;
    if (len >= 2 && p[1] == ':') {
        start = 2;
    } else if (len >= 2 && p[0] == '\\' && p[1] == '\\') {
        int server = p.Pos("\\", 2);
        int share = server >= 0 ? p.Pos("\\", server + 1) : -1;
        start = share >= 0 ? share : len;
    }
    for (int i = start + 1; i <= len; i++) {
        if (i < len && p[i] != '\\') continue;
        if (p[i - 1] == '\\') continue;  // empty component
        STRING part = p.Left(i);
        if (!OSYS::FileIsDirectory(part) && !CreateDirectoryA(part, nullptr))
            Logit("MakePath %s failed: %s\n", part.Text(), ErrorText().Text());
    }
    bool ok = OSYS::FileIsDirectory(p);
    Logit("MakePath returns %d\n", ok);
    return ok;
}

// Lists root\rel; every search runs on its own copy of root, so the search of a
// folder stays open while its sub-folders are listed.
static int list_folder(const FILENAME& root, const STRING& rel, const char* pattern,
                       STRINGARRAY* list, bool recursive)
{
    int count = 0;
    STRING folder = rel.Length() > 0 ? PathJoin(root, rel) : STRING(root);
    FILENAME search(root);
    for (STRING name = search.FindFirst(PathJoin(rel, pattern)); name.NotNull();
         name = search.FindNext()) {
        if (search.FoundDirectory()) continue;
        list->Add(PathJoin(folder, name));
        count++;
    }
    if (!recursive) return count;
    for (STRING name = search.FindFirst(PathJoin(rel, "*")); name.NotNull();
         name = search.FindNext()) {
        if (!search.FoundDirectory() || name[0] == '.') continue;
        STRING sub = PathJoin(rel, name);
        // A link leads out of the tree: it is listed as an entry of its own only.
        if (search.FoundLink())
            Logit("ListTree %s is a link: not descended into\n", PathJoin(root, sub).Text());
        else
            count += list_folder(root, sub, pattern, list, recursive);
        list->Add(PathJoin(root, sub));
        count++;
    }
    return count;
}

int ListTree(const char* directory, const char* pattern, STRINGARRAY* list, bool recursive)
{
    if (!ASSERT(list != nullptr)) return 0;
    FILENAME root(directory);
    Logit("ListTree %s %s recursive= %d\n", root.Text(), pattern ? pattern : "*", recursive);
    int count = list_folder(root, STRING(""), pattern ? pattern : "*", list, recursive);
    Logit("ListTree returns %d\n", count);
    return count;
}

bool CopyTree(const char* from, const char* to, const char* pattern, bool recursive, bool keep)
{
    FILENAME source(from);
    FILENAME target(to);
    Logit("CopyTree %s -> %s (%s) recursive= %d keep= %d\n", source.Text(), target.Text(),
          pattern ? pattern : "*", recursive, keep);
    STRINGARRAY list;
    ListTree(source, pattern, &list, recursive);
    list.Add(source);
    int fl = source.Length();
    bool ok = true;
    // From the end: every folder comes before its contents.
    for (int i = list.GetCount() - 1; i >= 0; i--) {
        STRING entry = list[i];
        if (!ASSERTTEXT(entry.Left(fl) == source, "source.Left(fl)==from", entry)) {
            ok = false;
            continue;
        }
        STRING rest = entry.Mid(fl);
        rest.RemoveLeading('\\');
        STRING dest = rest.Length() > 0 ? PathJoin(target, rest) : STRING(target);
        if (OSYS::FileIsDirectory(entry)) {
            if (!MakePath(dest)) ok = false;
        } else if (!CopyFileA(entry, dest, keep)) {
            Logit("CopyTree %s -> %s failed: %s\n", entry.Text(), dest.Text(), ErrorText().Text());
            ok = false;
        }
    }
    Logit("CopyTree returns %d\n", ok);
    return ok;
}

int DeleteTree(const char* directory, const char* pattern, bool recursive)
{
    FILENAME root(directory);
    Logit("DeleteTree %s (%s) recursive= %d\n", root.Text(), pattern ? pattern : "*", recursive);
    // An empty name would delete in the current directory, a root a whole drive.
    if (!ASSERTTEXT(root.Length() > 0 && !(root.Length() <= 3 && root.IsAbsolute()),
                    "root.NotEmpty() && !IsRoot(root)", root))
        return 0;
    STRINGARRAY list;
    DWORD attributes = GetFileAttributesA(root);
    // A folder that is a link goes as a link; its target is none of our business.
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ListTree(root, pattern, &list, recursive);
    list.Add(root);
    // The listing puts every folder behind its contents, so one pass in list order
    // empties each folder before it is removed.
    int removed = 0;
    for (int i = 0; i < list.GetCount(); i++) {
        STRING entry = list[i];
        bool folder = OSYS::FileIsDirectory(entry);
        if (folder ? RemoveDirectoryA(entry) : DeleteFileA(entry))
            removed += folder;
        else
            Logit("DeleteTree %s failed: %s\n", entry.Text(), ErrorText().Text());
    }
    Logit("DeleteTree returns %d\n", removed);
    return removed;
}
