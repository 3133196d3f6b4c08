// Entry point of every test program.
#include <windows.h>

#include "gtest/gtest.h"

int wmain(int argc, wchar_t** argv) {
    // No error dialogs from a crashing test: fail fast instead.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
