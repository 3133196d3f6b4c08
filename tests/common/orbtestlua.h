// In-process script helpers for test programs that link the script engine.
#pragma once

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "lauxlib.h"
#include "orbscriptengine.h"
#include "orbstring.h"

inline lua_State* TestLuaState() { return ORBScriptEngine::GetInstance()->GetState(); }

// Runs code outside the engine's fatal report, so a script error fails the test instead
// of ending the program. Returns the error text, empty on success.
inline std::string RunLua(const std::string& code) {
    lua_State* s = TestLuaState();
    int top = lua_gettop(s);
    std::string err;
    if (luaL_loadbuffer(s, code.data(), code.size(), "test") || lua_pcall(s, 0, 0, 0)) {
        const char* e = lua_tostring(s, -1);
        err = e ? e : "?";
    }
    lua_settop(s, top);
    return err;
}

// Runs code outside the fatal report and returns its results as tostring shows them;
// a script error is a test failure and gives {"error"}.
inline std::vector<std::string> LuaResults(const std::string& code) {
    lua_State* s = TestLuaState();
    int top = lua_gettop(s);
    if (luaL_loadstring(s, code.c_str()) || lua_pcall(s, 0, LUA_MULTRET, 0)) {
        ADD_FAILURE() << lua_tostring(s, -1);
        lua_settop(s, top);
        return {"error"};
    }
    std::vector<std::string> out;
    for (int i = top + 1; i <= lua_gettop(s); ++i) {
        out.push_back(luaL_tolstring(s, i, nullptr));
        lua_pop(s, 1);
    }
    lua_settop(s, top);
    return out;
}

// The first result of code, "none" when it returns nothing.
inline std::string LuaResult1(const std::string& code) {
    std::vector<std::string> r = LuaResults(code);
    return r.empty() ? "none" : r[0];
}

// Global `name` as tostring shows it.
inline std::wstring LuaGlobalText(const char* name) {
    lua_State* s = TestLuaState();
    lua_getglobal(s, name);
    size_t n = 0;
    const char* text = luaL_tolstring(s, -1, &n);
    std::wstring out = ORBUtf8ToWide(text, static_cast<std::ptrdiff_t>(n));
    lua_pop(s, 2);
    return out;
}
