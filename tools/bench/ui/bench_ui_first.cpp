// First frame: the time from starting a program to its first window on the screen
// (visible, and answering the frame-count message with at least one frame drawn), for
// the floor program and for setups, started in turns so machine load falls on all alike.
// Each run is ended as soon as its window was seen. With --timeline the setups run
// once more under the run driver, and the setup's log lines before its first dialog are
// printed with the time each arrived (the debugger slows the run; the order is what counts).
// usage: bench_ui_first <runs> [--timeline <runs>] <floor.exe> <setup.exe>...
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "benchclock.h"
#include "orbhandle.h"
#include "orbrundriver.h"
#include "orbuimessages.h"

namespace {

const wchar_t kFloorClass[] = L"OrbBenchFloor";
const wchar_t kSetupClass[] = L"Orb_Installer";

struct Search {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindShown(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    if (pid != s->pid || !IsWindowVisible(hwnd) || !GetClassNameW(hwnd, cls, 64) || wcscmp(cls, s->cls) != 0)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

// Polls (every millisecond) until process pid shows a window of class cls that has drawn a
// frame; the time it was seen, or a negative value after timeoutMs (or when the process
// ended first).
double WaitFirstFrame(HANDLE process, DWORD pid, const wchar_t* cls, DWORD timeoutMs, HWND* window) {
    const double deadline = Now() + timeoutMs;
    while (Now() < deadline) {
        Search s{pid, cls, nullptr};
        EnumWindows(FindShown, reinterpret_cast<LPARAM>(&s));
        DWORD_PTR frames = 0;
        if (s.found && SendMessageTimeoutW(s.found, ORBUM_FRAMECOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &frames) &&
            frames >= 1) {
            *window = s.found;
            return Now();
        }
        if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return -1;
        Sleep(1);
    }
    return -1;
}

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

std::wstring TempFile(const wchar_t* name) {
    std::vector<wchar_t> dir(32768);
    DWORD n = GetTempPathW(DWORD(dir.size()), dir.data());
    return std::wstring(dir.data(), n) + name + std::to_wstring(GetCurrentProcessId()) + L".txt";
}

struct Result {
    double ms = -1;               // start to first frame seen
    double steps[4] = {0, 0, 0, 0};  // floor only: when its steps ended (performance counter)
    double start = 0;
};

// One run of program: started, its first frame waited for, then ended (the floor is
// closed so it writes its step times; a setup is terminated, which its first dialog allows).
Result RunOnce(const std::wstring& program, bool floor) {
    Result r;
    const std::wstring times = TempFile(L"orb-bench-floor-");
    DeleteFileW(times.c_str());
    std::wstring cmd = Quote(program) + (floor ? L" " + Quote(times) : L"");
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    r.start = Now();
    if (!CreateProcessW(program.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
        return r;
    }
    ORBHandle process(pi.hProcess), thread(pi.hThread);
    HWND window = nullptr;
    const double seen = WaitFirstFrame(process.get(), pi.dwProcessId, floor ? kFloorClass : kSetupClass, 60000, &window);
    if (seen >= 0) r.ms = seen - r.start;
    if (floor && window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
    } else {
        TerminateProcess(process.get(), 1);
    }
    WaitForSingleObject(process.get(), 10000);
    if (floor) {
        if (FILE* f = _wfopen(times.c_str(), L"r")) {
            if (std::fscanf(f, "%lf %lf %lf %lf", &r.steps[0], &r.steps[1], &r.steps[2], &r.steps[3]) != 4)
                r.steps[0] = 0;
            std::fclose(f);
        }
        DeleteFileW(times.c_str());
    }
    return r;
}

// The setup under the run driver: its log lines before the first frame, each with the
// time it arrived after the start.
struct Timeline {
    std::vector<std::pair<double, std::wstring>> lines;
    double seen = -1;
};

Timeline RunTimeline(const std::wstring& program) {
    Timeline t;
    std::atomic<DWORD> pid{0};
    std::atomic<bool> done{false};
    std::atomic<double> seenAt{-1};
    ORBRunOptions options;
    options.exe = program;
    options.timeoutMs = 60000;
    const double start = Now();
    options.onStarted = [&pid](DWORD p) { pid = p; };
    options.onLine = [&t, &seenAt, start](const std::wstring& line) {
        if (seenAt < 0) t.lines.emplace_back(Now() - start, line);
    };
    std::thread driver([&] {
        ORBRunSetup(options);
        done = true;
    });
    while (!pid && !done) Sleep(1);
    HWND window = nullptr;
    if (pid) {
        const double seen = WaitFirstFrame(nullptr, pid, kSetupClass, 60000, &window);
        if (seen >= 0) seenAt = seen - start;
        ORBHandle h(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
        if (h) TerminateProcess(h.get(), 1);
    }
    driver.join();
    t.seen = seenAt;
    return t;
}

// UTF-8 for the console (the C runtime's %ls stops at the first character outside its code page).
std::string Utf8(const std::wstring& s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Name(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int arg = 1;
    const int runs = argc > arg ? std::max(1, _wtoi(argv[arg++])) : 0;
    int timelineRuns = 0;
    if (argc > arg + 1 && wcscmp(argv[arg], L"--timeline") == 0) {
        timelineRuns = std::max(1, _wtoi(argv[arg + 1]));
        arg += 2;
    }
    if (runs == 0 || argc - arg < 2) {
        std::printf("usage: bench_ui_first <runs> [--timeline <runs>] <floor.exe> <setup.exe>...\n");
        return 2;
    }
    std::vector<std::wstring> programs(argv + arg, argv + argc);  // programs[0] is the floor
    const size_t n = programs.size();
    std::vector<std::vector<double>> ms(n);
    std::vector<std::vector<double>> steps(5);  // floor: start to entry, GDI+, decode, shown, seen
    int failures = 0;
    for (int run = -1; run < runs; ++run) {  // run -1 warms the file cache and the server
        for (size_t k = 0; k < n; ++k) {
            // The order turns every run: each program follows each other one as often.
            const size_t i = run < 0 ? k : (k + size_t(run)) % n;
            Result r = RunOnce(programs[i], i == 0);
            Sleep(300);  // the ended process's teardown stays out of the next start
            if (run < 0) continue;
            if (r.ms < 0) {
                ++failures;
                continue;
            }
            ms[i].push_back(r.ms);
            if (i == 0 && r.steps[0] > 0) {
                steps[0].push_back(r.steps[0] - r.start);
                for (int s = 1; s < 4; ++s) steps[s].push_back(r.steps[s] - r.steps[s - 1]);
                steps[4].push_back(r.ms - (r.steps[3] - r.start));
            }
        }
    }
    const double floor = Median(ms[0]);
    std::printf("First frame: start to the first frame on the screen, %d runs of each, interleaved\n", runs);
    std::printf("%-28s %10s %10s %8s %12s\n", "program", "median ms", "min ms", "ratio", "above floor");
    for (size_t i = 0; i < n; ++i) {
        const double m = Median(ms[i]);
        const double lo = ms[i].empty() ? 0 : *std::min_element(ms[i].begin(), ms[i].end());
        std::printf("%-28s %10.1f %10.1f %8.2f %12.1f\n",
                    Utf8(i == 0 ? L"floor (" + Name(programs[i]) + L")" : Name(programs[i])).c_str(),
                    m, lo, floor > 0 ? m / floor : 0, m - floor);
    }
    if (!steps[0].empty()) {
        std::printf("The floor's start-up (median ms): process start to its entry %.1f, GDI+ start %.1f,"
                    " PNG decode %.1f, window made and shown %.1f, seen by the poll %.1f\n",
                    Median(steps[0]), Median(steps[1]), Median(steps[2]), Median(steps[3]), Median(steps[4]));
    }
    for (size_t i = 1; i < n && timelineRuns > 0; ++i) {
        std::vector<Timeline> all;
        for (int r = 0; r < timelineRuns; ++r) {
            all.push_back(RunTimeline(programs[i]));
            Sleep(300);
        }
        // The run with the median first frame stands for them.
        std::sort(all.begin(), all.end(), [](const Timeline& a, const Timeline& b) { return a.seen < b.seen; });
        const Timeline& t = all[all.size() / 2];
        std::printf("%s under the run driver (median of %d runs, first frame at %.1f ms): log lines before it\n",
                    Utf8(Name(programs[i])).c_str(), timelineRuns, t.seen);
        for (const auto& l : t.lines) {
            std::wstring text = l.second;
            while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
            std::printf("  %8.1f ms  %s\n", l.first, Utf8(text).c_str());
        }
    }
    if (failures) std::printf("runs without a first frame: %d\n", failures);
    return failures ? 1 : 0;
}
