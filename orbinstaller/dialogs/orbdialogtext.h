// Plain text and path rules of the dialogs, kept apart from any window so tests can call
// them directly.
#pragma once

#include <string>

// The first "$name$" of text: token with both dollars, and the name between them. False
// when there is no second dollar after the first (the UI engine's parser).
bool ORBFindPlaceholder(const std::wstring& text, std::wstring& token, std::wstring& name);

// Every occurrence of `what` replaced by `with` (what empty: text unchanged).
std::wstring ORBReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with);

// The browse rule for the install folder: the chosen path when its last component (after
// the last backslash or slash) is baseName, else the path, a separator unless it ends in
// one, and baseName.
std::wstring ORBAppendBaseName(const std::wstring& chosen, const std::wstring& baseName);

// The browse rule for the backup folder: a drive root (three characters) gets
// "DarevudEzazir" appended; any other path is kept.
std::wstring ORBBackupFolderChoice(const std::wstring& chosen);

// One trailing backslash removed, except from a drive root such as C:\.
std::wstring ORBTrimTrailingBackslash(const std::wstring& path);

// A path that begins with a drive letter and a colon.
bool ORBHasDriveLetter(const std::wstring& path);

// Valid install or backup folder: a full path on a drive ("X:\..."; "C:name" names a
// place relative to that drive's current folder and is refused), and the folder exists
// or was created (every missing level). False otherwise.
bool ORBValidateFolder(const std::wstring& path);

// True for a folder no product may be installed in: a drive root, the Windows folder or
// anything inside it (environment references expanded, ".." resolved).
bool ORBIsRefusedInstallFolder(const std::wstring& path);

// An unsigned decimal byte count (digits only, fits 64 bits); false otherwise.
bool ORBParseByteCount(const std::wstring& text, unsigned long long& bytes);

// The first dialog's space check: true when freeBytes hold need (exactly as many pass).
bool ORBFreeSpaceSuffices(unsigned long long freeBytes, unsigned long long need);

// The not-enough-space message (host text kNeedSpace) for a need in bytes (MB in single
// precision, two decimals).
std::wstring ORBFormatNeedSpaceMessage(unsigned long long bytes);

// The folder a browser opens at: text when it exists, else its parent when that exists,
// else fallback (also for empty text).
std::wstring ORBInitialBrowseFolder(const std::wstring& text, const std::wstring& fallback);

// The install dialog's progress step in ms for a payload of `bytes`: a hundredth of the
// expected installation time, cut towards zero.
unsigned ORBProgressStepInterval(unsigned long long payloadBytes);
