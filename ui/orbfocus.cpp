#include "orbfocus.h"

#include <algorithm>

#include "orbtextbox.h"

namespace ORBUE {

namespace {

void Collect(const ContainerUIObjectImpl* container, std::vector<IORBBaseUIObject*>& out) {
    for (IORBBaseUIObject* child : container->children()) {
        if (auto* inner = dynamic_cast<const ContainerUIObjectImpl*>(child)) {
            if (inner->IsVisible() && inner->IsEnabled()) Collect(inner, out);
        } else if (TakesFocus(child)) {
            out.push_back(child);
        }
    }
}

}  // namespace

bool TakesFocus(const IORBBaseUIObject* object) {
    if (!object || !object->IsVisible() || !object->IsEnabled()) return false;
    if (dynamic_cast<const ClickableUIObjectImpl*>(object)) return true;
    auto* box = dynamic_cast<const TextBoxUIObjectImpl*>(object);
    return box && box->IsCreated();
}

std::vector<IORBBaseUIObject*> FocusOrder(const ContainerUIObjectImpl* root) {
    std::vector<IORBBaseUIObject*> out;
    if (root && root->IsVisible() && root->IsEnabled()) Collect(root, out);
    return out;
}

IORBBaseUIObject* NextFocus(const ContainerUIObjectImpl* root, const IORBBaseUIObject* current, bool backward) {
    const std::vector<IORBBaseUIObject*> order = FocusOrder(root);
    if (order.empty()) return nullptr;
    const auto it = std::find(order.begin(), order.end(), current);
    if (it == order.end()) return backward ? order.back() : order.front();
    const size_t i = static_cast<size_t>(it - order.begin());
    const size_t n = order.size();
    return order[backward ? (i + n - 1) % n : (i + 1) % n];
}

ClickableUIObjectImpl* FindActionControl(const ContainerUIObjectImpl* root, UINT code) {
    if (code == 0) return nullptr;
    for (IORBBaseUIObject* o : FocusOrder(root)) {
        auto* c = dynamic_cast<ClickableUIObjectImpl*>(o);
        if (c && c->GetAction() == WM_USER + code) return c;
    }
    return nullptr;
}

void DrawFocusMark(Gdiplus::Graphics* g, const IORBBaseUIObject* object, Gdiplus::ARGB color) {
    auto* c = dynamic_cast<const ClickableUIObjectImpl*>(object);
    if (!c || !c->FocusMarkShown() || !TakesFocus(c)) return;
    RECT r;
    c->GetRect(&r);
    const Gdiplus::Rect mark(r.left - 1, r.top - 1, r.right - r.left + 1, r.bottom - r.top + 1);
    const Gdiplus::Color dotColor(color | 0xFF000000);
    const int luma = (dotColor.GetR() * 299 + dotColor.GetG() * 587 + dotColor.GetB() * 114) / 1000;
    const BYTE back = luma > 160 ? 0 : 255;
    Gdiplus::Pen under(Gdiplus::Color(255, back, back, back), 1.0f);
    g->DrawRectangle(&under, mark);
    Gdiplus::Pen dots(dotColor, 1.0f);
    dots.SetDashStyle(Gdiplus::DashStyleDot);
    g->DrawRectangle(&dots, mark);
}

}  // namespace ORBUE
