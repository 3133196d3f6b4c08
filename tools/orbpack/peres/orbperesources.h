// The resource tree of a PE image as a flat, sorted list of (type, name, language, data),
// read from and written to the bytes of a resource section. Portable: no Windows API.
#ifndef ORB_PE_RESOURCES_H
#define ORB_PE_RESOURCES_H

#include <cstdint>
#include <string>
#include <vector>

// A type or name: a number, or a string (kept upper-case, as the resource compiler
// stores names and as Windows' lookup expects them).
struct OrbResKey {
    uint16_t id = 0;
    std::u16string name;

    static OrbResKey Id(uint16_t id);
    // "PNG" -> a string key; the ASCII letters are upper-cased.
    static OrbResKey Name(const std::string& ascii);
    bool IsId() const { return name.empty(); }
    bool operator==(const OrbResKey& o) const { return id == o.id && name == o.name; }
};
// Windows' order inside one directory: strings first (by upper-case code units), then ids.
bool operator<(const OrbResKey& a, const OrbResKey& b);

struct OrbResEntry {
    OrbResKey type, name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    std::vector<uint8_t> data;
};

class OrbResources {
public:
    // Adds or replaces the entry of the same type, name and language.
    void Set(const OrbResKey& type, const OrbResKey& name, uint16_t language, std::vector<uint8_t> data);
    // Removes every language of type/name; returns how many entries went.
    size_t Remove(const OrbResKey& type, const OrbResKey& name);
    // The first entry of type/name (any language), or null.
    const OrbResEntry* Find(const OrbResKey& type, const OrbResKey& name) const;
    // Entries in the order they are written (type, name, language).
    const std::vector<OrbResEntry>& Entries() const { return entries_; }

    // Reads the tree at `rva` out of a section whose bytes start at `sectionRva`; false
    // with a reason when an offset points outside the section or the tree loops.
    bool Parse(const std::vector<uint8_t>& section, uint32_t sectionRva, uint32_t rva, std::string& error);
    // The bytes of a resource section placed at `rva`: directories, names, data entries,
    // then the data, each piece 8-byte aligned. Deterministic (no time stamps).
    std::vector<uint8_t> Build(uint32_t rva) const;

private:
    std::vector<OrbResEntry> entries_;  // kept sorted
};

#endif
