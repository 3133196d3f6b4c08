#include "orbcontrols.h"

namespace ORBUE {

CheckBoxUIObjectImpl::CheckBoxUIObjectImpl()
    : rectChk_(), rectLbl_(), state_(0), action_(0), pressedInside_(false),
      pointerOver_(false) {}

CheckBoxUIObjectImpl::~CheckBoxUIObjectImpl() = default;

HRESULT CheckBoxUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    ControlUIObjectImpl::Create(owner, rect, resId, type);
    return LoadImageObject(type, resId, &image_);
}

int CheckBoxUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return 0;
    if (text_.empty()) {
        int w = Width(), h = Height();
        DrawImageUnscaled(g, image_.get(), rect_.left, rect_.top, state_ * w, 0, w, h);
        return 0;
    }
    if (!IsRectEmpty(&rectChk_)) {
        int bw = rectChk_.right - rectChk_.left, bh = rectChk_.bottom - rectChk_.top;
        DrawImageUnscaled(g, image_.get(), rectChk_.left, rectChk_.top, state_ * bw, 0, bw, bh);
    }
    style_.Draw(g, text_.c_str(), float(rectLbl_.left), float(rectLbl_.top));
    return 0;
}

void CheckBoxUIObjectImpl::SetRect(int left, int top, int right, int bottom) {
    int dx = left - rect_.left, dy = top - rect_.top;
    OffsetRect(&rectChk_, dx, dy);
    OffsetRect(&rectLbl_, dx, dy);
    ControlUIObjectImpl::SetRect(left, top, right, bottom);
}

bool CheckBoxUIObjectImpl::IsEnabled() const {
    return state_ != 1 && state_ != 4;
}

void CheckBoxUIObjectImpl::SetEnabled(bool enabled) {
    if (!enabled) ReleaseFocus();
    state_ = (IsChecked() ? 3 : 0) + (enabled ? 0 : 1);
}

void CheckBoxUIObjectImpl::SetChecked(bool checked) {
    state_ = (checked ? 3 : 0) + (IsEnabled() ? 0 : 1);
}

LRESULT CheckBoxUIObjectImpl::OnMouseHover(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    state_ = IsChecked() ? 5 : 2;
    *handled = TRUE;
    return 0;
}

LRESULT CheckBoxUIObjectImpl::OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam,
                                          BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    pointerOver_ = true;
    return OnMouseHover(msg, wParam, lParam, handled);
}

LRESULT CheckBoxUIObjectImpl::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    pressedInside_ = true;
    *handled = TRUE;
    return 0;
}

LRESULT CheckBoxUIObjectImpl::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    bool checked = IsChecked();
    bool toggle = pressedInside_ && action_ != 0;
    if (toggle) SetChecked(!checked);
    pressedInside_ = false;
    state_ = IsChecked() ? 5 : 2;
    *handled = TRUE;
    // Last: the window may destroy the whole tree while handling the action.
    if (toggle) SendToOwner(action_, checked ? 0 : 1);
    return 0;
}

LRESULT CheckBoxUIObjectImpl::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts() || !pointerOver_) return 0;
    pressedInside_ = false;
    pointerOver_ = false;
    state_ = IsChecked() ? 3 : 0;
    *handled = TRUE;
    return 0;
}

void CheckBoxUIObjectImpl::RequestFocus() {
    if (Reacts()) SendToOwner(ORBUM_SETFOCUS, 0);
}

void CheckBoxUIObjectImpl::ReleaseFocus() {
    if (Reacts()) SendToOwner(ORBUM_KILLFOCUS, 0);
}

void CheckBoxUIObjectImpl::RequestCapture() {
    if (Reacts()) SendToOwner(ORBUM_SETCAPTURE, 0);
}

void CheckBoxUIObjectImpl::ReleaseCapture() {
    if (Reacts()) SendToOwner(ORBUM_RELEASECAPTURE, 0);
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

void CheckBoxUIObjectImpl::SetAction(UINT code) {
    action_ = WM_USER + code;
}

}  // namespace ORBUE
