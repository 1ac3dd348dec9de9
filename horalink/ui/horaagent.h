// HORAAGENT, the character server wrapper bound to horalink: its character stands
// where the settings say (AgentPosX, AgentPosY) and stays where the user drags it, a
// double-click on it adjusts the clock, and its notifications and events go to the
// main window.
#pragma once

#include "msagent.h"

class APP;

// The character's place before the user has moved it.
const char AGENT_DEFAULT_POS[] = "100";

class HORAAGENT : public MSAGENT {
public:
    // Writes the default place when the settings have none, loads the default character
    // when the server is up and, when it is loaded, sends notifications and events to
    // window.
    HORAAGENT(APP& owner, HWND window);
    ~HORAAGENT() override;

    // Up with the character loaded.
    int IsUpAndRunning() override;
    // Loads the character and moves it to its stored place.
    int DoLoadDefaultCharacter() override;
    // Moves the character to the stored place (kept on the screen); 1 when the server took it.
    int DoMoveToStoredPosition(unsigned int* requestid = nullptr);

    // A double-click adjusts the clock; a drag stores the new place.
    HRESULT WINAPI DblClick(long charid, short keys, long x, long y) override;
    HRESULT WINAPI DragComplete(long charid, short keys, long x, long y) override;

private:
    APP& Owner;
    HWND hWndMain;
    int CharacterLoaded;
};
