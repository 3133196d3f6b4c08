// Chunk compilation: through the chunk library when it is part of the build, otherwise
// through this packer's own Lua, which writes the format of its own size_t only.
#include "orbpackscript.h"

#include "orbpackfiles.h"

#ifdef ORBPACK_HAVE_CHUNK
#include "orbpackchunk.h"
#else
#include "lauxlib.h"
#include "lua.h"
#endif

namespace {

// Lua reports "<chunk name>:<line>: <message>"; the chunk name is the bare file name,
// the user wants the path given.
std::string WithPath(const std::filesystem::path& file, const std::string& message) {
    std::string bare = OrbPackShow(file.filename());
    if (message.compare(0, bare.size() + 1, bare + ":") == 0) return OrbPackShow(file) + message.substr(bare.size());
    return OrbPackShow(file) + ": " + message;
}

#ifndef ORBPACK_HAVE_CHUNK
int Append(lua_State*, const void* p, size_t n, void* ud) {
    static_cast<std::string*>(ud)->append(static_cast<const char*>(p), n);
    return 0;
}
#endif

}  // namespace

bool OrbPackCompile(const std::filesystem::path& file, const std::string& source, int sizeTBytes, std::string& chunk,
                    std::string& error) {
#ifdef ORBPACK_HAVE_CHUNK
    // The library marks the name as a file's itself ("@" in front), as luac does.
    if (OrbPackCompileChunk(source, OrbPackShow(file.filename()), sizeTBytes, chunk, error)) return true;
    error = WithPath(file, error);
    return false;
#else
    std::string name = "@" + OrbPackShow(file.filename());
    if (sizeTBytes != int(sizeof(size_t))) {
        error = OrbPackShow(file) + ": this orbpack cannot write chunks for a " + std::to_string(sizeTBytes) +
                "-byte size_t target (built without the chunk library)";
        return false;
    }
    lua_State* L = luaL_newstate();
    if (!L) return error = "out of memory", false;
    bool ok = luaL_loadbufferx(L, source.data(), source.size(), name.c_str(), "t") == LUA_OK;
    if (ok) {
        chunk.clear();
        lua_dump(L, Append, &chunk);
    } else {
        error = WithPath(file, lua_tostring(L, -1));
    }
    lua_close(L);
    return ok;
#endif
}
