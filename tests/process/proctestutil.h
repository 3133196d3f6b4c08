// Shared by the process and service tests: script calls and target processes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Runs "return <expr>" in the engine's interpreter without the fatal error report. Each
// result as text: "nil", "true", "false", numbers as integers when integral, strings as
// they are. A script error gives the one result "error: <message>".
std::vector<std::string> Call(const std::string& expr);

// One instance of orbproctarget.exe, started with `args` and waited for until its
// window exists; ended by force when still running at destruction.
class Target {
public:
    explicit Target(const std::wstring& args);
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    // Started and still running (it ends at once when it cannot make its window).
    bool started() const { return Running(); }
    DWORD pid() const { return pid_; }
    std::string pidText() const { return std::to_string(pid_); }
    bool Running() const;
    // Exit code once it ended within waitMs; STILL_ACTIVE otherwise.
    DWORD ExitCode(DWORD waitMs = 5000) const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

extern const char kTargetExe[];  // "orbproctarget.exe"
