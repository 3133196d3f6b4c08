// Placeholders in the texts of a UI tree: "$name$" stands for the value of a named setting
// (in the installer, the script global of that name). The one rule for the dialogs and
// the layout preview.
#pragma once

#include <functional>
#include <string>

namespace ORBUE {

class ContainerUIObjectImpl;

// The value of a name; empty when there is none.
using PlaceholderLookup = std::function<std::wstring(const std::wstring& name)>;

// The first "$name$" of text: token with both dollars and the name between them; false
// when there is no second '$' after the first. The one parser of placeholders.
bool FindPlaceholder(const std::wstring& text, std::wstring& token, std::wstring& name);

// text with every occurrence of its first "$name$" replaced by lookup(name); text
// unchanged when there is no pair of '$' or the value is empty.
std::wstring FillPlaceholder(const std::wstring& text, const PlaceholderLookup& lookup);

// FillPlaceholder applied to the text of every control of the tree that shows one, and to
// the accessible name of every control exposed to screen readers (null root: nothing).
void FillPlaceholders(ContainerUIObjectImpl* root, const PlaceholderLookup& lookup);

}  // namespace ORBUE
