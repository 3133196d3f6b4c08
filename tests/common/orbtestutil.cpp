#include "orbtestutil.h"

#include <shellapi.h>
#include <shlobj.h>

#include <mutex>

#include "orbhandle.h"
#include "orblog.h"
#include "orbstring.h"

std::wstring TestBinDir() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring TestPath(const std::wstring& name) { return TestBinDir() + name; }

ScopedTempDir::ScopedTempDir(const std::wstring& tag) {
    wchar_t base[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, base);
    static LONG counter = 0;
    for (;;) {
        path_ = std::wstring(base) + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(InterlockedIncrement(&counter)) + L"-" + std::to_wstring(GetTickCount());
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
}

ScopedTempDir::~ScopedTempDir() {
    std::wstring from = path_;
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    CloseHandle(f);
    return out;
}

namespace {

void ListFolder(const std::wstring& dir, const std::wstring& prefix, bool bytes,
                std::map<std::wstring, std::string>& out) {
    WIN32_FIND_DATAW fd;
    ORBFindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &fd));
    if (!find) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[prefix + name + L"\\"] = "<dir>";
            ListFolder(dir + L"\\" + name, prefix + name + L"\\", bytes, out);
        } else if (bytes) {
            out[prefix + name] = ReadFileBytes(dir + L"\\" + name);
        } else {
            out[prefix + name] = std::to_string((uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
        }
    } while (FindNextFileW(find.get(), &fd));
}

}  // namespace

std::map<std::wstring, std::string> FolderTree(const std::wstring& dir, bool bytes) {
    std::map<std::wstring, std::string> out;
    ListFolder(dir, L"", bytes, out);
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
    return ok && put == bytes.size();
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> ReadLines(const std::wstring& path) {
    std::vector<std::string> lines;
    std::string text = ReadFileBytes(path), line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line.push_back(c);
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

ORBRunResult RunProduct(const std::wstring& exeName, ORBRunOptions options) {
    options.exe = TestPath(exeName);
    return ORBRunSetup(options);
}

namespace {
std::mutex g_captureMutex;
std::vector<std::wstring> g_captured;
void CaptureSink(const wchar_t* line, void*) {
    std::lock_guard<std::mutex> lock(g_captureMutex);
    g_captured.emplace_back(line);
}
}  // namespace

LogCapture::LogCapture() {
    Clear();
    ORBSetLogSink(CaptureSink, nullptr);
}
LogCapture::~LogCapture() { ORBSetLogSink(nullptr, nullptr); }

std::vector<std::wstring> LogCapture::lines() const {
    std::lock_guard<std::mutex> lock(g_captureMutex);
    return g_captured;
}

bool LogCapture::Has(const std::wstring& text) const {
    for (const auto& l : lines())
        if (l.find(text) != std::wstring::npos) return true;
    return false;
}

void LogCapture::Clear() {
    std::lock_guard<std::mutex> lock(g_captureMutex);
    g_captured.clear();
}

std::string Narrow(const std::wstring& text) { return ORBWideToUtf8(text); }

std::wstring RegText(const wchar_t* key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return L"<missing>";
    std::wstring buf(size / sizeof(wchar_t) + 2, L'\0');
    RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, &buf[0], &size);
    if (type == REG_DWORD) return std::to_wstring(*reinterpret_cast<DWORD*>(&buf[0]));
    return buf.c_str();
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};  // SHGetSpecialFolderPathW is defined on MAX_PATH buffers
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return L"";
    return path;
}

std::string Dump(const ORBRunResult& r) {
    std::wstring all;
    for (const auto& l : r.lines) all += l;
    for (const auto& b : r.boxes) all += L"msgbox [" + b.caption + L"] " + b.text + L"\n";
    return Narrow(all);
}
