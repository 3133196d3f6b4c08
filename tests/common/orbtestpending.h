// The pending-rename list that Windows reads at the start, for tests of runs that
// replace or remove files at the next start.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The pending-rename list as (from, to) pairs, as Windows reads it at the start.
std::vector<std::pair<std::wstring, std::wstring>> PendingRenames();
// True when the list holds from -> to ("" for a deletion; "!" marks a replacing move).
bool HasPendingRename(const std::wstring& from, const std::wstring& to);
// Removes the entries naming anything under folder (the tests' own), so that no later
// start of the prefix acts on them.
void ForgetPendingRenames(const std::wstring& folder);
