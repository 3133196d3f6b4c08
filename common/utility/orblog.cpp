#include "orblog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "orblogfile.h"

namespace {

std::mutex g_sinkMutex;
ORBLogSink g_sink = nullptr;
void* g_sinkContext = nullptr;

constexpr wchar_t kPrefix[] = L"xm ";
constexpr int kPrefixLen = 3;

void Emit(const wchar_t* line) {
    OutputDebugStringW(line);
    ORBLogFileWrite(line);
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    if (g_sink) g_sink(line, g_sinkContext);
}

}  // namespace

void ORBLogV(const wchar_t* format, va_list args) {
    wchar_t line[kORBLogLineMax];
    DWORD err = GetLastError();
    wcscpy(line, kPrefix);
    const int room = kORBLogLineMax - kPrefixLen;
    // The msvcrt formatter: Microsoft conversions, and on overflow it fills the buffer
    // without a terminator and returns -1, so the text is cut at the line limit.
    int n = _vsnwprintf(line + kPrefixLen, room - 1, format, args);
    if (n < 0 || n >= room - 1) {
        int end = kORBLogLineMax - 1;
        // Never leave half of a surrogate pair at the cut.
        if (IS_HIGH_SURROGATE(line[end - 1])) --end;
        line[end] = L'\0';
    }
    Emit(line);
    SetLastError(err);
}

void ORBLog(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    ORBLogV(format, args);
    va_end(args);
}

void ORBLogFailure(const wchar_t* message, const wchar_t* file, int line, DWORD error) {
    ORBLog(L"%sxm file:%s\r\n", message, file);
    ORBLog(L"%sxm line:%d\r\n", message, line);
    ORBLog(L"%sxm err:%d\r\n", message, static_cast<int>(error));
}

void ORBLogFailureLines(const wchar_t* message, const wchar_t* file, int line, DWORD error) {
    ORBLog(L"%s", message);
    ORBLogFailure(L"", file, line, error);
}

void ORBSetLogSink(ORBLogSink sink, void* context) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_sink = sink;
    g_sinkContext = context;
}
