// Damaged archives of every coder end with a failure in bounded time: each extraction
// runs on a thread of its own with a generous deadline, so a hang fails the test
// instead of the suite. ORB_MUTANTS=<n> runs n mutants per archive (and 10 n runs of
// the failure after a queued file) instead of 6, with --gtest_repeat to run them often.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "gtest/gtest.h"
#include "orb7zextract.h"
#include "orbstring.h"
#include "orbtestutil.h"
#include "test7zwriter.h"

namespace {

struct Outcome {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    int status = 0;
};

// The status job returns, or -1 when it does not end within the deadline (its thread is
// then left behind; the process ends with the test program). job owns what it uses.
int Within(std::function<int()> job, std::chrono::seconds deadline) {
    auto out = std::make_shared<Outcome>();
    std::thread([out, job] {
        int status = job();
        std::lock_guard<std::mutex> lock(out->m);
        out->status = status;
        out->done = true;
        out->cv.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(out->m);
    if (!out->cv.wait_for(lock, deadline, [&] { return out->done; })) return -1;
    return out->status;
}

int ExtractWithin(const std::string& bytes, const std::wstring& dir, std::chrono::seconds deadline) {
    auto data = std::make_shared<std::string>(bytes);
    return Within([data, dir] { return Extract7zFromMemory(dir, data->data(), data->size(), ORB7zCallbacks()); },
                  deadline);
}

// Archive bytes in memory whose reads in [failFrom, failTo) fail, as a disk read error would.
struct FailingStream {
    ISeekInStream vt;
    std::string bytes;
    Int64 pos = 0, failFrom = 0, failTo = 0;

    static SRes Read(ISeekInStreamPtr pp, void* buf, size_t* size) {
        FailingStream* p = Z7_CONTAINER_FROM_VTBL(pp, FailingStream, vt);
        if (p->pos >= p->failFrom && p->pos < p->failTo) return SZ_ERROR_READ;
        size_t n = std::min(*size, size_t(Int64(p->bytes.size()) - p->pos));
        std::memcpy(buf, p->bytes.data() + p->pos, n);
        p->pos += Int64(n);
        *size = n;
        return SZ_OK;
    }
    static SRes Seek(ISeekInStreamPtr pp, Int64* pos, ESzSeek origin) {
        FailingStream* p = Z7_CONTAINER_FROM_VTBL(pp, FailingStream, vt);
        p->pos = (origin == SZ_SEEK_SET ? 0 : origin == SZ_SEEK_CUR ? p->pos : Int64(p->bytes.size())) + *pos;
        *pos = p->pos;
        return SZ_OK;
    }
    FailingStream() {
        vt.Read = Read;
        vt.Seek = Seek;
    }
};

int Mutants(int fallback) {
    const char* n = std::getenv("ORB_MUTANTS");
    return n ? std::atoi(n) : fallback;
}

}  // namespace

TEST(Corrupt, DamagedStreamsOfEveryCoderEndInBoundedTime) {
    const int mutants = Mutants(6);
    std::mt19937 rng(29);
    for (const wchar_t* name :
         {L"lzma", L"lzma2", L"bcj-lzma", L"bcj2", L"copy", L"lzma2-nonsolid", L"ppmd", L"bcj-lzma-big"}) {
        const std::string valid = ReadFileBytes(TestPath(std::wstring(L"coders-") + name + L".7z"));
        ASSERT_GT(valid.size(), 1000u) << Narrow(name);
        for (int k = 0; k < mutants; ++k) {
            std::string bytes = valid;
            // One byte changed anywhere past the start header, or a run of bytes.
            size_t at = 32 + rng() % (bytes.size() - 32);
            if (k % 3 == 2) {
                for (size_t j = at; j < bytes.size() && j < at + 64; ++j) bytes[j] = char(rng());
            } else {
                bytes[at] = char(bytes[at] ^ (1 + rng() % 255));
            }
            ScopedTempDir d(L"mutant");
            int status = ExtractWithin(bytes, d.path(), std::chrono::seconds(60));
            EXPECT_NE(-1, status) << Narrow(name) << " mutant at " << at << " did not end";
            EXPECT_NE(0, status) << Narrow(name) << " mutant at " << at << " unpacked";
        }
    }
}

TEST(Corrupt, AFailureRightAfterAFileWasQueuedEndsTheRun) {
    // The first file's end goes to the writer thread; the next file's data cannot be
    // read at all, so the run gives up at once while that end may still be queued.
    const std::string bytes = Make7z({File7z(L"a.txt", "a"), File7z(L"b.txt", std::string(5000, 'b'))}, false, true);
    const int runs = Mutants(6) * 10;
    int hung = 0;
    for (int k = 0; k < runs && hung == 0; ++k) {
        ScopedTempDir d(L"afterend");
        auto in = std::make_shared<FailingStream>();
        in->bytes = bytes;
        in->failFrom = 33;  // the stored data start at 32, one byte for a.txt
        in->failTo = 33 + 5000;
        std::wstring dir = d.path();
        int status = Within([in, dir] { return Extract7zEntries(dir, &in->vt, ORB7zCallbacks()); },
                            std::chrono::seconds(30));
        if (status == -1) {
            ++hung;
            ADD_FAILURE() << "run " << k << " did not end";
        } else {
            EXPECT_EQ(SZ_ERROR_READ, status);
        }
    }
}
