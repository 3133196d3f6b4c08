#include "orbappmodule.h"

#include <map>
#include <mutex>
#include <vector>

namespace {
std::mutex g_loopsMutex;
std::map<DWORD, ORBMessageLoop*> g_loops;

// Windows being created, with the thread creating each; the newest first.
struct CreateWndData {
    void* object;
    DWORD threadId;
};
std::mutex g_createMutex;
std::vector<CreateWndData> g_createList;
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

bool ORBAppModule::AddCreateWndData(void* object) {
    std::lock_guard<std::mutex> lock(g_createMutex);
    try {
        g_createList.insert(g_createList.begin(), CreateWndData{object, GetCurrentThreadId()});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void* ORBAppModule::ExtractCreateWndData() {
    const DWORD me = GetCurrentThreadId();
    std::lock_guard<std::mutex> lock(g_createMutex);
    for (auto it = g_createList.begin(); it != g_createList.end(); ++it) {
        if (it->threadId != me) continue;
        void* object = it->object;
        g_createList.erase(it);
        return object;
    }
    return nullptr;
}
