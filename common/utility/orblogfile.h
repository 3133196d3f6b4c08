// The log file: every host log line, time-stamped, also written to a UTF-8 file.
#pragma once

#include <windows.h>

#include <string>

// Writes every later log line to a new file at path as well (UTF-8 with a BOM); when the
// name exists (a file, a link) the first free "<name> (N).<ext>" is made instead.
// Lines logged before the first file opened are written first. *made is the file made
// now (empty when path is the file open already). False when no file can be made, with
// the system's error in *error; the caller logs either.
bool ORBOpenLogFile(const std::wstring& path, std::wstring* made, DWORD* error);

// Path of the file being written; empty when there is none.
std::wstring ORBLogFilePath();

// The log facility hands every line here (prefix included); one write per call, so
// lines of different threads never mix and nothing waits in a buffer of ours.
void ORBLogFileWrite(const wchar_t* line);

// Closes the file and forgets the lines held for it.
void ORBCloseLogFile();
