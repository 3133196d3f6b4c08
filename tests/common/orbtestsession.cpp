#include "orbtestsession.h"

#include "orbhandle.h"
#include "orbrunwindow.h"

ORBTestSession::ORBTestSession(const std::wstring& exe, const std::wstring& args, std::vector<int> answers) {
    options_.exe = exe;
    options_.arguments = args;
    options_.answers = std::move(answers);
    options_.timeoutMs = 120000;
    options_.onStarted = [this](DWORD pid) { pid_ = pid; };
    thread_ = std::thread([this] {
        result = ORBRunSetup(options_);
        done_ = true;
    });
    for (int i = 0; i < 1000 && !pid_ && !done_; ++i) Sleep(10);
}

ORBTestSession::~ORBTestSession() {
    if (!done_ && pid_) {
        ORBHandle p(OpenProcess(PROCESS_TERMINATE, FALSE, pid_));
        if (p) TerminateProcess(p.get(), 255);
    }
    if (thread_.joinable()) thread_.join();
}

HWND ORBTestSession::NextDialog(HWND previous) {
    if (previous && !ORBWaitForWindowGone(previous, 60000)) return nullptr;
    return pid_ ? ORBWaitForWindow(pid_, L"Orb_Installer", nullptr, 60000) : nullptr;
}

void ORBTestSession::Finish() {
    if (thread_.joinable()) thread_.join();
}
