// Who may change a folder: a per-machine product must not go where ordinary users can
// replace its programs, which then run elevated or at every logon.
#pragma once

#include <windows.h>

#include <string>

// True when the descriptor lets ordinary users (Everyone, Authenticated Users, Users,
// Interactive, or an owner other than the administrators, SYSTEM, TrustedInstaller or
// this process's user) add, change or delete content, or change the permissions; also
// for a missing (null) permission list. trustedUser may be null.
bool ORBDescriptorLetsUsersWrite(PSECURITY_DESCRIPTOR sd, PSID trustedUser);

// The same question for an existing folder: 1 yes, 0 no, -1 when its permissions
// cannot be read (missing folder included).
int ORBFolderLetsUsersWrite(const std::wstring& path);

// Permissions of a folder the setup creates outside the program-files folder: full
// control for SYSTEM and administrators, read and run for users, nothing inherited
// from the parent. (SDDL; the folders below inherit it.)
extern const wchar_t kORBSecureFolderSddl[];

// Creates path and its missing parents with kORBSecureFolderSddl; true when path is a
// folder afterwards (an existing one is left as it is). Failure lines are logged.
bool ORBCreateSecureFolder(const std::wstring& path);
