// Starting the installed program or a web page for the signed-in user: with the
// desktop shell's token, never with the setup's elevated or SYSTEM token.
#pragma once

#include <string>

// Why a start for the user is not possible here, or empty: "running as SYSTEM",
// "no interactive desktop".
std::wstring ORBUserStartRefusal();

// Opens file (a program, document or URL) with parameters in folder dir through the
// desktop shell (IShellDispatch2::ShellExecute). When no desktop shell answers, the
// setup starts it itself, which is the user's token unless the setup was elevated.
// Skipped (false, logged) as SYSTEM or without an interactive desktop.
bool ORBStartForUser(const std::wstring& file, const std::wstring& params, const std::wstring& dir);
