#include "orb7zwriter.h"

#include <atomic>

#include "orbhandle.h"
#include "orblinks.h"

namespace {

const size_t kWritePieceSize = size_t(1) << 20;
const size_t kWritePieces = 8;     // bounds the memory of writes in flight
const unsigned kClosers = 2;
const size_t kOpenFiles = 64;      // beyond that the decoder waits for the closers
// Closers are woken for this many handles at a time: waking a thread costs about as
// much as closing a file.
const size_t kCloseBatch = 16;
const DWORD kWriteChunk = DWORD(1) << 22;

BOOL SystemWrite(HANDLE file, const void* data, DWORD size, DWORD* written) {
    return WriteFile(file, data, size, written, nullptr);
}

std::atomic<ORB7zWriteFn> g_write{SystemWrite};

}  // namespace

void ORB7zSetWriteFunction(ORB7zWriteFn write) { g_write = write ? write : SystemWrite; }

bool ORB7zWriteAll(HANDLE file, const Byte* data, size_t size, DWORD* error) {
    ORB7zWriteFn write = g_write;
    while (size) {
        DWORD chunk = size > kWriteChunk ? kWriteChunk : DWORD(size);
        DWORD written = 0;
        if (!write(file, data, chunk, &written)) {
            *error = GetLastError();
            return false;
        }
        if (written != chunk) {
            *error = ERROR_WRITE_FAULT;  // a short write without a reason
            return false;
        }
        data += chunk;
        size -= chunk;
    }
    return true;
}

bool ORB7zWriteNewFile(const std::wstring& system, const Byte* head, size_t headSize, const Byte* data, size_t size,
                       bool* created, DWORD* error) {
    // Never through a link; another name of a hard-linked file keeps its content.
    bool link = false;
    ORBFileHandle file(ORBCreateForWrite(system, 0, FILE_ATTRIBUTE_NORMAL, &link));
    *created = bool(file);
    if (!file) {
        *error = GetLastError();
        return false;
    }
    if (!ORB7zWriteAll(file.get(), head, headSize, error) || !ORB7zWriteAll(file.get(), data, size, error)) {
        ORBDeleteByHandle(file.get());  // a part of the data is no file to leave behind
        return false;
    }
    if (!CloseHandle(file.release())) {
        *error = GetLastError();
        DeleteFileW(system.c_str());
        return false;
    }
    return true;
}

ORB7zFileWriter::ORB7zFileWriter() = default;

ORB7zFileWriter::~ORB7zFileWriter() {
    std::wstring ignored;
    DWORD error = 0;
    Deliver(true, nullptr, &ignored, &error);
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    writeCv_.notify_all();
    closeCv_.notify_all();
    for (std::thread& t : threads_) t.join();
}

size_t ORB7zFileWriter::PieceSize() { return kWritePieceSize; }

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
    if (free_.empty() && buffers_.size() < kWritePieces) {
        buffers_.emplace_back(kWritePieceSize);
        return buffers_.back().data();
    }
    doneCv_.wait(lock, [this] { return !free_.empty(); });
    Byte* b = free_.back();
    free_.pop_back();
    return b;
}

void ORB7zFileWriter::Write(HANDLE file, Byte* piece, size_t size) {
    std::unique_lock<std::mutex> lock(m_);
    if (threaded_ && size) {
        pieces_.push_back({file, piece, size, 0, {}, false});
        lock.unlock();
        writeCv_.notify_one();
        return;
    }
    if (size && failedFile_ != file) {
        lock.unlock();
        DWORD error = 0;
        bool ok = ORB7zWriteAll(file, piece, size, &error);
        lock.lock();
        if (!ok) {
            failedFile_ = file;
            failedError_ = error;
        }
    }
    free_.push_back(piece);
}

void ORB7zFileWriter::Flush() {
    std::unique_lock<std::mutex> lock(m_);
    doneCv_.wait(lock, [this] { return pieces_.empty() && writing_ == 0; });
    failedFile_ = nullptr;
}

void ORB7zFileWriter::Close(HANDLE file, const std::wstring& path, const std::wstring& system,
                            const FILE_BASIC_INFO* basic) {
    StartThreads();
    Piece p = {file, nullptr, 0, 0, {}, basic != nullptr};
    if (basic) p.basic = *basic;
    std::unique_lock<std::mutex> lock(m_);
    doneCv_.wait(lock, [this] { return open_ < kOpenFiles; });
    p.ticket = firstTicket_ + tickets_.size();
    tickets_.push_back({path, system, kPending, 0, false});
    if (!threaded_) {
        EndFile(lock, p);
        return;
    }
    ++open_;
    pieces_.push_back(p);
    lock.unlock();
    writeCv_.notify_one();
}

DWORD ORB7zFileWriter::Finish(const Piece& p) {
    if (p.setBasic) {
        FILE_BASIC_INFO basic = p.basic;
        SetFileInformationByHandle(p.file, FileBasicInfo, &basic, sizeof basic);
    }
    if (CloseHandle(p.file)) return 0;
    DWORD error = GetLastError();
    return error ? error : ERROR_WRITE_FAULT;
}

void ORB7zFileWriter::EndFile(std::unique_lock<std::mutex>& lock, const Piece& p) {
    if (failedFile_ == p.file) {
        failedFile_ = nullptr;
        ++closing_;  // Deliver waits for the deletion
        std::wstring system = At(p.ticket).system;
        lock.unlock();
        CloseHandle(p.file);
        DeleteFileW(system.c_str());
        lock.lock();
        --closing_;
        At(p.ticket).state = kFailed;
        At(p.ticket).error = failedError_;
        if (threaded_) --open_;
        doneCv_.notify_all();
        return;
    }
    if (!threaded_) {
        lock.unlock();
        DWORD error = Finish(p);
        lock.lock();
        Closed(At(p.ticket), error);
        return;
    }
    closes_.push_back(p);
    if (closes_.size() == kCloseBatch || draining_) closeCv_.notify_one();
}

void ORB7zFileWriter::Closed(Ticket& t, DWORD error) {
    t.state = error ? kFailed : kClosed;
    t.error = error;
    t.present = error != 0;
}

bool ORB7zFileWriter::Deliver(bool wait, const std::function<void(const std::wstring&)>& done,
                              std::wstring* failedPath, DWORD* error) {
    std::vector<std::wstring> ready, remove;
    {
        std::unique_lock<std::mutex> lock(m_);
        if (wait) {
            draining_ = true;
            closeCv_.notify_all();
            doneCv_.wait(lock,
                         [this] { return pieces_.empty() && writing_ == 0 && closes_.empty() && closing_ == 0; });
            draining_ = false;
        }
        while (!tickets_.empty() && tickets_.front().state != kPending) {
            Ticket& t = tickets_.front();
            if (t.state == kClosed) {
                ready.push_back(std::move(t.path));
            } else {
                if (!failed_) {
                    failed_ = true;
                    failedPath_ = t.path;
                    failedPathError_ = t.error;
                }
                if (t.present) remove.push_back(std::move(t.system));
            }
            tickets_.pop_front();
            ++firstTicket_;
        }
    }
    // A file that could not be closed may not hold what was written.
    for (const std::wstring& system : remove) DeleteFileW(system.c_str());
    if (done)
        for (const std::wstring& path : ready) done(path);
    if (!failed_) return true;
    *failedPath = failedPath_;
    *error = failedPathError_;
    return false;
}

void ORB7zFileWriter::WriteLoop() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        writeCv_.wait(lock, [this] { return stop_ || !pieces_.empty(); });
        if (pieces_.empty()) return;
        Piece p = pieces_.front();
        pieces_.pop_front();
        if (!p.data) {
            EndFile(lock, p);
            // Flush may wait for this very end: it has nobody else to wake it.
            doneCv_.notify_all();
            continue;
        }
        ++writing_;
        // After a failure the file's remaining pieces are only given back.
        bool skip = failedFile_ == p.file;
        lock.unlock();
        DWORD error = 0;
        bool ok = skip || ORB7zWriteAll(p.file, p.data, p.size, &error);
        lock.lock();
        if (!ok) {
            failedFile_ = p.file;
            failedError_ = error;
        }
        free_.push_back(p.data);
        --writing_;
        doneCv_.notify_all();
    }
}

void ORB7zFileWriter::CloseLoop() {
    std::unique_lock<std::mutex> lock(m_);
    std::vector<Piece> batch;
    std::vector<DWORD> closed;
    for (;;) {
        closeCv_.wait(lock, [this] {
            return stop_ || closes_.size() >= kCloseBatch || (draining_ && !closes_.empty());
        });
        if (closes_.empty()) return;
        batch.clear();
        while (!closes_.empty() && batch.size() < kCloseBatch) {
            batch.push_back(closes_.front());
            closes_.pop_front();
        }
        closing_ += batch.size();
        bool more = closes_.size() >= kCloseBatch || (draining_ && !closes_.empty());
        lock.unlock();
        if (more) closeCv_.notify_one();
        closed.clear();
        for (const Piece& p : batch) closed.push_back(Finish(p));
        lock.lock();
        for (size_t k = 0; k < batch.size(); ++k) Closed(At(batch[k].ticket), closed[k]);
        closing_ -= batch.size();
        open_ -= batch.size();
        doneCv_.notify_all();
    }
}
