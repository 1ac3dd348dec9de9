// Destinations of the TCP device: "host port" and "host:port" texts split and looked
// up, the host records kept in rotating slots, ports by number or service name.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "tcpio.h"

#include "kelvo.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A host record of Resolv with the storage it points into: one name, one address.
struct RESOLVED {
    hostent Host;
    char Name[256];
    char* Aliases[1];
    char* Addresses[2];
    in_addr Address;
};

static const int RESOLVED_SLOTS = 128;
static RESOLVED resolved_slots[RESOLVED_SLOTS];
static LONG resolved_next = -1;

const hostent* TCPIPIO::Resolv(const char* text, STRING* port, STRING* host, in_addr* address,
                               bool noreverse)
{
    const char* p = text ? text : "";
    while (*p == ' ' || *p == ':' || *p == '*') p++;
    size_t n = strcspn(p, " :");
    STRING name(p, static_cast<int>(n));
    STRING rest(p[n] ? p + n + 1 : "");
    rest.Strip('B', " ");
    if (rest.Length() == 0) rest = "23";
    if (port) *port = rest;
    if (host) *host = name;
    if (n == 0 || n >= sizeof resolved_slots[0].Name) return nullptr;

    bool numeric = true;
    for (size_t i = 0; i < n; i++)
        if (isalpha(static_cast<unsigned char>(p[i]))) numeric = false;
    in_addr found;
    const char* hostname = nullptr;
    if (numeric) {
        found.s_addr = inet_addr(name.Text());
        if (found.s_addr == INADDR_NONE && name != "255.255.255.255") return nullptr;
        const hostent* h = noreverse ? nullptr
                                     : gethostbyaddr(reinterpret_cast<const char*>(&found), 4, AF_INET);
        hostname = h && h->h_name ? h->h_name : "<unnamed>";
    } else {
        const hostent* h = gethostbyname(name.Text());
        if (!h || h->h_addrtype != AF_INET || h->h_length != 4 || !h->h_addr_list ||
            !h->h_addr_list[0])
            return nullptr;
        memcpy(&found, h->h_addr_list[0], sizeof found);
        hostname = h->h_name ? h->h_name : name.Text();
    }

    RESOLVED& slot = resolved_slots[static_cast<unsigned>(InterlockedIncrement(&resolved_next)) %
                                    RESOLVED_SLOTS];
    snprintf(slot.Name, sizeof slot.Name, "%s", hostname);
    slot.Address = found;
    slot.Aliases[0] = nullptr;
    slot.Addresses[0] = reinterpret_cast<char*>(&slot.Address);
    slot.Addresses[1] = nullptr;
    slot.Host.h_name = slot.Name;
    slot.Host.h_aliases = slot.Aliases;
    slot.Host.h_addrtype = AF_INET;
    slot.Host.h_length = 4;
    slot.Host.h_addr_list = slot.Addresses;
    if (address) *address = found;
    return &slot.Host;
}

int TCPIPIO::LookupPort(const char* port)
{
    if (!port || !*port || strlen(port) > 63) return 0;
    if (strspn(port, "0123456789") == strlen(port)) {
        long n = strlen(port) <= 5 ? strtol(port, nullptr, 10) : 0;
        return n <= 65535 ? static_cast<int>(n) : 0;
    }
    const servent* s = getservbyname(port, "tcp");
    return s ? ntohs(s->s_port) : 0;
}
