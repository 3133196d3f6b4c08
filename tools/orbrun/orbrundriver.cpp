#include "orbrundriver.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "orbhandle.h"

namespace {

// Message boxes keep their text in a static control with this id.
constexpr int kMessageBoxTextId = 0xFFFF;

std::wstring BuildEnvironment(const std::vector<std::pair<std::wstring, std::wstring>>& extra) {
    std::vector<std::wstring> vars;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1) vars.emplace_back(p);
        FreeEnvironmentStringsW(block);
    }
    for (const auto& kv : extra) {
        std::wstring prefix = kv.first + L"=";
        vars.erase(std::remove_if(vars.begin(), vars.end(),
                                  [&](const std::wstring& v) {
                                      return _wcsnicmp(v.c_str(), prefix.c_str(), prefix.size()) == 0;
                                  }),
                   vars.end());
        vars.push_back(prefix + kv.second);
    }
    std::sort(vars.begin(), vars.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    std::wstring block;
    for (const auto& v : vars) {
        block += v;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    const SIZE_T units = info.nDebugStringLength;
    if (units == 0) return std::wstring();
    if (info.fUnicode) {
        std::wstring text(units, L'\0');
        SIZE_T got = 0;
        ReadProcessMemory(process, info.lpDebugStringData, &text[0], units * sizeof(wchar_t), &got);
        text.resize(wcsnlen(text.c_str(), got / sizeof(wchar_t)));
        return text;
    }
    std::string narrow(units, '\0');
    SIZE_T got = 0;
    ReadProcessMemory(process, info.lpDebugStringData, &narrow[0], units, &got);
    narrow.resize(strnlen(narrow.c_str(), got));
    // Narrow debug strings are in the system's ANSI code page.
    int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), &text[0], n);
    return text;
}

struct BoxSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[16] = {};
    if (pid == search->pid && IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 16) &&
        wcscmp(cls, L"#32770") == 0)
        search->found.push_back(hwnd);
    return TRUE;
}

int DefaultAnswer(HWND box) {
    for (int id : {IDOK, IDCANCEL, IDABORT, IDNO})
        if (GetDlgItem(box, id)) return id;
    return IDCANCEL;
}

}  // namespace

bool ORBRunResult::HasLine(const std::wstring& text) const { return FindLine(text) >= 0; }

int ORBRunResult::FindLine(const std::wstring& text, int from) const {
    for (int i = std::max(from, 0); i < static_cast<int>(lines.size()); ++i)
        if (lines[static_cast<size_t>(i)].find(text) != std::wstring::npos) return i;
    return -1;
}

bool ORBReadMessageBox(HWND hwnd, std::wstring& caption, std::wstring& text) {
    HWND label = GetDlgItem(hwnd, kMessageBoxTextId);
    if (!label) return false;
    auto read = [](HWND w) {
        int n = GetWindowTextLengthW(w);
        std::wstring s(static_cast<size_t>(n) + 1, L'\0');
        s.resize(static_cast<size_t>(GetWindowTextW(w, &s[0], n + 1)));
        return s;
    };
    caption = read(hwnd);
    text = read(label);
    return true;
}

ORBRunResult ORBRunSetup(const ORBRunOptions& options) {
    ORBRunResult result;
    std::wstring commandLine = L"\"" + options.exe + L"\"";
    if (!options.arguments.empty()) commandLine += L" " + options.arguments;
    std::wstring environment = BuildEnvironment(options.environment);

    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(options.exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS | CREATE_UNICODE_ENVIRONMENT, &environment[0],
                        options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(),
                        &si, &pi))
        return result;
    result.started = true;
    ORBHandle process(pi.hProcess);
    ORBHandle thread(pi.hThread);
    if (options.onStarted) options.onStarted(pi.dwProcessId);

    std::set<HWND> answered;
    size_t nextAnswer = 0;
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    bool running = true;
    while (running) {
        DEBUG_EVENT ev = {};
        if (WaitForDebugEvent(&ev, 50)) {
            DWORD status = DBG_CONTINUE;
            switch (ev.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                if (ev.u.CreateProcessInfo.hFile) CloseHandle(ev.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (ev.u.LoadDll.hFile) {
                    wchar_t path[MAX_PATH * 4];
                    DWORD n = GetFinalPathNameByHandleW(ev.u.LoadDll.hFile, path, MAX_PATH * 4, 0);
                    if (n > 0 && n < MAX_PATH * 4) result.modules.emplace_back(path, n);
                    CloseHandle(ev.u.LoadDll.hFile);
                }
                break;
            case OUTPUT_DEBUG_STRING_EVENT: {
                std::wstring line = ReadDebugString(process.get(), ev.u.DebugString);
                if (options.onLine) options.onLine(line);
                result.lines.push_back(std::move(line));
                break;
            }
            case EXCEPTION_DEBUG_EVENT:
                // Only the loader's initial breakpoint is ours; the rest belong to the program.
                if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT ||
                    !ev.u.Exception.dwFirstChance)
                    status = DBG_EXCEPTION_NOT_HANDLED;
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                result.exitCode = ev.u.ExitProcess.dwExitCode;
                running = false;
                break;
            default:
                break;
            }
            ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
            if (!running) break;
        }

        BoxSearch search{pi.dwProcessId, {}};
        EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
        // A closed box's handle may come back for the next box: forget boxes that are gone.
        for (auto it = answered.begin(); it != answered.end();)
            it = std::find(search.found.begin(), search.found.end(), *it) == search.found.end() ? answered.erase(it)
                                                                                                : std::next(it);
        for (HWND box : search.found) {
            if (answered.count(box)) continue;
            ORBMessageBoxSeen seen;
            if (!ORBReadMessageBox(box, seen.caption, seen.text)) continue;
            if (nextAnswer < options.answers.size())
                seen.answer = options.answers[nextAnswer++];
            else if (options.answerBox)
                seen.answer = options.answerBox(seen.caption, seen.text);
            else
                seen.answer = DefaultAnswer(box);
            answered.insert(box);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(seen.answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, seen.answer)));
            result.boxes.push_back(std::move(seen));
        }

        const ULONGLONG now = GetTickCount64();
        if (!result.timedOut && now > deadline) {
            // Terminate, then keep draining events until the exit event arrives.
            result.timedOut = true;
            TerminateProcess(process.get(), 255);
        } else if (result.timedOut && now > deadline + 10000) {
            DebugActiveProcessStop(pi.dwProcessId);
            break;
        }
    }
    return result;
}
