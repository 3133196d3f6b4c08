// Compiling with the packer's own interpreter; the chunk it dumps has the packer's
// size_t and is converted when the target's differs.
#include "orbpackchunk.h"

#include <memory>
#include <new>

#include "lauxlib.h"
#include "lua.h"

namespace {

struct StateCloser {
    void operator()(lua_State* L) const { lua_close(L); }
};

int Append(lua_State*, const void* p, size_t size, void* ud) {
    static_cast<std::string*>(ud)->append(static_cast<const char*>(p), size);
    return 0;
}

// What luaL_loadfile skips and luaL_loadbuffer does not: a UTF-8 BOM, and a first line
// starting with "#" (its line end kept, so line numbers stay right).
std::string AsLuacReadsIt(const std::string& source) {
    size_t start = source.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (source.size() > start && source[start] == '#') {
        size_t eol = source.find('\n', start);
        return eol == std::string::npos ? std::string("\n") : source.substr(eol);
    }
    return source.substr(start);
}

// Lua shortens long chunk names in messages ("...name"); the message names the file in
// full instead.
std::string WithFullName(const std::string& message, const std::string& chunkName) {
    if (message.compare(0, chunkName.size() + 1, chunkName + ":") == 0) return message;
    for (size_t colon = message.find(':'); colon != std::string::npos; colon = message.find(':', colon + 1)) {
        size_t digits = colon + 1;
        while (digits < message.size() && message[digits] >= '0' && message[digits] <= '9') ++digits;
        if (digits > colon + 1 && digits < message.size() && message[digits] == ':')
            return chunkName + message.substr(colon);
    }
    return chunkName + ": " + message;
}

}  // namespace

bool OrbPackCompileChunk(const std::string& source, const std::string& chunkName, int sizeTBytes, std::string& chunk,
                         std::string& error) {
    chunk.clear();
    if (sizeTBytes != 4 && sizeTBytes != 8) {
        error = "size_t of " + std::to_string(sizeTBytes) + " bytes is not 4 or 8";
        return false;
    }
    try {
        std::unique_ptr<lua_State, StateCloser> L(luaL_newstate());
        if (!L) throw std::bad_alloc();
        std::string text = AsLuacReadsIt(source);
        std::string name = "@" + chunkName;
        if (luaL_loadbufferx(L.get(), text.data(), text.size(), name.c_str(), "t") != LUA_OK) {
            const char* message = lua_tostring(L.get(), -1);
            error = WithFullName(message ? message : "cannot be compiled", chunkName);
            return false;
        }
        std::string dumped;
        if (lua_dump(L.get(), Append, &dumped) != 0) {
            error = chunkName + ": cannot be dumped";
            return false;
        }
        if (sizeof(size_t) == size_t(sizeTBytes)) {
            chunk.swap(dumped);
            return true;
        }
        std::string why;
        if (!OrbPackConvertChunk(dumped, sizeTBytes, chunk, why)) {
            error = chunkName + ": " + why;
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        chunk.clear();
        error = chunkName + ": out of memory";
        return false;
    }
}
