// Access to the program's own resources.
#pragma once

#include <windows.h>

#include "orblogtexts.h"
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

// True when res is usable; otherwise logs its failure: the not-found or the not-locked
// failure record (with the last system error), or a line for an empty resource.
bool ORBResourceUsable(const ORBResourceData& res, const ORBResourceRecord& record);
