#include "orbchoicebox.h"

#include <algorithm>

#include "orbhandle.h"

namespace {

// The labels for the box being made on this thread; the hook reads them once.
struct Labels {
    const std::wstring* text[3];  // IDCONTINUE, IDTRYAGAIN, IDCANCEL
    HHOOK hook;
    bool done;
};
thread_local Labels* t_labels = nullptr;

const int kButtons[3] = {IDCONTINUE, IDTRYAGAIN, IDCANCEL};

int TextWidth(HWND button, const std::wstring& text) {
    ORBWindowDC dc(button);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc.get(), old);
    return size.cx;
}

// Sets the labels and makes the three buttons as wide as the longest needs, widening the
// box when they no longer fit; the buttons keep their order, gaps and right margin.
void Relabel(HWND box, const Labels& labels) {
    HWND buttons[3];
    RECT rc[3];
    int need = 0;
    for (int i = 0; i < 3; ++i) {
        buttons[i] = GetDlgItem(box, kButtons[i]);
        if (!buttons[i]) return;
        if (!labels.text[i]->empty()) SetWindowTextW(buttons[i], labels.text[i]->c_str());
        GetWindowRect(buttons[i], &rc[i]);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rc[i]), 2);
        wchar_t text[256] = {};
        GetWindowTextW(buttons[i], text, 256);
        need = std::max(need, TextWidth(buttons[i], text) + 24);
    }
    int order[3] = {0, 1, 2};
    std::sort(order, order + 3, [&](int a, int b) { return rc[a].left < rc[b].left; });
    int width = rc[order[0]].right - rc[order[0]].left;
    if (need <= width) return;
    int gap = std::max(4L, rc[order[1]].left - rc[order[0]].right);
    RECT client;
    GetClientRect(box, &client);
    int margin = std::max(8L, client.right - rc[order[2]].right);
    int total = 3 * need + 2 * gap + 2 * margin;
    if (total > client.right) {
        RECT window;
        GetWindowRect(box, &window);
        int grow = total - client.right;
        SetWindowPos(box, nullptr, window.left - grow / 2, window.top, window.right - window.left + grow,
                     window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
        client.right += grow;
    }
    int x = client.right - margin - need;
    for (int k = 2; k >= 0; --k) {
        const RECT& r = rc[order[k]];
        SetWindowPos(buttons[order[k]], nullptr, x, r.top, need, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        x -= need + gap;
    }
}

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    Labels* labels = t_labels;
    HHOOK hook = labels ? labels->hook : nullptr;
    if (labels && code == HCBT_ACTIVATE && !labels->done) {
        labels->done = true;
        Relabel(reinterpret_cast<HWND>(wParam), *labels);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

int ORBChoiceBox(const std::wstring& text, const std::wstring& caption, const std::wstring& continueLabel,
                 const std::wstring& retryLabel, const std::wstring& cancelLabel) {
    Labels labels = {{&continueLabel, &retryLabel, &cancelLabel}, nullptr, false};
    labels.hook = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
    t_labels = &labels;
    int answer = MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                             MB_CANCELTRYCONTINUE | MB_ICONWARNING | MB_SETFOREGROUND | MB_DEFBUTTON1);
    t_labels = nullptr;
    if (labels.hook) UnhookWindowsHookEx(labels.hook);
    return answer;
}
