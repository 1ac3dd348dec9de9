// MAILIO, the mailslot device: short messages between the program's instances on a
// LAN. One receiving slot (AcceptCall), one writing end (MakeCall); long writes go
// out in 400-byte messages, and a message that repeats the previous one is dropped.
#pragma once

#include "ios.h"

// The largest message a slot takes and DevRead delivers.
const int MAILIO_MAXMESSAGE = 8192;
// The slot's read time-out in ms.
const int MAILIO_READTIMEOUT = 250;
// Writes go out in messages of at most this many bytes.
const int MAILIO_PIECE = 400;
// Tries per message before it is given up.
const int MAILIO_WRITETRIES = 3;

// Test seam, never a user setting: several instances on one machine form a LAN.
// "own;other1;other2" names local slots (for example "\\.\mailslot\hltest_a"): the
// first replaces the receiving slot's name at AcceptCall, and every write goes to each
// of them in place of the destination given to MakeCall. Read at MakeCall and at
// AcceptCall time; unset (and no SetTestSlots), the device works on the names given.
const char* const MAILIO_TESTSLOTS_VARIABLE = "HORALINK_TEST_MAILSLOTS";
// The most slots the seam takes; more are reported and ignored.
const int MAILIO_MAXTESTSLOTS = 8;

class MAILIO : public BASEIO {
public:
    // ourid: the name of the slot AcceptCall creates.
    MAILIO(const char* ourid, const char* calltype, const char* parm);
    // Stops the daemon, closes the writing end, then the slot.
    ~MAILIO() override;

    // Waits up to the slot's read time-out for one message and delivers it itself;
    // length 0, and true unless the slot is missing or failing (the daemon then pauses).
    bool DevRead(char* buffer, int& length) override;
    // Sends the bytes as messages of at most 400 bytes, reopening the writing end and
    // trying again (three times) when a write fails. Writers take turns.
    bool DevWrite(const char* bytes, int length) override;
    // Size of the next message, 0 when none waits, -1 when the slot cannot be asked.
    int DevGetNumAvail() override;
    bool DevIsReady() override { return true; }
    // Opens the writing end towards the slot name (for example "\\*\mailslot\NAME").
    bool MakeCall(const char* name) override;
    // Creates the receiving slot named OurId.
    bool AcceptCall() override;
    // Closes the writing end; true.
    bool DropCall() override;
    // Closes the receiving slot; true.
    bool DropAccept();
    STRING GetInfo(const char* key) override;

    // The test seam in code: list as in HORALINK_TEST_MAILSLOTS, taking precedence over
    // the variable from the next MakeCall or AcceptCall on; null or "" gives it back.
    void SetTestSlots(const char* list);

private:
    // The seam's slot names in force now (count 0: the seam is off).
    int TestSlotNames(STRING* names);
    // Opens one writing end; null when the slot cannot be opened. The seam's local
    // slots are written by several instances at once, which needs sharewrite.
    HANDLE OpenSlot(const char* name, bool sharewrite);
    // One message to writing end i, with its tries; true when it went out.
    bool WritePiece(int i, const char* bytes, int length, const char* whole, int wholelength);
    // Closes and opens writing end i again after a failed write.
    void Reconnect(int i);

    HANDLE hMailSlotClient[MAILIO_MAXTESTSLOTS];  // the writing ends, [0] alone normally
    HANDLE hMailSlotServer;
    int ErrorNumber;
    STRING LastMessage;
    STRING Destination;

    STRING TargetNames[MAILIO_MAXTESTSLOTS];
    int TargetCount;   // 0: the writing end is closed
    bool TestTargets;  // the targets are the seam's: absent slots are skipped, not failures
    STRING TestSlots;  // from SetTestSlots
    CRITSECT ClientLock;  // writers, MakeCall and DropCall take turns
    CRITSECT ServerLock;  // the slot is not closed under the daemon's read
};
