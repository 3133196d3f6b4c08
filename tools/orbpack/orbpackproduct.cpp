// Evaluating product.lua in an empty environment and reading its fields.
#include "orbpackproduct.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>

#include "orbpackfiles.h"
#include "orbpacknew.h"

// Lua is compiled as C++ here, as in the setup itself: no C linkage block.
#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

namespace {

struct LuaState {
    lua_State* L = luaL_newstate();
    ~LuaState() {
        if (L) lua_close(L);
    }
};

// The string `name = "..."` of a settings script, or empty: the product's name,
// version and publisher default to its global_product_name, global_product_version
// and global_publisher.
std::string ScriptSetting(const fs::path& file, const std::string& name) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    std::regex re("^[ \t]*" + name + "[ \t]*=[ \t]*\"([^\"]*)\"");
    std::smatch m;
    while (std::getline(in, line))
        if (std::regex_search(line, m, re)) return m[1];
    return {};
}

class Reader {
public:
    Reader(lua_State* L, const fs::path& file, const fs::path& folder, std::string& error)
        : L_(L), file_(OrbPackShow(file)), folder_(folder), error_(error) {}

    bool Fail(const std::string& why) {
        if (error_.empty()) error_ = file_ + ": " + why;
        return false;
    }

    // The field on top of the stack after GetField; nil leaves `out` untouched.
    bool String(const char* field, std::string& out) {
        lua_getfield(L_, -1, field);
        bool ok = true;
        if (lua_type(L_, -1) == LUA_TSTRING) out = lua_tostring(L_, -1);
        else if (!lua_isnil(L_, -1)) ok = Fail(std::string("field '") + field + "' must be a string");
        lua_pop(L_, 1);
        return ok;
    }
    bool Bool(const char* field, bool& out) {
        lua_getfield(L_, -1, field);
        bool ok = true;
        if (lua_type(L_, -1) == LUA_TBOOLEAN) out = lua_toboolean(L_, -1);
        else if (!lua_isnil(L_, -1)) ok = Fail(std::string("field '") + field + "' must be true or false");
        lua_pop(L_, 1);
        return ok;
    }
    bool Number(const char* field, double& out) {
        lua_getfield(L_, -1, field);
        bool ok = true;
        if (lua_type(L_, -1) == LUA_TNUMBER) out = lua_tonumber(L_, -1);
        else if (!lua_isnil(L_, -1)) ok = Fail(std::string("field '") + field + "' must be a number");
        lua_pop(L_, 1);
        return ok;
    }
    // Whether the description sets the field at all (an empty string counts).
    bool Present(const char* field) {
        lua_getfield(L_, -1, field);
        bool present = !lua_isnil(L_, -1);
        lua_pop(L_, 1);
        return present;
    }
    // A path field: given paths must exist; a default that does not exist is no file.
    bool Path(const char* field, const char* fallback, fs::path& out, bool folderWanted = false) {
        std::string value;
        if (!String(field, value)) return false;
        bool given = !value.empty();
        if (!given && fallback) value = fallback;
        if (value.empty()) return true;
        fs::path p = folder_ / fs::u8path(value);
        std::error_code ec;
        bool exists = folderWanted ? fs::exists(p, ec) : fs::is_regular_file(p, ec);
        if (!exists) {
            if (given) return Fail(std::string("field '") + field + "': " + OrbPackShow(p) + " does not exist");
            return true;
        }
        out = p;
        return true;
    }
    // Every key of the table on top must be one of `known`.
    bool OnlyKnown(const std::set<std::string>& known, const std::string& where) {
        lua_pushnil(L_);
        while (lua_next(L_, -2)) {
            lua_pop(L_, 1);
            std::string key = lua_type(L_, -1) == LUA_TSTRING ? lua_tostring(L_, -1) : "?";
            if (!known.count(key)) {
                lua_pop(L_, 1);
                return Fail("unknown field '" + where + key + "'");
            }
        }
        return true;
    }

private:
    lua_State* L_;
    std::string file_;
    fs::path folder_;
    std::string& error_;
};

}  // namespace

bool OrbPackLoadProduct(const fs::path& folder, OrbPackProduct& p, std::string& error) {
    fs::path file = folder / "product.lua";
    std::vector<uint8_t> source;
    if (!OrbPackRead(file, source, error)) return false;
    LuaState lua;
    lua_State* L = lua.L;
    if (!L) return error = "out of memory", false;
    // Only the safe libraries: a description computes strings, it reaches nothing else.
    luaL_requiref(L, "_G", luaopen_base, 1);
    luaL_requiref(L, "string", luaopen_string, 1);
    luaL_requiref(L, "table", luaopen_table, 1);
    luaL_requiref(L, "math", luaopen_math, 1);
    lua_settop(L, 0);
    std::string chunk = "@" + OrbPackShow(file);
    if (luaL_loadbufferx(L, reinterpret_cast<const char*>(source.data()), source.size(), chunk.c_str(), "t") != LUA_OK) {
        error = lua_tostring(L, -1);
        return false;
    }
    // The description's fields land in a table of their own, reading falls through to
    // the libraries.
    lua_newtable(L);
    lua_newtable(L);
    lua_pushglobaltable(L);
    lua_setfield(L, -2, "__index");
    lua_setmetatable(L, -2);
    lua_pushvalue(L, -1);
    lua_setupvalue(L, -3, 1);
    lua_insert(L, 1);  // env below the function
    if (lua_pcall(L, 0, 0, 0) != LUA_OK) {
        error = lua_tostring(L, -1);
        return false;
    }
    p = OrbPackProduct();
    p.folder = folder;
    Reader r(L, file, folder, error);
    if (!r.OnlyKnown({"output", "name", "version", "publisher", "description", "execution_level", "scripts",
                      "modules", "layout", "images", "icon", "payload", "payload_level", "append_payload",
                      "payload_size_in_scripts", "size_budget", "resources", "uninstaller", "winget"},
                     ""))
        return false;
    double level = p.payloadLevel, budget = 0;
    if (!r.String("output", p.output) || !r.String("name", p.name) || !r.String("version", p.version) ||
        !r.String("publisher", p.publisher) || !r.String("description", p.description) ||
        !r.String("execution_level", p.executionLevel) || !r.Path("layout", "LAYOUT.XML", p.layout) ||
        !r.Path("images", "images", p.images, true) || !r.Path("icon", nullptr, p.icon) ||
        !r.Path("payload", "payload", p.payload, true) || !r.Number("payload_level", level) ||
        !r.Bool("append_payload", p.appendPayload) || !r.Bool("payload_size_in_scripts", p.payloadSizeInScripts) ||
        !r.Number("size_budget", budget))
        return false;
    if (p.output.empty()) return r.Fail("field 'output' is missing");
    if (p.output.find_first_of("/\\:*?\"<>|") != std::string::npos)
        return r.Fail("field 'output' must be a file name without folder");
    if (p.executionLevel != "requireAdministrator" && p.executionLevel != "highestAvailable" &&
        p.executionLevel != "asInvoker")
        return r.Fail("field 'execution_level' must be requireAdministrator, highestAvailable or asInvoker");
    if (level < 0 || level > 9 || level != int(level)) return r.Fail("field 'payload_level' must be 0 to 9");
    p.payloadLevel = int(level);
    if (budget < 0) return r.Fail("field 'size_budget' must not be negative");
    p.sizeBudget = uint64_t(budget);

    // scripts = { global = ..., install = ..., uninstall = ... }
    lua_getfield(L, -1, "scripts");
    if (lua_istable(L, -1)) {
        if (!r.OnlyKnown({"global", "install", "uninstall"}, "scripts.")) return false;
    } else if (!lua_isnil(L, -1)) {
        return r.Fail("field 'scripts' must be a table");
    } else {
        lua_pop(L, 1);
        lua_newtable(L);
    }
    if (!r.Path("global", "GLOBAL_VAR.lua", p.globalScript) || !r.Path("install", "INSTSCRIPT.lua", p.installScript) ||
        !r.Path("uninstall", "UNINSTSCRIPT.lua", p.uninstallScript))
        return false;
    lua_pop(L, 1);

    // modules = { "modules/a.lua", ... }; by default every modules/*.lua.
    lua_getfield(L, -1, "modules");
    if (lua_istable(L, -1)) {
        for (int i = 1;; ++i) {
            lua_rawgeti(L, -1, i);
            if (lua_isnil(L, -1)) {
                lua_pop(L, 1);
                break;
            }
            if (lua_type(L, -1) != LUA_TSTRING) return r.Fail("field 'modules' must list file names");
            fs::path m = folder / fs::u8path(lua_tostring(L, -1));
            lua_pop(L, 1);
            std::error_code ec;
            if (!fs::is_regular_file(m, ec)) return r.Fail("field 'modules': " + OrbPackShow(m) + " does not exist");
            p.modules.push_back(m);
        }
    } else if (!lua_isnil(L, -1)) {
        return r.Fail("field 'modules' must be a list");
    } else {
        std::error_code ec;
        if (fs::is_directory(folder / "modules", ec))
            for (const auto& e : fs::directory_iterator(folder / "modules", ec))
                if (e.path().extension() == ".lua") p.modules.push_back(e.path());
        std::sort(p.modules.begin(), p.modules.end());
    }
    lua_pop(L, 1);

    // resources = { { type = "_7Z", name = "X.7Z", file = "x.7z" }, ... }
    lua_getfield(L, -1, "resources");
    if (lua_istable(L, -1)) {
        for (int i = 1;; ++i) {
            lua_rawgeti(L, -1, i);
            if (lua_isnil(L, -1)) {
                lua_pop(L, 1);
                break;
            }
            if (!lua_istable(L, -1)) return r.Fail("field 'resources' must list tables");
            OrbPackResource res;
            if (!r.OnlyKnown({"type", "name", "file"}, "resources.") || !r.String("type", res.type) ||
                !r.String("name", res.name) || !r.Path("file", nullptr, res.file))
                return false;
            if (res.type.empty() || res.name.empty() || res.file.empty())
                return r.Fail("each resource needs type, name and file");
            p.resources.push_back(res);
            lua_pop(L, 1);
        }
    } else if (!lua_isnil(L, -1)) {
        return r.Fail("field 'resources' must be a list");
    }
    lua_pop(L, 1);

    // uninstaller = false | { output = ..., description = ..., resource = ... }
    p.makeUninstaller = !p.uninstallScript.empty();
    lua_getfield(L, -1, "uninstaller");
    if (lua_type(L, -1) == LUA_TBOOLEAN) {
        p.makeUninstaller = p.makeUninstaller && lua_toboolean(L, -1);
    } else if (lua_istable(L, -1)) {
        if (!r.OnlyKnown({"output", "description", "resource"}, "uninstaller.") ||
            !r.String("output", p.uninstallerOutput) || !r.String("description", p.uninstallerDescription) ||
            !r.String("resource", p.uninstallerResource))
            return false;
    } else if (!lua_isnil(L, -1)) {
        return r.Fail("field 'uninstaller' must be false or a table");
    }
    lua_pop(L, 1);

    // winget = { identifier = "Maker.Product", url = "https://...", license = "...",
    //           short_description = "..." }
    lua_getfield(L, -1, "winget");
    if (lua_istable(L, -1)) {
        p.deployment = true;
        if (!r.OnlyKnown({"identifier", "url", "license", "short_description"}, "winget.") ||
            !r.String("identifier", p.packageId) || !r.String("url", p.installerUrl) ||
            !r.String("license", p.license) || !r.String("short_description", p.shortDescription))
            return false;
        if (p.packageId.empty() || p.installerUrl.empty())
            return r.Fail("field 'winget' needs identifier and url");
    } else if (!lua_isnil(L, -1)) {
        return r.Fail("field 'winget' must be a table");
    }
    lua_pop(L, 1);

    if (!p.globalScript.empty()) {
        p.standardExitCodes = ScriptSetting(p.globalScript, "global_exit_codes") == "standard";
        // The key as the script writes it, a Lua string with doubled backslashes.
        std::string key = ScriptSetting(p.globalScript, "global_uninstall_key");
        for (size_t i = 0; i < key.size(); ++i) {
            if (key[i] == '\\' && i + 1 < key.size()) ++i;
            p.uninstallKey += key[i];
        }
        p.templateGuid =
            ScriptSetting(p.globalScript, "global_install_mutex_guid").find(kOrbPackTemplateGuid) != std::string::npos;
        if (p.name.empty()) p.name = ScriptSetting(p.globalScript, "global_product_name");
        if (p.version.empty()) p.version = ScriptSetting(p.globalScript, "global_product_version");
        if (p.publisher.empty()) p.publisher = ScriptSetting(p.globalScript, "global_publisher");
    }
    // An explicitly empty value stands (a product without a publisher, say).
    for (auto [field, value] : {std::pair<const char*, std::string*>{"name", &p.name}, {"version", &p.version},
                                {"publisher", &p.publisher}})
        if (value->empty() && !r.Present(field))
            return r.Fail(std::string("field '") + field + "' is missing (nor in the global script)");
    if (p.description.empty()) p.description = p.name + " Setup";
    if (p.uninstallerDescription.empty()) p.uninstallerDescription = p.name + " Uninstaller";
    return true;
}
