// Where a payload comes from: the one rule for the install dialog (its size paces the
// progress bar) and for Lua_UnCompress7z (which unpacks it).
#pragma once

#include <windows.h>

#include <string>

#include "orb7zextract.h"

struct ORBPayloadSource {
    enum Kind { kMissing, kResource, kAppended };
    Kind kind = kMissing;
    const void* data = nullptr;     // kResource: the stored bytes (signature exchanged)
    HANDLE file = nullptr;          // kAppended: the setup's own file, open for the process
    unsigned long long offset = 0;  // kAppended: of the archive in file
    unsigned long long size = 0;
};

// The payload called name (a resource name, any case, or MAKEINTRESOURCE id): the _7Z
// resource of the program, else the verified archive stored after the image (names
// only). kMissing when neither exists or the stored one failed its check.
ORBPayloadSource ORBFindPayload(const wchar_t* name);

// An unpacking request as a script states it.
struct ORBUnpackRequest {
    std::wstring source;       // file path, or resource name
    WORD resourceId = 0;       // a numeric resource source when not 0
    bool fromFile = false;
    std::wstring destination;  // must exist
};

// Unpacks the request's archive into its destination; false (logged: the source, the
// reason) when the destination or the source is missing or the extraction fails.
bool ORBUnpack(const ORBUnpackRequest& request, const ORB7zCallbacks& callbacks);
