// The dock clock's font as the settings keep it: a LOGFONTA, byte for byte, in a
// binary value, so that every detail the font dialog chose survives a restart.
#include "clockfont.h"

#include "kelvo.h"

#include <cstring>

static_assert(sizeof(LOGFONTA) == CLOCKFONT_SIZE, "the stored clock font is one LOGFONTA");

STRING DefaultClockFont()
{
    LOGFONTA font = {};
    font.lfHeight = 18;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    strcpy(font.lfFaceName, "Arial");
    return ClockFontValue(font);
}

STRING ClockFontValue(const LOGFONTA& font)
{
    STRING value(reinterpret_cast<const char*>(&font), CLOCKFONT_SIZE);
    value.SetFlags(value.GetFlags() | STRINGFLAG_BINARY);
    return value;
}

bool ClockFontFromValue(const STRING& value, LOGFONTA* font)
{
    if (!ASSERT(font)) return false;
    if (value.Length() != CLOCKFONT_SIZE) return false;
    LOGFONTA read;
    memcpy(&read, value.Data(), CLOCKFONT_SIZE);
    // A face name without its terminator would run into whatever follows.
    if (!memchr(read.lfFaceName, 0, sizeof read.lfFaceName)) return false;
    *font = read;
    return true;
}
