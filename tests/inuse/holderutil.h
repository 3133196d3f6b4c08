// The holder program and the pending-rename list, for the files-in-use tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "orbhandle.h"

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

// The pending-rename list as (from, to) pairs, as Windows reads it at the start.
std::vector<std::pair<std::wstring, std::wstring>> PendingRenames();
// True when the list holds from -> to ("" for a deletion; "!" marks a replacing move).
bool HasPendingRename(const std::wstring& from, const std::wstring& to);
// Removes the entries naming anything under folder (the tests' own), so that no later
// start of the prefix acts on them.
void ForgetPendingRenames(const std::wstring& folder);
