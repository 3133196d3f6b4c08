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

private:
    HINSTANCE instance_ = nullptr;
    bool initialised_ = false;
};

extern ORBAppModule g_orbModule;
