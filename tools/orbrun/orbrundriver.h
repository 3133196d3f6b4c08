// Runs a setup executable as a debugger does: collects its debug-output lines, finds
// and answers its message boxes, and returns its exit code.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct ORBMessageBoxSeen {
    std::wstring caption;
    std::wstring text;
    int answer = 0;  // the button id that was pressed (IDOK, IDRETRY, ...), 0 if none
};

struct ORBRunOptions {
    std::wstring exe;                  // path of the program
    std::wstring arguments;            // appended to the quoted program path
    std::wstring workingDirectory;     // empty: the driver's own
    std::vector<std::pair<std::wstring, std::wstring>> environment;  // added or replaced
    // Buttons to press, one per message box in the order they appear. When the list
    // is used up, answerBox decides; without it the first of OK, Cancel, Abort, No.
    std::vector<int> answers;
    std::function<int(const std::wstring& caption, const std::wstring& text)> answerBox;
    // Called for every debug-output line as it arrives (on the driver's thread).
    std::function<void(const std::wstring& line)> onLine;
    // Called once the process exists, with its id (on the driver's thread); tests that
    // drive its windows (orbrunwindow.h) run the driver on a thread of their own.
    std::function<void(DWORD processId)> onStarted;
    DWORD timeoutMs = 60000;           // then the process is terminated
};

struct ORBRunResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::vector<std::wstring> lines;   // debug-output lines as sent, "xm " prefix included
    std::vector<ORBMessageBoxSeen> boxes;
    std::vector<std::wstring> modules;  // files of the libraries loaded, as the system names them

    // True when some line contains text.
    bool HasLine(const std::wstring& text) const;
    // Index of the first line containing text at or after `from`, or -1.
    int FindLine(const std::wstring& text, int from = 0) const;
};

// Starts options.exe under the debugger loop and runs it to the end (or the timeout).
// started is false when the process could not be created.
ORBRunResult ORBRunSetup(const ORBRunOptions& options);

// Reads a message box's caption and text; false when hwnd is not a message box.
bool ORBReadMessageBox(HWND hwnd, std::wstring& caption, std::wstring& text);
