// The message loop of a UI thread, with message filters and idle handlers.
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

// Called while the thread's queue is empty; false = no more idle calls until the next
// input message.
class ORBIdleHandler {
public:
    virtual BOOL OnIdle() = 0;

protected:
    ~ORBIdleHandler() {}
};

class ORBMessageLoop {
public:
    // Adding twice is harmless; removing an unknown entry returns false.
    bool AddMessageFilter(ORBMessageFilter* filter);
    bool RemoveMessageFilter(ORBMessageFilter* filter);
    bool AddIdleHandler(ORBIdleHandler* handler);
    bool RemoveIdleHandler(ORBIdleHandler* handler);

    // Gets messages for every window of the thread until WM_QUIT; returns the quit code.
    int Run();

private:
    BOOL PreTranslateMessage(MSG* msg);
    BOOL OnIdle();

    std::vector<ORBMessageFilter*> filters_;
    std::vector<ORBIdleHandler*> idleHandlers_;
};
