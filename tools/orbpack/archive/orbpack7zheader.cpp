#include "orbpack7zheader.h"

#include "7zCrc.h"

namespace {

// Property ids of the format.
enum : unsigned char {
    kEnd = 0x00, kHeader = 0x01, kMainStreamsInfo = 0x04, kFilesInfo = 0x05, kPackInfo = 0x06,
    kUnpackInfo = 0x07, kSubStreamsInfo = 0x08, kSize = 0x09, kCRC = 0x0A, kFolder = 0x0B,
    kCodersUnpackSize = 0x0C, kNumUnpackStream = 0x0D, kEmptyStream = 0x0E, kEmptyFile = 0x0F,
    kName = 0x11, kMTime = 0x14, kWinAttributes = 0x15
};

void Number(std::string& out, uint64_t v) {
    // First byte: one high bit per extra byte, then the value's high bits.
    int extra = 0;
    while (extra < 8 && v >= (uint64_t(1) << (7 * (extra + 1)))) ++extra;
    unsigned first = extra == 8 ? 0xFF : ((0xFF00u >> extra) & 0xFF) | unsigned(v >> (8 * extra));
    out.push_back(char(first));
    for (int i = 0; i < extra; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

void Le(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

void Bits(std::string& out, const std::vector<bool>& bits) {
    unsigned b = 0;
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i]) b |= 0x80u >> (i & 7);
        if ((i & 7) == 7) {
            out.push_back(char(b));
            b = 0;
        }
    }
    if (bits.size() & 7) out.push_back(char(b));
}

void Property(std::string& out, unsigned char id, const std::string& body) {
    out.push_back(char(id));
    Number(out, body.size());
    out += body;
}

// LZMA2, or LZMA2 feeding the x86 filter: coder 0 unpacks the packed stream, its output
// is bound to coder 1's input, and coder 1's output is the block's data.
void Coders(std::string& out, const OrbPackBlock& b) {
    Number(out, b.x86 ? 2 : 1);
    out.push_back(0x21);  // one-byte id, with properties
    out.push_back(0x21);  // LZMA2
    Number(out, 1);
    out.push_back(char(b.lzma2Prop));
    if (b.x86) {
        out.push_back(0x04);  // four-byte id
        out += std::string("\x03\x03\x01\x03", 4);  // BCJ x86
        Number(out, 1);  // bond: coder 1's input from coder 0's output
        Number(out, 0);
    }
}

void StreamsInfo(std::string& h, const std::vector<OrbPackBlock>& blocks) {
    h.push_back(char(kMainStreamsInfo));
    h.push_back(char(kPackInfo));
    Number(h, 0);
    Number(h, blocks.size());
    h.push_back(char(kSize));
    for (const OrbPackBlock& b : blocks) Number(h, b.packSize);
    h.push_back(char(kEnd));

    h.push_back(char(kUnpackInfo));
    h.push_back(char(kFolder));
    Number(h, blocks.size());
    h.push_back(0);  // not external
    for (const OrbPackBlock& b : blocks) Coders(h, b);
    h.push_back(char(kCodersUnpackSize));
    for (const OrbPackBlock& b : blocks)
        for (int i = 0; i < (b.x86 ? 2 : 1); ++i) Number(h, b.unpackSize);
    h.push_back(char(kEnd));

    h.push_back(char(kSubStreamsInfo));
    h.push_back(char(kNumUnpackStream));
    for (const OrbPackBlock& b : blocks) Number(h, b.files.size());
    h.push_back(char(kSize));
    for (const OrbPackBlock& b : blocks)
        for (size_t i = 0; i + 1 < b.files.size(); ++i) Number(h, b.files[i]->size);
    h.push_back(char(kCRC));
    h.push_back(1);  // all defined
    for (const OrbPackBlock& b : blocks)
        for (uint32_t crc : b.crcs) Le(h, crc, 4);
    h.push_back(char(kEnd));
    h.push_back(char(kEnd));
}

}  // namespace

std::string OrbPack7zHeader(const std::vector<const OrbPackEntry*>& entries, const std::vector<OrbPackBlock>& blocks) {
    std::string h;
    h.push_back(char(kHeader));
    if (!blocks.empty()) StreamsInfo(h, blocks);

    h.push_back(char(kFilesInfo));
    Number(h, entries.size());
    std::vector<bool> emptyStream, emptyFile;
    bool anyEmpty = false, anyEmptyFile = false;
    for (const OrbPackEntry* e : entries) {
        bool empty = e->isFolder || e->size == 0;
        emptyStream.push_back(empty);
        anyEmpty |= empty;
        if (empty) {
            emptyFile.push_back(!e->isFolder);
            anyEmptyFile |= !e->isFolder;
        }
    }
    if (anyEmpty) {
        std::string b;
        Bits(b, emptyStream);
        Property(h, kEmptyStream, b);
        if (anyEmptyFile) {
            std::string f;
            Bits(f, emptyFile);
            Property(h, kEmptyFile, f);
        }
    }
    std::string names(1, '\0');  // not external
    for (const OrbPackEntry* e : entries) {
        for (char16_t c : e->name) Le(names, c, 2);
        Le(names, 0, 2);
    }
    Property(h, kName, names);
    std::string times("\x01\x00", 2);  // all defined, not external
    for (const OrbPackEntry* e : entries) Le(times, e->mtime, 8);
    Property(h, kMTime, times);
    std::string attributes("\x01\x00", 2);
    for (const OrbPackEntry* e : entries) Le(attributes, e->attributes, 4);
    Property(h, kWinAttributes, attributes);
    h.push_back(char(kEnd));
    h.push_back(char(kEnd));
    return h;
}

std::string OrbPack7zStart(uint64_t headerOffset, uint64_t headerSize, uint32_t headerCrc) {
    std::string start;
    Le(start, headerOffset, 8);
    Le(start, headerSize, 8);
    Le(start, headerCrc, 4);
    CrcGenerateTable();
    std::string out("7z\xBC\xAF\x27\x1C\x00\x04", 8);
    Le(out, CrcCalc(start.data(), start.size()), 4);
    return out + start;
}
