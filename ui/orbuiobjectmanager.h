// Which window shows which tree of UI objects: the dialogs own their trees (UITree) and
// record them here while they live, so that code holding only a window (screen readers)
// finds the tree.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "orbcontainer.h"
#include "pugixml.hpp"

namespace ORBUE {

// The process-wide lookup of trees by owner window; it owns none of them.
class UIObjectManager {
public:
    // Created on first use.
    static UIObjectManager* GetInstance();

    // Records root as the tree of owner, in place of any earlier one.
    void Record(HWND owner, ContainerUIObjectImpl* root);
    // Forgets the tree of owner when it is root (another tree recorded since stays).
    void Forget(HWND owner, const ContainerUIObjectImpl* root);
    // The root recorded for owner, or null.
    ContainerUIObjectImpl* GetRoot(HWND owner) const;
    size_t TreeCount() const { return trees_.size(); }

    UIObjectManager() = default;
    UIObjectManager(const UIObjectManager&) = delete;
    UIObjectManager& operator=(const UIObjectManager&) = delete;

private:
    std::map<HWND, ContainerUIObjectImpl*> trees_;
};

// The tree of UI objects of one window, owned here and recorded with the manager for that
// window while it lives.
class UITree {
public:
    UITree() = default;
    ~UITree() { Reset(); }
    UITree(const UITree&) = delete;
    UITree& operator=(const UITree&) = delete;

    // Builds the tree of a "Container" element for owner (BuildUITree), replacing the tree
    // held; returns the root, *result S_OK. Not a "Container": the tree held, or null. A root
    // that cannot be built: null, the tree held is kept. An object below it that cannot be
    // built: the partial tree is held and returned, its failure in *result.
    ContainerUIObjectImpl* Build(HWND owner, const pugi::xml_node& container, HRESULT* result = nullptr);
    // Forgets the record, then deletes the tree (a destructor may ask for it again).
    void Reset();
    ContainerUIObjectImpl* root() const { return root_.get(); }

private:
    HWND owner_ = nullptr;
    std::unique_ptr<ContainerUIObjectImpl> root_;
};

}  // namespace ORBUE
