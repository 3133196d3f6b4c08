// Reading ahead on a thread of its own: a source's bytes are produced into a few
// pieces while the reader works on the earlier ones.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "7zTypes.h"

class ORB7zReadAhead {
public:
    // Up to size bytes into buf; *got 0 only at the end.
    using Source = std::function<SRes(Byte* buf, size_t size, size_t* got)>;

    ORB7zReadAhead() = default;
    ~ORB7zReadAhead();  // stops the thread
    ORB7zReadAhead(const ORB7zReadAhead&) = delete;
    ORB7zReadAhead& operator=(const ORB7zReadAhead&) = delete;

    // Starts reading source on the thread; false when no thread can be had, and the
    // caller reads source itself.
    bool Start(Source source);
    // Stops the thread; the source is the caller's again.
    void Stop();
    bool Running() const { return thread_.joinable(); }
    // The next bytes in order; the bytes read before a failure come first, then the
    // failure.
    SRes Read(Byte* buf, size_t size, size_t* got);

private:
    struct Piece {
        Byte* data;
        size_t size;
        SRes res;  // after the bytes; SZ_OK with size 0 at the end
    };
    void Produce();

    Source source_;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::unique_ptr<Byte[]>> buffers_;
    std::vector<Byte*> free_;
    std::deque<Piece> ready_;
    Piece current_ = {nullptr, 0, SZ_OK};
    size_t offset_ = 0;  // into current_
    bool stop_ = false;
    std::thread thread_;
};
