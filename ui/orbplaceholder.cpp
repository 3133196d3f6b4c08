#include "orbplaceholder.h"

#include "orbcontainer.h"

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

void FillPlaceholders(ContainerUIObjectImpl* root, const PlaceholderLookup& lookup) {
    if (!root) return;
    root->ForEachControl([&](IORBBaseUIObject* object) {
        // Only texts that change are set again: a text box keeps its caret and selection.
        const std::wstring text = object->GetText();
        const std::wstring filled = FillPlaceholder(text, lookup);
        if (filled != text) object->SetText(filled);
        // Names screen readers hear, of the objects they are shown.
        const std::wstring& name = object->GetAccessibleName();
        if (object->AccessibleRole() != 0 && !name.empty()) object->SetAccessibleName(FillPlaceholder(name, lookup));
    });
}

}  // namespace ORBUE
