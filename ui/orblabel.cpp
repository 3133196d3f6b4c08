#include "orbcontrols.h"

namespace ORBUE {

LabelUIObjectImpl::~LabelUIObjectImpl() {}

HRESULT LabelUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    if (resId != 0) ThrowFail();
    return ControlUIObjectImpl::Create(owner, rect, resId, type);
}

int LabelUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return 0;
    if (centred_)
        style_.DrawCentred(g, text_.c_str(), float(rect_.left), float(rect_.top), float(Width()), float(Height()));
    else
        style_.Draw(g, text_.c_str(), float(rect_.left), float(rect_.top));
    return 0;
}

void LabelUIObjectImpl::SetText(const std::wstring& text) {
    text_ = text;
}

void LabelUIObjectImpl::SetTextColor(int r, int g, int b) {
    style_.SetColor(r, g, b);
}

void LabelUIObjectImpl::SetFont(const std::wstring& face, int size, bool bold) {
    style_.SetFont(face.c_str(), float(size), bold, extraStyle_);
}

// Link: same text drawing, underlined, hand cursor, an action on click.
LinkLabelUIObjectImpl::LinkLabelUIObjectImpl()
    : cursor_(LoadCursorW(nullptr, IDC_HAND)), action_(0), pressedInside_(false),
      pointerOver_(false) {
    extraStyle_ = Gdiplus::FontStyleUnderline;
}

LinkLabelUIObjectImpl::~LinkLabelUIObjectImpl() {}

LRESULT LinkLabelUIObjectImpl::OnMouseMove(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    pointerOver_ = true;
    *handled = TRUE;
    return 0;
}

LRESULT LinkLabelUIObjectImpl::OnMouseHover(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = Reacts() ? TRUE : FALSE;
    return 0;
}

LRESULT LinkLabelUIObjectImpl::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    pressedInside_ = true;
    *handled = TRUE;
    return 0;
}

LRESULT LinkLabelUIObjectImpl::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    bool notify = pressedInside_ && action_ != 0;
    pressedInside_ = false;
    *handled = TRUE;
    if (notify) SendToOwner(action_, 0);  // last: the tree may be gone afterwards
    return 0;
}

LRESULT LinkLabelUIObjectImpl::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    if (!Reacts() || !pointerOver_) return 0;
    pointerOver_ = false;
    *handled = TRUE;
    return 0;
}

LRESULT LinkLabelUIObjectImpl::OnSetCursor(UINT, WPARAM, LPARAM, BOOL* handled, int, int) {
    *handled = FALSE;
    if (!Reacts()) return 0;
    SetCursor(cursor_);
    *handled = TRUE;
    return 0;
}

void LinkLabelUIObjectImpl::RequestFocus() {
    if (Reacts()) SendToOwner(ORBUM_SETFOCUS, 0);
}

void LinkLabelUIObjectImpl::ReleaseFocus() {
    if (Reacts()) SendToOwner(ORBUM_KILLFOCUS, 0);
}

void LinkLabelUIObjectImpl::RequestCapture() {
    if (Reacts()) SendToOwner(ORBUM_SETCAPTURE, 0);
}

void LinkLabelUIObjectImpl::ReleaseCapture() {
    if (Reacts()) SendToOwner(ORBUM_RELEASECAPTURE, 0);
}

void LinkLabelUIObjectImpl::SetAction(UINT code) {
    action_ = WM_USER + code;
}

}  // namespace ORBUE
