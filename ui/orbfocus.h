// Keyboard focus over a UI tree: which controls take it, in which order, and its mark.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <vector>

#include "orbcontainer.h"
#include "orbuiobject.h"

namespace ORBUE {

// True for a visible, enabled button, check box, link label or created text box.
bool TakesFocus(const IORBBaseUIObject* object);
// The controls below root that take the focus, in layout order; hidden or disabled
// containers are skipped with everything inside. Null root: empty.
std::vector<IORBBaseUIObject*> FocusOrder(const ContainerUIObjectImpl* root);
// The control after current (before it when backward), wrapping; the first (last) when
// current is null or does not take the focus; null when nothing takes it.
IORBBaseUIObject* NextFocus(const ContainerUIObjectImpl* root, const IORBBaseUIObject* current, bool backward);
// The first control taking the focus whose action notification is WM_USER + code, or
// null (also for code 0).
ClickableUIObjectImpl* FindActionControl(const ContainerUIObjectImpl* root, UINT code);
// A 1-pixel dotted rectangle around a clickable control whose focus came from the
// keyboard, dots of color over white (over black for a light color) so that it shows on
// any skin. Anything else: nothing.
void DrawFocusMark(Gdiplus::Graphics* g, const IORBBaseUIObject* object, Gdiplus::ARGB color = 0xFF000000);

}  // namespace ORBUE
