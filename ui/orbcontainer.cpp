#include "orbcontainer.h"

#include "orbuidraw.h"

namespace ORBUE {

namespace {

template <class T>
bool Contains(const std::unique_ptr<T>& o, POINT pt) {
    RECT r;
    o->GetRect(&r);
    return PtInRect(&r, pt) != FALSE;
}

// Signature shared by the mouse operations that stop at the first handler.
using MouseOp = LRESULT (IORBBaseUIObject::*)(UINT, WPARAM, LPARAM, BOOL*);

}  // namespace

ContainerUIObjectImpl::ContainerUIObjectImpl()
    : rect_(), owner_(nullptr), visible_(true), mouseInside_(false), enabled_(true) {}

// Child containers go first, then controls, then the background image.
ContainerUIObjectImpl::~ContainerUIObjectImpl() {
    containers_.clear();
    controls_.clear();
}

int ContainerUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return 0;
    int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
    g->SetClip(Gdiplus::RectF(float(rect_.left), float(rect_.top), float(w), float(h)));
    if (image_) DrawImageUnscaled(g, image_.get(), rect_.left, rect_.top, 0, 0, w, h);
    DrawChildren(g);
    // Resetting (not restoring) is deliberate: a nested container lifts its parent's clip.
    g->ResetClip();
    return 0;
}

void ContainerUIObjectImpl::DrawChildren(Gdiplus::Graphics* g) {
    for (auto& c : containers_) c->Draw(g);
    for (auto& c : controls_) c->Draw(g);
}

HRESULT ContainerUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    owner_ = owner;
    rect_ = rect;
    if (!resId) return S_OK;
    auto image = std::make_unique<ImageObject>(type, resId);
    if (!image->Found()) return E_FAIL;
    image_ = std::move(image);
    return S_OK;
}

RECT* ContainerUIObjectImpl::GetRect(RECT* out) const {
    if (out) *out = rect_;
    return out;
}

void ContainerUIObjectImpl::SetRect(int left, int top, int right, int bottom) {
    int dx = left - rect_.left, dy = top - rect_.top;
    RECT r;
    for (auto& c : containers_) {
        c->GetRect(&r);
        c->SetRect(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
    }
    for (auto& c : controls_) {
        c->GetRect(&r);
        c->SetRect(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
    }
    rect_.left = left;
    rect_.top = top;
    rect_.right = right;
    rect_.bottom = bottom;
}

bool ContainerUIObjectImpl::IsVisible() const {
    return visible_;
}

void ContainerUIObjectImpl::SetVisible(bool visible) {
    visible_ = visible;
}

bool ContainerUIObjectImpl::IsEnabled() const {
    return enabled_;
}

void ContainerUIObjectImpl::SetEnabled(bool enabled) {
    enabled_ = enabled;
}

HWND ContainerUIObjectImpl::GetOwnerWindow() const {
    return owner_;
}

// Press, release and hover: child containers first, then controls; stop at the first
// that handles. The press also gives the handling control the focus.
static LRESULT Dispatch(const std::vector<std::unique_ptr<ContainerUIObjectImpl>>& containers,
                        const std::vector<std::unique_ptr<IORBBaseUIObject>>& controls, MouseOp op, UINT msg,
                        WPARAM wParam, LPARAM lParam, BOOL* handled, bool focus) {
    POINT pt = ORBPointFromLParam(lParam);
    for (auto& c : containers) {
        if (!Contains(c, pt)) continue;
        BOOL h = FALSE;
        (c.get()->*op)(msg, wParam, lParam, &h);
        if (h) {
            *handled = TRUE;
            return 0;
        }
    }
    for (auto& c : controls) {
        if (!Contains(c, pt)) continue;
        BOOL h = FALSE;
        (c.get()->*op)(msg, wParam, lParam, &h);
        if (h) {
            *handled = TRUE;
            if (focus) c->RequestFocus();
            return 0;
        }
    }
    return 0;
}

LRESULT ContainerUIObjectImpl::OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam,
                                             BOOL* handled) {
    *handled = FALSE;
    if (!Active()) return 0;
    return Dispatch(containers_, controls_, &IORBBaseUIObject::OnLButtonDown, msg, wParam, lParam,
                    handled, true);
}

LRESULT ContainerUIObjectImpl::OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam,
                                           BOOL* handled) {
    *handled = FALSE;
    if (!Active()) return 0;
    return Dispatch(containers_, controls_, &IORBBaseUIObject::OnLButtonUp, msg, wParam, lParam,
                    handled, false);
}

LRESULT ContainerUIObjectImpl::OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam,
                                            BOOL* handled) {
    *handled = FALSE;
    if (!Active()) return 0;
    return Dispatch(containers_, controls_, &IORBBaseUIObject::OnMouseHover, msg, wParam, lParam,
                    handled, false);
}

LRESULT ContainerUIObjectImpl::OnSetCursor(UINT msg, WPARAM wParam, LPARAM lParam,
                                           BOOL* handled, int x, int y) {
    *handled = FALSE;
    if (!Active()) return 0;
    POINT pt = {x, y};
    for (auto& c : containers_) {
        if (!Contains(c, pt)) continue;
        BOOL h = FALSE;
        c->OnSetCursor(msg, wParam, lParam, &h, x, y);
        if (h) {
            *handled = TRUE;
            return 0;
        }
    }
    for (auto& c : controls_) {
        if (!Contains(c, pt)) continue;
        BOOL h = FALSE;
        c->OnSetCursor(msg, wParam, lParam, &h, x, y);
        if (h) {
            *handled = TRUE;
            return 0;
        }
    }
    return 0;
}

LRESULT ContainerUIObjectImpl::OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam,
                                           BOOL* handled) {
    *handled = FALSE;
    if (!Active()) return 0;
    mouseInside_ = true;
    POINT pt = ORBPointFromLParam(lParam);
    // Every child hears about the move (enter or leave); no early stop.
    for (auto& c : containers_) {
        BOOL h = FALSE;
        if (Contains(c, pt)) {
            c->OnMouseMove(msg, wParam, lParam, &h);
            if (h) *handled = TRUE;
        } else {
            c->OnMouseLeave(msg, wParam, lParam, &h);
        }
    }
    if (*handled) return 0;
    for (auto& c : controls_) {
        BOOL h = FALSE;
        if (Contains(c, pt)) {
            c->OnMouseMove(msg, wParam, lParam, &h);
            if (h) *handled = TRUE;
        } else {
            c->OnMouseLeave(msg, wParam, lParam, &h);
        }
    }
    return 0;
}

LRESULT ContainerUIObjectImpl::OnMouseLeave(UINT msg, WPARAM wParam, LPARAM lParam,
                                            BOOL* handled) {
    *handled = FALSE;
    if (!Active() || !mouseInside_) return 0;
    mouseInside_ = false;
    for (auto& c : containers_) {
        BOOL h = FALSE;
        c->OnMouseLeave(msg, wParam, lParam, &h);
        if (h) {
            *handled = TRUE;
            return 0;
        }
    }
    for (auto& c : controls_) {
        BOOL h = FALSE;
        c->OnMouseLeave(msg, wParam, lParam, &h);
        if (h) {
            *handled = TRUE;
            return 0;
        }
    }
    return 0;
}

LRESULT ContainerUIObjectImpl::OnCaptureLost(UINT, WPARAM, LPARAM, BOOL* handled) {
    *handled = FALSE;
    return 0;
}

const std::wstring& ContainerUIObjectImpl::GetName() const {
    return name_;
}

void ContainerUIObjectImpl::SetName(const std::wstring& name) {
    name_ = name;
}

LRESULT ContainerUIObjectImpl::ProcessMessage(UINT, WPARAM, LPARAM) {
    return 0;
}

void ContainerUIObjectImpl::SetVisibleAll(bool visible) {
    visible_ = visible;
    for (auto& c : containers_) c->SetVisibleAll(visible);
    for (auto& c : controls_) c->SetVisible(visible);
}

void ContainerUIObjectImpl::AddControl(std::unique_ptr<IORBBaseUIObject> control) {
    if (!control) return;
    control->SetEnabled(control->IsEnabled() && enabled_);
    controls_.push_back(std::move(control));
}

void ContainerUIObjectImpl::AddContainer(std::unique_ptr<ContainerUIObjectImpl> container) {
    if (!container) return;
    container->SetEnabled(container->IsEnabled() && enabled_);
    containers_.push_back(std::move(container));
}

void ContainerUIObjectImpl::SetEnabledAll(bool enabled) {
    enabled_ = enabled;
    for (auto& c : containers_) c->SetEnabledAll(enabled);
    for (auto& c : controls_) c->SetEnabled(enabled);
}

ContainerUIObjectImpl* ContainerUIObjectImpl::FindContainer(const std::wstring& name) const {
    for (auto& c : containers_)
        if (c->GetName() == name) return c.get();
    return nullptr;
}

IORBBaseUIObject* ContainerUIObjectImpl::FindControl(const std::wstring& name) const {
    for (auto& c : controls_)
        if (c->GetName() == name) return c.get();
    return nullptr;
}

std::vector<IORBBaseUIObject*> ContainerUIObjectImpl::FindControlsByType(
    const std::type_info& type) const {
    std::vector<IORBBaseUIObject*> out;
    for (auto& c : containers_) {
        std::vector<IORBBaseUIObject*> sub = c->FindControlsByType(type);
        out.insert(out.end(), sub.begin(), sub.end());
    }
    for (auto& c : controls_)
        if (typeid(*c) == type) out.push_back(c.get());
    return out;
}

// Caption: a press nobody below handled drags the window.
CaptionContainerUIObjectImpl::~CaptionContainerUIObjectImpl() {}

LRESULT CaptionContainerUIObjectImpl::OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam,
                                                    BOOL* handled) {
    ContainerUIObjectImpl::OnLButtonDown(msg, wParam, lParam, handled);
    if (!Active() || *handled) return 0;
    PostMessageW(owner_, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
    *handled = TRUE;
    return 0;
}

// Vertical stacking, redone at every draw.
VerticalContainerUIObjectImpl::~VerticalContainerUIObjectImpl() {}

void VerticalContainerUIObjectImpl::SetRows(int rows) {
    rows_ = rows < 1 ? 1 : rows;
}

int VerticalContainerUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    int slot = (rect_.bottom - rect_.top) / rows_;
    int k = 0;
    RECT r;
    for (auto& c : containers_) {
        if (!c->IsVisible()) continue;
        c->GetRect(&r);
        int top = rect_.top + k * slot;
        c->SetRect(r.left, top, r.right, top + (r.bottom - r.top));
        c->Draw(g);
        k = (k + 1) % rows_;
    }
    return 0;
}

// Grid placement, redone at every draw.
GridContainerUIObjectImpl::~GridContainerUIObjectImpl() {}

void GridContainerUIObjectImpl::SetCols(int cols) {
    cols_ = cols < 1 ? 1 : cols;
    cellWidth_ = (rect_.right - rect_.left) / cols_;
}

void GridContainerUIObjectImpl::SetRows(int rows) {
    rows_ = rows < 1 ? 1 : rows;
    cellHeight_ = (rect_.bottom - rect_.top) / rows_;
}

void GridContainerUIObjectImpl::SetVertical(bool vertical) {
    vertical_ = vertical;
}

int GridContainerUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    int width = rect_.right - rect_.left, height = rect_.bottom - rect_.top;
    int c = 0, r = 0;
    RECT cr;
    for (auto& child : containers_) {
        if (!child->IsVisible()) continue;
        child->GetRect(&cr);
        int left = rect_.left + c * cellWidth_, top = rect_.top + r * cellHeight_;
        child->SetRect(left, top, left + (cr.right - cr.left), top + (cr.bottom - cr.top));
        child->Draw(g);
        if (vertical_) {
            if ((r + 1) * cellHeight_ < height) {
                ++r;
            } else {
                r = 0;
                ++c;
            }
        } else {
            if ((c + 1) * cellWidth_ < width) {
                ++c;
            } else {
                c = 0;
                ++r;
            }
        }
    }
    return 0;
}

}  // namespace ORBUE
