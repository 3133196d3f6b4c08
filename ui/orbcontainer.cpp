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

// An event that stops at the first child under the point that takes it: child
// containers first, then controls. Returns the control that took it (null: a container
// or nobody) through *control.
template <class Event>
bool FirstTaker(const std::vector<std::unique_ptr<ContainerUIObjectImpl>>& containers,
                const std::vector<std::unique_ptr<IORBBaseUIObject>>& controls, POINT pt,
                const Event& event, IORBBaseUIObject** control = nullptr) {
    for (auto& c : containers)
        if (Contains(c, pt) && event(*c)) return true;
    for (auto& c : controls) {
        if (!Contains(c, pt) || !event(*c)) continue;
        if (control) *control = c.get();
        return true;
    }
    return false;
}

}  // namespace

ContainerUIObjectImpl::ContainerUIObjectImpl() = default;

// Child containers go first, then controls, then the background image.
ContainerUIObjectImpl::~ContainerUIObjectImpl() {
    order_.clear();
    containers_.clear();
    controls_.clear();
}

void ContainerUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return;
    int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
    g->SetClip(Gdiplus::RectF(float(rect_.left), float(rect_.top), float(w), float(h)));
    if (image_) DrawImageUnscaled(g, image_.get(), rect_.left, rect_.top, 0, 0, w, h);
    DrawChildren(g);
    // Resetting (not restoring) is deliberate: a nested container lifts its parent's clip.
    g->ResetClip();
}

void ContainerUIObjectImpl::DrawChildren(Gdiplus::Graphics* g) {
    for (auto& c : containers_) c->Draw(g);
    for (auto& c : controls_) {
        c->Draw(g);
        if (c->FocusMarkShown()) {
            RECT r;
            DrawFocusMark(g, *c->GetRect(&r), focusColor_);
        }
    }
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
    rect_ = {left, top, right, bottom};
}

// The press also gives the control that took it the focus.
bool ContainerUIObjectImpl::OnLButtonDown(const MouseEvent& e) {
    if (!Active()) return false;
    IORBBaseUIObject* control = nullptr;
    bool taken = FirstTaker(containers_, controls_, e.point,
                            [&](IORBBaseUIObject& o) { return o.OnLButtonDown(e); }, &control);
    if (control) control->RequestFocus();
    return taken;
}

bool ContainerUIObjectImpl::OnLButtonUp(const MouseEvent& e) {
    if (!Active()) return false;
    return FirstTaker(containers_, controls_, e.point, [&](IORBBaseUIObject& o) { return o.OnLButtonUp(e); });
}

bool ContainerUIObjectImpl::OnMouseHover(const MouseEvent& e) {
    if (!Active()) return false;
    return FirstTaker(containers_, controls_, e.point, [&](IORBBaseUIObject& o) { return o.OnMouseHover(e); });
}

bool ContainerUIObjectImpl::OnSetCursor(POINT pt) {
    if (!Active()) return false;
    return FirstTaker(containers_, controls_, pt, [&](IORBBaseUIObject& o) { return o.OnSetCursor(pt); });
}

bool ContainerUIObjectImpl::OnMouseMove(const MouseEvent& e) {
    if (!Active()) return false;
    mouseInside_ = true;
    // Every child hears about the move (enter or leave); no early stop.
    bool handled = false;
    for (auto& c : containers_) {
        if (Contains(c, e.point)) handled |= c->OnMouseMove(e);
        else c->OnMouseLeave(e);
    }
    if (handled) return true;
    for (auto& c : controls_) {
        if (Contains(c, e.point)) handled |= c->OnMouseMove(e);
        else c->OnMouseLeave(e);
    }
    return handled;
}

bool ContainerUIObjectImpl::OnMouseLeave(const MouseEvent& e) {
    if (!Active() || !mouseInside_) return false;
    mouseInside_ = false;
    for (auto& c : containers_)
        if (c->OnMouseLeave(e)) return true;
    for (auto& c : controls_)
        if (c->OnMouseLeave(e)) return true;
    return false;
}

void ContainerUIObjectImpl::SetVisibleAll(bool visible) {
    visible_ = visible;
    for (auto& c : containers_) c->SetVisibleAll(visible);
    for (auto& c : controls_) c->SetVisible(visible);
}

void ContainerUIObjectImpl::AddControl(std::unique_ptr<IORBBaseUIObject> control) {
    if (!control) return;
    control->SetEnabled(control->IsEnabled() && enabled_);
    order_.push_back(control.get());
    controls_.push_back(std::move(control));
}

void ContainerUIObjectImpl::AddContainer(std::unique_ptr<ContainerUIObjectImpl> container) {
    if (!container) return;
    container->SetEnabled(container->IsEnabled() && enabled_);
    if (!container->ownFocusColor_) container->focusColor_ = focusColor_;
    order_.push_back(container.get());
    containers_.push_back(std::move(container));
}

void ContainerUIObjectImpl::SetFocusColor(Gdiplus::ARGB color) {
    focusColor_ = color;
    ownFocusColor_ = true;
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

std::vector<IORBBaseUIObject*> ContainerUIObjectImpl::FindControlsByType(const wchar_t* kind) const {
    std::vector<IORBBaseUIObject*> out;
    ForEachControl([&](IORBBaseUIObject* c) {
        if (wcscmp(c->Kind(), kind) == 0) out.push_back(c);
    });
    return out;
}

// Caption: a press nobody below handled drags the window.
bool CaptionContainerUIObjectImpl::OnLButtonDown(const MouseEvent& e) {
    if (ContainerUIObjectImpl::OnLButtonDown(e)) return true;
    if (!Active()) return false;
    PostMessageW(owner_, WM_NCLBUTTONDOWN, HTCAPTION, e.PointParam());
    return true;
}

// Vertical stacking, redone at every draw.
void VerticalContainerUIObjectImpl::SetRows(int rows) {
    rows_ = rows < 1 ? 1 : rows;
}

void VerticalContainerUIObjectImpl::Draw(Gdiplus::Graphics* g) {
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
}

// Grid placement, redone at every draw.
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

void GridContainerUIObjectImpl::Draw(Gdiplus::Graphics* g) {
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
}

}  // namespace ORBUE
