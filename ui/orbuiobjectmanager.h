// The process-wide registry of UI trees by owner window, and the loader that builds a
// tree from a layout `Container` element.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "orbcontainer.h"
#include "pugixml.hpp"

namespace ORBUE {

class UIObjectManager {
public:
    // Created on first use; every remaining tree is deleted at process exit.
    static UIObjectManager* GetInstance();

    // Builds the tree of a "Container" element for owner and records it there (an earlier
    // tree of owner is deleted); returns the root, *result S_OK. Not a "Container": the
    // root recorded before, or null. A root that cannot be built: null, nothing recorded.
    // An object below it that cannot be built stops the build with its failure in *result
    // (E_FAIL for a missing image, kTextServicesMissing); the partial tree stays recorded
    // for DestroyTree. Containers nested deeper than 2000 levels are skipped (logged).
    ContainerUIObjectImpl* CreateFromXml(HWND owner, const pugi::xml_node& container,
                                         HRESULT* result = nullptr);
    // Deletes the tree recorded for owner (if any) and forgets it.
    void DestroyTree(HWND owner);
    // The root recorded for owner, or null.
    ContainerUIObjectImpl* GetRoot(HWND owner) const;
    size_t TreeCount() const { return trees_.size(); }

    UIObjectManager() = default;
    ~UIObjectManager();
    UIObjectManager(const UIObjectManager&) = delete;
    UIObjectManager& operator=(const UIObjectManager&) = delete;

private:
    HRESULT BuildChildren(HWND owner, ContainerUIObjectImpl* root, const pugi::xml_node& container);

    std::map<HWND, std::unique_ptr<ContainerUIObjectImpl>> trees_;
};

}  // namespace ORBUE
