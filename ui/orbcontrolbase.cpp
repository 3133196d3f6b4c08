#include "orbuiobject.h"

#include "orbaccessible.h"

namespace ORBUE {

HRESULT UIObjectImpl::Create(HWND owner, RECT rect, UINT, const wchar_t*) {
    owner_ = owner;
    rect_ = rect;
    return S_OK;
}

RECT* UIObjectImpl::GetRect(RECT* out) const {
    if (out) *out = rect_;
    return out;
}

void UIObjectImpl::SetRect(int left, int top, int right, int bottom) {
    rect_ = {left, top, right, bottom};
}

void UIObjectImpl::SetVisible(bool visible) {
    if (!visible) ReleaseFocus();
    visible_ = visible;
}

void UIObjectImpl::SetEnabled(bool enabled) {
    if (!enabled) ReleaseFocus();
    enabled_ = enabled;
}

void UIObjectImpl::SendToOwner(UINT msg, WPARAM wParam) {
    SendMessageW(owner_, msg, wParam, (LPARAM) static_cast<IORBBaseUIObject*>(this));
}

bool ClickableUIObjectImpl::OnMouseMove(const MouseEvent& e) {
    if (!Reacts()) return false;
    pointerOver_ = true;
    return OnMouseHover(e);
}

bool ClickableUIObjectImpl::OnMouseHover(const MouseEvent&) {
    if (!Reacts()) return false;
    ShowHover();
    return true;
}

bool ClickableUIObjectImpl::OnLButtonDown(const MouseEvent&) {
    if (!Reacts()) return false;
    pressedInside_ = true;
    ShowPressed();
    return true;
}

bool ClickableUIObjectImpl::OnLButtonUp(const MouseEvent&) {
    if (!Reacts()) return false;
    const bool click = pressedInside_;
    pressedInside_ = false;
    ShowHover();
    // Last: the window may destroy the whole tree while handling the action.
    if (click) Activate();
    return true;
}

bool ClickableUIObjectImpl::OnMouseLeave(const MouseEvent&) {
    if (!Reacts() || !pointerOver_) return false;
    pressedInside_ = false;
    pointerOver_ = false;
    ShowNormal();
    return true;
}

std::wstring UIObjectImpl::AccessibleName() const {
    if (!accName_.empty()) return accName_;
    std::wstring text = GetText();
    return text.empty() ? name_ : text;
}

void ClickableUIObjectImpl::Activate() {
    if (action_ == 0) return;
    const UINT action = action_;
    SendToOwner(action, Perform());
}

void ClickableUIObjectImpl::RequestFocus() {
    if (!Reacts()) return;
    focused_ = true;
    SendToOwner(ORBUM_SETFOCUS, 0);
    NotifyAccessibleEvent(EVENT_OBJECT_FOCUS, this);
}

void ClickableUIObjectImpl::ReleaseFocus() {
    if (!Reacts()) return;
    focused_ = false;
    markShown_ = false;
    SendToOwner(ORBUM_KILLFOCUS, 0);
}

void ClickableUIObjectImpl::RequestCapture() {
    if (Reacts()) SendToOwner(ORBUM_SETCAPTURE, 0);
}

void ClickableUIObjectImpl::ReleaseCapture() {
    if (Reacts()) SendToOwner(ORBUM_RELEASECAPTURE, 0);
}

}  // namespace ORBUE
