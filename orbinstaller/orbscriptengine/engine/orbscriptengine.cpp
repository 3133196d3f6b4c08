#include "orbscriptengine.h"

#include "orbscriptapi.h"

#include <cstdlib>

#include "lauxlib.h"
#include "lualib.h"
#include "orbexitcode.h"
#include "orbhosttext.h"
#include "orblog.h"
#include "orblogfile.h"
#include "orblogtexts.h"
#include "orbrawglobal.h"
#include "orbresource.h"
#include "orbscriptnames.h"
#include "orbstring.h"

// The installer function groups in registration order; each group registers in its
// table's order. docs/scripting.md lists the resulting order.
const luaL_Reg* const kORBInstallerFunctionGroups[] = {
    kORBPayloadFunctions, kORBRegistryFunctions, kORBFileFunctions,
    kORBProcessFunctions, kORBShellFunctions, kORBFolderSecurityFunctions, kORBRestartFunctions,
    kORBPlatformFunctions, kORBJournalFunctions, nullptr,
};

namespace {

void AppendFormat(std::string& text, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof buffer) {
        text.append(buffer, static_cast<size_t>(n));
        return;
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    va_start(args, format);
    vsnprintf(&big[0], big.size(), format, args);
    va_end(args);
    text.append(big.data(), static_cast<size_t>(n));
}

void AppendCallStack(lua_State* L, int level, std::string& text) {
    lua_Debug ar;
    // Iterative form of the level-by-level walk; same lines, no deep recursion.
    for (; level >= 0 && lua_getstack(L, level, &ar); ++level) {
        lua_getinfo(L, "nSlu", &ar);
        const char* prefix = "--  | ";
        if (level == 0) {
            text += "      <call stack>\n";
            prefix = "-> | ";
        }
        if (ar.name)
            AppendFormat(text, "%s%s() : line %d [%s : line %d]\n", prefix, ar.name, ar.currentline,
                         ar.source, ar.linedefined);
        else
            AppendFormat(text, "%sunknown : line %d [%s : line %d]\n", prefix, ar.currentline,
                         ar.source, ar.linedefined);
    }
}

}  // namespace

ORBScriptEngine* ORBScriptEngine::GetInstance() {
    // Function-local static: one-time, thread-safe creation; destroyed at exit.
    static ORBScriptEngine engine;
    return &engine;
}

ORBScriptEngine::ORBScriptEngine() { RegisterScriptApi(); }

ORBScriptEngine::~ORBScriptEngine() {
    if (L_) {
        lua_close(L_);
        L_ = nullptr;
    }
}

void ORBScriptEngine::RegisterScriptApi() {
    L_ = nullptr;
    L_ = luaL_newstate();
    if (!L_) throw static_cast<HRESULT>(E_FAIL);
    luaL_openlibs(L_);
    ORBInstallModuleSearcher(L_);
    for (const luaL_Reg* m = kORBScriptModules; m->name; ++m) {
        luaL_requiref(L_, m->name, m->func, 1);
        lua_pop(L_, 1);
    }
    ORBRegisterScriptTables(L_);
    for (const luaL_Reg* const* group = kORBInstallerFunctionGroups; *group; ++group) {
        for (const luaL_Reg* r = *group; r->name; ++r) {
            lua_pushcfunction(L_, r->func);
            lua_setglobal(L_, r->name);
        }
    }
}

bool ORBScriptEngine::DoResLua(const wchar_t* type, const wchar_t* name) {
    ORBResourceData res = ORBLoadResource(nullptr, type, name);
    if (res.status == ORBResourceData::kNotFound) ORBLog(kORBLogChunkNotFound, type, name);
    if (!ORBResourceUsable(res, kORBChunkRecord)) return false;
    std::string chunkName = ORBWideToAnsi(name);
    return DoBuffer(static_cast<const char*>(res.data), res.size, chunkName.c_str());
}

bool ORBScriptEngine::DoBuffer(const char* bytes, size_t size, const char* name) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (luaL_loadbufferx(L_, bytes, size, name, nullptr) != LUA_OK) {
        std::wstring message = ORBUtf8ToWide(lua_tostring(L_, -1));
        lua_pop(L_, 1);
        ORBLog(L"%s\r\n", message.c_str());
        ORBLog(L"luaL_loadbuffer failed!\r\n");
        return false;
    }
    const bool ok = PCall(L_, 0, 0) == LUA_OK;
    SyncLogFile(L_);
    return ok;
}

int ORBScriptEngine::PCall(lua_State* L, int nargs, int nresults) {
    int base = lua_gettop(L) - nargs;
    lua_pushcfunction(L, &ORBScriptEngine::OnScriptError);
    lua_insert(L, base);
    int status = lua_pcallk(L, nargs, nresults, base, 0, nullptr);
    lua_remove(L, base);
    return status;
}

std::wstring ORBScriptEngine::FormatScriptError(lua_State* L) {
    std::string text;
    const char* message = lua_tostring(L, -1);
    if (message)
        AppendFormat(text, "%s\n", message);
    else
        AppendFormat(text, "(error object is a %s value)\n", luaL_typename(L, -1));
    AppendCallStack(L, 0, text);
    // Script text is UTF-8 everywhere else, so the report is decoded as UTF-8 too.
    return ORBUtf8ToWide(text) + ORBHostText(ORBText::kScriptErrorFeedback, L);
}

int ORBScriptEngine::OnScriptError(lua_State* L) {
    std::wstring text = FormatScriptError(L);
    // The report goes to the log line by line (a debug-output line is bounded), so a
    // log file keeps all of it even when nobody sees a box.
    SyncLogFile(L);
    const std::wstring caption = ORBHostText(ORBText::kScriptErrorCaption, L);
    ORBLog(L"%s\r\n", caption.c_str());
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        ORBLog(L"%s\r\n", text.substr(start, end - start).c_str());
        start = end + 1;
    }
    const int code = ORBExitCode(L, ORBOutcome::kFailed);
    if (!ORBUnattendedRun(L)) MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_ICONERROR | MB_OK);
    // An install that was under way is undone before the process goes.
    ORBRunBeforeFailedExit();
    ExitProcess(static_cast<UINT>(code));
}

int ORBScriptEngine::ExitCodeFor(ORBOutcome outcome) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return ORBExitCode(L_, outcome);
}

bool ORBScriptEngine::StandardExitCodes() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return ORBStandardExitCodes(L_);
}

void ORBScriptEngine::SyncLogFile(lua_State* L) {
    // The last path tried: a path that failed is not retried (and reported) again.
    static std::wstring tried;
    ORBPushRawGlobal(L, kORBGlobalLogFile);
    std::wstring path;
    if (lua_type(L, -1) == LUA_TSTRING) path = ORBUtf8ToWide(lua_tostring(L, -1));
    lua_pop(L, 1);
    if (path.empty() || path == tried) return;
    tried = path;
    std::wstring made;
    DWORD error = 0;
    if (!ORBOpenLogFile(path, &made, &error))
        ORBLog(L"cannot open the log file %s, error %d\r\n", path.c_str(), static_cast<int>(error));
    else if (!made.empty() && made != path)
        ORBLog(L"the log file %s exists; logging to %s\r\n", path.c_str(), made.c_str());
}

// The interpreter state is shared by the main thread and the install worker. A hook
// call holds the engine throughout; writes from other threads are queued rather than
// waited for (the dialog keeps running) and a count hook stores them while the script
// runs, so the script sees them between two of its instructions.
const int kPendingHookCount = 1000;

void ORBScriptEngine::CallHook(const char* name) {
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        ApplyPending(L_);
        lua_getglobal(L_, name);
        if (lua_type(L_, -1) == LUA_TFUNCTION) {
            // A script's own debug hook is left alone; the queue then waits for the end.
            const bool ours = lua_gethook(L_) == nullptr;
            if (ours) lua_sethook(L_, &ORBScriptEngine::PendingHook, LUA_MASKCOUNT, kPendingHookCount);
            PCall(L_, 0, 0);
            SyncLogFile(L_);
            if (ours && lua_gethook(L_) == &ORBScriptEngine::PendingHook) lua_sethook(L_, nullptr, 0, 0);
        } else {
            lua_pop(L_, 1);
        }
        ApplyPending(L_);
    }
    DrainPending();
}

void ORBScriptEngine::PendingHook(lua_State* L, lua_Debug*) {
    ORBScriptEngine* engine = GetInstance();
    if (engine->hasPending_.load(std::memory_order_acquire)) engine->ApplyPending(L);
}

void ORBScriptEngine::StoreGlobal(lua_State* L, const PendingGlobal& value) {
    if (value.type == LUA_TSTRING)
        lua_pushlstring(L, value.text.data(), value.text.size());
    else if (value.type == LUA_TBOOLEAN)
        lua_pushboolean(L, value.number != 0);
    else
        lua_pushnumber(L, value.number);
    lua_setglobal(L, value.name.c_str());
}

void ORBScriptEngine::ApplyPending(lua_State* L) {
    if (!hasPending_.load(std::memory_order_acquire)) return;
    std::vector<PendingGlobal> queue;
    {
        std::lock_guard<std::mutex> q(pendingLock_);
        queue.swap(pending_);
        hasPending_.store(false, std::memory_order_release);
    }
    for (const PendingGlobal& value : queue) StoreGlobal(L, value);
}

void ORBScriptEngine::DrainPending() {
    while (hasPending_.load(std::memory_order_acquire) && lock_.try_lock()) {
        ApplyPending(L_);
        lock_.unlock();
    }
}

void ORBScriptEngine::SetGlobal(const PendingGlobal& value) {
    if (lock_.try_lock()) {
        ApplyPending(L_);  // older queued writes first
        StoreGlobal(L_, value);
        lock_.unlock();
        return;
    }
    {
        std::lock_guard<std::mutex> q(pendingLock_);
        pending_.push_back(value);
        hasPending_.store(true, std::memory_order_release);
    }
    // The holder may have let go between the try and the queueing.
    DrainPending();
}

std::wstring ORBScriptEngine::GetGlobalString(const char* name) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    lua_getglobal(L_, name);
    std::wstring value = ORBUtf8ToWide(lua_tolstring(L_, -1, nullptr));
    lua_pop(L_, 1);
    return value;
}

int ORBScriptEngine::GetGlobalInteger(const char* name) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    lua_getglobal(L_, name);
    int value = static_cast<int>(lua_tointegerx(L_, -1, nullptr));
    lua_pop(L_, 1);
    return value;
}

bool ORBScriptEngine::GetGlobalBoolean(const char* name) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    lua_getglobal(L_, name);
    bool value = lua_toboolean(L_, -1) != 0;
    lua_pop(L_, 1);
    return value;
}

void ORBScriptEngine::SetGlobalString(const char* name, const std::wstring& text) {
    SetGlobal(PendingGlobal{name, LUA_TSTRING, ORBWideToUtf8(text), 0});
}

void ORBScriptEngine::SetGlobalNumber(const char* name, double value) {
    SetGlobal(PendingGlobal{name, LUA_TNUMBER, std::string(), value});
}

void ORBScriptEngine::SetGlobalBoolean(const char* name, bool value) {
    SetGlobal(PendingGlobal{name, LUA_TBOOLEAN, std::string(), value ? 1.0 : 0.0});
}

std::wstring ORBHostText(ORBText id) {
    ORBScriptEngine* engine = ORBScriptEngine::GetInstance();
    return ORBHostText(id, [engine](const char* name) { return engine->GetGlobalString(name); });
}
