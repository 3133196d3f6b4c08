// Resource directory reading and writing (the layout of the PE format's .rsrc section).
#include "orbperesources.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "orbpebytes.h"

namespace {

using orbpe::Get16;
using orbpe::Get32;
using orbpe::Put16;
using orbpe::Put32;
size_t Align8(size_t n) { return (n + 7) & ~size_t(7); }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

constexpr uint32_t kSubdirectory = 0x80000000u, kNamed = 0x80000000u;

// One directory table: 16-byte header, then 8-byte entries.
struct Reader {
    const std::vector<uint8_t>& sec;
    std::string& error;

    bool Has(size_t at, size_t n) const { return at <= sec.size() && n <= sec.size() - at; }

    bool Key(uint32_t raw, OrbResKey& key) {
        if (!(raw & kNamed)) {
            key = OrbResKey::Id(uint16_t(raw));
            return true;
        }
        size_t at = raw & ~kNamed;
        if (!Has(at, 2)) return Fail("a resource name lies outside the section");
        size_t len = Get16(sec, at);
        if (!Has(at + 2, len * 2)) return Fail("a resource name lies outside the section");
        key.id = 0;
        key.name.clear();
        for (size_t i = 0; i < len; ++i) key.name += Upper(char16_t(Get16(sec, at + 2 + 2 * i)));
        return true;
    }

    bool Fail(const char* why) {
        error = why;
        return false;
    }

    // Entries of the table at `at`: pairs of (raw name, raw offset).
    bool Table(size_t at, std::vector<std::pair<uint32_t, uint32_t>>& out) {
        if (!Has(at, 16)) return Fail("a resource directory lies outside the section");
        size_t n = size_t(Get16(sec, at + 12)) + Get16(sec, at + 14);
        if (!Has(at + 16, n * 8)) return Fail("a resource directory lies outside the section");
        out.clear();
        for (size_t i = 0; i < n; ++i) out.emplace_back(Get32(sec, at + 16 + 8 * i), Get32(sec, at + 20 + 8 * i));
        return true;
    }
};

}  // namespace

OrbResKey OrbResKey::Id(uint16_t id) {
    OrbResKey k;
    k.id = id;
    return k;
}

OrbResKey OrbResKey::Name(const std::string& ascii) {
    OrbResKey k;
    for (char c : ascii) k.name += Upper(char16_t(static_cast<unsigned char>(c)));
    return k;
}

bool operator<(const OrbResKey& a, const OrbResKey& b) {
    if (a.IsId() != b.IsId()) return !a.IsId();
    if (a.IsId()) return a.id < b.id;
    return a.name < b.name;
}

namespace {
bool EntryLess(const OrbResEntry& a, const OrbResEntry& b) {
    if (a.type < b.type) return true;
    if (b.type < a.type) return false;
    if (a.name < b.name) return true;
    if (b.name < a.name) return false;
    return a.language < b.language;
}
}  // namespace

void OrbResources::Set(const OrbResKey& type, const OrbResKey& name, uint16_t language, std::vector<uint8_t> data) {
    OrbResEntry e;
    e.type = type;
    e.name = name;
    e.language = language;
    e.data = std::move(data);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), e, EntryLess);
    if (it != entries_.end() && !EntryLess(e, *it))
        *it = std::move(e);
    else
        entries_.insert(it, std::move(e));
}

size_t OrbResources::Remove(const OrbResKey& type, const OrbResKey& name) {
    size_t before = entries_.size();
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const OrbResEntry& e) { return e.type == type && e.name == name; }),
                   entries_.end());
    return before - entries_.size();
}

const OrbResEntry* OrbResources::Find(const OrbResKey& type, const OrbResKey& name) const {
    for (const OrbResEntry& e : entries_)
        if (e.type == type && e.name == name) return &e;
    return nullptr;
}

bool OrbResources::Parse(const std::vector<uint8_t>& section, uint32_t sectionRva, uint32_t rva, std::string& error) {
    entries_.clear();
    if (rva < sectionRva) {
        error = "the resource directory lies outside its section";
        return false;
    }
    Reader r{section, error};
    std::vector<std::pair<uint32_t, uint32_t>> types, names, langs;
    size_t root = rva - sectionRva;
    // Offsets are relative to the root; every subdirectory must lie after its parent's
    // entries, which also rules out loops.
    auto sub = [&](uint32_t off, bool wantDir, size_t& at) {
        if (bool(off & kSubdirectory) != wantDir) return r.Fail("the resource tree is not three levels deep");
        at = root + (off & ~kSubdirectory);
        return true;
    };
    if (!r.Table(root, types)) return false;
    for (auto [typeRaw, typeOff] : types) {
        OrbResEntry e;
        size_t at = 0;
        if (!r.Key(typeRaw, e.type) || !sub(typeOff, true, at) || !r.Table(at, names)) return false;
        for (auto [nameRaw, nameOff] : names) {
            if (!r.Key(nameRaw, e.name) || !sub(nameOff, true, at) || !r.Table(at, langs)) return false;
            for (auto [langRaw, dataOff] : langs) {
                if (!sub(dataOff, false, at) || !r.Has(at, 16)) return r.Fail("a resource data entry lies outside the section");
                e.language = uint16_t(langRaw);
                uint32_t dataRva = Get32(section, at), size = Get32(section, at + 4);
                e.codePage = Get32(section, at + 8);
                if (dataRva < sectionRva || !r.Has(dataRva - sectionRva, size))
                    return r.Fail("resource data lies outside the resource section");
                e.data.assign(section.begin() + (dataRva - sectionRva), section.begin() + (dataRva - sectionRva + size));
                entries_.push_back(e);
            }
        }
    }
    std::sort(entries_.begin(), entries_.end(), EntryLess);
    return true;
}

std::vector<uint8_t> OrbResources::Build(uint32_t rva) const {
    // The tree as nested maps; std::map keeps Windows' order through OrbResKey's operator<.
    std::map<OrbResKey, std::map<OrbResKey, std::map<uint16_t, const OrbResEntry*>>> tree;
    for (const OrbResEntry& e : entries_) tree[e.type][e.name][e.language] = &e;

    // Sizes first: all tables, then all names, then the data entries, then the data.
    size_t tables = 16 + 8 * tree.size();
    std::vector<const std::u16string*> strings;
    auto noteName = [&](const OrbResKey& k) {
        if (!k.IsId()) strings.push_back(&k.name);
    };
    for (auto& [type, names] : tree) {
        noteName(type);
        tables += 16 + 8 * names.size();
        for (auto& [name, langs] : names) {
            noteName(name);
            tables += 16 + 8 * langs.size();
        }
    }
    size_t namesAt = tables, namesSize = 0;
    for (auto* s : strings) namesSize += 2 + 2 * s->size();
    size_t dataEntriesAt = Align8(namesAt + namesSize);
    size_t dataAt = dataEntriesAt + 16 * entries_.size();
    size_t total = dataAt;
    for (const OrbResEntry& e : entries_) total = Align8(total) + e.data.size();
    std::vector<uint8_t> out(Align8(total), 0);

    size_t nextTable = 0, nextName = namesAt, nextEntry = dataEntriesAt, nextData = dataAt;
    auto table = [&](size_t named, size_t ids) {
        size_t at = nextTable;
        Put16(out, at + 12, uint32_t(named));
        Put16(out, at + 14, uint32_t(ids));
        nextTable += 16 + 8 * (named + ids);
        return at + 16;
    };
    auto key = [&](const OrbResKey& k) -> uint32_t {
        if (k.IsId()) return k.id;
        size_t at = nextName;
        Put16(out, at, uint32_t(k.name.size()));
        for (size_t i = 0; i < k.name.size(); ++i) Put16(out, at + 2 + 2 * i, k.name[i]);
        nextName += 2 + 2 * k.name.size();
        return uint32_t(at) | kNamed;
    };
    auto counts = [](const auto& m) {
        size_t named = 0;
        for (auto& kv : m) named += kv.first.IsId() ? 0 : 1;
        return std::make_pair(named, m.size() - named);
    };

    // Depth first: each table is followed by the tables below its first entry.
    auto [tn, ti] = counts(tree);
    size_t typeEntry = table(tn, ti);
    for (auto& [type, names] : tree) {
        Put32(out, typeEntry, key(type));
        Put32(out, typeEntry + 4, uint32_t(nextTable) | kSubdirectory);
        typeEntry += 8;
        auto [nn, ni] = counts(names);
        size_t nameEntry = table(nn, ni);
        for (auto& [name, langs] : names) {
            Put32(out, nameEntry, key(name));
            Put32(out, nameEntry + 4, uint32_t(nextTable) | kSubdirectory);
            nameEntry += 8;
            size_t langEntry = table(0, langs.size());
            for (auto& [lang, e] : langs) {
                Put32(out, langEntry, lang);
                Put32(out, langEntry + 4, uint32_t(nextEntry));
                langEntry += 8;
                nextData = Align8(nextData);
                Put32(out, nextEntry, uint32_t(rva + nextData));
                Put32(out, nextEntry + 4, uint32_t(e->data.size()));
                Put32(out, nextEntry + 8, e->codePage);
                std::copy(e->data.begin(), e->data.end(), out.begin() + nextData);
                nextData += e->data.size();
                nextEntry += 16;
            }
        }
    }
    return out;
}
