// Extraction throughput and peak working set of Lua_UnCompress7z against the SDK's
// reference extractor (7zdec.exe beside this program) and, when ORB_BENCH_7ZIP names it,
// 7-Zip's own Windows console program with its default threads and with one thread; each
// run as a child process measured the same way.
//   bench_payload.exe <repetitions> <archive>...    the benchmark
//   bench_payload.exe --extract <archive> <folder>  one extraction through the script
//   bench_payload.exe --idle                         nothing (the baseline process)
//   bench_payload.exe --memory <archive> [folder]    peak working set of one extraction
//                                                    through the script, above idle; the
//                                                    files go below folder if given (a
//                                                    guest whose own disk is too small)
//   bench_payload.exe --phases <archive> <folder>    where the time goes: decoding to no
//                                                    file, and the files' system calls alone
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"
#include "7zFile.h"
#include "lauxlib.h"
#include "orb7zextract.h"
#include "orb7zfolder.h"
#include "orbfileops.h"
#include "orbscriptengine.h"
#include "orbstring.h"

namespace {

int Extract(const std::wstring& archive, const std::wstring& folder) {
    ORBScriptEngine* engine = ORBScriptEngine::GetInstance();
    engine->SetGlobalString("A", archive);
    engine->SetGlobalString("D", folder);
    lua_State* L = engine->GetState();
    if (luaL_loadstring(L, "return Lua_UnCompress7z(A, D, true)") || lua_pcall(L, 0, 1, 0)) return 2;
    return lua_toboolean(L, -1) ? 0 : 1;
}

struct ArchiveInfo {
    unsigned long long unpacked = 0, largestBlock = 0;
    unsigned files = 0, blocks = 0;
};

// An archive file opened by the SDK's own reader; ok tells whether it could be read.
struct OpenArchive {
    const ISzAlloc alloc = {SzAlloc, SzFree};
    CFileInStream in;
    CLookToRead2 look;
    std::vector<Byte> buf = std::vector<Byte>(1 << 18);
    CSzArEx db;
    bool open = false, ok = false;

    explicit OpenArchive(const std::wstring& path) {
        FileInStream_CreateVTable(&in);
        in.wres = 0;
        SzArEx_Init(&db);
        if (InFile_OpenW(&in.file, path.c_str())) return;
        open = true;
        LookToRead2_CreateVTable(&look, False);
        look.buf = buf.data();
        look.bufSize = buf.size();
        look.realStream = &in.vt;
        LookToRead2_INIT(&look)
        CrcGenerateTable();
        ok = SzArEx_Open(&db, &look.vt, &alloc, &alloc) == SZ_OK;
    }
    ~OpenArchive() {
        SzArEx_Free(&db, &alloc);
        if (open) File_Close(&in.file);
    }
};

bool ReadInfo(const std::wstring& path, ArchiveInfo& info) {
    OpenArchive a(path);
    if (!a.ok) return false;
    info.blocks = a.db.db.NumFolders;
    for (UInt32 i = 0; i < a.db.db.NumFolders; ++i) {
        unsigned long long size = SzAr_GetFolderUnpackSize(&a.db.db, i);
        if (size > info.largestBlock) info.largestBlock = size;
    }
    for (UInt32 i = 0; i < a.db.NumFiles; ++i) {
        if (SzArEx_IsDir(&a.db, i)) continue;
        ++info.files;
        info.unpacked += SzArEx_GetFileSize(&a.db, i);
    }
    return true;
}

unsigned long long TreeSize(const std::wstring& dir) {
    unsigned long long total = 0;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total += TreeSize(dir + L"\\" + name);
        else
            total += (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return total;
}

struct Run {
    bool ok = false;
    double seconds = 0;
    unsigned long long peak = 0;
};

// Runs the command line in folder with its output discarded; wall time and the
// largest peak working set seen while it ran.
Run RunChild(std::wstring command, const std::wstring& folder) {
    Run run;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = nul;
    si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &pi)) {
        CloseHandle(nul);
        return run;
    }
    for (;;) {
        DWORD w = WaitForSingleObject(pi.hProcess, 2);
        PROCESS_MEMORY_COUNTERS pmc = {};
        pmc.cb = sizeof pmc;
        if (GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc) && pmc.PeakWorkingSetSize > run.peak)
            run.peak = pmc.PeakWorkingSetSize;
        if (w != WAIT_TIMEOUT) break;
    }
    QueryPerformanceCounter(&t1);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(nul);
    run.ok = code == 0;
    run.seconds = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);
    return run;
}

std::wstring SelfPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
        if (n < path.size()) return path.substr(0, n);
        path.resize(path.size() * 2);
    }
}

double Seconds(LARGE_INTEGER from) {
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    return double(now.QuadPart - from.QuadPart) / double(freq.QuadPart);
}

// The two halves of an extraction apart: every block decoded into a buffer that is
// thrown away, then the archive's folders and files made with the same calls the
// extraction makes (zeros for contents), and once more with creation and closing only.
int Phases(const std::wstring& archive, const std::wstring& folder) {
    OpenArchive a(archive);
    if (!a.ok) return 1;
    const CSzArEx& db = a.db;
    std::vector<Byte> sink(1 << 20);
    LARGE_INTEGER t0;
    QueryPerformanceCounter(&t0);
    ORB7zFolderStream stream;
    for (UInt32 f = 0; f < db.db.NumFolders; ++f) {
        if ((stream.Reaches(f) ? stream.Advance(f) : stream.Open(&db, f, &a.in.vt)) != SZ_OK) return 1;
        for (size_t got = 1; got;)
            if (stream.Read(sink.data(), sink.size(), &got) != SZ_OK) return 1;
    }
    std::printf("decode to nothing     %.3f s\n", Seconds(t0));
    std::fill(sink.begin(), sink.end(), Byte(0));
    for (int pass = 0; pass < 2; ++pass) {
        bool contents = pass == 0;
        QueryPerformanceCounter(&t0);
        for (UInt32 i = 0; i < db.NumFiles; ++i) {
            std::vector<UInt16> name(SzArEx_GetFileNameUtf16(&db, i, nullptr));
            SzArEx_GetFileNameUtf16(&db, i, name.data());
            std::wstring path = folder + L"\\" + reinterpret_cast<const wchar_t*>(name.data());
            for (wchar_t& c : path)
                if (c == L'/') c = L'\\';
            if (SzArEx_IsDir(&db, i)) {
                CreateDirectoryW(path.c_str(), nullptr);
                continue;
            }
            GetFileAttributesW(path.c_str());
            HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h == INVALID_HANDLE_VALUE) return 1;
            if (contents) {
                for (UInt64 left = SzArEx_GetFileSize(&db, i); left;) {
                    DWORD n = left < sink.size() ? DWORD(left) : DWORD(sink.size()), w = 0;
                    if (!WriteFile(h, sink.data(), n, &w, nullptr)) return 1;
                    left -= n;
                }
                FILE_BASIC_INFO basic = {};
                basic.LastWriteTime.QuadPart = 130000000000000000LL;
                basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
                SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
            }
            CloseHandle(h);
        }
        std::printf("%s %.3f s\n", contents ? "files with contents  " : "create and close only", Seconds(t0));
    }
    return 0;
}

double Mb(unsigned long long bytes) { return double(bytes) / (1024.0 * 1024.0); }

// The programs compared, each run as a child in an empty folder.
const char* const kNames[] = {"Lua_UnCompress7z", "7zMain reference", "7-Zip console", "7-Zip console -mmt1"};

struct Bench {
    std::wstring self, reference, sevenZip, scratch;
    Run idle;
    int failures = 0;
    int outputs = 0;  // folders out0... of the runs so far

    // Programs to compare: the streamed path and the reference, then 7-Zip twice if present.
    int Programs() const { return sevenZip.empty() ? 2 : 4; }

    // One run of who (0 streamed, 1 the reference, 2 and 3 7-Zip) on archive into a
    // folder of its own, checked to have written all unpacked bytes. The folders stay
    // until the end: on this machine's file system (ext4 without a journal) a file made
    // within minutes after thousands were deleted costs a scan past each of them, which
    // would charge every run after a deletion more than the unpacking itself.
    Run Once(int who, const std::wstring& archive, unsigned long long unpacked) {
        std::wstring out = scratch + L"\\out" + std::to_wstring(outputs++);
        CreateDirectoryW(out.c_str(), nullptr);
        std::wstring quoted = L"\"" + archive + L"\" \"" + out + L"\"";
        std::wstring command = who == 0   ? L"\"" + self + L"\" --extract " + quoted
                               : who == 1 ? L"\"" + reference + L"\" x \"" + archive + L"\""
                                          : L"\"" + sevenZip + L"\" x -y -bd" + (who == 3 ? L" -mmt1" : L"") +
                                                L" \"" + archive + L"\"";
        Run r = RunChild(command, out);
        unsigned long long written = TreeSize(out);
        if (!r.ok || written != unpacked) {
            std::printf("  %s failed (wrote %.1f MB)\n", kNames[who], Mb(written));
            ++failures;
        }
        return r;
    }

    void Memory(const std::wstring& archive, const ArchiveInfo& info) {
        Run r = Once(0, archive, info.unpacked);
        std::printf("  Lua_UnCompress7z  %.3f s  peak working set %.1f MB, %.1f above idle (goal <= 64)\n", r.seconds,
                    Mb(r.peak), Mb(r.peak) - Mb(idle.peak));
        for (int who = 2; who < Programs(); ++who) {
            Run p = Once(who, archive, info.unpacked);
            std::printf("  %-19s %.3f s  peak working set %.1f MB; speed ratio %s/Lua_UnCompress7z %.3f (goal >= 1)\n",
                        kNames[who], p.seconds, Mb(p.peak), kNames[who], p.seconds / r.seconds);
        }
    }

    void Compare(const std::wstring& archive, const ArchiveInfo& info, int reps) {
        const int kWho = Programs();
        Run best[4];
        Once(0, archive, info.unpacked);  // untimed: brings the archive into the cache
        for (int i = 0; i < reps; ++i) {
            // Rotate who goes first: the write-back of one run slows the next.
            for (int k = 0; k < kWho; ++k) {
                int who = (k + i) % kWho;
                Run r = Once(who, archive, info.unpacked);
                if (i == 0 || r.seconds < best[who].seconds) best[who].seconds = r.seconds;
                if (r.peak > best[who].peak) best[who].peak = r.peak;
            }
        }
        for (int who = 0; who < kWho; ++who)
            std::printf("  %-19s best %.3f s  %7.1f MB/s  peak working set %6.1f MB (%.1f above idle)\n", kNames[who],
                        best[who].seconds, Mb(info.unpacked) / best[who].seconds, Mb(best[who].peak),
                        Mb(best[who].peak) - Mb(idle.peak));
        std::printf("  speed ratio streamed/reference %.3f (goal >= 1)\n", best[1].seconds / best[0].seconds);
        for (int who = 2; who < kWho; ++who)
            std::printf("  speed ratio %s/Lua_UnCompress7z %.3f (goal >= 1)\n", kNames[who],
                        best[who].seconds / best[0].seconds);
    }
};

// One extraction with a per-file callback that does nothing.
int ExtractWithCallback(const std::wstring& archive, const std::wstring& folder) {
    ORB7zCallbacks callbacks;
    callbacks.fileWritten = [](const std::wstring&) {};
    return Extract7zFromFile(folder, archive, callbacks) == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (argc == 4 && mode == L"--extract") return Extract(argv[2], argv[3]);
    if (argc == 4 && mode == L"--inline") return ExtractWithCallback(argv[2], argv[3]);
    if (argc == 4 && mode == L"--phases") return Phases(argv[2], argv[3]);
    if (argc == 2 && mode == L"--idle") return 0;
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_payload <repetitions> <archive>...\n");
        return 2;
    }
    bool memory = mode == L"--memory";
    int reps = memory ? 1 : _wtoi(argv[1]);
    if (reps < 1) reps = 1;
    Bench b;
    b.self = SelfPath();
    b.reference = b.self.substr(0, b.self.find_last_of(L"\\/") + 1) + L"7zdec.exe";
    if (const wchar_t* peer = _wgetenv(L"ORB_BENCH_7ZIP")) b.sevenZip = peer;
    wchar_t tmp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tmp);
    std::wstring under = memory && argc == 4 ? std::wstring(argv[3]) + L"\\" : std::wstring(tmp);
    if (memory && argc == 4) --argc;
    b.scratch = under + L"orb-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(b.scratch.c_str(), nullptr);

    for (int i = 0; i < reps; ++i) {
        Run r = RunChild(L"\"" + b.self + L"\" --idle", b.scratch);
        if (!i || r.seconds < b.idle.seconds) b.idle.seconds = r.seconds;
        if (r.peak > b.idle.peak) b.idle.peak = r.peak;
    }
    std::printf("idle process: start-up %.3f s, peak working set %.1f MB\n", b.idle.seconds, Mb(b.idle.peak));
    for (int a = 2; a < argc; ++a) {
        ArchiveInfo info;
        if (!ReadInfo(argv[a], info)) {
            std::printf("%s: cannot open\n", ORBWideToUtf8(argv[a]).c_str());
            ++b.failures;
            continue;
        }
        std::printf("\n%s: %.1f MB in %u files, %u blocks, largest block %.1f MB\n", ORBWideToUtf8(argv[a]).c_str(),
                    Mb(info.unpacked), info.files, info.blocks, Mb(info.largestBlock));
        if (memory)
            b.Memory(argv[a], info);
        else
            b.Compare(argv[a], info, reps);
    }
    ORBDeleteDirectories(b.scratch);
    return b.failures ? 1 : 0;
}
