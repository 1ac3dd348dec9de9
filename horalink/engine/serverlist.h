// The time servers offered for choice: a sectioned list in the language library
// whose records carry a description ("loc") and a host name ("dns").
#pragma once

#include "hash.h"
#include "strings.h"

const char SERVERLIST_SHOWKEY[] = "loc";
const char SERVERLIST_VALUEKEY[] = "dns";

// The records of a sectioned text, one per section headed by a line such as "[#1]",
// in the configuration-file format of every record.
HASHLIST ParseServerList(const STRING& text);
// The servers of text resource IDS_SERVERLIST of the language library.
HASHLIST ServerList();
// list, and behind it a record for host when host is set and no record holds it, so
// that a server typed in an older version stays visible and chosen.
HASHLIST ServerListWith(const HASHLIST& list, const STRING& host);
