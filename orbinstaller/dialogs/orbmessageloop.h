// The message loop of a UI thread, with message filters.
#pragma once

#include <windows.h>

#include <vector>

// Sees every message the loop takes before translation; true = filtered (not dispatched).
class ORBMessageFilter {
public:
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;

protected:
    ~ORBMessageFilter() {}
};

class ORBMessageLoop {
public:
    // Adding twice is harmless; removing an unknown filter returns false.
    bool AddMessageFilter(ORBMessageFilter* filter);
    bool RemoveMessageFilter(ORBMessageFilter* filter);

    // Gets messages for every window of the thread until WM_QUIT; returns the quit code.
    int Run();

private:
    BOOL PreTranslateMessage(MSG* msg);

    std::vector<ORBMessageFilter*> filters_;
};
