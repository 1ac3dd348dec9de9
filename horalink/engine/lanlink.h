// LANLINK, what the LAN time protocol sends its lines through: the mailslot device in
// the program, a recorder in tests.
#pragma once

class LANLINK {
public:
    virtual ~LANLINK() {}
    // Sends one protocol line (with its line end) to the LAN; true when it went out.
    virtual bool Send(const char* bytes, int length) = 0;
};
