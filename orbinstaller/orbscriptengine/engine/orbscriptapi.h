// What the engine registers at creation. Each group file ends with its table; the
// engine registers the groups one after another in the order declared below.
#pragma once

// Lua is built as C++ here (see cmake/ThirdParty.cmake): no extern "C".
#include "lauxlib.h"

// Script type modules, in registration order, each opened with luaL_requiref.
extern const luaL_Reg kORBScriptModules[];
// Global tables made after the modules (GLibTab); may be empty.
void ORBRegisterScriptTables(lua_State* L);
// Makes require find preloaded modules, then the program's own LUAMOD resources, and
// nothing on disk: empty package.path and package.cpath (orbscriptmodules.cpp).
void ORBInstallModuleSearcher(lua_State* L);

extern const luaL_Reg kORBPayloadFunctions[];   // installer_payload.cpp
extern const luaL_Reg kORBRegistryFunctions[];  // installer_registry.cpp
extern const luaL_Reg kORBFileFunctions[];      // installer_file.cpp
extern const luaL_Reg kORBProcessFunctions[];   // installer_process.cpp
extern const luaL_Reg kORBShellFunctions[];     // installer_shell.cpp
extern const luaL_Reg kORBFolderSecurityFunctions[];  // installer_file.cpp, added later
extern const luaL_Reg kORBRestartFunctions[];         // installer_restart.cpp, added later
extern const luaL_Reg kORBPlatformFunctions[];        // installer_platform.cpp, added later
extern const luaL_Reg kORBJournalFunctions[];  // installer_journal.cpp, added later

// The groups above in registration order, ended by nullptr (orbscriptengine.cpp).
extern const luaL_Reg* const kORBInstallerFunctionGroups[];
