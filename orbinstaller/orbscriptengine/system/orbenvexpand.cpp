#include "orbenvexpand.h"

#include <windows.h>

namespace {

// The system call stops at 32,767 units and cuts longer texts silently, so the
// references are replaced here, one variable at a time, with the system's rules: a
// reference is the text between two percent signs; an unknown (or empty) name is kept as
// written, closing sign included.
bool LookUp(const std::wstring& name, std::wstring& value) {
    if (name.empty()) return false;
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (n == 0 && GetLastError() != ERROR_ENVVAR_NOT_FOUND) {  // set, but empty
        value.clear();
        return true;
    }
    for (int tries = 0; n > 0 && tries < 4; ++tries) {
        value.assign(n, L'\0');
        DWORD got = GetEnvironmentVariableW(name.c_str(), &value[0], n);
        if (got == 0) break;
        if (got < n) {
            value.resize(got);
            return true;
        }
        n = got;  // grew between the two calls
    }
    return false;
}

}  // namespace

std::wstring ORBExpandEnvString(const std::wstring& whole) {
    // Like the system call, the text ends at its first NUL.
    const std::wstring text(whole.c_str());
    std::wstring out;
    out.reserve(text.size());
    std::wstring value;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find(L'%', pos);
        if (open == std::wstring::npos) break;
        out.append(text, pos, open - pos);
        const size_t close = text.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            pos = open;
            break;
        }
        const std::wstring name = text.substr(open + 1, close - open - 1);
        if (LookUp(name, value))
            out += value;
        else
            out.append(text, open, close - open + 1);
        pos = close + 1;
    }
    if (pos < text.size()) out.append(text, pos, std::wstring::npos);
    return out;
}
