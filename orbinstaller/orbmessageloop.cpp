#include "orbmessageloop.h"

#include <algorithm>

namespace {

template <class T>
bool AddUnique(std::vector<T*>& list, T* item) {
    if (!item) return false;
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
    return true;
}

template <class T>
bool RemoveItem(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

// Mouse moves and the caret's system timer arrive constantly; they do not end idleness.
bool IsIdleMessage(const MSG& msg) {
    return msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE && msg.message != WM_PAINT &&
           msg.message != 0x0118 /* WM_SYSTIMER */;
}

}  // namespace

bool ORBMessageLoop::AddMessageFilter(ORBMessageFilter* filter) { return AddUnique(filters_, filter); }
bool ORBMessageLoop::RemoveMessageFilter(ORBMessageFilter* filter) { return RemoveItem(filters_, filter); }
bool ORBMessageLoop::AddIdleHandler(ORBIdleHandler* handler) { return AddUnique(idleHandlers_, handler); }
bool ORBMessageLoop::RemoveIdleHandler(ORBIdleHandler* handler) { return RemoveItem(idleHandlers_, handler); }

BOOL ORBMessageLoop::PreTranslateMessage(MSG* msg) {
    // Newest first; a filter may remove itself while it runs, so walk a copy.
    std::vector<ORBMessageFilter*> filters(filters_);
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
        if ((*it)->PreTranslateMessage(msg)) return TRUE;
    return FALSE;
}

BOOL ORBMessageLoop::OnIdle() {
    std::vector<ORBIdleHandler*> handlers(idleHandlers_);
    BOOL more = FALSE;
    for (ORBIdleHandler* h : handlers) more |= h->OnIdle();
    return more;
}

int ORBMessageLoop::Run() {
    MSG msg = {};
    bool doIdle = true;
    for (;;) {
        while (doIdle && !idleHandlers_.empty() && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
            if (!OnIdle()) doIdle = false;
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) continue;  // a get error is skipped
        if (!got) break;
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (IsIdleMessage(msg)) doIdle = true;
    }
    return static_cast<int>(msg.wParam);
}
