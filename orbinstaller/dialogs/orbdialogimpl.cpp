#include "orbdialogimpl.h"

#include "orbappmodule.h"
#include "orblog.h"

ORBDialogImpl::~ORBDialogImpl() {
    // A window outliving its object would call into freed memory.
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        ::DestroyWindow(hwnd_);
    }
}

HWND ORBDialogImpl::Create(HWND parent, UINT templateId, LPARAM initParam) {
    if (!g_orbModule.AddCreateWndData(this)) {
        SetLastError(ERROR_OUTOFMEMORY);
        return nullptr;
    }
    HINSTANCE instance = g_orbModule.GetInstance() ? g_orbModule.GetInstance() : GetModuleHandleW(nullptr);
    HWND hwnd = CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent,
                                   &ORBDialogImpl::StartDialogProc, initParam);
    if (!hwnd) {
        // No message arrived, so the entry is still there.
        DWORD error = GetLastError();
        if (g_orbModule.ExtractCreateWndData() != this) ORBLog(L"creation data out of order\r\n");
        SetLastError(error);
    }
    return hwnd;
}

BOOL ORBDialogImpl::DestroyWindow() { return hwnd_ ? ::DestroyWindow(hwnd_) : FALSE; }

BOOL ORBDialogImpl::RouteMessage(UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }

// First message of a new window: take this thread's creation data and bind the window
// to its object, then let the object's procedure handle the message.
INT_PTR CALLBACK ORBDialogImpl::StartDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<ORBDialogImpl*>(g_orbModule.ExtractCreateWndData());
    if (!self) return FALSE;
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    SetWindowLongPtrW(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&ORBDialogImpl::DialogProc));
    return DialogProc(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK ORBDialogImpl::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ORBDialogImpl*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    INT_PTR answer = FALSE;
    // No C++ exception may leave a window procedure.
    try {
        answer = self->Dispatch(msg, wParam, lParam);
    } catch (HRESULT hr) {
        ORBLog(L"window message 0x%04X failed, hr = 0x%08X\r\n", msg, static_cast<unsigned>(hr));
    } catch (...) {
        ORBLog(L"window message 0x%04X failed\r\n", msg);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->OnFinalMessage(hwnd);
    }
    return answer;
}

INT_PTR ORBDialogImpl::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!RouteMessage(msg, wParam, lParam, result) &&
        !ProcessWindowMessage(hwnd_, msg, wParam, lParam, result))
        return FALSE;  // the system's default dialog handling
    switch (msg) {
    // These return their value directly instead of through DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return result;
    default:
        if (hwnd_) SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
