#include "orbplaceholder.h"

#include "orbaccessible.h"
#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orbtextbox.h"

namespace ORBUE {

bool FindPlaceholder(const std::wstring& text, std::wstring& token, std::wstring& name) {
    const size_t first = text.find(L'$');
    if (first == std::wstring::npos) return false;
    const size_t second = text.find(L'$', first + 1);
    if (second == std::wstring::npos) return false;
    token = text.substr(first, second - first + 1);
    name = text.substr(first + 1, second - first - 1);
    return true;
}

std::wstring FillPlaceholder(const std::wstring& text, const PlaceholderLookup& lookup) {
    std::wstring token, name;
    if (!FindPlaceholder(text, token, name)) return text;
    const std::wstring value = lookup(name);
    if (value.empty()) return text;
    std::wstring out = text;
    for (size_t at = out.find(token); at != std::wstring::npos; at = out.find(token, at + value.size()))
        out.replace(at, token.size(), value);
    return out;
}

namespace {

// Only texts that change are set again: a text box keeps its caret and selection.
template <class T>
void FillEvery(ContainerUIObjectImpl* root, const PlaceholderLookup& lookup) {
    for (T* object : root->FindControlsByType<T>()) {
        const std::wstring text = object->GetText();
        std::wstring filled = FillPlaceholder(text, lookup);
        if (filled != text) object->SetText(filled);
    }
}

}  // namespace

void FillPlaceholders(ContainerUIObjectImpl* root, const PlaceholderLookup& lookup) {
    if (!root) return;
    FillEvery<ButtonUIObjectImpl>(root, lookup);
    FillEvery<LabelUIObjectImpl>(root, lookup);
    FillEvery<LinkLabelUIObjectImpl>(root, lookup);
    FillEvery<CheckBoxUIObjectImpl>(root, lookup);
    FillEvery<TextBoxUIObjectImpl>(root, lookup);
    FillAccessibleNames(root, lookup);
}

}  // namespace ORBUE
