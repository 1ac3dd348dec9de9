// The dock clock's font as the settings keep it: the 60 bytes of a LOGFONTA stored
// as a binary value under ClockFont.
#pragma once

#include "strings.h"

#include <windows.h>

// Bytes of the stored font: one LOGFONTA, the same in the 32-bit and the 64-bit build.
const int CLOCKFONT_SIZE = 60;

// The value of the default clock font: bold Arial, height 18, weight 700.
STRING DefaultClockFont();
// The binary value that stores font.
STRING ClockFontValue(const LOGFONTA& font);
// The font of a stored value; false (font untouched) unless value holds exactly one
// LOGFONTA with a terminated face name.
bool ClockFontFromValue(const STRING& value, LOGFONTA* font);
