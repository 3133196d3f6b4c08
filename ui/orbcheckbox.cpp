#include "orbcontrols.h"

#include <oleacc.h>

#include "orbaccessible.h"

namespace ORBUE {

CheckBoxUIObjectImpl::CheckBoxUIObjectImpl() : rectChk_(), rectLbl_(), state_(0) {}

CheckBoxUIObjectImpl::~CheckBoxUIObjectImpl() = default;

HRESULT CheckBoxUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    UIObjectImpl::Create(owner, rect, resId, type);
    return LoadImageObject(type, resId, &image_);
}

void CheckBoxUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return;
    if (text_.empty()) {
        int w = Width(), h = Height();
        DrawImageUnscaled(g, image_.get(), rect_.left, rect_.top, state_ * w, 0, w, h);
        return;
    }
    if (!IsRectEmpty(&rectChk_)) {
        int bw = rectChk_.right - rectChk_.left, bh = rectChk_.bottom - rectChk_.top;
        DrawImageUnscaled(g, image_.get(), rectChk_.left, rectChk_.top, state_ * bw, 0, bw, bh);
    }
    style_.Draw(g, text_.c_str(), float(rectLbl_.left), float(rectLbl_.top));
}

void CheckBoxUIObjectImpl::SetRect(int left, int top, int right, int bottom) {
    int dx = left - rect_.left, dy = top - rect_.top;
    OffsetRect(&rectChk_, dx, dy);
    OffsetRect(&rectLbl_, dx, dy);
    UIObjectImpl::SetRect(left, top, right, bottom);
}

bool CheckBoxUIObjectImpl::IsEnabled() const {
    return state_ != 1 && state_ != 4;
}

void CheckBoxUIObjectImpl::SetEnabled(bool enabled) {
    if (!enabled) ReleaseFocus();
    state_ = (IsChecked() ? 3 : 0) + (enabled ? 0 : 1);
}

void CheckBoxUIObjectImpl::SetChecked(bool checked) {
    const bool was = IsChecked();
    state_ = (checked ? 3 : 0) + (IsEnabled() ? 0 : 1);
    if (was != checked) NotifyAccessibleEvent(EVENT_OBJECT_STATECHANGE, this);
}

LONG CheckBoxUIObjectImpl::AccessibleRole() const {
    return ROLE_SYSTEM_CHECKBUTTON;
}

LONG CheckBoxUIObjectImpl::AccessibleState() const {
    return IsChecked() ? STATE_SYSTEM_CHECKED : 0;
}

const wchar_t* CheckBoxUIObjectImpl::AccessibleAction() const {
    if (!GetAction()) return nullptr;
    return IsChecked() ? L"Uncheck" : L"Check";
}

WPARAM CheckBoxUIObjectImpl::Perform() {
    const bool hover = state_ == 2 || state_ == 5;
    SetChecked(!IsChecked());
    if (hover) ShowHover();
    return IsChecked() ? 1 : 0;
}

void CheckBoxUIObjectImpl::SetCheckRect(const RECT& rect) {
    rectChk_ = rect;
}

void CheckBoxUIObjectImpl::SetLabelRect(const RECT& rect) {
    rectLbl_ = rect;
}

void CheckBoxUIObjectImpl::SetText(const std::wstring& text) {
    text_ = text;
}

void CheckBoxUIObjectImpl::SetTextColor(int r, int g, int b) {
    style_.SetColor(r, g, b);
}

void CheckBoxUIObjectImpl::SetFont(const std::wstring& face, int size, bool bold) {
    style_.SetFont(face.c_str(), float(size), bold);
}

}  // namespace ORBUE
