#include "orbcontrols.h"

namespace ORBUE {

ButtonUIObjectImpl::ButtonUIObjectImpl()
    : image_(nullptr), state_(kNormal), action_(0), pressedInside_(false), pointerOver_(false) {}

ButtonUIObjectImpl::~ButtonUIObjectImpl() {
    delete image_;
}

HRESULT ButtonUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    ControlUIObjectImpl::Create(owner, rect, resId, type);
    ImageObject* img = LoadImageObject(type, resId);
    delete image_;
    image_ = img;
    return 0;
}

int ButtonUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return 0;
    int w = Width(), h = Height();
    DrawImageUnscaled(g, image_, rect_.left, rect_.top, state_ * w, 0, w, h);
    if (!text_.empty())
        style_.DrawCentred(g, text_.c_str(), float(rect_.left), float(rect_.top + (state_ == kPressed ? 1 : 0)),
                           float(w), float(h));
    return 0;
}

bool ButtonUIObjectImpl::IsEnabled() const {
    return state_ != kDisabled;
}

void ButtonUIObjectImpl::SetEnabled(bool enabled) {
    if (!enabled) {
        ReleaseFocus();
        state_ = kDisabled;
    } else {
        state_ = kNormal;
    }
}

LRESULT ButtonUIObjectImpl::OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    pointerOver_ = true;
    return OnMouseHover(msg, wParam, lParam, handled);
}

LRESULT ButtonUIObjectImpl::OnMouseHover(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    state_ = kHover;
    *handled = TRUE;
    return 0;
}

LRESULT ButtonUIObjectImpl::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    state_ = kPressed;
    pressedInside_ = true;
    *handled = TRUE;
    return 0;
}

LRESULT ButtonUIObjectImpl::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    bool notify = pressedInside_ && action_ != 0;
    pressedInside_ = false;
    state_ = kHover;
    *handled = TRUE;
    // Last: the window may destroy the whole tree while handling the action.
    if (notify) SendToOwner(action_, 0);
    return 0;
}

LRESULT ButtonUIObjectImpl::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts() || !pointerOver_) return 0;
    state_ = kNormal;
    pressedInside_ = false;
    pointerOver_ = false;
    *handled = TRUE;
    return 0;
}

void ButtonUIObjectImpl::RequestFocus() {
    if (Reacts()) SendToOwner(ORBUM_SETFOCUS, 0);
}

void ButtonUIObjectImpl::ReleaseFocus() {
    if (Reacts()) SendToOwner(ORBUM_KILLFOCUS, 0);
}

void ButtonUIObjectImpl::RequestCapture() {
    if (Reacts()) SendToOwner(ORBUM_SETCAPTURE, 0);
}

void ButtonUIObjectImpl::ReleaseCapture() {
    if (Reacts()) SendToOwner(ORBUM_RELEASECAPTURE, 0);
}

void ButtonUIObjectImpl::SetAction(UINT code) {
    action_ = WM_USER + code;
}

}  // namespace ORBUE
