// Installer functions: file and directory.
#include "orbscriptapi.h"

#include "orbexitcode.h"
#include "orbfileops.h"
#include "orbhosttext.h"
#include "orbfoldersecurity.h"
#include "orblog.h"
#include "orbscriptargs.h"

namespace {

int Lua_CreateDirectory(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBCreateDirectory(ORBArgString(L, 1)));
        return 1;
    });
}

int Lua_CopyFile(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBCopyFile(ORBArgString(L, 1), ORBArgString(L, 2), ORBUnattendedRun(L)));
        return 1;
    });
}

int Lua_MoveFile(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBMoveFile(ORBArgString(L, 1), ORBArgString(L, 2), ORBUnattendedRun(L)));
        return 1;
    });
}

int Lua_RenameFile(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBRenameFile(ORBArgString(L, 1), ORBArgString(L, 2)));
        return 1;
    });
}

// Asks Abort/Retry/Ignore when the deletion fails; a silent run retries a few times
// instead and then answers false.
int Lua_DeleteFile(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring path = ORBArgString(L, 1);
        bool aborted = false;
        bool ok = ORBSilentRun(L) ? ORBDeleteFileUnattended(path) : ORBDeleteFile(path, ORBAskDeleteFailed, &aborted);
        if (aborted) {
            // Abort ends the whole run, as a cancellation.
            const int code = ORBExitCode(L, ORBOutcome::kCancelled);
            ORBLog(L"ending the run (cancelled) with exit code %d\r\n", code);
            ORBRunBeforeFailedExit();
            ExitProcess(static_cast<UINT>(code));
        }
        lua_pushboolean(L, ok);
        return 1;
    });
}

// True when the path did not exist; after a deletion attempt no value at all.
int Lua_DelFileRecursive(lua_State* L) {
    return ORBProtect(L, [&] {
        if (!ORBDelFileRecursive(ORBArgString(L, 1))) return 0;
        lua_pushboolean(L, 1);
        return 1;
    });
}

int Lua_DeleteFileAfterReboot(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBDeleteFileAfterReboot(ORBArgString(L, 1)));
        return 1;
    });
}

int Lua_GetTempFileName(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring path;
        if (ORBGetTempFileName(ORBArgString(L, 1), ORBArgString(L, 2), path))
            ORBPushString(L, path);
        else
            lua_pushnil(L);
        return 1;
    });
}

// Expands the last argument (normally the only one).
int Lua_ExpandEnv(lua_State* L) {
    return ORBProtect(L, [&] {
        int top = lua_gettop(L);
        ORBPushString(L, ORBExpandEnvString(top > 0 ? ORBArgString(L, top) : std::wstring()));
        return 1;
    });
}

// Removes a folder only when it is empty: uninstallers tidy up without risking what a
// user saved there.
int Lua_RemoveDirectory(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBRemoveEmptyDirectory(ORBArgString(L, 1)));
        return 1;
    });
}

// Creates a folder (and its missing parents) that only administrators may change: for a
// per-machine product outside the program-files folder.
int Lua_CreateSecureDirectory(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBCreateSecureFolder(ORBExpandEnvString(ORBArgString(L, 1))));
        return 1;
    });
}

// Whether ordinary users may change an existing folder; nil when it does not exist.
int Lua_UsersCanWrite(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring path = ORBExpandEnvString(ORBArgString(L, 1));
        // Permissions that cannot be read count as open to all.
        if (ORBPathExists(path))
            lua_pushboolean(L, ORBFolderLetsUsersWrite(path) != 0);
        else
            lua_pushnil(L);
        return 1;
    });
}

}  // namespace

const luaL_Reg kORBFileFunctions[] = {
    {"Lua_CreateDirectory", Lua_CreateDirectory},
    {"Lua_CopyFile", Lua_CopyFile},
    {"Lua_MoveFile", Lua_MoveFile},
    {"Lua_RenameFile", Lua_RenameFile},
    {"Lua_DeleteFile", Lua_DeleteFile},
    {"Lua_DelFileRecursive", Lua_DelFileRecursive},
    {"Lua_DeleteFileAfterReboot", Lua_DeleteFileAfterReboot},
    {"Lua_GetTempFileName", Lua_GetTempFileName},
    {"Lua_ExpandEnv", Lua_ExpandEnv},
    {"Lua_RemoveDirectory", Lua_RemoveDirectory},
    {nullptr, nullptr},
};

// Added after the first functions: registered after every other group, so the order of
// those stays what scripts and tools know.
const luaL_Reg kORBFolderSecurityFunctions[] = {
    {"Lua_CreateSecureDirectory", Lua_CreateSecureDirectory},
    {"Lua_UsersCanWrite", Lua_UsersCanWrite},
    {nullptr, nullptr},
};
