#include "orbcontrols.h"

namespace ORBUE {

// Link: underlined, hand cursor, an action on click.
LinkLabelUIObjectImpl::LinkLabelUIObjectImpl() : cursor_(LoadCursorW(nullptr, IDC_HAND)) {
    extraStyle_ = Gdiplus::FontStyleUnderline;
}

bool LinkLabelUIObjectImpl::OnSetCursor(POINT) {
    if (!Reacts()) return false;
    SetCursor(cursor_);
    return true;
}

}  // namespace ORBUE
