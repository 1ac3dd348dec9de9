// A byte-stream device without a connection for tests of protocol clients: every
// write is recorded and answered by the test's responder, whose bytes are ready for
// the next Read at once (they wait in front of the ring buffer, where Read looks
// first, so no thread and no lock stands between them and the client). The device
// counts as online while unread bytes wait, so a client that waits for more than
// the responder gave sees a closed connection instead of sitting out its time-out.
// Arrive and writes belong to the client's thread.
#pragma once

#include "ios.h"

#include <functional>
#include <string>

class MEMORYIO : public BASEIO {
public:
    // respond: the bytes that arrive after a write of the given bytes ("" for none).
    explicit MEMORYIO(std::function<std::string(const std::string&)> respond = nullptr);
    ~MEMORYIO() override;

    // Bytes that arrive now, behind those still unread.
    void Arrive(const std::string& bytes);
    // Every byte written so far.
    const std::string& Written() const { return written; }
    // A fresh start for the next client: unread bytes and the record of writes gone,
    // respond answering from now on.
    void Restart(std::function<std::string(const std::string&)> respond);

    bool DevWrite(const char* bytes, int length) override;
    bool DevIsReady() override { return true; }
    bool MakeCall(const char*) override { return true; }
    bool AcceptCall() override { return true; }
    bool DropCall() override { return true; }
    STRING GetInfo(const char* key) override;

private:
    std::function<std::string(const std::string&)> respond;
    std::string written;
};
