// Lua 5.2 chunks for a setup: scripts compiled by the packer's own Lua, written for the
// target's size_t width whatever the packer's own is.
#pragma once

#include <string>

// Compiles source (text only; an initial UTF-8 BOM and "#" line are skipped as luac does)
// into chunk, with debug information, for a target whose size_t has sizeTBytes (4 or
// 8); chunkName is recorded as the chunk's source. A syntax error gives
// "chunkName:line: message" in error and no chunk.
bool OrbPackCompileChunk(const std::string& source, const std::string& chunkName, int sizeTBytes, std::string& chunk,
                         std::string& error);

// Rewrites a little-endian Lua 5.2 chunk (4-byte int and instruction, 8-byte number) for
// a size_t of sizeTBytes (4 or 8); everything else stays as it is. False for a chunk
// that is malformed, of another format, or holds a string too long for the target.
bool OrbPackConvertChunk(const std::string& chunk, int sizeTBytes, std::string& out, std::string& error);
