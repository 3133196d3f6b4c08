#include "orb7zwriter.h"

namespace {

const size_t kPieceSize = size_t(1) << 20;
const size_t kPieces = 4;          // bounds the memory of writes in flight
const unsigned kClosers = 2;
const size_t kClosesQueued = 64;  // beyond that the decoder waits for the closers
// Closers are woken for this many handles at a time: waking a thread costs about as
// much as closing a file.
const size_t kCloseBatch = 16;
const DWORD kWriteChunk = DWORD(1) << 22;

}  // namespace

bool ORB7zWriteAll(HANDLE file, const Byte* data, size_t size, DWORD* error) {
    while (size) {
        DWORD chunk = size > kWriteChunk ? kWriteChunk : DWORD(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) {
            *error = GetLastError();
            return false;
        }
        data += chunk;
        size -= chunk;
    }
    return true;
}

ORB7zFileWriter::ORB7zFileWriter() = default;

ORB7zFileWriter::~ORB7zFileWriter() {
    std::wstring ignored;
    Finish(&ignored);
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    writeCv_.notify_all();
    closeCv_.notify_all();
    for (std::thread& t : threads_) t.join();
}

size_t ORB7zFileWriter::PieceSize() { return kPieceSize; }

void ORB7zFileWriter::StartThreads() {
    if (started_) return;
    started_ = true;
    try {
        threads_.emplace_back(&ORB7zFileWriter::WriteLoop, this);
        for (unsigned i = 0; i < kClosers; ++i) threads_.emplace_back(&ORB7zFileWriter::CloseLoop, this);
        threaded_ = true;
    } catch (...) {
        // Without threads (or with only some): the caller writes and closes itself.
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        writeCv_.notify_all();
        closeCv_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
        stop_ = false;
    }
}

Byte* ORB7zFileWriter::Acquire() {
    StartThreads();
    std::unique_lock<std::mutex> lock(m_);
    if (free_.empty() && buffers_.size() < kPieces) {
        buffers_.emplace_back(kPieceSize);
        return buffers_.back().data();
    }
    doneCv_.wait(lock, [this] { return !free_.empty(); });
    Byte* b = free_.back();
    free_.pop_back();
    return b;
}

void ORB7zFileWriter::Write(HANDLE file, Byte* piece, size_t size) {
    if (!threaded_ || size == 0) {
        DWORD error = 0;
        bool ok = size == 0 || ORB7zWriteAll(file, piece, size, &error);
        std::lock_guard<std::mutex> lock(m_);
        if (!ok && !writeFailed_) {
            writeFailed_ = true;
            writeError_ = error;
        }
        free_.push_back(piece);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_);
        pieces_.push_back({file, piece, size});
    }
    writeCv_.notify_one();
}

bool ORB7zFileWriter::Flush(DWORD* error) {
    std::unique_lock<std::mutex> lock(m_);
    doneCv_.wait(lock, [this] { return pieces_.empty() && writing_ == 0; });
    bool ok = !writeFailed_;
    *error = writeError_;
    writeFailed_ = false;
    writeError_ = 0;
    return ok;
}

void ORB7zFileWriter::Close(HANDLE file, const std::wstring& path) {
    if (!threaded_) {
        if (!CloseHandle(file) && closeFailed_.empty()) closeFailed_ = path;
        return;
    }
    bool wake;
    {
        std::unique_lock<std::mutex> lock(m_);
        doneCv_.wait(lock, [this] { return closes_.size() < kClosesQueued; });
        closes_.emplace_back(file, path);
        wake = closes_.size() == kCloseBatch;
    }
    if (wake) closeCv_.notify_one();
}

bool ORB7zFileWriter::Finish(std::wstring* failedPath) {
    std::unique_lock<std::mutex> lock(m_);
    draining_ = true;
    closeCv_.notify_all();
    doneCv_.wait(lock, [this] { return pieces_.empty() && writing_ == 0 && closes_.empty() && closing_ == 0; });
    draining_ = false;
    *failedPath = closeFailed_;
    bool ok = closeFailed_.empty();
    closeFailed_.clear();
    return ok;
}

void ORB7zFileWriter::WriteLoop() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        writeCv_.wait(lock, [this] { return stop_ || !pieces_.empty(); });
        if (pieces_.empty()) return;
        Piece p = pieces_.front();
        pieces_.pop_front();
        ++writing_;
        // After a failure the remaining pieces are only given back.
        bool skip = writeFailed_;
        lock.unlock();
        DWORD error = 0;
        bool ok = skip || ORB7zWriteAll(p.file, p.data, p.size, &error);
        lock.lock();
        if (!ok && !writeFailed_) {
            writeFailed_ = true;
            writeError_ = error;
        }
        free_.push_back(p.data);
        --writing_;
        doneCv_.notify_one();
    }
}

void ORB7zFileWriter::CloseLoop() {
    std::unique_lock<std::mutex> lock(m_);
    std::vector<std::pair<HANDLE, std::wstring>> batch;
    for (;;) {
        closeCv_.wait(lock, [this] {
            return stop_ || closes_.size() >= kCloseBatch || (draining_ && !closes_.empty());
        });
        if (closes_.empty()) return;
        batch.clear();
        while (!closes_.empty() && batch.size() < kCloseBatch) {
            batch.push_back(std::move(closes_.front()));
            closes_.pop_front();
        }
        closing_ += batch.size();
        bool more = closes_.size() >= kCloseBatch || (draining_ && !closes_.empty());
        lock.unlock();
        if (more) closeCv_.notify_one();
        doneCv_.notify_all();  // room in the queue
        std::wstring failed;
        for (const auto& c : batch)
            if (!CloseHandle(c.first) && failed.empty()) failed = c.second;
        lock.lock();
        if (!failed.empty() && closeFailed_.empty()) closeFailed_ = failed;
        closing_ -= batch.size();
        doneCv_.notify_all();
    }
}
