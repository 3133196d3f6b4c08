// Which processes hold a set of files, closing them and starting them again, through
// the Restart Manager (rstrtmgr.dll from the system folder, loaded on first use); where
// it is missing or lists nobody, through the image paths of the running processes.
#pragma once

#include <windows.h>
#include <restartmanager.h>

#include <string>
#include <vector>

// The Restart Manager functions the host calls.
struct ORBRmApi {
    decltype(&RmStartSession) startSession;
    decltype(&RmEndSession) endSession;
    decltype(&RmRegisterResources) registerResources;
    decltype(&RmGetList) getList;
    decltype(&RmShutdown) shutdown;
    decltype(&RmRestart) restart;
};

// The system's Restart Manager; null when rstrtmgr.dll or one of its functions is
// missing (Windows XP). Loaded from the system folder only, once.
const ORBRmApi* ORBSystemRestartManager();

// Where the host takes the Restart Manager from; tests replace it (missing, answering
// nothing, or one that records what it was asked).
using ORBRmLoaderFn = const ORBRmApi* (*)();
extern ORBRmLoaderFn g_orbRmLoader;

// How the holders were found.
enum class ORBFileUsersBy { kRestartManager, kImagePath };
const wchar_t* ORBFileUsersByName(ORBFileUsersBy by);

struct ORBFileUser {
    DWORD pid = 0;
    std::wstring name;     // the Restart Manager's application name, else the file name of the image
    std::wstring image;    // full image path with a drive letter; empty when it cannot be read
    std::wstring service;  // short name of a service, else empty
    std::wstring kind;     // "window", "service", "explorer", "console", "critical", "other"
    bool restartable = false;  // registered with the Restart Manager for a restart
};

// The processes holding any of files (missing files are left out; this process never
// counts). Through the Restart Manager; when it is missing, fails or lists nobody, the
// processes whose image lies in a folder of one of the files (the fallback). Empty
// when nothing holds them or neither way can tell.
std::vector<ORBFileUser> ORBFindFileUsers(const std::vector<std::wstring>& files, ORBFileUsersBy* by);

struct ORBCloseResult {
    bool closed = true;   // every holder found has ended (true when there was none)
    size_t asked = 0;     // how many holders were asked to close
    ORBFileUsersBy by = ORBFileUsersBy::kImagePath;
};

// Closes the holders of files: through RmShutdown (with force, RmForceShutdown: ones
// that do not answer are ended) in a session kept for ORBRestartFileUsers; in the
// fallback by posting close messages to their windows and waiting, and with force by
// ending them. closed is false when one still runs (or the shutdown failed).
ORBCloseResult ORBCloseFileUsers(const std::vector<std::wstring>& files, bool force);

// Starts again the applications the last Restart Manager shutdown closed that registered
// for it (RmRestart), then ends that session. True when they were started or there is
// no such session; false when RmRestart failed.
bool ORBRestartFileUsers();
