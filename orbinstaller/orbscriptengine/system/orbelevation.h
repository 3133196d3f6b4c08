// The setup's administrator rights, and a second run of the setup that has them.
#pragma once

#include <windows.h>

#include <string>

// True when the process token is elevated (TokenElevation); false when it is not or
// cannot be read.
bool ORBIsElevated();

// Starts the setup's own program again with the verb "runas" (the system asks for
// administrator rights) and the given parameters, waits for it and stores its exit
// code. unattended: the shell shows no error window. False with the last error set when
// it did not start (ERROR_CANCELLED when the user declined).
bool ORBRunElevated(const std::wstring& parameters, bool unattended, DWORD& exitCode);
