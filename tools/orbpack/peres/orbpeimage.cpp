// Rebuilding the resource section of a PE image.
#include "orbpeimage.h"

#include <algorithm>

#include "orbpebytes.h"

namespace {

using orbpe::Get16;
using orbpe::Get32;
using orbpe::Put32;

uint32_t AlignUp(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

constexpr size_t kSectionHeader = 40;
constexpr uint32_t kResourceDir = 2, kSecurityDir = 4, kRelocDir = 5;
constexpr uint32_t kInitializedData = 0x40, kMemRead = 0x40000000;

}  // namespace

uint32_t OrbPeChecksum(const std::vector<uint8_t>& image, size_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t i = 0; i < image.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        uint32_t word = image[i] | (i + 1 < image.size() ? image[i + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum + image.size());
}

bool OrbPeImage::Load(std::vector<uint8_t> bytes, std::string& error) {
    bytes_ = std::move(bytes);
    sections_.clear();
    resources_ = OrbResources();
    resourceSection_ = -1;
    const auto& b = bytes_;
    auto has = [&](size_t at, size_t n) { return at <= b.size() && n <= b.size() - at; };
    if (!has(0, 64) || b[0] != 'M' || b[1] != 'Z') return error = "not a Windows program (no MZ header)", false;
    size_t pe = Get32(b, 60);
    if (!has(pe, 24) || Get32(b, pe) != 0x00004550) return error = "not a PE image", false;
    fileHeader_ = pe + 4;
    size_t count = Get16(b, fileHeader_ + 2), optSize = Get16(b, fileHeader_ + 16);
    optional_ = fileHeader_ + 20;
    if (!has(optional_, optSize) || optSize < 96) return error = "the optional header is cut short", false;
    uint16_t magic = Get16(b, optional_);
    if (magic != 0x10B && magic != 0x20B) return error = "neither a PE32 nor a PE32+ image", false;
    is64_ = magic == 0x20B;
    directories_ = optional_ + (is64_ ? 112 : 96);
    uint32_t dirCount = Get32(b, directories_ - 4);
    if (dirCount <= kRelocDir || directories_ + 8 * dirCount > optional_ + optSize)
        return error = "the image has no resource or security directory entry", false;
    if (Get32(b, directories_ + 8 * kSecurityDir) || Get32(b, directories_ + 8 * kSecurityDir + 4))
        return error = "the image carries a signature; sign after adding resources", false;

    size_t table = optional_ + optSize;
    if (!has(table, count * kSectionHeader)) return error = "the section table is cut short", false;
    uint32_t end = Get32(b, optional_ + 60);  // SizeOfHeaders
    for (size_t i = 0; i < count; ++i) {
        size_t h = table + i * kSectionHeader;
        Section s{h, Get32(b, h + 8), Get32(b, h + 12), Get32(b, h + 16), Get32(b, h + 20)};
        if (s.rawSize && !has(s.rawOffset, s.rawSize)) return error = "a section lies outside the file", false;
        if (s.rawSize) end = std::max(end, s.rawOffset + s.rawSize);
        sections_.push_back(s);
    }
    if (end != b.size()) return error = "the image has data after its last section", false;
    // One more section header must fit before the first section's data.
    if (table + (count + 1) * kSectionHeader > Get32(b, optional_ + 60))
        return error = "no room for another section header", false;

    uint32_t rva = Get32(b, directories_ + 8 * kResourceDir), size = Get32(b, directories_ + 8 * kResourceDir + 4);
    if (!rva || !size) return true;
    for (size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (rva >= s.rva && rva < s.rva + std::max(s.virtualSize, s.rawSize)) resourceSection_ = int(i);
    }
    if (resourceSection_ < 0) return error = "the resource directory lies in no section", false;
    const Section& s = sections_[resourceSection_];
    std::vector<uint8_t> raw(b.begin() + s.rawOffset, b.begin() + s.rawOffset + std::min(s.rawSize, s.virtualSize));
    return resources_.Parse(raw, s.rva, rva, error);
}

std::vector<uint8_t> OrbPeImage::Write(const OrbResources& resources, uint32_t timeStamp) const {
    std::vector<uint8_t> out = bytes_;
    uint32_t fileAlign = Get32(out, optional_ + 36), sectionAlign = Get32(out, optional_ + 32);
    std::vector<Section> sections = sections_;
    auto byRva = [](const Section& a, const Section& b) { return a.rva < b.rva; };
    const Section& last = *std::max_element(sections.begin(), sections.end(), byRva);

    // The resource section is written last. When it is last already it is rewritten in
    // place; when only the base relocations follow it, they move down into its place
    // (nothing refers to them but their directory entry); otherwise a new section is
    // added and the old one stays as dead bytes, the sections after it cannot move.
    size_t header;
    uint32_t rva, fileOffset;
    int relocs = -1;
    uint32_t relocRva = Get32(out, directories_ + 8 * kRelocDir);
    for (size_t i = 0; i < sections.size(); ++i)
        if (relocRva && relocRva >= sections[i].rva && relocRva < sections[i].rva + sections[i].virtualSize) relocs = int(i);
    const Section* res = resourceSection_ >= 0 ? &sections[resourceSection_] : nullptr;
    if (res && res->rva == last.rva) {
        header = res->header;
        rva = res->rva;
        fileOffset = res->rawOffset;
        out.resize(fileOffset);
    } else if (res && relocs >= 0 && sections[relocs].rva == last.rva && size_t(resourceSection_ + 1) == size_t(relocs) &&
               res->rawOffset + res->rawSize == sections[relocs].rawOffset) {
        const Section& rel = sections[relocs];
        std::vector<uint8_t> relocBytes(out.begin() + rel.rawOffset, out.begin() + rel.rawOffset + rel.rawSize);
        std::vector<uint8_t> resHeader(out.begin() + res->header, out.begin() + res->header + kSectionHeader);
        std::copy_n(out.begin() + rel.header, kSectionHeader, out.begin() + res->header);
        Put32(out, res->header + 12, res->rva);
        Put32(out, res->header + 20, res->rawOffset);
        Put32(out, directories_ + 8 * kRelocDir, res->rva + (relocRva - rel.rva));
        out.resize(res->rawOffset);
        out.insert(out.end(), relocBytes.begin(), relocBytes.end());
        header = rel.header;
        std::copy(resHeader.begin(), resHeader.end(), out.begin() + header);
        rva = AlignUp(res->rva + std::max(rel.virtualSize, rel.rawSize), sectionAlign);
        fileOffset = AlignUp(uint32_t(out.size()), fileAlign);
        out.resize(fileOffset, 0);
    } else {
        uint16_t count = Get16(out, fileHeader_ + 2);
        header = sections.back().header + kSectionHeader;
        rva = AlignUp(last.rva + std::max(last.virtualSize, 1u), sectionAlign);
        fileOffset = AlignUp(uint32_t(out.size()), fileAlign);
        out[fileHeader_ + 2] = uint8_t(count + 1);
        out[fileHeader_ + 3] = uint8_t((count + 1) >> 8);
        std::fill(out.begin() + header, out.begin() + header + kSectionHeader, 0);
        std::copy_n(".rsrc\0\0\0", 8, out.begin() + header);
        Put32(out, header + 36, kInitializedData | kMemRead);
        out.resize(fileOffset, 0);
    }
    std::vector<uint8_t> data = resources.Build(rva);
    uint32_t rawSize = AlignUp(uint32_t(data.size()), fileAlign);
    out.insert(out.end(), data.begin(), data.end());
    out.resize(fileOffset + rawSize, 0);
    Put32(out, header + 8, uint32_t(data.size()));
    Put32(out, header + 12, rva);
    Put32(out, header + 16, rawSize);
    Put32(out, header + 20, fileOffset);

    // Initialized data and image size follow the section table.
    uint32_t initialized = 0, imageEnd = 0;
    uint16_t count = Get16(out, fileHeader_ + 2);
    size_t table = optional_ + Get16(out, fileHeader_ + 16);
    for (size_t i = 0; i < count; ++i) {
        size_t h = table + i * kSectionHeader;
        if (Get32(out, h + 36) & kInitializedData) initialized += Get32(out, h + 16);
        imageEnd = std::max(imageEnd, Get32(out, h + 12) + std::max(Get32(out, h + 8), Get32(out, h + 16)));
    }
    Put32(out, optional_ + 8, initialized);
    Put32(out, optional_ + 56, AlignUp(imageEnd, sectionAlign));
    Put32(out, directories_ + 8 * kResourceDir, data.empty() ? 0 : rva);
    Put32(out, directories_ + 8 * kResourceDir + 4, uint32_t(data.size()));
    Put32(out, fileHeader_ + 4, timeStamp);
    Put32(out, optional_ + 64, OrbPeChecksum(out, optional_ + 64));
    return out;
}
