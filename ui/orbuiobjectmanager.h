// The process-wide registry of UI trees by owner window, and the loader that builds a
// tree from a layout `Container` element.
#pragma once

#include <windows.h>

#include <map>

#include "orbuiobject.h"
#include "pugixml.hpp"

namespace ORBUE {

class UIObjectManager {
public:
    // Created on first use; every remaining tree is deleted at process exit.
    static UIObjectManager* GetInstance();

    // Builds the tree of container (an element named "Container") for owner, records its
    // root under owner (an earlier entry is replaced, not deleted) and returns it.
    // container not a "Container": the root recorded before for owner, or null.
    // The root itself cannot be built: null, nothing recorded, nothing left allocated.
    // An object below the root cannot be built: throws HRESULT E_FAIL; the root stays
    // recorded with the objects attached so far, for DestroyTree.
    // Containers nested deeper than 2000 levels are skipped with their subtrees (logged).
    IORBBaseUIObject* CreateFromXml(HWND owner, const pugi::xml_node& container);
    // Deletes the tree recorded for owner (if any) and forgets it.
    void DestroyTree(HWND owner);
    // The root recorded for owner, or null.
    IORBBaseUIObject* GetRoot(HWND owner) const;
    size_t TreeCount() const { return trees_.size(); }

    UIObjectManager() = default;
    ~UIObjectManager();
    UIObjectManager(const UIObjectManager&) = delete;
    UIObjectManager& operator=(const UIObjectManager&) = delete;

private:
    std::map<HWND, IORBBaseUIObject*> trees_;
};

}  // namespace ORBUE
