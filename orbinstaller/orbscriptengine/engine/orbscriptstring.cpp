// AString and WString: zero-terminated narrow (thread ANSI code page) and UTF-16 text
// in a userdata block of fixed capacity. Lengths are measured inside the block, so text
// that native code left without a terminator ends at the block's end.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "orbscriptargs.h"
#include "orbscripttypes.h"
#include "orbstring.h"

const char kORBAStringMeta[] = "AStringMetaTable";
const char kORBWStringMeta[] = "WStringMetaTable";

namespace {

template <class C>
size_t BoundedLength(const C* p, size_t cap) {
    size_t n = 0;
    while (n < cap && p[n]) ++n;
    return n;
}

// The block of an AString or WString at idx and its text length; null for other values.
template <class C>
const C* TextBlock(lua_State* L, int idx, const char* meta, size_t* len) {
    if (!ORBIsScriptType(L, idx, meta)) return nullptr;
    const C* p = static_cast<const C*>(lua_touserdata(L, idx));
    *len = BoundedLength(p, lua_rawlen(L, idx) / sizeof(C));
    return p;
}

struct Narrow {
    using Char = char;
    using Text = std::string;
    static constexpr const char* kMeta = kORBAStringMeta;
    static Text FromUtf8(const char* s, size_t n) {
        std::wstring w = ORBUtf8ToWide(s, static_cast<std::ptrdiff_t>(n));
        return ORBWideToAnsi(w.data(), static_cast<std::ptrdiff_t>(w.size()));
    }
    static Text FromNarrow(const char* s, size_t n) { return Text(s, n); }
    static Text FromWide(const wchar_t* s, size_t n) {
        return ORBWideToAnsi(s, static_cast<std::ptrdiff_t>(n));
    }
    static std::wstring ToWide(const char* s, size_t n) {
        return ORBAnsiToWide(s, static_cast<std::ptrdiff_t>(n));
    }
    static bool Equal(const char* a, size_t na, const char* b, size_t nb) {
        return CompareStringA(GetThreadLocale(), 0, a, static_cast<int>(na), b,
                              static_cast<int>(nb)) == CSTR_EQUAL;
    }
    // A byte of 0x80 or above is read as its character in the thread's code page (a
    // lone lead byte of a double-byte code page gives the code page's default).
    static std::string Element(char c) {
        if (static_cast<unsigned char>(c) < 0x80) return std::string(1, c);
        return ORBWideToUtf8(ORBAnsiToWide(&c, 1));
    }
};

struct Wide {
    using Char = wchar_t;
    using Text = std::wstring;
    static constexpr const char* kMeta = kORBWStringMeta;
    static Text FromUtf8(const char* s, size_t n) {
        return ORBUtf8ToWide(s, static_cast<std::ptrdiff_t>(n));
    }
    static Text FromNarrow(const char* s, size_t n) {
        return ORBAnsiToWide(s, static_cast<std::ptrdiff_t>(n));
    }
    static Text FromWide(const wchar_t* s, size_t n) { return Text(s, n); }
    static std::wstring ToWide(const wchar_t* s, size_t n) { return std::wstring(s, n); }
    static bool Equal(const wchar_t* a, size_t na, const wchar_t* b, size_t nb) {
        return CompareStringW(GetThreadLocale(), 0, a, static_cast<int>(na), b,
                              static_cast<int>(nb)) == CSTR_EQUAL;
    }
    static std::string Element(wchar_t c) { return ORBWideToUtf8(&c, 1); }
};

// A script value as text of type T: strings and numbers are UTF-8, string objects are
// converted from their own encoding, anything else is empty.
template <class T>
typename T::Text TextOf(lua_State* L, int idx) {
    size_t n = 0;
    switch (lua_type(L, idx)) {
    case LUA_TSTRING:
    case LUA_TNUMBER: {
        const char* s = lua_tolstring(L, idx, &n);
        return T::FromUtf8(s, n);
    }
    case LUA_TUSERDATA:
        if (const char* a = TextBlock<char>(L, idx, kORBAStringMeta, &n))
            return T::FromNarrow(a, n);
        if (const wchar_t* w = TextBlock<wchar_t>(L, idx, kORBWStringMeta, &n))
            return T::FromWide(w, n);
        break;
    }
    return typename T::Text();
}

// Pushes a new object of capacity units holding text (zero-filled beyond it).
template <class T>
void PushObject(lua_State* L, const typename T::Text& text, size_t cap) {
    using C = typename T::Char;
    if (cap > SIZE_MAX / sizeof(C)) luaL_error(L, "string capacity too large");
    C* p = static_cast<C*>(lua_newuserdata(L, cap * sizeof(C)));
    std::memset(p, 0, cap * sizeof(C));
    std::memcpy(p, text.data(), text.size() * sizeof(C));
    luaL_setmetatable(L, T::kMeta);
}

template <class T>
int New(lua_State* L) {
    return ORBProtect(L, [L] {
        lua_Integer size = lua_tointegerx(L, 1, nullptr);
        typename T::Text text;
        if (lua_gettop(L) >= 2) {
            text = TextOf<T>(L, 2);
        } else if (size <= 0) {
            lua_pushnil(L);
            return 1;
        }
        size_t len = text.size();
        bool sized = size > 0 && static_cast<uint64_t>(size) > len;
        size_t cap = sized ? static_cast<size_t>(size) : len + 1;
        PushObject<T>(L, text, cap);
        return 1;
    });
}

template <class T>
const typename T::Char* Self(lua_State* L, size_t* len, size_t* cap) {
    using C = typename T::Char;
    const C* p = static_cast<const C*>(luaL_checkudata(L, 1, T::kMeta));
    *cap = lua_rawlen(L, 1) / sizeof(C);
    *len = BoundedLength(p, *cap);
    return p;
}

template <class T>
int Len(lua_State* L) {
    size_t len, cap;
    Self<T>(L, &len, &cap);
    lua_pushunsigned(L, static_cast<lua_Unsigned>(len));
    return 1;
}

template <class T>
int ToString(lua_State* L) {
    return ORBProtect(L, [L] {
        size_t len, cap;
        const typename T::Char* p = Self<T>(L, &len, &cap);
        ORBPushString(L, T::ToWide(p, len));
        return 1;
    });
}

template <class T>
int Eq(lua_State* L) {
    size_t na = 0, nb = 0;
    const typename T::Char* a = TextBlock<typename T::Char>(L, 1, T::kMeta, &na);
    const typename T::Char* b = TextBlock<typename T::Char>(L, 2, T::kMeta, &nb);
    lua_pushboolean(L, a && b && T::Equal(a, na, b, nb));
    return 1;
}

// The interpreter runs the left operand's metamethod when it has one, else the
// right one's: the result takes the type whose metamethod runs.
template <class T>
int Concat(lua_State* L) {
    return ORBProtect(L, [L] {
        typename T::Text text = TextOf<T>(L, 1);
        text += TextOf<T>(L, 2);
        PushObject<T>(L, text, text.size() + 1);
        return 1;
    });
}

// Element read: negative keys give nil, non-numeric keys read as 0, a zero unit gives
// "". Keys past the block's capacity are refused rather than read beyond it.
template <class T>
int Index(lua_State* L) {
    return ORBProtect(L, [L] {
        size_t len, cap;
        const typename T::Char* p = Self<T>(L, &len, &cap);
        lua_Integer key = lua_tointegerx(L, 2, nullptr);
        if (key < 0) {
            lua_pushnil(L);
            return 1;
        }
        if (static_cast<uint64_t>(key) >= cap)
            return luaL_error(L, "index %f out of range (capacity %f)",
                              static_cast<lua_Number>(key), static_cast<lua_Number>(cap));
        typename T::Char c = p[key];
        if (c == 0)
            lua_pushliteral(L, "");
        else {
            std::string utf8 = T::Element(c);
            lua_pushlstring(L, utf8.data(), utf8.size());
        }
        return 1;
    });
}

// Element write: only units inside the current text change; the terminator and the
// spare capacity cannot be written this way.
template <class T>
int NewIndex(lua_State* L) {
    return ORBProtect(L, [L] {
        size_t len, cap;
        typename T::Char* p = const_cast<typename T::Char*>(Self<T>(L, &len, &cap));
        lua_Integer key = lua_tointegerx(L, 2, nullptr);
        size_t n = 0;
        const char* s = lua_tolstring(L, 3, &n);
        if (!s || key < 0 || static_cast<uint64_t>(key) >= len) return 0;
        typename T::Text value = T::FromUtf8(s, n);
        if (!value.empty()) p[key] = value[0];
        return 0;
    });
}

template <class T>
int Open(lua_State* L) {
    static const luaL_Reg module[] = {{"New", New<T>}, {nullptr, nullptr}};
    static const luaL_Reg meta[] = {
        {"__index", Index<T>}, {"__newindex", NewIndex<T>}, {"__len", Len<T>},
        {"__tostring", ToString<T>}, {"__concat", Concat<T>}, {"__eq", Eq<T>},
        {nullptr, nullptr},
    };
    luaL_newlib(L, module);
    luaL_newmetatable(L, T::kMeta);
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    luaL_setfuncs(L, meta, 0);
    lua_pop(L, 1);
    return 1;
}

}  // namespace

int ORBOpenAString(lua_State* L) { return Open<Narrow>(L); }
int ORBOpenWString(lua_State* L) { return Open<Wide>(L); }
