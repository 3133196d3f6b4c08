// Writes a folder's tree as a 7z archive the setup can unpack: solid LZMA2, the x86
// filter for executables, times and attributes from the files, names checked against
// what Windows and the setup's extractor accept.
#pragma once

#include <filesystem>
#include <string>

struct OrbPackArchiveOptions {
    int level = 5;  // LZMA2 level, 0 (fastest) to 9
};

// Writes the archive of folder's content to out (through a temporary file beside it,
// renamed at the end). The same tree gives the same bytes. False with a one-line
// message naming the offending path in error (unusable name, link, unreadable file,
// unwritable output); nothing is left at out's place then.
bool OrbPackWriteArchive(const std::filesystem::path& folder, const std::filesystem::path& out,
                         const OrbPackArchiveOptions& opt, std::string& error);
