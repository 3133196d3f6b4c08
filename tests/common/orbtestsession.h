// An interactive run of a setup on a thread of its own, so that a test can drive its
// windows while the run driver reads its log and answers its message boxes.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "orbrundriver.h"

class ORBTestSession {
public:
    // Starts exe with args; answers are given to its message boxes in turn.
    ORBTestSession(const std::wstring& exe, const std::wstring& args, std::vector<int> answers = {});
    // A test that stopped early ends the setup instead of waiting for its time limit.
    ~ORBTestSession();
    ORBTestSession(const ORBTestSession&) = delete;
    ORBTestSession& operator=(const ORBTestSession&) = delete;

    // The next setup window after previous has gone, or null after a minute.
    HWND NextDialog(HWND previous = nullptr);
    // Waits for the end of the run (result is then complete).
    void Finish();

    ORBRunResult result;

private:
    ORBRunOptions options_;
    std::atomic<DWORD> pid_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};
