#include "orblogfile.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

#include "orbhandle.h"
#include "orbstring.h"

namespace {

std::mutex g_fileMutex;
ORBFileHandle g_file;
std::wstring g_path;    // the name asked for
std::wstring g_actual;  // the file written
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

// Names tried after the one asked for before the log file is given up.
constexpr int kMaxLogSuffix = 100;

// A log file is always a new file: a name that exists (an earlier run's log, or a link
// or a second name of a file somebody put there first, as anyone may in the Windows
// temp folder a service's setup logs to) is never written through. The next free name
// "<name> (2).<ext>", "<name> (3).<ext>", ... is taken instead.
ORBFileHandle CreateNewLogFile(const std::wstring& path, std::wstring* actual, DWORD* error) {
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.rfind(L'.');
    const bool hasExt = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash + 1);
    const std::wstring stem = hasExt ? path.substr(0, dot) : path;
    const std::wstring ext = hasExt ? path.substr(dot) : std::wstring();
    for (int n = 1; n <= kMaxLogSuffix; ++n) {
        std::wstring name = n == 1 ? path : stem + L" (" + ORBDecimal(n) + L")" + ext;
        // CREATE_NEW never opens what is there, a link included; readers may follow the
        // file live but nobody may write to, rename or delete it while it is open.
        ORBFileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file) {
            *error = GetLastError();
            if (*error == ERROR_FILE_EXISTS || *error == ERROR_ALREADY_EXISTS) continue;
            return ORBFileHandle();
        }
        // What was made is judged on its handle: one name, no reparse point.
        BY_HANDLE_FILE_INFORMATION info = {};
        if (!GetFileInformationByHandle(file.get(), &info) || info.nNumberOfLinks != 1 ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            *error = ERROR_CANT_ACCESS_FILE;
            return ORBFileHandle();
        }
        *actual = name;
        return file;
    }
    return ORBFileHandle();
}

}  // namespace

bool ORBOpenLogFile(const std::wstring& path, std::wstring* made, DWORD* error) {
    made->clear();
    *error = 0;
    std::wstring actual;
    {
        std::lock_guard<std::mutex> lock(g_fileMutex);
        if (g_file && path == g_path) return true;
        ORBFileHandle file = CreateNewLogFile(path, &actual, error);
        if (file) {
            *error = 0;
            WriteAll(file.get(), "\xEF\xBB\xBF");
            if (!g_early.empty()) WriteAll(file.get(), g_early);
            g_early.clear();
            g_early.shrink_to_fit();
            g_earlyClosed = true;
            g_file = std::move(file);
            g_path = path;
            g_actual = actual;
        }
    }
    *made = actual;
    return !actual.empty();
}

std::wstring ORBLogFilePath() {
    std::lock_guard<std::mutex> lock(g_fileMutex);
    return g_actual;
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
    g_actual.clear();
    g_early.clear();
    g_earlyClosed = false;
}
