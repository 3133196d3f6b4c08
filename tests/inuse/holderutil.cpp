#include "holderutil.h"

#include "orbtestutil.h"

Holder::Holder(const std::wstring& exe, const std::wstring& file, const std::wstring& mode, bool stubborn) {
    std::wstring cmd = L"\"" + exe + L"\" \"" + file + L"\" " + mode + (stubborn ? L" stubborn" : L"");
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    process_.reset(pi.hProcess);
    ORBHandle thread(pi.hThread);
    pid_ = pi.dwProcessId;
    WaitForInputIdle(process_.get(), 10000);
}

Holder::~Holder() {
    if (Running()) {
        TerminateProcess(process_.get(), 255);
        WaitForSingleObject(process_.get(), 5000);
    }
}

bool Holder::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool Holder::Ends(DWORD ms) const { return process_ && WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0; }

std::wstring CopyHolderTo(const std::wstring& dir) {
    std::wstring to = dir + L"\\orbholder.exe";
    CopyFileW(TestPath(L"orbholder.exe").c_str(), to.c_str(), FALSE);
    return to;
}
