// The host's debug log: every line is "xm " + text, sent to the debugger output.
// With a log file open (orblogfile.h) every line goes there too.
#pragma once

#include <windows.h>

#define ORB_WIDEN2(x) L##x
#define ORB_WIDEN(x) ORB_WIDEN2(x)
// Compile-time path of the current source file, as the failure records print it.
#define ORB_WFILE ORB_WIDEN(__FILE__)

// Longest line in UTF-16 units, prefix and terminator included; longer text is cut.
constexpr int kORBLogLineMax = 1024;

// Formats (Microsoft-style: %s takes a wide string) and writes one "xm " line.
void ORBLog(const wchar_t* format, ...);
void ORBLogV(const wchar_t* format, va_list args);

// Failure record, shape 1: three lines "<message>xm file:%s\r\n", "<message>xm line:%d\r\n",
// "<message>xm err:%d\r\n" (message may be empty).
void ORBLogFailure(const wchar_t* message, const wchar_t* file, int line, DWORD error);

// Failure record, shape 2: the message as a line of its own, then the three record lines.
void ORBLogFailureLines(const wchar_t* message, const wchar_t* file, int line, DWORD error);

// Records a failure of the system call just made, at the current source position.
#define ORB_LOG_FAILURE(msg) ORBLogFailure((msg), ORB_WFILE, __LINE__, GetLastError())

// Tests capture lines through a sink; it receives the whole line with its prefix. The
// debugger output still receives every line. Pass nullptr to remove the sink.
using ORBLogSink = void (*)(const wchar_t* line, void* context);
void ORBSetLogSink(ORBLogSink sink, void* context);
