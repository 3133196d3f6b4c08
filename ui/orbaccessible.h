// The skinned controls for screen readers: Active Accessibility over the UI tree that the
// UI object manager records for a window. Children are the objects of the tree that name an
// accessible role (buttons, check boxes, links, text boxes, progress bars, labels),
// numbered 1..n in layout order; hidden ones keep their number and show as invisible, so
// that numbers stay put while a dialog shows and hides parts of itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "orbuiobject.h"

namespace ORBUE {

// The answer to WM_GETOBJECT for OBJID_CLIENT of a window whose tree is recorded: an
// IAccessible over that tree. *handled false (result 0) for other objects, a window
// without a tree, or when oleacc.dll is missing from the system folder.
LRESULT AnswerGetObject(HWND owner, WPARAM wParam, LPARAM lParam, bool* handled);

// The controls exposed below root, in layout order (null root: empty).
std::vector<IORBBaseUIObject*> AccessibleChildren(const ContainerUIObjectImpl* root);

// The child number of object in its owner's recorded tree; 0 when it is not there.
LONG AccessibleChildId(const IORBBaseUIObject* object);

// NotifyWinEvent(event, owner, OBJID_CLIENT, child number) for object; nothing when it is
// not in its owner's recorded tree.
void NotifyAccessibleEvent(DWORD event, const IORBBaseUIObject* object);

// The name a screen reader says: the layout's `accname`, else the control's text, else its
// layout name.
std::wstring AccessibleName(const IORBBaseUIObject* object);

// A rectangle of the layout (96-DPI units) in screen pixels, at the owner's DPI scale.
RECT LayoutRectToScreen(HWND owner, const RECT& rect);

}  // namespace ORBUE
