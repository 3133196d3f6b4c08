// Modeless dialogs whose messages go through a per-class message map.
#pragma once

#include <windows.h>

class ORBDialogImpl {
public:
    ORBDialogImpl() = default;
    virtual ~ORBDialogImpl();
    ORBDialogImpl(const ORBDialogImpl&) = delete;
    ORBDialogImpl& operator=(const ORBDialogImpl&) = delete;

    // Creates the modeless dialog from template `templateId` of the module; the window
    // binds to this object at its first message. Null on failure; the last error is
    // ERROR_OUTOFMEMORY when the creation data could not be recorded.
    HWND Create(HWND parent, UINT templateId, LPARAM initParam = 0);
    BOOL DestroyWindow();
    HWND GetHwnd() const { return hwnd_; }

    // The class's message map (ORB_BEGIN_MSG_MAP ... ORB_END_MSG_MAP); true when a
    // handler took the message, with its result in `result`.
    virtual BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;

protected:
    // Offered every message ahead of the map; true stops it there.
    virtual BOOL RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // After WM_NCDESTROY; the window handle is already forgotten.
    virtual void OnFinalMessage(HWND) {}

    HWND hwnd_ = nullptr;

private:
    static INT_PTR CALLBACK StartDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
};

// Message map macros. A handler has the shape
//   LRESULT OnX(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
// `handled` starts TRUE; a handler that clears it lets the map go on.
#define ORB_BEGIN_MSG_MAP()                                                                    \
    BOOL ProcessWindowMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam,              \
                              LRESULT& lResult) override {                                     \
        BOOL bHandled = TRUE;                                                                  \
        (void)hwnd;                                                                            \
        (void)bHandled;

#define ORB_MESSAGE_HANDLER(msg, func)                                                         \
    if (uMsg == (msg)) {                                                                       \
        bHandled = TRUE;                                                                       \
        lResult = func(uMsg, wParam, lParam, bHandled);                                        \
        if (bHandled) return TRUE;                                                             \
    }

#define ORB_MESSAGE_RANGE_HANDLER(first, last, func)                                           \
    if (uMsg >= (first) && uMsg <= (last)) {                                                   \
        bHandled = TRUE;                                                                       \
        lResult = func(uMsg, wParam, lParam, bHandled);                                        \
        if (bHandled) return TRUE;                                                             \
    }

#define ORB_CHAIN_MSG_MAP(base)                                                                \
    if (base::ProcessWindowMessage(hwnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define ORB_END_MSG_MAP()                                                                      \
    return FALSE;                                                                              \
    }
