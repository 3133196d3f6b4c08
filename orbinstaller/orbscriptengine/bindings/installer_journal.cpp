// Installer functions: the install journal (all-or-nothing installs) and file sizes.
#include "orbexitcode.h"
#include "orbfileops.h"
#include "orbjournal.h"
#include "orblinks.h"
#include "orbscriptapi.h"
#include "orbscriptargs.h"

namespace {

// A script error or an Abort answer ends the process without the kit seeing it: the
// open journal is rolled back first.
void RollBackOnFailedExit() { ORBJournalRollback(); }

// Lua_JournalBegin(journal file, install folder) -> false when a journal is open, the
// file exists (left by an earlier run) or cannot be created
int Lua_JournalBegin(lua_State* L) {
    return ORBProtect(L, [&] {
        bool ok = ORBJournalBegin(ORBExpandEnvString(ORBArgString(L, 1)), ORBExpandEnvString(ORBArgString(L, 2)));
        if (ok) ORBSetBeforeFailedExit(RollBackOnFailedExit);
        lua_pushboolean(L, ok);
        return 1;
    });
}

// Lua_JournalFile(path) -> false when the existing file cannot be put aside (in use)
// or the record cannot be written; true with no journal open
int Lua_JournalFile(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBJournalBeforeFile(ORBFullPath(ORBExpandEnvString(ORBArgString(L, 1)))));
        return 1;
    });
}

// Lua_JournalFolder(path) -> false when the record cannot be written (call before
// creating a folder the install makes)
int Lua_JournalFolder(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBJournalFolderCreated(ORBFullPath(ORBExpandEnvString(ORBArgString(L, 1)))));
        return 1;
    });
}

// Lua_JournalCommit() -> false when no journal is open or it cannot be closed as done
int Lua_JournalCommit(lua_State* L) {
    return ORBProtect(L, [&] {
        ORBSetBeforeFailedExit(nullptr);
        lua_pushboolean(L, ORBJournalCommit());
        return 1;
    });
}

// Lua_JournalRollback() -> false when no journal is open or something could not be undone
int Lua_JournalRollback(lua_State* L) {
    return ORBProtect(L, [&] {
        ORBSetBeforeFailedExit(nullptr);
        lua_pushboolean(L, ORBJournalRollback());
        return 1;
    });
}

// Lua_JournalRecover(journal file) -> true when there is none or it was finished
int Lua_JournalRecover(lua_State* L) {
    return ORBProtect(L, [&] {
        lua_pushboolean(L, ORBJournalRecover(ORBExpandEnvString(ORBArgString(L, 1))));
        return 1;
    });
}

// Lua_GetFileSize(path) -> size in bytes, or nil when it is missing, a folder or a link
int Lua_GetFileSize(lua_State* L) {
    return ORBProtect(L, [&] {
        std::wstring path = ORBSystemPath(ORBExpandEnvString(ORBArgString(L, 1)));
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
            lua_pushnil(L);
        } else {
            lua_pushnumber(L, static_cast<lua_Number>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow);
        }
        return 1;
    });
}

}  // namespace

// Added after the first functions: registered after every other group.
const luaL_Reg kORBJournalFunctions[] = {
    {"Lua_JournalBegin", Lua_JournalBegin},
    {"Lua_JournalFile", Lua_JournalFile},
    {"Lua_JournalFolder", Lua_JournalFolder},
    {"Lua_JournalCommit", Lua_JournalCommit},
    {"Lua_JournalRollback", Lua_JournalRollback},
    {"Lua_JournalRecover", Lua_JournalRecover},
    {"Lua_GetFileSize", Lua_GetFileSize},
    {nullptr, nullptr},
};
