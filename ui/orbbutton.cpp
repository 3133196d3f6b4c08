#include "orbcontrols.h"

#include <oleacc.h>

namespace ORBUE {

ButtonUIObjectImpl::ButtonUIObjectImpl() : state_(kNormal) {}

ButtonUIObjectImpl::~ButtonUIObjectImpl() = default;

HRESULT ButtonUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    UIObjectImpl::Create(owner, rect, resId, type);
    return LoadImageObject(type, resId, &image_);
}

void ButtonUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return;
    int w = Width(), h = Height();
    DrawImageUnscaled(g, image_.get(), rect_.left, rect_.top, state_ * w, 0, w, h);
    if (!text_.empty())
        style_.DrawCentred(g, text_.c_str(), float(rect_.left), float(rect_.top + (state_ == kPressed ? 1 : 0)),
                           float(w), float(h));
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

LONG ButtonUIObjectImpl::AccessibleRole() const {
    return ROLE_SYSTEM_PUSHBUTTON;
}

const wchar_t* ButtonUIObjectImpl::AccessibleAction() const {
    return GetAction() ? L"Press" : nullptr;
}

}  // namespace ORBUE
