// Runs script text in the engine's interpreter without the fatal error report, so a
// test can see script errors as values.
#pragma once

#include <string>

#include "lauxlib.h"
#include "orbscriptengine.h"

// Helpers every snippet can use: eq(got, want, what) and fails(f, text, what), which
// expects f to raise an error containing text.
inline const char* ScriptTestPrelude() {
    return "function eq(got, want, what)\n"
           "  if got ~= want then error(string.format('%s: got %s, want %s', what or '?',"
           " tostring(got), tostring(want)), 2) end\n"
           "end\n"
           "function fails(f, text, what)\n"
           "  local ok, e = pcall(f)\n"
           "  if ok then error((what or '?') .. ': no error', 2) end\n"
           "  if not tostring(e):find(text, 1, true) then\n"
           "    error((what or '?') .. ': wrong error: ' .. tostring(e), 2) end\n"
           "end\n";
}

inline lua_State* ScriptState() { return ORBScriptEngine::GetInstance()->GetState(); }

// "" when the snippet ran, else the error message.
inline std::string RunScript(const std::string& code) {
    lua_State* L = ScriptState();
    int top = lua_gettop(L);
    static bool prelude = luaL_dostring(L, ScriptTestPrelude()) == LUA_OK;
    std::string error = prelude ? "" : "prelude failed";
    if (luaL_loadbufferx(L, code.data(), code.size(), "=test", nullptr) != LUA_OK ||
        lua_pcall(L, 0, 0, 0) != LUA_OK)
        error = lua_tostring(L, -1) ? lua_tostring(L, -1) : "(non-string error)";
    lua_settop(L, top);
    return error;
}
