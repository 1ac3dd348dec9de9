// Text-mode reading done by the program itself: CR LF becomes LF and a Ctrl-Z
// ends the text. The C runtime's own text mode is not relied on, since not every
// runtime stops at a Ctrl-Z that falls inside one of its internal reads.
#pragma once

#include "strings.h"

class TEXTMODE {
public:
    TEXTMODE() : HeldCR(false), AtEnd(false) {}

    // Appends the text-mode form of n raw bytes, read in order from one file, to out.
    // A CR that ends a piece is held until the next piece shows whether an LF follows.
    void Translate(const char* bytes, int n, STRING& out);
    // Appends a CR still held back: the file ended right after it.
    void Finish(STRING& out);
    // Whether a Ctrl-Z was met: nothing after it is text.
    bool Ended() const { return AtEnd; }

private:
    bool HeldCR;
    bool AtEnd;
};

// Whether a stream mode such as "r" or "rt" reads text (no "b" in it).
bool IsTextMode(const char* mode);
