// Names as the payload stores them: UTF-8 and UTF-16 forms of one name, and the rules a
// name must meet to be created by the setup on Windows.
#pragma once

#include <string>

// Longest name part NTFS holds, and the longest entry path the setup creates: it opens
// every path in its "\\?\" form (32,767 units) and keeps room for an install folder of
// up to MAX_PATH in front of the entry.
constexpr size_t kOrbPackMaxPart = 255;
constexpr size_t kOrbPackMaxPath = 32767 - 4 - 260 - 1;

// UTF-8 to UTF-16 and back; false for malformed input (overlong forms, lone
// surrogates, code points beyond U+10FFFF).
bool OrbPackUtf8To16(const std::string& in, std::u16string& out);
bool OrbPackUtf16To8(const std::u16string& in, std::string& out);

// Why Windows cannot hold part as a file or folder name, or nullptr when it can:
// reserved device names (also with an extension), a trailing dot or space, forbidden or
// control characters, more than kOrbPackMaxPart units.
const char* OrbPackNameProblem(const std::u16string& part);

// part with letters folded to one case the way NTFS compares names (Latin, Greek,
// Cyrillic and Armenian letters; other scripts compare as they are).
std::u16string OrbPackFoldCase(const std::u16string& part);
