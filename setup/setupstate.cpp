// The installer's shared state.
#include "setupstate.h"

#include <cstdlib>

static SETUPSTATE* the_state = nullptr;

SETUPSTATE& Setup()
{
    if (!the_state) {
        the_state = new SETUPSTATE;
        the_state->InstallMode = INSTALLMODE_NEW;
    }
    return *the_state;
}

void ResetSetup()
{
    delete the_state;
    the_state = nullptr;
}

STRING SETUPSTATE::Value(const char* key) const
{
    int i = Config.IndexOf(key);
    return i >= 0 ? Config.ValueAt(i) : STRING();
}

int SETUPSTATE::Number(const char* key, int dflt) const
{
    int i = Config.IndexOf(key);
    return i >= 0 ? atoi(Config.ValueAt(i).Text()) : dflt;
}
