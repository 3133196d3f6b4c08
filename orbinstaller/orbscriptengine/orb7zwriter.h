// File writing behind the decoder: pieces are written on one writer thread while the
// next ones are decoded, and finished files are closed on a small pool of threads,
// because closing a freshly written file waits while security software scans it.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "7zTypes.h"

// Writes all size bytes to file; false with the system error in *error.
bool ORB7zWriteAll(HANDLE file, const Byte* data, size_t size, DWORD* error);

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
    // once written. A piece of size 0 only gives the buffer back.
    void Write(HANDLE file, Byte* piece, size_t size);
    // Waits until every queued piece is written; false (with the system error) when a
    // write failed since the last call.
    bool Flush(DWORD* error);
    // Closes file on the pool; a failed close is reported by Finish.
    void Close(HANDLE file, const std::wstring& path);
    // Waits for all closes; false with the path of a file whose close failed.
    bool Finish(std::wstring* failedPath);

private:
    struct Piece {
        HANDLE file;
        Byte* data;
        size_t size;
    };
    void WriteLoop();
    void CloseLoop();
    void StartThreads();

    std::mutex m_;
    std::condition_variable writeCv_;  // the writer waits for pieces
    std::condition_variable closeCv_;  // the closers wait for handles
    std::condition_variable doneCv_;   // the caller waits for buffers and completion
    std::vector<std::vector<Byte>> buffers_;
    std::vector<Byte*> free_;
    std::deque<Piece> pieces_;
    size_t writing_ = 0;
    bool writeFailed_ = false;
    DWORD writeError_ = 0;
    std::deque<std::pair<HANDLE, std::wstring>> closes_;
    size_t closing_ = 0;
    bool draining_ = false;  // Finish waits: closers take what is queued
    std::wstring closeFailed_;
    bool stop_ = false;
    bool started_ = false;
    bool threaded_ = false;
    std::vector<std::thread> threads_;
};
