// Payloads stored in the setup file after its image (and before its signature), for
// archives too large to be mapped with the image. The build appends the archive and a
// 64-byte directory entry: "ORBPAYLD", the archive's file offset and size (64-bit
// little-endian) and its name (up to 20 UTF-16 units, zero-padded); it also stores the
// archive's SHA-256 and size in the image (resource PAYLOADSHA256/<name>), so that the
// signature covers them.
//
// The file is opened once, sharing reading only: while the setup runs its file can be
// neither renamed, replaced nor written. A file swapped before that open is caught by
// the digest, which is checked before anything reads the archive.
#pragma once

#include <windows.h>

#include <string>

struct ORBAppendedPayload {
    HANDLE file = nullptr;          // the setup's own file, kept open by the process
    unsigned long long offset = 0;  // of the archive in file
    unsigned long long size = 0;
};

enum class ORBAppendedCheck {
    kNone,      // the image names no payload stored after it
    kVerified,  // found, and its digest matched
    kRefused,   // missing, unreadable or not matching (logged): never to be read
};

// Opens the program's own file and checks its stored payload against the image's
// digest, once per process (later calls answer the first result).
ORBAppendedCheck ORBCheckAppendedPayload();

// The verified payload called name (any case); false when there is none, or when it
// was refused.
bool ORBFindAppendedPayload(const std::wstring& name, ORBAppendedPayload* payload);

// The check itself, on an open file and the 40-byte digest record: false (logged)
// when the file's payload is not the one the record describes.
bool ORBVerifyAppendedPayload(HANDLE file, const std::wstring& name, const void* record, size_t recordSize,
                              ORBAppendedPayload* payload);
