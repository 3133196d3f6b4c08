// A PE image (PE32 or PE32+) whose resources are replaced: the new resource section is
// written as the image's last section, with sizes, data directory, time stamp and
// checksum updated. Portable: no Windows API.
#ifndef ORB_PE_IMAGE_H
#define ORB_PE_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "orbperesources.h"

class OrbPeImage {
public:
    // Takes the bytes of an executable; false with a reason when they are not a PE image
    // this writer can rebuild (signed, data after the last section, no room for a header).
    bool Load(std::vector<uint8_t> bytes, std::string& error);
    // The image's resources as read by Load (empty when it had none).
    const OrbResources& Resources() const { return resources_; }
    bool Is64() const { return is64_; }
    // The image with `resources` as its resource section and `timeStamp` in its file header.
    std::vector<uint8_t> Write(const OrbResources& resources, uint32_t timeStamp) const;

private:
    struct Section {
        size_t header;  // file offset of its 40-byte header
        uint32_t virtualSize, rva, rawSize, rawOffset;
    };
    std::vector<uint8_t> bytes_;
    std::vector<Section> sections_;
    OrbResources resources_;
    bool is64_ = false;
    size_t fileHeader_ = 0, optional_ = 0, directories_ = 0;
    int resourceSection_ = -1;  // index, or -1
};

// The checksum the loader and signing tools compare with the optional header's: 16-bit
// one's-complement sum of the file (the checksum field counted as zero) plus its length.
uint32_t OrbPeChecksum(const std::vector<uint8_t>& image, size_t checksumOffset);

#endif
