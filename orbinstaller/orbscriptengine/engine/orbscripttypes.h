// The script types (AString, WString, RawBuffer) and the native library bridge
// (DllManager, GLibTab). Every object is a bare userdata block: native code sees
// exactly the block, so there is no header to keep a length or a state in.
#pragma once

#include "lauxlib.h"
#include "lua.h"

extern const char kORBAStringMeta[];    // "AStringMetaTable"
extern const char kORBWStringMeta[];    // "WStringMetaTable"
extern const char kORBRawBufferMeta[];  // "RawBufferMetaTable"
extern const char kORBLibraryMeta[];    // "DllManagerMetaTable"

// Module openers for luaL_requiref; each returns its module table { New } / { Load }.
int ORBOpenAString(lua_State* L);
int ORBOpenWString(lua_State* L);
int ORBOpenRawBuffer(lua_State* L);
int ORBOpenDllManager(lua_State* L);

// Creates the global GLibTab, which loads a library on first use of its key.
void ORBCreateGLibTab(lua_State* L);

// True when the value at idx is a full userdata whose metatable is registry[meta].
bool ORBIsScriptType(lua_State* L, int idx, const char* meta);
