// Starting the installed program or a web page for the signed-in user: with the
// desktop shell's token, never with the setup's elevated or SYSTEM token.
#pragma once

#include <string>

// Why a start for the user is not possible here, or empty: "running as SYSTEM",
// "no interactive desktop".
std::wstring ORBUserStartRefusal();

// Opens file (a program, document or URL) with parameters in folder dir through the
// desktop shell (IShellDispatch2::ShellExecute). When no desktop shell answers, a setup
// that is not elevated starts it itself (its token is the user's); an elevated one
// starts nothing (false, logged). Skipped (false, logged) as SYSTEM or without an
// interactive desktop.
bool ORBStartForUser(const std::wstring& file, const std::wstring& params, const std::wstring& dir);

// True when the process runs with a user's own token: neither elevated nor SYSTEM;
// false also when the system cannot tell.
bool ORBTokenIsUsers();

// The check the start makes before starting anything itself; tests replace it.
using ORBTokenCheckFn = bool (*)();
extern ORBTokenCheckFn g_orbTokenIsUsers;
