// Payload archives: a folder packed as 7z, the unpacked size of a ready archive, and
// the stored form of both (first two signature bytes exchanged).
#ifndef ORB_PACK_PAYLOAD_H
#define ORB_PACK_PAYLOAD_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Packs the files of `folder` as a 7z archive at `level`; false with a reason naming the
// folder or the offending path.
bool OrbPackArchiveFolder(const std::filesystem::path& folder, int level, std::vector<uint8_t>& archive,
                          std::string& error);
// The total size of the files an archive unpacks to; false when it is not a 7z archive.
bool OrbPackArchiveSize(const std::vector<uint8_t>& archive, uint64_t& size);
// The total size of the regular files below `folder`.
uint64_t OrbPackFolderSize(const std::filesystem::path& folder);
// The archive as a setup stores it: "7z" becomes "z7", so nothing scanning the image
// takes the resource for an archive of its own.
void OrbPackStoredForm(std::vector<uint8_t>& archive);
// `image` followed by the archive, padding to 8 bytes and the 64-byte "ORBPAYLD" entry
// (offset, size, UTF-16 name of up to 20 units) the setup looks for at its end.
bool OrbPackAppendPayload(std::vector<uint8_t>& image, const std::vector<uint8_t>& archive, const std::string& name,
                          std::string& error);

#endif
