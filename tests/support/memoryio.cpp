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
    PushBackBytes.AppendBytes(bytes.data(), static_cast<int>(bytes.size()));
}

void MEMORYIO::Restart(std::function<std::string(const std::string&)> respond)
{
    PushBackBytes.Truncate(0);
    written.clear();
    this->respond = std::move(respond);
}

bool MEMORYIO::DevWrite(const char* bytes, int length)
{
    std::string piece(bytes, static_cast<size_t>(length));
    written += piece;
    if (respond) Arrive(respond(piece));
    return true;
}

STRING MEMORYIO::GetInfo(const char* key)
{
    if (STRING(key) == "ONLINE") return STRING(PushBackBytes.Length() > 0 ? "1" : "0");
    return BASEIO::GetInfo(key);
}
