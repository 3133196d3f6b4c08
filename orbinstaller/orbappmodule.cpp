#include "orbappmodule.h"

#include <map>
#include <mutex>

namespace {
std::mutex g_loopsMutex;
std::map<DWORD, ORBMessageLoop*> g_loops;
}  // namespace

ORBAppModule g_orbModule;

bool ORBAppModule::Init(HINSTANCE instance) {
    if (initialised_) return false;
    instance_ = instance;
    initialised_ = true;
    return true;
}

void ORBAppModule::Term() {
    std::lock_guard<std::mutex> lock(g_loopsMutex);
    g_loops.clear();
    initialised_ = false;
}

bool ORBAppModule::AddMessageLoop(ORBMessageLoop* loop) {
    std::lock_guard<std::mutex> lock(g_loopsMutex);
    return g_loops.emplace(GetCurrentThreadId(), loop).second;
}

bool ORBAppModule::RemoveMessageLoop() {
    std::lock_guard<std::mutex> lock(g_loopsMutex);
    return g_loops.erase(GetCurrentThreadId()) != 0;
}

ORBMessageLoop* ORBAppModule::GetMessageLoop(DWORD threadId) const {
    std::lock_guard<std::mutex> lock(g_loopsMutex);
    auto it = g_loops.find(threadId);
    return it == g_loops.end() ? nullptr : it->second;
}
