#include "orbfocus.h"

#include <algorithm>

#include "orbcontainer.h"

namespace ORBUE {

namespace {

void Collect(const ContainerUIObjectImpl* container, std::vector<IORBBaseUIObject*>& out) {
    for (IORBBaseUIObject* child : container->children()) {
        if (const ContainerUIObjectImpl* inner = child->AsContainer()) {
            if (inner->IsVisible() && inner->IsEnabled()) Collect(inner, out);
        } else if (TakesFocus(child)) {
            out.push_back(child);
        }
    }
}

}  // namespace

bool TakesFocus(const IORBBaseUIObject* object) {
    return object && object->IsVisible() && object->IsEnabled() && object->Focusable();
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

IORBBaseUIObject* FindActionControl(const ContainerUIObjectImpl* root, UINT code) {
    if (code == 0) return nullptr;
    for (IORBBaseUIObject* o : FocusOrder(root))
        if (o->GetAction() == WM_USER + code) return o;
    return nullptr;
}

}  // namespace ORBUE
