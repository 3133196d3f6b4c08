// The common argument rules of the installer functions: arguments are read by position
// with the interpreter's lenient conversions and never raise an argument error; a
// missing or wrong argument reads as "", 0 or false.
#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "orbscriptnames.h"
#include "orbexitcode.h"
#include "orbstring.h"

// Text of argument idx (numbers converted), UTF-8 to UTF-16; anything else gives "".
inline std::wstring ORBArgString(lua_State* L, int idx) {
    size_t n = 0;
    const char* s = lua_tolstring(L, idx, &n);
    return s ? ORBUtf8ToWide(s, static_cast<std::ptrdiff_t>(n)) : std::wstring();
}

// Raw UTF-8 bytes of argument idx; "" when it is not a string or number.
inline std::string ORBArgUtf8(lua_State* L, int idx) {
    size_t n = 0;
    const char* s = lua_tolstring(L, idx, &n);
    return s ? std::string(s, n) : std::string();
}

// Integer of argument idx (numeric strings converted); anything else gives 0.
inline lua_Integer ORBArgInteger(lua_State* L, int idx) { return lua_tointegerx(L, idx, nullptr); }

// 32-bit unsigned of argument idx: integral values from -2^31 to 2^32-1 keep their
// low 32 bits.
inline unsigned long ORBArgUnsigned(lua_State* L, int idx) { return lua_tounsignedx(L, idx, nullptr); }

// The integral part of a script number as 64 bits, negative values in two's complement.
// Unlike lua_tointeger, whose type is 32 bits wide on i686 and turns 2^31..2^32-1 into
// -2^31, every value from -2^63 to 2^64-1 keeps its low bits. NaN and numbers outside
// that range give 0.
inline uint64_t ORBNumberBits(lua_Number n) {
    if (n >= 0) return n < 18446744073709551616.0 ? static_cast<uint64_t>(n) : 0;
    return n >= -9223372036854775808.0 ? static_cast<uint64_t>(static_cast<int64_t>(n)) : 0;
}

inline lua_Number ORBArgNumber(lua_State* L, int idx) { return lua_tonumberx(L, idx, nullptr); }

// Script truth: only nil, none and false are false.
inline bool ORBArgBoolean(lua_State* L, int idx) { return lua_toboolean(L, idx) != 0; }

// True when nobody may be asked (global_silent_install, global_passive_install or
// global_suppress_msgboxes set when the function is called): installer functions then
// show nothing modal and wait for nobody.
inline bool ORBSilentRun(lua_State* L) { return ORBUnattendedRun(L); }

inline void ORBPushString(lua_State* L, const std::wstring& text) {
    std::string utf8 = ORBWideToUtf8(text);
    lua_pushlstring(L, utf8.data(), utf8.size());
}

// Runs a binding body and keeps C++ exceptions out of the interpreter: a failure of
// the host itself (memory, a standard library error) becomes a script error, which the
// engine reports. Script errors raised inside the body pass through untouched.
template <typename Body>
int ORBProtect(lua_State* L, Body&& body) {
    std::string what;
    try {
        return body();
    } catch (const std::bad_alloc&) {
        what = "not enough memory";
    } catch (const std::exception& e) {
        what = e.what();
    }
    return luaL_error(L, "host failure: %s", what.c_str());
}
