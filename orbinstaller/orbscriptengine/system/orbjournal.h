// The install journal: before an install replaces a file, creates a file, folder or
// registry key, or changes a registry value, it writes down how to undo it (one line,
// flushed to disk before the change), so a failed install can be rolled back and the
// next run can finish the rollback of an install that was killed. Files the install
// replaces are renamed aside in their own folder (same volume) until the commit.
//
// Journal lines (UTF-8, fields separated by tabs):
//   ORBJ1 <root>                 the install folder; files are undone only below it
//   N <path>                     file created (did not exist)
//   F <path> <aside>             file replaced, the old one renamed to <aside>
//   D <path>                     folder created
//   K <root> <key>               registry key created (with everything below it)
//   V <root> <key> <name> <type> <hex data>   value as it was
//   V <root> <key> <name> -                   value did not exist
//   C                            committed: only the renamed-aside files remain to go
#pragma once

#include <windows.h>

#include <string>

// Opens a new journal at file for an install into root. False (logged) when a journal
// is open already, the file exists (an earlier run left it: roll it back first) or it
// cannot be created.
bool ORBJournalBegin(const std::wstring& file, const std::wstring& root);

// True while a journal is open in this process.
bool ORBJournalActive();

// Call before writing path. With no journal open: true, nothing done. Otherwise records
// the file as new, or renames the existing one aside and records both names; false
// (the system's error left as last error) when the record or the rename fails. A path
// recorded before in this journal is left alone.
bool ORBJournalBeforeFile(const std::wstring& path);

// Records a folder this install is about to create (no journal open: nothing); a
// rollback removes it when it exists and is empty. False when the record cannot be written.
bool ORBJournalFolderCreated(const std::wstring& path);

// Call before writing or deleting value name of rootName\key: records the value as it
// is, and the first missing key on the way, in registry view `view` (0: the process's
// own). True with no journal open; false when the root is unknown or the record cannot
// be written.
bool ORBJournalBeforeRegValue(const std::wstring& rootName, const std::wstring& key, const std::wstring& name,
                              REGSAM view = 0);

// Ends the open journal as done: the renamed-aside files are deleted (those still in
// use at the next restart) and the journal file goes. False when no journal is open or
// the commit record cannot be written.
bool ORBJournalCommit();

// Undoes the open journal, newest change first, and deletes its file. False when no
// journal is open or something could not be undone (logged; the journal file stays so
// the next run tries again).
bool ORBJournalRollback();

// Finishes a journal an earlier run left at file: rolled back, or, when it was
// committed, its renamed-aside files deleted. True when there was none or it was
// finished; false when something could not be undone (the file stays).
bool ORBJournalRecover(const std::wstring& file);
