// Keyboard focus over a UI tree: which controls take it, and in which order.
#pragma once

#include <windows.h>

#include <vector>

#include "orbuiobject.h"

namespace ORBUE {

// True for a visible, enabled object that can take the focus (Focusable: buttons, check
// boxes, link labels, created text boxes).
bool TakesFocus(const IORBBaseUIObject* object);
// The controls below root that take the focus, in layout order; hidden or disabled
// containers are skipped with everything inside. Null root: empty.
std::vector<IORBBaseUIObject*> FocusOrder(const ContainerUIObjectImpl* root);
// The control after current (before it when backward), wrapping; the first (last) when
// current is null or does not take the focus; null when nothing takes it.
IORBBaseUIObject* NextFocus(const ContainerUIObjectImpl* root, const IORBBaseUIObject* current, bool backward);
// The first control taking the focus whose action notification is WM_USER + code, or
// null (also for code 0).
IORBBaseUIObject* FindActionControl(const ContainerUIObjectImpl* root, UINT code);

}  // namespace ORBUE
