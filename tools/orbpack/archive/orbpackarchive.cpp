#include "orbpackarchive.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "7zCrc.h"
#include "orbpack7zheader.h"
#include "orbpackencode.h"
#include "orbpackio.h"
#include "orbpacktree.h"

namespace fs = std::filesystem;

namespace {

// The blocks in their fixed order: other files, then executables through the x86
// filter, as 7-Zip groups them. Entries follow their blocks; folders and empty files
// come last, so an extractor that sets a folder's time as it meets the entry does so
// after the folder's files are written.
void Plan(const std::vector<OrbPackEntry>& tree, std::vector<OrbPackBlock>& blocks,
          std::vector<const OrbPackEntry*>& order) {
    for (bool x86 : {false, true}) {
        OrbPackBlock b;
        b.x86 = x86;
        for (const OrbPackEntry& e : tree)
            if (!e.isFolder && e.size > 0 && e.executable == x86) {
                b.files.push_back(&e);
                b.unpackSize += e.size;
            }
        if (b.files.empty()) continue;
        order.insert(order.end(), b.files.begin(), b.files.end());
        blocks.push_back(std::move(b));
    }
    for (const OrbPackEntry& e : tree)
        if (e.isFolder || e.size == 0) order.push_back(&e);
}

bool Write(std::FILE* f, const std::string& bytes) { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); }

bool WriteArchive(const std::vector<OrbPackEntry>& tree, std::FILE* f, const std::string& outName, int level,
                  std::string& error) {
    std::vector<OrbPackBlock> blocks;
    std::vector<const OrbPackEntry*> order;
    Plan(tree, blocks, order);
    // Room for the start header, written last when the header's place is known.
    if (!Write(f, std::string(32, '\0'))) {
        error = outName + ": cannot be written";
        return false;
    }
    uint64_t packed = 0;
    for (OrbPackBlock& b : blocks) {
        if (!OrbPackEncodeBlock(b, level, f, outName, error)) return false;
        packed += b.packSize;
    }
    // An empty tree is an archive without a header, as 7-Zip writes it.
    std::string header = order.empty() ? std::string() : OrbPack7zHeader(order, blocks);
    CrcGenerateTable();
    uint32_t crc = header.empty() ? 0 : CrcCalc(header.data(), header.size());
    bool ok = Write(f, header) && std::fseek(f, 0, SEEK_SET) == 0 &&
              Write(f, OrbPack7zStart(header.empty() ? 0 : packed, header.size(), crc)) && std::fflush(f) == 0;
    if (!ok) error = outName + ": cannot be written";
    return ok;
}

}  // namespace

bool OrbPackWriteArchive(const fs::path& folder, const fs::path& out, const OrbPackArchiveOptions& opt,
                         std::string& error) {
    error.clear();
    if (opt.level < 0 || opt.level > 9) {
        error = "compression level " + std::to_string(opt.level) + " is not between 0 and 9";
        return false;
    }
    // An archive inside its own payload would pack its former self.
    std::error_code ec;
    fs::path outFull = fs::weakly_canonical(fs::absolute(out, ec), ec);
    fs::path folderFull = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    if (!folderFull.has_filename()) folderFull = folderFull.parent_path();
    auto mismatch = std::mismatch(folderFull.begin(), folderFull.end(), outFull.begin(), outFull.end());
    if (!ec && mismatch.first == folderFull.end()) {
        error = OrbPackDisplay(out) + ": the archive cannot be written inside the folder it packs";
        return false;
    }
    std::vector<OrbPackEntry> tree;
    if (!OrbPackScanTree(folder, tree, error)) return false;

    fs::path temp = out;
    temp += ".part";
    std::string outName = OrbPackDisplay(out);
    OrbPackFile f = OrbPackOpen(temp, "wb");
    if (!f) {
        error = OrbPackDisplay(temp) + ": cannot be created";
        return false;
    }
    bool ok = WriteArchive(tree, f.get(), outName, opt.level, error);
    if (std::fclose(f.release()) != 0 && ok) {
        error = outName + ": cannot be written";
        ok = false;
    }
    if (ok && !OrbPackReplace(temp, out)) {
        error = outName + ": cannot be replaced";
        ok = false;
    }
    if (!ok) fs::remove(temp, ec);
    return ok;
}
