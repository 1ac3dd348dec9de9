// Test helper: a second process on the test LAN of local slots. Its mailslot device
// takes its slot names from HORALINK_TEST_MAILSLOTS like the program's does; it answers
// the first "PING <text>" line with "PONG <text>" and ends with exit code 0, or with 1
// when none came within 20 s.
#include "mailio.h"

#include <cstring>
#include <string>

namespace {

struct PEER {
    explicit PEER(MAILIO* device) : io(device) {}
    MAILIO* io;
    EVENTSEM answered;
    std::string buffer;
};

void on_receive(void* context, const char* bytes, int length)
{
    PEER* peer = static_cast<PEER*>(context);
    peer->buffer.append(bytes, length);
    size_t end;
    while ((end = peer->buffer.find('\n')) != std::string::npos) {
        std::string line = peer->buffer.substr(0, end);
        peer->buffer.erase(0, end + 1);
        if (line.compare(0, 5, "PING ") == 0) {
            std::string answer = "PONG " + line.substr(5) + "\n";
            peer->io->Write(answer.c_str(), static_cast<int>(answer.size()));
            peer->answered.Set();
        }
    }
}

}  // namespace

int main()
{
    MAILIO io("\\\\.\\MAILSLOT\\TIKKORA1", "", "");
    PEER peer(&io);
    io.SetFeedCallback(on_receive, &peer);
    if (!io.MakeCall("\\\\*\\MAILSLOT\\TIKKORA1") || !io.AcceptCall()) return 2;
    return peer.answered.Wait(20000) ? 0 : 1;
}
