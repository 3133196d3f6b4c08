// File writing behind the decoder: pieces are written on one writer thread while the
// next ones are decoded and the next files created, and finished files are closed on a
// small pool of threads, because closing a freshly written file waits while security
// software scans it. Finished files are handed back in the order they were queued.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "7zTypes.h"

// Writes all size bytes to file; false with the system error in *error.
bool ORB7zWriteAll(HANDLE file, const Byte* data, size_t size, DWORD* error);

// What every write of the extraction calls, WriteFile's shape; tests replace it to
// refuse a write. Null restores WriteFile.
using ORB7zWriteFn = BOOL (*)(HANDLE file, const void* data, DWORD size, DWORD* written);
void ORB7zSetWriteFunction(ORB7zWriteFn write);

// Creates (or replaces) the file at system (system form) holding head, then data; false
// with the system error in *error when it cannot be created (*created false), written or
// closed, and then no file is left behind.
bool ORB7zWriteNewFile(const std::wstring& system, const Byte* head, size_t headSize, const Byte* data, size_t size,
                       bool* created, DWORD* error);

class ORB7zFileWriter {
public:
    // Threads are started on first use; without them everything runs on the caller.
    ORB7zFileWriter();
    ~ORB7zFileWriter();  // waits for every queued write and close
    ORB7zFileWriter(const ORB7zFileWriter&) = delete;
    ORB7zFileWriter& operator=(const ORB7zFileWriter&) = delete;

    // A free piece buffer of PieceSize() bytes; waits while all of them are queued.
    Byte* Acquire();
    static size_t PieceSize();
    // Queues size bytes of piece (from Acquire) for file; the buffer is free again
    // once written. A piece of size 0 only gives the buffer back. The pieces of one
    // file are queued before those of the next.
    void Write(HANDLE file, Byte* piece, size_t size);
    // Waits until every queued piece is written, for a file given up on before its end.
    void Flush();
    // Queues the end of file behind its pieces: basic, when given, is set and the file
    // closed on the pool. A file whose writes or close failed is deleted (by system, its
    // path in system form), so it is never left looking complete. Waits while many
    // files are open.
    void Close(HANDLE file, const std::wstring& path, const std::wstring& system, const FILE_BASIC_INFO* basic);
    // Hands the paths of the files closed so far to done, in the order of Close; with
    // wait, after every queued write and close. False with *failedPath and the system
    // error in *error once a file could not be written or closed (the first such file;
    // the complete files after it are still handed).
    bool Deliver(bool wait, const std::function<void(const std::wstring&)>& done, std::wstring* failedPath,
                 DWORD* error);

private:
    struct Piece {
        HANDLE file;
        Byte* data;  // null: the end of file, ticket says which
        size_t size;
        uint64_t ticket;
        FILE_BASIC_INFO basic;
        bool setBasic;
    };
    enum : char { kPending, kClosed, kFailed };
    struct Ticket {
        std::wstring path, system;
        char state;
        DWORD error;  // for kFailed
        bool present;  // for kFailed: the file is still to be deleted
    };
    void WriteLoop();
    void CloseLoop();
    void StartThreads();
    // The end of file p: closed here when the file's writes failed (and deleted), or
    // queued for the closers. Called with the lock held.
    void EndFile(std::unique_lock<std::mutex>& lock, const Piece& p);
    // Sets the time and attributes and closes; 0 when closed, else the system error.
    static DWORD Finish(const Piece& p);
    // Records how the close of t went (error 0: closed).
    static void Closed(Ticket& t, DWORD error);
    Ticket& At(uint64_t ticket) { return tickets_[size_t(ticket - firstTicket_)]; }

    std::mutex m_;
    std::condition_variable writeCv_;  // the writer waits for pieces
    std::condition_variable closeCv_;  // the closers wait for handles
    std::condition_variable doneCv_;   // the caller waits for buffers and completion
    std::vector<std::vector<Byte>> buffers_;
    std::vector<Byte*> free_;
    std::deque<Piece> pieces_;
    size_t writing_ = 0;
    HANDLE failedFile_ = nullptr;  // the file whose write failed, until its end
    DWORD failedError_ = 0;
    std::deque<Piece> closes_;
    size_t closing_ = 0;
    size_t open_ = 0;        // files queued for their end and not closed yet
    bool draining_ = false;  // Deliver waits: closers take what is queued
    std::deque<Ticket> tickets_;
    uint64_t firstTicket_ = 0;
    bool failed_ = false;  // a file could not be written or closed: the first one
    std::wstring failedPath_;
    DWORD failedPathError_ = 0;
    bool stop_ = false;
    bool started_ = false;
    bool threaded_ = false;
    std::vector<std::thread> threads_;
};
