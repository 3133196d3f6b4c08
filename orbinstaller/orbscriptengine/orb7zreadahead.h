// A block decoded ahead of its reader: large blocks are decoded on a thread of their
// own into a few pieces, so decoding runs while the reader creates and writes files.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "orb7zfolder.h"

class ORB7zReadAhead {
public:
    ORB7zReadAhead() = default;
    ~ORB7zReadAhead();  // stops the decoding thread
    ORB7zReadAhead(const ORB7zReadAhead&) = delete;
    ORB7zReadAhead& operator=(const ORB7zReadAhead&) = delete;

    // As ORB7zFolderStream::Open; the previous block's thread is stopped first, so the
    // caller may use stream itself once this returns a failure.
    SRes Open(const CSzArEx* db, UInt32 folder, ISeekInStreamPtr stream);
    // As ORB7zFolderStream::Read: the bytes decoded before a failure come first, then
    // the failure.
    SRes Read(Byte* buf, size_t size, size_t* got);

    UInt32 Folder() const { return folder_; }
    // Bytes of the block handed out so far.
    UInt64 Position() const { return position_; }

private:
    struct Piece {
        Byte* data;
        size_t size;
        SRes res;  // after the bytes; SZ_OK with size 0 at the block's end
    };
    void Stop();
    void Decode();

    ORB7zFolderStream block_;
    UInt32 folder_ = 0xFFFFFFFF;
    UInt64 position_ = 0;
    bool ahead_ = false;  // decoded on the thread

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
