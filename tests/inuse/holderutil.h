// The holder program, for the files-in-use tests (the pending-rename list: orbtestpending.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "orbhandle.h"
#include "orbtestpending.h"

// A running orbholder: the program at exe holding file (mode "exclusive" or
// "sharedelete"; stubborn ignores close requests). Ended by the destructor if it runs.
class Holder {
public:
    Holder(const std::wstring& exe, const std::wstring& file, const std::wstring& mode, bool stubborn = false);
    ~Holder();
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    bool Running() const;
    // True when it ends within ms.
    bool Ends(DWORD ms) const;
    DWORD pid() const { return pid_; }

private:
    ORBHandle process_;
    DWORD pid_ = 0;
};

// The orbholder.exe beside the test program, copied to dir (returns the copy's path).
std::wstring CopyHolderTo(const std::wstring& dir);
