#include "orbuiobjectmanager.h"

#include <utility>

#include "orbtreebuilder.h"

namespace ORBUE {

UIObjectManager* UIObjectManager::GetInstance() {
    static UIObjectManager instance;
    return &instance;
}

void UIObjectManager::Record(HWND owner, ContainerUIObjectImpl* root) {
    trees_[owner] = root;
}

void UIObjectManager::Forget(HWND owner, const ContainerUIObjectImpl* root) {
    auto it = trees_.find(owner);
    if (it != trees_.end() && it->second == root) trees_.erase(it);
}

ContainerUIObjectImpl* UIObjectManager::GetRoot(HWND owner) const {
    auto it = trees_.find(owner);
    return it == trees_.end() ? nullptr : it->second;
}

ContainerUIObjectImpl* UITree::Build(HWND owner, const pugi::xml_node& container, HRESULT* result) {
    HRESULT ignored;
    HRESULT& hr = result ? *result : ignored;
    std::unique_ptr<ContainerUIObjectImpl> root;
    hr = BuildUITree(owner, container, &root);
    if (hr == S_FALSE) {
        hr = S_OK;
        return root_.get();
    }
    if (!root) return nullptr;
    Reset();
    owner_ = owner;
    root_ = std::move(root);
    UIObjectManager::GetInstance()->Record(owner_, root_.get());
    return root_.get();
}

void UITree::Reset() {
    if (!root_) return;
    UIObjectManager::GetInstance()->Forget(owner_, root_.get());
    std::unique_ptr<ContainerUIObjectImpl> root = std::move(root_);
    owner_ = nullptr;
}

}  // namespace ORBUE
