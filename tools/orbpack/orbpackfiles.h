// File helpers of the packer: whole-file reads, writes that leave nothing half-written,
// and the checks of the product's inputs (images, layout).
#ifndef ORB_PACK_FILES_H
#define ORB_PACK_FILES_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// A path as UTF-8 text for messages.
std::string OrbPackShow(const fs::path& p);
// The file's bytes; false with "<file>: cannot read" when it is missing or unreadable.
bool OrbPackRead(const fs::path& file, std::vector<uint8_t>& bytes, std::string& error);
// Writes `bytes` beside `file` under a temporary name, then renames it over `file`;
// false (and no file left) when either step fails.
bool OrbPackWrite(const fs::path& file, const std::vector<uint8_t>& bytes, std::string& error);
// False with "<file>: not a PNG image" unless the bytes start with the PNG signature
// and an IHDR chunk.
bool OrbPackCheckPng(const fs::path& file, const std::vector<uint8_t>& bytes, std::string& error);
// The layout as UTF-16LE with a byte-order mark, whatever its encoding (UTF-8 with or
// without a mark, UTF-16 with one); false with "<file>:<line>: <reason>" when it is not
// well-formed XML.
bool OrbPackLayout(const fs::path& file, const std::vector<uint8_t>& bytes, std::vector<uint8_t>& utf16,
                   std::string& error);
// Runs a command line through the system's shell; its exit code, -1 when it did not run.
int OrbPackSystem(const std::string& commandLine);
// UTF-8 to UTF-16 code units; false on malformed UTF-8.
bool OrbPackUtf16(const std::string& utf8, std::u16string& out);

#endif
