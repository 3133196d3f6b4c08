// Compression of one 7z block: the files' data one after another, through the x86
// filter when asked, into LZMA2.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "orbpacktree.h"

struct OrbPackBlock {
    bool x86 = false;                    // BCJ before LZMA2
    std::vector<const OrbPackEntry*> files;  // non-empty files, in archive order
    uint64_t unpackSize = 0;
    uint64_t packSize = 0;
    unsigned char lzma2Prop = 0;
    std::vector<uint32_t> crcs;  // per file, of its data as read
};

// Appends the block's compressed data to out and fills packSize, lzma2Prop and crcs.
// False with the offending path (a file that cannot be read or changed size while
// being read) or the output's failure in error.
bool OrbPackEncodeBlock(OrbPackBlock& block, int level, std::FILE* out, const std::string& outName,
                        std::string& error);
