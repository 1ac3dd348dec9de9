// A byte-stream device without a connection, for tests of protocol clients.
#include "memoryio.h"

MEMORYIO::MEMORYIO(std::function<std::string(const std::string&)> respond)
    : BASEIO("memory", "", "", true), respond(std::move(respond))
{
    ConstructorDone();
}

MEMORYIO::~MEMORYIO() { KillDaemon(); }

void MEMORYIO::Arrive(const std::string& bytes)
{
    if (!bytes.empty()) Feed(bytes.data(), static_cast<int>(bytes.size()));
}

void MEMORYIO::FailWrites(int error)
{
    failing = true;
    LastError = error;
    LastErrorString = "Remote disconnected";
}

void MEMORYIO::Restart(std::function<std::string(const std::string&)> respond)
{
    char sink[4096];
    for (int n = sizeof sink; RingBuffer.Read(sink, n, 0, nullptr); n = sizeof sink) {
    }
    written.clear();
    this->respond = std::move(respond);
}

bool MEMORYIO::DevWrite(const char* bytes, int length)
{
    if (failing) return false;
    std::string piece(bytes, static_cast<size_t>(length));
    written += piece;
    if (respond) Arrive(respond(piece));
    return true;
}

STRING MEMORYIO::GetInfo(const char* key)
{
    STRING k(key);
    if (k == "ONLINE") return STRING(RingBuffer.Available() > 0 ? "1" : "0");
    return BASEIO::GetInfo(key);
}
