// File and directory operations behind the file installer functions. Every path
// argument is expanded (%NAME% references) on entry unless noted; results and log
// lines are those the scripts see.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "orbenvexpand.h"
#include "orbpaths.h"

// Creates path with its missing parents; true when it exists afterwards (else the
// not-found line).
bool ORBCreateDirectory(const std::wstring& path);

// Shell copy / move of a file or tree; false with the not-found line for a missing
// source, or with the failure lines for a non-zero shell answer. unattended: the shell
// shows no error window.
bool ORBCopyFile(const std::wstring& from, const std::wstring& to, bool unattended = false);
bool ORBMoveFile(const std::wstring& from, const std::wstring& to, bool unattended = false);

// The SHFileOperationW the shell operations call; tests replace it to see the flags.
using ORBShFileOperationFn = int(WINAPI*)(SHFILEOPSTRUCTW* op);
extern ORBShFileOperationFn g_orbShFileOperation;

// Rename replacing an existing target on the same volume; false when the old path is
// missing or the rename fails.
bool ORBRenameFile(const std::wstring& from, const std::wstring& to);

// Answer to "path could not be deleted" (MessageBoxW's result: IDABORT, IDRETRY,
// IDIGNORE, 0 when no dialog came up). The caller words and shows the question: the
// host's is ORBAskDeleteFailed (orbhosttext.h); tests give their own.
using ORBAskFn = int (*)(const std::wstring& path);

// Permanent shell delete of a file or tree. True when gone or missing (checked, not
// taken from the shell); on failure asks Abort (false, *aborted set: the caller ends the
// run as cancelled) / Retry (tries again) / Ignore (true, logged); false also when the
// dialog itself fails on the first round.
bool ORBDeleteFile(const std::wstring& path, ORBAskFn ask, bool* aborted = nullptr);

// The same deletion where nobody can answer (a silent run): tries times in all, pauseMs
// apart, then false with the failure lines; the file is then still there.
bool ORBDeleteFileUnattended(const std::wstring& path, int tries = 5, DWORD pauseMs = 500);

// Best-effort recursive delete; true when path did not exist, false when a deletion was
// attempted (the script then receives no value). A link goes itself, never followed;
// nothing goes when a folder on the way is a link (logged).
bool ORBDelFileRecursive(const std::wstring& path);

// Best-effort removal of a directory tree (or a plain file), read-only files included;
// links inside are removed, never followed, and nothing goes when a folder on the way
// is a link. Reports nothing beyond its log lines.
void ORBDeleteDirectories(const std::wstring& path);

// Schedules path for deletion at the next restart; true when it is missing or the
// deletion was scheduled, false (logged) when a folder on the way is a link.
bool ORBDeleteFileAfterReboot(const std::wstring& path);

// Removes the folder path only when it is empty (a folder link is removed itself, never
// followed). True when it was removed or did not exist; false, with a line, when path is
// empty, is not a folder, passes through a link, still holds something or cannot be
// removed.
bool ORBRemoveEmptyDirectory(const std::wstring& path);

// Creates an empty uniquely named file in dir (expanded) with prefix (not expanded);
// false when the system cannot.
bool ORBGetTempFileName(const std::wstring& dir, const std::wstring& prefix, std::wstring& out);
