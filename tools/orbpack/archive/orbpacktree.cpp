#include "orbpacktree.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "orbpackio.h"
#include "orbpacknames.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrFolder = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

// Extensions of x86 code, as 7-Zip picks them for its filter.
bool IsExecutableName(const std::u16string& name) {
    size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos) return false;
    std::u16string ext = name.substr(dot + 1);
    for (char16_t& c : ext)
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 0x20);
    static const char16_t* const kExts[] = {u"exe", u"dll", u"ocx", u"sys", u"sfx", u"cpl", u"scr", u"drv", u"efi"};
    for (const char16_t* e : kExts)
        if (ext == e) return true;
    return false;
}

struct Child {
    fs::path path;
    std::string utf8;
    std::u16string utf16;
};

// The name of p's last part in both forms; false when it is not valid Unicode.
bool ChildName(const fs::path& p, Child& c) {
    c.path = p;
#ifdef _WIN32
    std::wstring w = p.filename().native();
    c.utf16.assign(w.begin(), w.end());
    return OrbPackUtf16To8(c.utf16, c.utf8);
#else
    c.utf8 = p.filename().native();
    return OrbPackUtf8To16(c.utf8, c.utf16);
#endif
}

class Scanner {
public:
    Scanner(std::vector<OrbPackEntry>& entries, std::string& error) : entries_(entries), error_(error) {}

    bool Folder(const fs::path& dir, const std::string& key, const std::u16string& name) {
        std::vector<Child> children;
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            Child c;
            if (!ChildName(it->path(), c)) return Fail(it->path(), "name that is not valid Unicode");
            children.push_back(std::move(c));
        }
        if (ec) return Fail(dir, "cannot be read: " + ec.message());
        std::sort(children.begin(), children.end(), [](const Child& a, const Child& b) { return a.utf8 < b.utf8; });
        std::map<std::u16string, const Child*> folded;
        for (const Child& c : children) {
            if (const char* problem = OrbPackNameProblem(c.utf16)) return Fail(c.path, problem);
            auto seen = folded.emplace(OrbPackFoldCase(c.utf16), &c);
            if (!seen.second)
                return Fail(c.path, "differs only by case from \"" + seen.first->second->utf8 +
                                        "\", which Windows cannot hold in one folder");
        }
        for (const Child& c : children) {
            OrbPackEntry e;
            e.source = c.path;
            e.key = key.empty() ? c.utf8 : key + '\0' + c.utf8;
            e.name = name.empty() ? c.utf16 : name + u'/' + c.utf16;
            if (e.name.size() > kOrbPackMaxPath) return Fail(c.path, "path longer than the setup can create");
            OrbPackFileInfo info;
            if (!OrbPackStat(c.path, info)) return Fail(c.path, "cannot be read");
            if (info.kind == OrbPackFileInfo::kLink) return Fail(c.path, "a link (only files and folders are packed)");
            if (info.kind == OrbPackFileInfo::kOther) return Fail(c.path, "not a file or folder");
            e.isFolder = info.kind == OrbPackFileInfo::kFolder;
            e.size = e.isFolder ? 0 : info.size;
            e.mtime = info.mtime;
            e.attributes = (e.isFolder ? kAttrFolder : kAttrArchive) | (info.readOnly && !e.isFolder ? kAttrReadOnly : 0);
            e.executable = !e.isFolder && IsExecutableName(c.utf16);
            entries_.push_back(e);
            if (e.isFolder && !Folder(c.path, e.key, e.name)) return false;
        }
        return true;
    }

private:
    bool Fail(const fs::path& p, const std::string& why) {
        error_ = OrbPackDisplay(p) + ": " + why;
        return false;
    }

    std::vector<OrbPackEntry>& entries_;
    std::string& error_;
};

}  // namespace

bool OrbPackScanTree(const fs::path& folder, std::vector<OrbPackEntry>& entries, std::string& error) {
    entries.clear();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = OrbPackDisplay(folder) + ": not a folder";
        return false;
    }
    Scanner scanner(entries, error);
    if (!scanner.Folder(folder, std::string(), std::u16string())) return false;
    std::sort(entries.begin(), entries.end(), [](const OrbPackEntry& a, const OrbPackEntry& b) { return a.key < b.key; });
    return true;
}
