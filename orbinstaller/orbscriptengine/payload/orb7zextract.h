// Unpacking of 7z archives (LZMA SDK decoder) into a folder, with per-file and
// creation-failure callbacks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "7zTypes.h"

// Called with the full path of each written file, in archive order, once the file is
// closed (a little after it was written: the next files may exist already).
using ORBFileWrittenFn = std::function<void(const std::wstring& path)>;
// Called when a file cannot be created: 0 = try once more, 1 = skip the entry,
// anything else = stop with failure.
using ORBCreateFailedFn = std::function<int(const std::wstring& path, DWORD error)>;

struct ORB7zCallbacks {
    ORBFileWrittenFn fileWritten;   // may be empty
    ORBCreateFailedFn createFailed; // may be empty: a creation failure stops
};

// Status codes: 0 is success, 1-99 are the decoder's own SZ_ERROR_* values, and the
// extraction's own start at 1000 so that neither is read as the other.
constexpr int kORB7zOpenFailed = 1001;   // the archive file cannot be opened
constexpr int kORB7zNoMemory = 1002;     // the path buffer cannot be allocated
constexpr int kORB7zFileFailed = 1003;   // a file cannot be created, written or closed
constexpr int kORB7zUnsafeEntry = 1004;  // an entry name would leave the destination

// Unpacks the archive of size bytes at data (read in place, not modified) into the
// existing folder destination; restoreSignature serves the first two bytes exchanged,
// the form of the _7Z resources. Returns the status; files written before a failure
// stay.
int Extract7zFromMemory(const std::wstring& destination, const void* data, size_t size,
                        const ORB7zCallbacks& callbacks, bool restoreSignature = false);

// Same for an archive file; kORB7zOpenFailed when it cannot be opened.
int Extract7zFromFile(const std::wstring& destination, const std::wstring& archive,
                      const ORB7zCallbacks& callbacks);

// Same for the size bytes at offset of an open file (a payload stored after the setup's
// image, read through the handle that checked it); restoreSignature as for memory.
int Extract7zFromFileRange(const std::wstring& destination, HANDLE file, unsigned long long offset,
                           unsigned long long size, const ORB7zCallbacks& callbacks, bool restoreSignature);

// The entry loop over a seekable stream. Entries are written in archive order below
// destination; an entry whose name is absolute, has a drive, "." or ".." parts, ':'
// (streams), wildcard or control characters or a device name (CON, NUL, COM1, ...) is
// refused (logged, kORB7zUnsafeEntry), and so is an entry whose folder or file below the
// destination already exists as a link or junction (checked before anything is created
// inside it). A skipped entry (decision 1) is not a failure. Blocks are decoded as
// streams; an entry whose data fail to decode or whose checksum does not match stops
// the run with the decoder status and its file is removed.
int Extract7zEntries(const std::wstring& destination, ISeekInStreamPtr stream,
                     const ORB7zCallbacks& callbacks);

// True when name (7z form, "/" or "\" between parts) stays below the destination.
bool ORB7zEntryNameIsSafe(const std::wstring& name);
