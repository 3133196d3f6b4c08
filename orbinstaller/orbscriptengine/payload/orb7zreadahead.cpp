#include "orb7zreadahead.h"

#include <cstring>
#include <system_error>

namespace {

const size_t kReadPieceSize = size_t(1) << 19;
const size_t kReadPieces = 6;

}  // namespace

ORB7zReadAhead::~ORB7zReadAhead() { Stop(); }

bool ORB7zReadAhead::Start(Source source) {
    Stop();
    try {
        while (buffers_.size() < kReadPieces) {
            buffers_.emplace_back(new Byte[kReadPieceSize]);
            free_.push_back(buffers_.back().get());
        }
        source_ = std::move(source);
        thread_ = std::thread(&ORB7zReadAhead::Produce, this);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::system_error&) {
    }
    source_ = nullptr;
    return false;
}

void ORB7zReadAhead::Stop() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    stop_ = false;
    source_ = nullptr;
    free_.clear();
    for (auto& b : buffers_) free_.push_back(b.get());
    ready_.clear();
    current_ = {nullptr, 0, SZ_OK};
    offset_ = 0;
}

void ORB7zReadAhead::Produce() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        cv_.wait(lock, [this] { return stop_ || !free_.empty(); });
        if (stop_) return;
        Byte* buf = free_.back();
        free_.pop_back();
        lock.unlock();
        Piece p = {buf, 0, SZ_OK};
        while (p.size < kReadPieceSize) {
            size_t got = 0;
            p.res = source_(buf + p.size, kReadPieceSize - p.size, &got);
            if (p.res != SZ_OK || got == 0) break;  // bytes that came with a failure are not used
            p.size += got;
        }
        lock.lock();
        ready_.push_back(p);
        cv_.notify_all();
        if (p.res != SZ_OK || p.size < kReadPieceSize) return;  // the end or a failure
    }
}

SRes ORB7zReadAhead::Read(Byte* buf, size_t size, size_t* got) {
    *got = 0;
    if (size == 0) return SZ_OK;
    std::unique_lock<std::mutex> lock(m_);
    while (offset_ == current_.size) {
        if (current_.res != SZ_OK) return current_.res;
        if (current_.data && current_.size < kReadPieceSize) return SZ_OK;  // the end: nothing more
        if (current_.data) {
            free_.push_back(current_.data);
            cv_.notify_all();
        }
        cv_.wait(lock, [this] { return !ready_.empty(); });
        current_ = ready_.front();
        ready_.pop_front();
        offset_ = 0;
    }
    lock.unlock();  // the current piece is the reader's alone
    size_t n = current_.size - offset_ < size ? current_.size - offset_ : size;
    std::memcpy(buf, current_.data + offset_, n);
    offset_ += n;
    *got = n;
    return SZ_OK;
}
