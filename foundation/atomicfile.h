// Writing a file so that it is replaced in one step: the new content goes to a
// temporary file beside the target and takes the target's place only after every
// byte reached the disk, so a crash, a full disk or a refused replace never leaves
// a truncated or empty file behind.
#pragma once

#include "strings.h"

#include <cstdio>

class ATOMICFILE {
public:
    ATOMICFILE();
    // A file that was not committed is abandoned.
    ~ATOMICFILE();
    ATOMICFILE(const ATOMICFILE&) = delete;
    ATOMICFILE& operator=(const ATOMICFILE&) = delete;

    // Opens a fresh temporary file in the target's folder with a writing stream mode
    // ("w", "wb", "w+"), others denied all access; null when the folder takes no file.
    FILE* Open(const char* target, const char* mode);
    FILE* Stream() const { return pFile; }
    // Flushes the file to disk and puts it in the target's place; false when a write,
    // the flush or the replace failed, and then the target is as it was and the
    // temporary file is gone.
    bool Commit();
    // Closes and removes the temporary file; the target stays as it was.
    void Abandon();

    // Removes the temporary files that writes into folder left behind when they were
    // interrupted (a crash, a power cut); one a writer still holds open stays. The
    // number removed.
    static int RemoveLeftovers(const char* folder);

    // Tests only: every later Commit finds its temporary file cut after bytes bytes,
    // as when the disk filled up while writing, and fails with ERROR_DISK_FULL;
    // a negative count writes normally again. The program never calls it.
    static void CutWritesForTests(long bytes) { CutWritesAt = bytes; }

private:
    FILE* pFile;
    STRING Target;
    STRING Temp;
    static long CutWritesAt;  // see CutWritesForTests; -1: off
};
