#include "orbcontrols.h"

#include <oleacc.h>

namespace ORBUE {

LONG LabelUIObjectImpl::AccessibleRole() const {
    return ROLE_SYSTEM_STATICTEXT;
}

LONG LabelUIObjectImpl::AccessibleState() const {
    return STATE_SYSTEM_READONLY;
}

// Link: underlined, hand cursor, an action on click.
LinkLabelUIObjectImpl::LinkLabelUIObjectImpl() : cursor_(LoadCursorW(nullptr, IDC_HAND)) {
    extraStyle_ = Gdiplus::FontStyleUnderline;
}

bool LinkLabelUIObjectImpl::OnSetCursor(POINT) {
    if (!Reacts()) return false;
    SetCursor(cursor_);
    return true;
}

LONG LinkLabelUIObjectImpl::AccessibleRole() const {
    return ROLE_SYSTEM_LINK;
}

LONG LinkLabelUIObjectImpl::AccessibleState() const {
    return STATE_SYSTEM_LINKED;
}

const wchar_t* LinkLabelUIObjectImpl::AccessibleAction() const {
    return GetAction() ? L"Jump" : nullptr;
}

}  // namespace ORBUE
