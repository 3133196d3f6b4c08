// The one way the host reads a script global while it holds the interpreter: without
// metamethods (rawget on the globals table), so a script's metatable on _G cannot run,
// which keeps the reads safe inside the error handler.
#pragma once

#include <string>

#include "lua.h"

// Pushes the global's value (nil when absent).
void ORBPushRawGlobal(lua_State* L, const char* name);

// A string or number global as text; "" for any other value.
std::wstring ORBRawGlobalText(lua_State* L, const char* name);

// Truth of a global (only nil and false are false).
bool ORBRawGlobalBoolean(lua_State* L, const char* name);
