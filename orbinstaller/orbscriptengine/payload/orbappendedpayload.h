// Payloads stored in the setup file after its image (and before its signature), for
// archives too large to be mapped with the image. The build appends the archive and a
// 64-byte directory entry: "ORBPAYLD", the archive's file offset and size (64-bit
// little-endian) and its name (up to 20 UTF-16 units, zero-padded).
#pragma once

#include <string>

struct ORBAppendedPayload {
    std::wstring file;             // the program's own file
    unsigned long long offset = 0;  // of the archive in file
    unsigned long long size = 0;
};

// Looks for the payload called name (any case) in the program's own file; false when
// the file has none of that name or cannot be read.
bool ORBFindAppendedPayload(const std::wstring& name, ORBAppendedPayload* payload);

// Same for the file at path.
bool ORBFindAppendedPayloadIn(const std::wstring& path, const std::wstring& name, ORBAppendedPayload* payload);
