// Access to the program's own resources.
#pragma once

#include <windows.h>

#include "orbresourceids.h"

// A located and locked resource of the program's module. Resources are never really
// freed on Win32; the object just tracks the steps for failure reporting.
struct ORBResourceData {
    enum Status { kOk, kNotFound, kNotLocked, kEmpty };
    Status status = kNotFound;
    const void* data = nullptr;
    DWORD size = 0;
};

// Finds, loads, locks and sizes resource type/name of module (null: the program).
// Fails with kNotFound (find or load failed), kNotLocked or kEmpty; GetLastError stays
// the failing call's error.
ORBResourceData ORBLoadResource(HMODULE module, const wchar_t* type, const wchar_t* name);
