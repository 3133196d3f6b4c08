// The application module: holds the message loop of each UI thread.
#pragma once

#include <windows.h>

class ORBMessageLoop;

class ORBAppModule {
public:
    // Records the instance handle; false if already initialised.
    bool Init(HINSTANCE instance);
    void Term();

    HINSTANCE GetInstance() const { return instance_; }

    // One loop per thread; AddMessageLoop fails when the thread has one already.
    bool AddMessageLoop(ORBMessageLoop* loop);
    bool RemoveMessageLoop();
    ORBMessageLoop* GetMessageLoop(DWORD threadId = GetCurrentThreadId()) const;

    // Creation data: the object that a window created next on this thread binds to at
    // its first message. Add fails (false) only when no memory is left.
    bool AddCreateWndData(void* object);
    // This thread's most recent entry, removed; null when there is none.
    void* ExtractCreateWndData();

private:
    HINSTANCE instance_ = nullptr;
    bool initialised_ = false;
};

extern ORBAppModule g_orbModule;
