#include "orbmessageloop.h"

#include <algorithm>

bool ORBMessageLoop::AddMessageFilter(ORBMessageFilter* filter) {
    if (!filter) return false;
    if (std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) filters_.push_back(filter);
    return true;
}

bool ORBMessageLoop::RemoveMessageFilter(ORBMessageFilter* filter) {
    auto it = std::find(filters_.begin(), filters_.end(), filter);
    if (it == filters_.end()) return false;
    filters_.erase(it);
    return true;
}

BOOL ORBMessageLoop::PreTranslateMessage(MSG* msg) {
    // Newest first; a filter may remove itself while it runs, so walk a copy.
    std::vector<ORBMessageFilter*> filters(filters_);
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
        if ((*it)->PreTranslateMessage(msg)) return TRUE;
    return FALSE;
}

int ORBMessageLoop::Run() {
    MSG msg = {};
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) continue;  // a get error is skipped
        if (!got) break;
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
