// Entry of every test program: assertion reports are counted and logged, never
// shown as dialogs, so a failed check cannot block an unattended run.
#include "kelvo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    LogitOption("/NOASSERT");
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
