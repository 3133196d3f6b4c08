// Scripts compiled into precompiled chunks of the target's format.
#ifndef ORB_PACK_SCRIPT_H
#define ORB_PACK_SCRIPT_H

#include <filesystem>
#include <string>

// Compiles `source` (read from `file`, whose bare name the chunk records) for a target
// with `sizeTBytes`-byte size_t; false with "<file>:<line>: <message>" on a syntax error,
// or a reason when this packer cannot write that chunk format.
bool OrbPackCompile(const std::filesystem::path& file, const std::string& source, int sizeTBytes, std::string& chunk,
                    std::string& error);

#endif
