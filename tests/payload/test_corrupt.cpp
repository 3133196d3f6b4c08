// Damaged archives of every coder end with a failure in bounded time: each extraction
// runs on a thread of its own with a generous deadline, so a hang fails the test
// instead of the suite. ORB_MUTANTS=<n> runs more mutants per archive.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "gtest/gtest.h"
#include "orb7zextract.h"
#include "orbstring.h"
#include "orbtestutil.h"

namespace {

struct Run {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    int status = 0;
};

// The status of unpacking bytes into dir, or -1 when it did not end within the deadline
// (the thread is then left behind; the process ends with the test program).
int ExtractWithin(const std::string& bytes, const std::wstring& dir, std::chrono::seconds deadline) {
    auto run = std::make_shared<Run>();
    auto data = std::make_shared<std::string>(bytes);
    std::thread([run, data, dir] {
        int status = Extract7zFromMemory(dir, data->data(), data->size(), ORB7zCallbacks());
        std::lock_guard<std::mutex> lock(run->m);
        run->status = status;
        run->done = true;
        run->cv.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(run->m);
    if (!run->cv.wait_for(lock, deadline, [&] { return run->done; })) return -1;
    return run->status;
}

int Mutants(int fallback) {
    const char* n = std::getenv("ORB_MUTANTS");
    return n ? std::atoi(n) : fallback;
}

}  // namespace

TEST(Corrupt, DamagedStreamsOfEveryCoderEndInBoundedTime) {
    const int mutants = Mutants(12);
    std::mt19937 rng(29);
    int hung = 0, failed = 0, total = 0;
    for (const wchar_t* name : {L"lzma", L"lzma2", L"bcj-lzma", L"bcj2", L"copy", L"lzma2-nonsolid", L"bcj-lzma-big"}) {
        const std::string valid = ReadFileBytes(TestPath(std::wstring(L"coders-") + name + L".7z"));
        ASSERT_GT(valid.size(), 1000u) << Narrow(name);
        for (int k = 0; k < mutants; ++k) {
            std::string bytes = valid;
            // One byte changed anywhere past the start header, or a run of bytes inside the data.
            size_t at = 32 + rng() % (bytes.size() - 32);
            if (k % 3 == 2) {
                for (size_t j = at; j < bytes.size() && j < at + 64; ++j) bytes[j] = char(rng());
            } else {
                bytes[at] = char(bytes[at] ^ (1 + rng() % 255));
            }
            ScopedTempDir d(L"mutant");
            int status = ExtractWithin(bytes, d.path(), std::chrono::seconds(60));
            ++total;
            if (status == -1) {
                ++hung;
                ADD_FAILURE() << Narrow(name) << " mutant at " << at << " did not end";
            } else if (status != 0) {
                ++failed;
            }
        }
    }
    std::printf("%d mutants: %d failed, %d hung\n", total, failed, hung);
}
