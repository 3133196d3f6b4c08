// The 7z header (the archive's table of content) for entries and their blocks.
#pragma once

#include <string>
#include <vector>

#include "orbpackencode.h"

// The plain header: blocks in order, their files' sizes and CRCs, then every entry's
// name, time and attributes. entries lists the blocks' files block by block, in the
// blocks' order, and the empty ones (folders, empty files) anywhere.
std::string OrbPack7zHeader(const std::vector<const OrbPackEntry*>& entries, const std::vector<OrbPackBlock>& blocks);

// The 32-byte start of the archive for a header of headerSize bytes (and CRC) at
// headerOffset past it.
std::string OrbPack7zStart(uint64_t headerOffset, uint64_t headerSize, uint32_t headerCrc);
