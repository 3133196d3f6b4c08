#include "orbuiobject.h"

namespace ORBUE {

ControlUIObjectImpl::ControlUIObjectImpl()
    : rect_(), owner_(nullptr), visible_(true), enabled_(true) {}

ControlUIObjectImpl::~ControlUIObjectImpl() {}

int ControlUIObjectImpl::Draw(Gdiplus::Graphics*) {
    return 0;
}

HRESULT ControlUIObjectImpl::Create(HWND owner, RECT rect, UINT, const wchar_t*) {
    owner_ = owner;
    rect_ = rect;
    return 0;
}

RECT* ControlUIObjectImpl::GetRect(RECT* out) const {
    if (out) *out = rect_;
    return out;
}

void ControlUIObjectImpl::SetRect(int left, int top, int right, int bottom) {
    rect_.left = left;
    rect_.top = top;
    rect_.right = right;
    rect_.bottom = bottom;
}

bool ControlUIObjectImpl::IsVisible() const {
    return visible_;
}

void ControlUIObjectImpl::SetVisible(bool visible) {
    if (!visible) ReleaseFocus();
    visible_ = visible;
}

bool ControlUIObjectImpl::IsEnabled() const {
    return enabled_;
}

void ControlUIObjectImpl::SetEnabled(bool enabled) {
    if (!enabled) ReleaseFocus();
    enabled_ = enabled;
}

HWND ControlUIObjectImpl::GetOwnerWindow() const {
    return owner_;
}

LRESULT ControlUIObjectImpl::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    return 0;
}

LRESULT ControlUIObjectImpl::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    return 0;
}

LRESULT ControlUIObjectImpl::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    return 0;
}

LRESULT ControlUIObjectImpl::OnMouseHover(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    return 0;
}

LRESULT ControlUIObjectImpl::OnMouseMove(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    return 0;
}

LRESULT ControlUIObjectImpl::OnSetCursor(UINT, WPARAM, LPARAM, BOOL* handled, int, int) {
    *handled = FALSE;
    return 0;
}

LRESULT ControlUIObjectImpl::OnCaptureLost(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    return 0;
}

void ControlUIObjectImpl::RequestFocus() {}
void ControlUIObjectImpl::ReleaseFocus() {}
void ControlUIObjectImpl::RequestCapture() {}
void ControlUIObjectImpl::ReleaseCapture() {}

const std::wstring& ControlUIObjectImpl::GetName() const {
    return name_;
}

void ControlUIObjectImpl::SetName(const std::wstring& name) {
    name_ = name;
}

LRESULT ControlUIObjectImpl::ProcessMessage(UINT, WPARAM, LPARAM) {
    return 0;
}

void ControlUIObjectImpl::SendToOwner(UINT msg, WPARAM wParam) {
    SendMessageW(owner_, msg, wParam, (LPARAM) static_cast<IORBBaseUIObject*>(this));
}

}  // namespace ORBUE
