// The log file: every host log line, time-stamped, also written to a UTF-8 file.
#pragma once

#include <string>

// Writes every later log line to a new file at path as well (UTF-8 with a BOM); when the
// name exists (a file, a link) the first free "<name> (N).<ext>" is made instead and the
// log says so. Lines logged before the first file opened are written first. False when
// no file can be made: the reason goes to the debugger output and the run goes on.
bool ORBOpenLogFile(const std::wstring& path);

// Path of the file being written; empty when there is none.
std::wstring ORBLogFilePath();

// The log facility hands every line here (prefix included); one write per call, so
// lines of different threads never mix and nothing waits in a buffer of ours.
void ORBLogFileWrite(const wchar_t* line);

// Closes the file and forgets the lines held for it.
void ORBCloseLogFile();
