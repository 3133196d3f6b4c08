// The process's one Lua 5.2 interpreter: chunk loading, hooks, globals and the fatal
// report of script errors.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// Lua is built as C++ here (see cmake/ThirdParty.cmake): no extern "C".
#include "lua.h"
#include "orbexitcode.h"

class ORBScriptEngine {
public:
    // The engine, created on first use (thread-safe) and closed at process exit; throws
    // when the interpreter cannot be created (the entry flow makes the first call).
    static ORBScriptEngine* GetInstance();

    lua_State* GetState() const { return L_; }

    // Runs chunk type/name of the program's resources; false (with log lines) when the
    // resource is missing, unlockable or empty, or the chunk does not load or run.
    bool DoResLua(const wchar_t* type, const wchar_t* name);

    // Loads and runs one chunk (binary or text); false on a load error (logged) or a
    // failed run.
    bool DoBuffer(const char* bytes, size_t size, const char* name);

    // Protected call of the function below nargs arguments, with OnScriptError as the
    // message handler; returns the interpreter's status.
    static int PCall(lua_State* L, int nargs, int nresults);

    // Calls global `name` with no arguments and results when it is a function.
    // Holds the engine for the whole call, so it may run on a worker thread while
    // other threads write globals (see SetGlobalString).
    void CallHook(const char* name);

    // Reads wait while another thread runs a hook.
    std::wstring GetGlobalString(const char* name);   // absent or non-string: ""
    int GetGlobalInteger(const char* name);           // non-numeric: 0
    bool GetGlobalBoolean(const char* name);          // only nil and false are false
    // Never wait: while another thread runs a hook the value is queued and that thread
    // stores it between two script instructions (at most ~1000 instructions later) or
    // when the hook returns, whichever comes first. Queued writes keep their order.
    void SetGlobalString(const char* name, const std::wstring& text);
    void SetGlobalNumber(const char* name, double value);
    void SetGlobalBoolean(const char* name, bool value);

    // The process exit code for outcome under the product's global_exit_codes.
    int ExitCodeFor(ORBOutcome outcome);
    bool StandardExitCodes();

    // Opens the log file named by global_log_file when it names one not yet open (a
    // path that cannot be opened is reported once). Called with the interpreter held.
    static void SyncLogFile(lua_State* L);

    // Message handler: reports the error with the script call stack (in a message box
    // too unless nobody watches the run) and ends the process as failed. Never returns.
    static int OnScriptError(lua_State* L);

    // The text OnScriptError shows for the error object on the stack top (level 0 is
    // the running C function, the handler itself).
    static std::wstring FormatScriptError(lua_State* L);

    ORBScriptEngine(const ORBScriptEngine&) = delete;
    ORBScriptEngine& operator=(const ORBScriptEngine&) = delete;

private:
    ORBScriptEngine();
    ~ORBScriptEngine();
    void RegisterScriptApi();

    // A global write queued while the engine was held by another thread.
    struct PendingGlobal {
        std::string name;
        int type;  // LUA_TSTRING, LUA_TNUMBER or LUA_TBOOLEAN
        std::string text;
        double number;
    };
    void SetGlobal(const PendingGlobal& value);
    void StoreGlobal(lua_State* L, const PendingGlobal& value);
    void ApplyPending(lua_State* L);  // engine held
    void DrainPending();              // stores the queue if the engine is free
    static void PendingHook(lua_State* L, lua_Debug* ar);

    lua_State* L_ = nullptr;
    // Held by whoever uses the interpreter state: host accesses and whole hook calls.
    std::recursive_mutex lock_;
    std::mutex pendingLock_;
    std::vector<PendingGlobal> pending_;
    std::atomic<bool> hasPending_{false};
};

// Caption and closing sentence of the script error report.
