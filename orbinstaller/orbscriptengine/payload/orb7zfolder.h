// Streaming decoder of one 7z folder (solid block): the block's bytes are read in
// order through small buffers, so memory depends on the coders' dictionaries and not
// on the size of the block. Large blocks are decoded ahead on a thread of their own,
// so decoding runs while the reader creates and writes files.
#pragma once

#include <memory>
#include <string>

#include "7z.h"
#include "orb7zreadahead.h"

class ORB7zByteSource;

// The name and method id of the first coder of folder that cannot be decoded here, for
// the log; empty when every coder can (the coders are then arranged in a way that cannot).
std::wstring ORB7zRefusedCoder(const CSzArEx* db, UInt32 folder);

class ORB7zFolderStream {
public:
    ORB7zFolderStream();
    ~ORB7zFolderStream();
    ORB7zFolderStream(const ORB7zFolderStream&) = delete;
    ORB7zFolderStream& operator=(const ORB7zFolderStream&) = delete;

    // Prepares folder of the open archive db, read from stream (the stream db was opened
    // from); the previous decoding is stopped first, so the caller may use stream itself
    // once this fails. The streamable folders after it are decoded on back to back (a
    // non-solid archive has one small block per file), ahead on a thread when they are
    // large together, and Advance moves to them. SZ_ERROR_UNSUPPORTED for coders or
    // coder graphs it cannot stream, SZ_ERROR_MEM when a dictionary cannot be allocated.
    SRes Open(const CSzArEx* db, UInt32 folder, ISeekInStreamPtr stream);

    // True when folder comes after the current one in what Open prepared.
    bool Reaches(UInt32 folder) const { return folder_ != 0xFFFFFFFF && folder > folder_ && folder < runEnd_; }
    // Moves to such a folder, passing over the rest of the current one and those
    // between; a failure is the decoding failure met on the way.
    SRes Advance(UInt32 folder);

    // Reads the next at most size bytes of the current block into buf; *got is 0 only at
    // its end. A damaged or truncated block gives SZ_ERROR_DATA, SZ_ERROR_INPUT_EOF or,
    // with a stored block checksum, SZ_ERROR_CRC when the last byte is read.
    SRes Read(Byte* buf, size_t size, size_t* got);

    UInt32 Folder() const { return folder_; }
    // Bytes of the block read so far.
    UInt64 Position() const { return position_; }

private:
    // The decoding side (the thread when reading ahead).
    SRes Prepare(UInt32 folder);
    SRes Decode(Byte* buf, size_t size, size_t* got);
    SRes DecodeRun(Byte* buf, size_t size, size_t* got);
    // The reading side: the next bytes of the run, whichever folder they belong to.
    SRes Pull(Byte* buf, size_t size, size_t* got);

    const CSzArEx* db_ = nullptr;
    ISeekInStreamPtr stream_ = nullptr;
    UInt32 runEnd_ = 0;  // one past the last folder decoded on back to back

    std::unique_ptr<ORB7zByteSource> top_;
    ORB7zReadAhead ahead_;  // declared after top_: stopped before the coders go
    UInt32 decoding_ = 0xFFFFFFFF;
    UInt64 decoded_ = 0;
    UInt64 size_ = 0;
    bool checkCrc_ = false;
    UInt32 crc_ = 0;
    UInt32 expectedCrc_ = 0;

    UInt32 folder_ = 0xFFFFFFFF;
    UInt64 folderSize_ = 0;
    UInt64 position_ = 0;
    std::unique_ptr<Byte[]> passBuffer_;
};
