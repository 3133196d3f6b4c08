#include "orbenvexpand.h"

#include <windows.h>

std::wstring ORBExpandEnvString(const std::wstring& text) {
    // The answer counts the terminator; a variable may grow between the two calls.
    std::wstring out(text.size() + 64, L'\0');
    for (int tries = 0; tries < 4; ++tries) {
        DWORD n = ExpandEnvironmentStringsW(text.c_str(), &out[0], static_cast<DWORD>(out.size()));
        if (n == 0) return text;
        if (n <= out.size()) {
            out.resize(n - 1);
            return out;
        }
        out.assign(n, L'\0');
    }
    return text;
}
