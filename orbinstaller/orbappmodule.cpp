#include "orbappmodule.h"

#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace {
std::mutex g_loopsMutex;
std::map<DWORD, ORBMessageLoop*> g_loops;

// Windows being created, per thread, newest last.
struct CreateWndData {
    void* object;
    DWORD threadId;
    CreateWndData* next;
};
std::mutex g_createMutex;
CreateWndData* g_createList = nullptr;
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
    CreateWndData* data = new (std::nothrow) CreateWndData{object, GetCurrentThreadId(), nullptr};
    if (!data) return false;
    std::lock_guard<std::mutex> lock(g_createMutex);
    data->next = g_createList;
    g_createList = data;
    return true;
}

void* ORBAppModule::ExtractCreateWndData() {
    const DWORD me = GetCurrentThreadId();
    std::lock_guard<std::mutex> lock(g_createMutex);
    for (CreateWndData** link = &g_createList; *link; link = &(*link)->next) {
        if ((*link)->threadId != me) continue;
        std::unique_ptr<CreateWndData> found(*link);
        *link = found->next;
        return found->object;
    }
    return nullptr;
}
