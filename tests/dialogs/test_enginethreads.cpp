// The engine shared by two threads: a hook on a worker thread while the main thread
// writes globals, as the install dialog does.
#include <atomic>
#include <cstring>
#include <thread>

#include "gtest/gtest.h"
#include "lauxlib.h"
#include "orbhandle.h"
#include "orbscriptengine.h"

namespace {

ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }

std::atomic<int> g_hostCalls{0};
ORBHandle g_release;

// A host function: reads a global through the engine (re-entering it from the hook's
// thread) and builds a string result.
int HostWork(lua_State* L) {
    ++g_hostCalls;
    int n = static_cast<int>(luaL_checkinteger(L, 1));
    int own = Engine()->GetGlobalInteger("own_count");
    lua_pushfstring(L, "w%d", n == own ? n : -1);
    return 1;
}

// A host function that blocks until the test releases it.
int HostBlock(lua_State*) {
    WaitForSingleObject(g_release.get(), 30000);
    return 0;
}

const char kScript[] = R"(
function StressHook()
  own_count, own_table = 0, {}
  local last, distinct, monotonic = -1, 0, true
  local t0 = os.clock()
  while true do
    own_count = own_count + 1
    own_table[own_count % 97 + 1] = tostring(own_count)
    local s = HostWork(own_count)
    if s ~= "w" .. own_count then error("host function answered " .. s) end
    local p = global_install_progress_pos
    if p and p ~= last then
      if p < last then monotonic = false end
      last, distinct = p, distinct + 1
    end
    local text = main_text
    if text and not text:match("^step %d+$") then error("torn text " .. text) end
    if (last == 100 and os.clock() - t0 > 3) or os.clock() - t0 > 30 then break end
  end
  stress_last, stress_distinct, stress_monotonic = last, distinct, monotonic
end

function BlockHook()
  blocked_seen = nil
  HostBlock()
  for i = 1, 100000 do
    if blocked_value == 42 then blocked_seen = i break end
  end
end
)";

void Load() {
    static bool loaded = false;
    if (loaded) return;
    lua_State* L = Engine()->GetState();
    lua_register(L, "HostWork", HostWork);
    lua_register(L, "HostBlock", HostBlock);
    ASSERT_TRUE(Engine()->DoBuffer(kScript, std::strlen(kScript), "stress"));
    loaded = true;
}

}  // namespace

TEST(EngineThreads, HookOnWorkerWhileMainThreadStepsTheBar) {
    Load();
    Engine()->SetGlobalNumber("global_install_progress_pos", 0);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        Engine()->CallHook("StressHook");
        done = true;
    });
    // The bar steps every 10 ms, then stays at 100 until the worker is done. None of
    // these writes may wait for the hook.
    bool reached100WhileRunning = false;
    for (int pos = 1; !done; pos = pos < 100 ? pos + 1 : 100) {
        Engine()->SetGlobalNumber("global_install_progress_pos", pos);
        Engine()->SetGlobalString("main_text", L"step " + std::to_wstring(pos));
        if (pos == 100 && !done) reached100WhileRunning = true;
        Sleep(10);
    }
    worker.join();

    EXPECT_TRUE(reached100WhileRunning);
    EXPECT_EQ(100, Engine()->GetGlobalInteger("global_install_progress_pos"));
    EXPECT_EQ(100, Engine()->GetGlobalInteger("stress_last"));
    EXPECT_TRUE(Engine()->GetGlobalBoolean("stress_monotonic"));
    // The script saw the bar move while it ran, not only at its end.
    EXPECT_GT(Engine()->GetGlobalInteger("stress_distinct"), 20);
    // The hook's own globals are intact.
    const int own = Engine()->GetGlobalInteger("own_count");
    EXPECT_EQ(g_hostCalls.load(), own);
    lua_State* L = Engine()->GetState();
    lua_getglobal(L, "own_table");
    lua_rawgeti(L, -1, own % 97 + 1);
    EXPECT_EQ(std::to_string(own), lua_tostring(L, -1));
    lua_pop(L, 2);
}

TEST(EngineThreads, WriteDuringALongHostCallIsQueuedNotWaitedFor) {
    Load();
    g_release.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Engine()->SetGlobalNumber("blocked_value", 0);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        Engine()->CallHook("BlockHook");
        done = true;
    });
    Sleep(100);  // the worker is inside HostBlock, holding the engine
    // Returns at once although the engine is busy; the hook's thread stores the value.
    Engine()->SetGlobalNumber("blocked_value", 42);
    Engine()->SetGlobalBoolean("blocked_flag", true);
    EXPECT_FALSE(done.load());
    SetEvent(g_release.get());
    worker.join();
    EXPECT_EQ(42, Engine()->GetGlobalInteger("blocked_value"));
    EXPECT_TRUE(Engine()->GetGlobalBoolean("blocked_flag"));
    // Seen by the script itself within its loop, between two of its instructions.
    EXPECT_GT(Engine()->GetGlobalInteger("blocked_seen"), 0);
}
