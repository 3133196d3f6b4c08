// Compression benchmark driver: writes one archive of a folder with the packer's writer
// and prints "<wall seconds> <cpu seconds> <bytes>". Portable: run.sh builds it natively
// (the packer's usual host) and runs the Windows build under wine64 when there is one.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "orbpackarchive.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace {

double CpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& f) { return (double(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7; };
    return ticks(kernel) + ticks(user);
#else
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_pack <folder> <archive> [level]\n");
        return 2;
    }
    OrbPackArchiveOptions opt;
    if (argc > 3) opt.level = std::atoi(argv[3]);
    std::string error;
    auto start = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();
    if (!OrbPackWriteArchive(argv[1], argv[2], opt, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.2f %.2f %llu\n", wall, CpuSeconds() - cpu,
                static_cast<unsigned long long>(std::filesystem::file_size(argv[2])));
    return 0;
}
