#include "test7zwriter.h"

#include "7zCrc.h"

namespace {

void Number(std::string& out, uint64_t v) {
    // First byte: one high bit per extra byte, then the high value bits.
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

void Property(std::string& out, unsigned id, const std::string& body) {
    Number(out, id);
    Number(out, body.size());
    out += body;
}

uint32_t Crc(const std::string& s) {
    CrcGenerateTable();
    return CrcCalc(s.data(), s.size());
}

}  // namespace

std::string Make7z(const std::vector<Test7zEntry>& entries, bool badCrc, bool nonSolid) {
    std::string packed, header;
    std::vector<const Test7zEntry*> streams;
    std::vector<bool> empty, emptyFile;
    bool anyEmpty = false, anyTime = false, anyAttr = false;
    for (const Test7zEntry& e : entries) {
        bool isEmpty = e.isDir || e.data.empty();
        empty.push_back(isEmpty);
        anyEmpty |= isEmpty;
        if (isEmpty) emptyFile.push_back(!e.isDir);
        else {
            streams.push_back(&e);
            packed += e.data;
        }
        anyTime |= e.mtime != 0;
        anyAttr |= e.attributes != 0;
    }

    header.push_back(0x01);  // header
    if (!streams.empty()) {
        // Sizes of the packed streams and blocks: one of all, or one per file.
        std::vector<uint64_t> sizes;
        if (nonSolid)
            for (const Test7zEntry* e : streams) sizes.push_back(e->data.size());
        else
            sizes.push_back(packed.size());
        header.push_back(0x04);  // main streams
        header.push_back(0x06);  // pack info
        Number(header, 0);
        Number(header, sizes.size());
        header.push_back(0x09);
        for (uint64_t size : sizes) Number(header, size);
        header.push_back(0x00);
        header.push_back(0x07);  // unpack info: blocks with the copy coder
        header.push_back(0x0B);
        Number(header, sizes.size());
        header.push_back(0x00);
        for (size_t i = 0; i < sizes.size(); ++i) {
            Number(header, 1);
            header.push_back(0x01);
            header.push_back(0x00);
        }
        header.push_back(0x0C);
        for (uint64_t size : sizes) Number(header, size);
        header.push_back(0x00);
        header.push_back(0x08);  // substreams
        if (!nonSolid) {
            header.push_back(0x0D);
            Number(header, streams.size());
            if (streams.size() > 1) {
                header.push_back(0x09);
                for (size_t i = 0; i + 1 < streams.size(); ++i) Number(header, streams[i]->data.size());
            }
        }
        header.push_back(0x0A);
        header.push_back(0x01);
        for (size_t i = 0; i < streams.size(); ++i) Le(header, Crc(streams[i]->data) ^ (badCrc && i == 0 ? 1u : 0u), 4);
        header.push_back(0x00);
        header.push_back(0x00);
    }
    header.push_back(0x05);  // files
    Number(header, entries.size());
    if (anyEmpty) {
        std::string b;
        Bits(b, empty);
        Property(header, 0x0E, b);
        std::string f;
        Bits(f, emptyFile);
        Property(header, 0x0F, f);
    }
    std::string names(1, '\0');
    for (const Test7zEntry& e : entries) {
        for (wchar_t c : e.name) Le(names, uint16_t(c), 2);
        Le(names, 0, 2);
    }
    Property(header, 0x11, names);
    if (anyTime) {
        std::string t;
        std::vector<bool> defined;
        for (const Test7zEntry& e : entries) defined.push_back(e.mtime != 0);
        t.push_back(0x00);
        Bits(t, defined);
        t.push_back(0x00);
        for (const Test7zEntry& e : entries)
            if (e.mtime) Le(t, e.mtime, 8);
        Property(header, 0x14, t);
    }
    if (anyAttr) {
        std::string a;
        std::vector<bool> defined;
        for (const Test7zEntry& e : entries) defined.push_back(e.attributes != 0);
        a.push_back(0x00);
        Bits(a, defined);
        a.push_back(0x00);
        for (const Test7zEntry& e : entries)
            if (e.attributes) Le(a, e.attributes, 4);
        Property(header, 0x15, a);
    }
    header.push_back(0x00);
    header.push_back(0x00);

    std::string start;
    Le(start, packed.size(), 8);
    Le(start, header.size(), 8);
    Le(start, Crc(header), 4);
    std::string out("7z\xBC\xAF\x27\x1C\x00\x04", 8);
    Le(out, Crc(start), 4);
    return out + start + packed + header;
}
