#include "orblogfile.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

#include "orbhandle.h"
#include "orblog.h"
#include "orbstring.h"

namespace {

std::mutex g_fileMutex;
ORBFileHandle g_file;
std::wstring g_path;
// Lines logged before a file was named; bounded so a run that never names one does
// not grow without end.
std::string g_early;
bool g_earlyClosed = false;
constexpr size_t kEarlyMax = 256 * 1024;

// "2026-12-09 03:49:01.123 [1234] text\r\n" for each line of the text, without the
// "xm " prefix and the line's own line end.
std::string FormatLines(const wchar_t* line) {
    if (wcsncmp(line, L"xm ", 3) == 0) line += 3;
    std::wstring text = line;
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t stamp[64] = {};
    // The system C runtime's formatter, as ORBLog's.
    _snwprintf(stamp, 63, L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, GetCurrentThreadId());
    std::wstring out;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L'\n', start);
        std::wstring part = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!part.empty() && part.back() == L'\r') part.pop_back();
        out += stamp;
        out += part;
        out += L"\r\n";
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return ORBWideToUtf8(out);
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

bool ORBOpenLogFile(const std::wstring& path) {
    DWORD error = 0;
    {
        std::lock_guard<std::mutex> lock(g_fileMutex);
        if (g_file && path == g_path) return true;
        // Appending keeps what earlier runs wrote; readers may follow the file live.
        ORBFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            error = GetLastError();
        } else {
            LARGE_INTEGER size = {};
            if (GetFileSizeEx(file.get(), &size) && size.QuadPart == 0) WriteAll(file.get(), "\xEF\xBB\xBF");
            if (!g_early.empty()) WriteAll(file.get(), g_early);
            g_early.clear();
            g_early.shrink_to_fit();
            g_earlyClosed = true;
            g_file = std::move(file);
            g_path = path;
        }
    }
    if (error) {
        ORBLog(L"cannot open the log file %s, error %d\r\n", path.c_str(), static_cast<int>(error));
        return false;
    }
    return true;
}

std::wstring ORBLogFilePath() {
    std::lock_guard<std::mutex> lock(g_fileMutex);
    return g_path;
}

void ORBLogFileWrite(const wchar_t* line) {
    std::lock_guard<std::mutex> lock(g_fileMutex);
    if (g_file) {
        WriteAll(g_file.get(), FormatLines(line));
    } else if (!g_earlyClosed) {
        std::string bytes = FormatLines(line);
        if (g_early.size() + bytes.size() <= kEarlyMax) g_early += bytes;
    }
}

void ORBCloseLogFile() {
    std::lock_guard<std::mutex> lock(g_fileMutex);
    g_file.reset();
    g_path.clear();
    g_early.clear();
    g_earlyClosed = false;
}
