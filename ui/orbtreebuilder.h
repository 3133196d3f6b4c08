// The layout builder: the tree of UI objects of a layout `Container` element, one recipe
// per element name (a new kind of control is its class and its recipe here).
#pragma once

#include <windows.h>

#include <memory>

#include "orbcontainer.h"
#include "pugixml.hpp"

namespace ORBUE {

// Builds the tree of a "Container" element for owner into *root: S_OK with the whole tree.
// Not a "Container": S_FALSE, *root null. A root that cannot be built: its failure (logged),
// *root null. An object below it that cannot be built stops the build with its failure
// (E_FAIL for a missing image, kTextServicesMissing) and *root holds the partial tree.
// Containers nested deeper than 2000 levels are skipped (logged).
HRESULT BuildUITree(HWND owner, const pugi::xml_node& container, std::unique_ptr<ContainerUIObjectImpl>* root);

}  // namespace ORBUE
