// Starting and stopping a service for the installer functions.
#pragma once

#include <windows.h>

#include <string>

// How long ORBServiceControl waits for the service to reach the wanted state.
constexpr DWORD kORBServiceWaitLimitMs = 30000;

// Starts ("start") or stops ("stop", case-insensitive) the service and polls, paced by
// its wait hint, until it runs / has stopped. True when it got there and when no such
// service exists; false with log lines when the manager or service cannot be opened,
// the control fails, a status query fails, the action is unknown or the state is not
// reached within waitLimitMs.
bool ORBServiceControl(const std::wstring& name, const std::wstring& action,
                       DWORD waitLimitMs = kORBServiceWaitLimitMs);
