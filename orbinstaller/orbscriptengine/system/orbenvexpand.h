// Expansion of environment-variable references, without a length limit.
#pragma once

#include <string>

// text with every %NAME% reference of the process environment expanded; unknown
// references stay as written. Never cut, whatever the length of the text or the values.
std::wstring ORBExpandEnvString(const std::wstring& text);
