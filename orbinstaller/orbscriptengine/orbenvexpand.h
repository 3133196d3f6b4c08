// Expansion of environment-variable references, sized from the system's answer.
#pragma once

#include <string>

// text with every %NAME% reference of the process environment expanded; unknown
// references stay as written. On failure of the expansion call, text unchanged.
std::wstring ORBExpandEnvString(const std::wstring& text);
