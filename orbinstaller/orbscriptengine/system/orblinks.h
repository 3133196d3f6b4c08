// Links and the file operations: names are opened themselves, never what a link points
// at, and every decision is taken on the handle that is then used.
#pragma once

#include <windows.h>

#include <string>

#include "orbhandle.h"

// What one opened name is, read from its handle.
struct ORBFileFacts {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    DWORD reparseTag = 0;
    DWORD links = 1;  // names of the file (hard links)
};

// The one rule for what leads elsewhere: a reparse point whose tag is a name surrogate
// (symbolic link, junction and their kin). Deduplicated, cloud-placeholder and
// compressed files and folders are ordinary ones.
inline bool ORBIsLink(const ORBFileFacts& facts) {
    return (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(facts.reparseTag);
}

// Sees the facts of every name the file operations check (with the path it was opened
// by) and may change them: tests present links, placeholders and hard links this way.
using ORBFactsHook = void (*)(const std::wstring& path, ORBFileFacts& facts);
void ORBSetFactsHook(ORBFactsHook hook);

// Facts of handle h opened by path; false when the system cannot tell.
bool ORBHandleFacts(HANDLE h, const std::wstring& path, ORBFileFacts* facts);

// Opens the name path itself (file, folder or link) with access; shared for reading and
// writing but not deleting, so the name stays what was checked. Invalid when missing.
ORBFileHandle ORBOpenNoFollow(const std::wstring& path, DWORD access);

// Facts of the name path; false when it is missing or cannot be opened.
bool ORBPathFacts(const std::wstring& path, ORBFileFacts* facts);

// True when path or a folder on its way from the volume root is a link, or exists and
// cannot be examined; *where then names it. Parts that do not exist end the walk.
bool ORBPathCrossesLink(const std::wstring& path, std::wstring* where);

// Deletes the name h was opened by (with DELETE access): a file, an empty folder or the
// link itself; a read-only file too when h has FILE_WRITE_ATTRIBUTES. False when the
// system refuses (a folder that is not empty).
bool ORBDeleteByHandle(HANDLE h);

// Opens path for writing from its start without following a link: a new file, or an
// existing one emptied through the checked handle; a file with other hard links is
// replaced by a new one, so the other names keep their content. Invalid with *link true
// when path is a link; invalid with the system's error otherwise.
ORBFileHandle ORBCreateForWrite(const std::wstring& path, DWORD share, DWORD attributes, bool* link);
