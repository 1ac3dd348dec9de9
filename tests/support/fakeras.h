// The stand-in remote-access library (tests/tools/fakerasapi_dll) in place of the
// platform's for one test: WINRAS loads it, and the test scripts its phone book and
// connections.
#pragma once

class WINRAS;

class FAKERAS {
public:
    // Points WINRAS at the stand-in beside the test program and keeps it loaded.
    FAKERAS();
    // WINRAS loads the platform's library again.
    ~FAKERAS();
    FAKERAS(const FAKERAS&) = delete;
    FAKERAS& operator=(const FAKERAS&) = delete;

    // entries: names joined by "|"; connections: "name=state" pairs joined by "|", state
    // 0x2000 being connected. False when the stand-in cannot be scripted.
    bool Script(const char* entries, const char* connections);

private:
    WINRAS* Holder;
};
