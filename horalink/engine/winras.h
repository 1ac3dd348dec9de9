// WINRAS: the platform's remote-access library, loaded at run time, asked for the
// phonebook entries and whether a dial-up connection is up.
#pragma once

#include "stringarray.h"
#include "strings.h"

#include <windows.h>
#include <ras.h>

// Room for a watched entry name: 127 characters and the terminator.
const int WINRAS_ENTRYNAME_SIZE = 128;

class WINRAS {
public:
    // The first object loads the library, the last one unloads it.
    explicit WINRAS(int mode = 0);
    ~WINRAS();
    WINRAS(const WINRAS&) = delete;
    WINRAS& operator=(const WINRAS&) = delete;

    // Whether the remote-access library is loaded.
    bool Available() const;
    // The names of the default phonebook's entries joined by "|"; empty when there are
    // none or the library is missing.
    STRING GetEntryList();
    // The names of a list that GetEntryList gave; none (not one empty name) for an
    // empty list.
    static STRINGARRAY SplitEntryList(const STRING& list);
    // Whether a connection is up: for the entry named in entryname (size bytes), or for
    // any entry when it is empty. On success entryname receives the connection's entry
    // name and connection (when not null) its handle.
    bool IsConnected(char* entryname, int size, HRASCONN* connection);

    // The library loaded by the first object ("RASAPI32"); tests name a stand-in.
    static void SetLibraryName(const char* name);
    // Number of live objects.
    static int GetInstanceCount();

private:
    STRING LastEntry;  // the entry asked for last
    int Reserved;
    int Mode;
};
