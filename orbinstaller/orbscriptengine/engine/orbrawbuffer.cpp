// RawBuffer: a zero-filled block read and written at byte offsets, little-endian and
// unaligned. Accessors take their operands from the stack top (getter: object, offset;
// setter: object, offset, value). Every access must lie inside the block; one that
// would leave it raises "offset out of range" instead of touching foreign memory.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "orbscriptargs.h"
#include "orbscripttypes.h"
#include "orbstring.h"

const char kORBRawBufferMeta[] = "RawBufferMetaTable";

namespace {

// Address of width bytes at the offset found at offIdx inside the block at objIdx.
unsigned char* Field(lua_State* L, int objIdx, int offIdx, size_t width) {
    if (lua_gettop(L) < -objIdx) luaL_error(L, "RawBuffer accessor: missing object or offset");
    // Only a RawBuffer's block is plain bytes: another userdata (an io file, a library
    // object) holds live state that a write would corrupt.
    if (!luaL_testudata(L, objIdx, kORBRawBufferMeta)) luaL_error(L, "RawBuffer accessor: buffer expected");
    unsigned char* p = static_cast<unsigned char*>(lua_touserdata(L, objIdx));
    size_t size = lua_rawlen(L, objIdx);
    // Checked as a number: a 32-bit lua_Integer would wrap offsets of 2^31 and more.
    lua_Number off = std::trunc(lua_tonumberx(L, offIdx, nullptr));
    if (!(off >= 0) || off > static_cast<lua_Number>(size) ||
        width > size - static_cast<size_t>(off))
        luaL_error(L, "offset out of range (offset %f, width %f, buffer size %f)", off,
                   static_cast<lua_Number>(width), static_cast<lua_Number>(size));
    return p + static_cast<size_t>(off);
}

// Length in units of the zero-terminated text at the offset; the terminator must lie
// inside the block.
template <class C>
size_t TextField(lua_State* L, const unsigned char** text) {
    const unsigned char* p = Field(L, -2, -1, 0);
    const unsigned char* block = static_cast<const unsigned char*>(lua_touserdata(L, -2));
    const unsigned char* end = block + lua_rawlen(L, -2);
    size_t room = static_cast<size_t>(end - p) / sizeof(C);
    for (size_t n = 0; n < room; ++n) {
        C c;
        std::memcpy(&c, p + n * sizeof(C), sizeof c);
        if (c == 0) {
            *text = p;
            return n;
        }
    }
    luaL_error(L, "offset out of range (text not terminated inside the buffer)");
    return 0;
}

template <class V>
V Load(lua_State* L) {
    V v;
    std::memcpy(&v, Field(L, -2, -1, sizeof v), sizeof v);
    return v;
}

template <class V>
void Store(lua_State* L, V v) {
    std::memcpy(Field(L, -3, -2, sizeof v), &v, sizeof v);
}

int GetInt32(lua_State* L) { lua_pushinteger(L, Load<int32_t>(L)); return 1; }
int GetUInt32(lua_State* L) { lua_pushunsigned(L, Load<uint32_t>(L)); return 1; }
int GetInt16(lua_State* L) { lua_pushinteger(L, Load<int16_t>(L)); return 1; }
int GetUInt16(lua_State* L) { lua_pushinteger(L, Load<uint16_t>(L)); return 1; }
int GetInt8(lua_State* L) { lua_pushinteger(L, Load<int8_t>(L)); return 1; }
int GetUInt8(lua_State* L) { lua_pushinteger(L, Load<uint8_t>(L)); return 1; }
int GetBoolean(lua_State* L) { lua_pushboolean(L, Load<uint32_t>(L) != 0); return 1; }

// The address of the field itself, to hand a pointer to it to native code.
int GetPointer(lua_State* L) {
    lua_pushlightuserdata(L, Field(L, -2, -1, 1));
    return 1;
}

int GetWString(lua_State* L) {
    return ORBProtect(L, [L] {
        const unsigned char* p = nullptr;
        size_t n = TextField<wchar_t>(L, &p);
        std::wstring text(n, L'\0');
        if (n) std::memcpy(&text[0], p, n * sizeof(wchar_t));  // may be unaligned
        ORBPushString(L, text);
        return 1;
    });
}

int GetAString(lua_State* L) {
    return ORBProtect(L, [L] {
        const unsigned char* p = nullptr;
        size_t n = TextField<char>(L, &p);
        const char* text = reinterpret_cast<const char*>(p);
        ORBPushString(L, ORBAnsiToWide(text, static_cast<std::ptrdiff_t>(n)));
        return 1;
    });
}

// The value on top as integer bits; the casts below keep the low bits, so signed and
// unsigned values of every width store the same pattern on both targets.
uint64_t Int(lua_State* L) { return ORBNumberBits(lua_tonumberx(L, -1, nullptr)); }
uint64_t Uns(lua_State* L) { return Int(L); }

int SetInt32(lua_State* L) { Store(L, static_cast<uint32_t>(Int(L))); return 0; }
int SetUInt32(lua_State* L) { Store(L, static_cast<uint32_t>(Uns(L))); return 0; }
int SetInt16(lua_State* L) { Store(L, static_cast<uint16_t>(Int(L))); return 0; }
int SetUInt16(lua_State* L) { Store(L, static_cast<uint16_t>(Uns(L))); return 0; }
int SetInt8(lua_State* L) { Store(L, static_cast<uint8_t>(Int(L))); return 0; }
int SetUInt8(lua_State* L) { Store(L, static_cast<uint8_t>(Uns(L))); return 0; }
int SetBoolean(lua_State* L) { Store<uint32_t>(L, lua_toboolean(L, -1) != 0); return 0; }

// Stores a pointer value: a light userdata's pointer, a full userdata's block, else 0.
// The field is pointer-sized: 4 bytes on i686, 8 on x86_64 (pointers stay whole).
int SetPointer(lua_State* L) {
    void* v = nullptr;
    int t = lua_gettop(L) >= 1 ? lua_type(L, -1) : LUA_TNONE;
    if (t == LUA_TLIGHTUSERDATA || t == LUA_TUSERDATA) v = lua_touserdata(L, -1);
    Store(L, v);
    return 0;
}

// Copies the value object's whole block (text, terminator and spare capacity). Used
// for both text setters: the block is copied as it is, whatever its encoding.
int SetBlock(lua_State* L, const char* name) {
    if (lua_gettop(L) < 3) return luaL_error(L, "%s: missing object, offset or value", name);
    if (!luaL_testudata(L, -1, kORBWStringMeta) && !luaL_testudata(L, -1, kORBAStringMeta) &&
        !luaL_testudata(L, -1, kORBRawBufferMeta))
        return luaL_error(L, "%s: value must be a WString, AString or RawBuffer (got %s)", name,
                          luaL_typename(L, -1));
    size_t n = lua_rawlen(L, -1);
    unsigned char* dst = Field(L, -3, -2, n);
    std::memmove(dst, lua_touserdata(L, -1), n);  // the source may be the buffer itself
    return 0;
}
int SetWString(lua_State* L) { return SetBlock(L, "OffsetSetAsWString"); }
int SetAString(lua_State* L) { return SetBlock(L, "OffsetSetAsAString"); }

int New(lua_State* L) {
    // A negative size would wrap to an unsigned one (-1 asks for 4 GiB): no buffer.
    lua_Unsigned size = lua_tonumber(L, 1) < 0 ? 0 : lua_tounsignedx(L, 1, nullptr);
    if (size == 0) {
        lua_pushnil(L);
        return 1;
    }
    void* p = lua_newuserdata(L, size);
    std::memset(p, 0, size);
    luaL_setmetatable(L, kORBRawBufferMeta);
    return 1;
}

}  // namespace

int ORBOpenRawBuffer(lua_State* L) {
    static const luaL_Reg module[] = {{"New", New}, {nullptr, nullptr}};
    static const luaL_Reg meta[] = {
        {"OffsetGetAsInt32", GetInt32},     {"OffsetGetAsUInt32", GetUInt32},
        {"OffsetGetAsInt16", GetInt16},     {"OffsetGetAsUInt16", GetUInt16},
        {"OffsetGetAsInt8", GetInt8},       {"OffsetGetAsUInt8", GetUInt8},
        {"OffsetGetAsWString", GetWString}, {"OffsetGetAsAString", GetAString},
        {"OffsetGetAsBoolean", GetBoolean}, {"OffsetGetAsPointer", GetPointer},
        {"OffsetSetAsInt32", SetInt32},     {"OffsetSetAsUInt32", SetUInt32},
        {"OffsetSetAsInt16", SetInt16},     {"OffsetSetAsUInt16", SetUInt16},
        {"OffsetSetAsInt8", SetInt8},       {"OffsetSetAsUInt8", SetUInt8},
        {"OffsetSetAsWString", SetWString}, {"OffsetSetAsAString", SetAString},
        {"OffsetSetAsBoolean", SetBoolean}, {"OffsetSetAsPointer", SetPointer},
        {nullptr, nullptr},
    };
    luaL_newlib(L, module);
    luaL_newmetatable(L, kORBRawBufferMeta);
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    luaL_setfuncs(L, meta, 0);
    lua_pop(L, 1);
    return 1;
}
