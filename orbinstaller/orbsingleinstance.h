// Keeps a second copy of the installer from running.
#pragma once

#include <string>

#include "orbhandle.h"

// Creates the named mutex (null DACL, so instances of other users and elevations see
// it). Returns its handle when another instance already holds the name, after bringing
// that instance's "Orb_Installer" window to the front; an empty handle otherwise.
ORBHandle SingleInstanceGuard(const std::wstring& mutexName, int appId);

// Object name: the mutex name, followed by appId in decimal when it is not 0.
std::wstring SingleInstanceObjectName(const std::wstring& mutexName, int appId);
