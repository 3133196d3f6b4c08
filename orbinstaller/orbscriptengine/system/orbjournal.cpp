#include "orbjournal.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "orbfileops.h"
#include "orbhandle.h"
#include "orblinks.h"
#include "orblog.h"
#include "orbregistry.h"
#include "orbstring.h"

namespace {

const char kHeader[] = "ORBJ1";

struct Journal {
    ORBFileHandle file;
    std::wstring path;
    std::wstring root;
    std::set<std::wstring> seen;  // lower-case "F|path", "V|root|key|name", "K|root|key"
};

std::mutex g_lock;
Journal* g_journal = nullptr;

std::wstring LowerKey(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// The plain form of a path the extractor hands over in \\?\ form.
std::wstring Plain(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + path.substr(7);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
    return path;
}

bool Inside(const std::wstring& root, const std::wstring& path) {
    std::wstring r = LowerKey(root);
    while (!r.empty() && (r.back() == L'\\' || r.back() == L'/')) r.pop_back();
    std::wstring p = LowerKey(path);
    return !r.empty() && p.size() > r.size() + 1 && p.compare(0, r.size(), r) == 0 && p[r.size()] == L'\\' &&
           p.find(L"\\..\\") == std::wstring::npos && p.find(L"\\.\\") == std::wstring::npos;
}

// Shortcuts are the one kind of file an install puts outside its folder.
bool IsShortcut(const std::wstring& path) {
    std::wstring p = LowerKey(path);
    auto ends = [&](const wchar_t* ext) {
        size_t n = wcslen(ext);
        return p.size() > n && p.compare(p.size() - n, n, ext) == 0;
    };
    return ends(L".lnk") || ends(L".url");
}

bool MayUndo(const std::wstring& root, const std::wstring& path) { return Inside(root, path) || IsShortcut(path); }

// A renamed-aside file is the replaced file's name with ".orb-old" (and a number) behind.
bool IsAsideOf(const std::wstring& aside, const std::wstring& path) {
    const std::wstring stem = path + L".orb-old";
    return aside.size() >= stem.size() && aside.compare(0, stem.size(), stem) == 0 &&
           aside.find_first_not_of(L"0123456789", stem.size()) == std::wstring::npos;
}

bool WriteLine(Journal& j, const std::vector<std::wstring>& fields) {
    std::wstring line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].find_first_of(L"\t\r\n") != std::wstring::npos) {
            SetLastError(ERROR_INVALID_NAME);
            return false;
        }
        if (i) line += L'\t';
        line += fields[i];
    }
    std::string bytes = ORBWideToUtf8(line) + "\n";
    DWORD done = 0;
    if (!WriteFile(j.file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
        done != bytes.size() || !FlushFileBuffers(j.file.get())) {
        ORB_LOG_FAILURE(L"Journal write failed!");
        return false;
    }
    return true;
}

std::wstring Hex(const std::vector<BYTE>& data) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    for (BYTE b : data) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<BYTE> Unhex(const std::wstring& text) {
    std::vector<BYTE> out;
    auto v = [](wchar_t c) { return c <= L'9' ? c - L'0' : c - L'a' + 10; };
    for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(static_cast<BYTE>(v(text[i]) * 16 + v(text[i + 1])));
    return out;
}

// A name beside path that nothing uses: path.orb-old, path.orb-old1, ...
std::wstring AsideName(const std::wstring& path) {
    for (int n = 0;; ++n) {
        std::wstring name = path + L".orb-old" + (n ? ORBDecimal(n) : std::wstring());
        if (!ORBPathExists(name)) return name;
    }
}

// Deletes the name itself (a link is removed, never followed); true when it is gone.
bool DeleteName(const std::wstring& path) {
    if (!ORBPathExists(path)) return true;
    ORBFileHandle h = ORBOpenNoFollow(ORBSystemPath(path), DELETE | FILE_WRITE_ATTRIBUTES);
    if (h && ORBDeleteByHandle(h.get())) return true;
    return !ORBPathExists(path);
}

std::vector<std::wstring> Split(const std::wstring& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
        if (tab == std::wstring::npos) return fields;
        start = tab + 1;
    }
}

bool ReadLines(const std::wstring& file, std::vector<std::vector<std::wstring>>& lines) {
    ORBFileHandle h(CreateFileW(ORBSystemPath(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h) return false;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        // A line cut by a power loss has no end: the change after it never happened.
        if (end == std::string::npos) break;
        lines.push_back(Split(ORBUtf8ToWide(bytes.substr(start, end - start))));
        start = end + 1;
    }
    return true;
}

// A root field is the root's name, with "/64" or "/32" when a registry view was named.
std::wstring RootField(const std::wstring& rootName, REGSAM view) {
    if (view == KEY_WOW64_64KEY) return rootName + L"/64";
    if (view == KEY_WOW64_32KEY) return rootName + L"/32";
    return rootName;
}

HKEY RootOfField(const std::wstring& field, std::wstring* name, REGSAM* view) {
    size_t slash = field.find(L'/');
    *name = field.substr(0, slash);
    *view = 0;
    if (slash != std::wstring::npos) *view = field.substr(slash + 1) == L"64" ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    return ORBRegRootFromName(*name);
}

bool RestoreValue(const std::vector<std::wstring>& f) {
    std::wstring rootName;
    REGSAM view = 0;
    HKEY root = RootOfField(f[1], &rootName, &view);
    if (!root) return false;
    if (f[4] == L"-") return ORBRegDeleteValue(root, rootName, f[2], f[3], view);
    ORBRegKey key;
    LONG rc = RegCreateKeyExW(root, f[2].c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS || f.size() < 6) return false;
    std::vector<BYTE> data = Unhex(f[5]);
    DWORD type = static_cast<DWORD>(std::wcstoul(f[4].c_str(), nullptr, 10));
    return RegSetValueExW(key.get(), f[3].c_str(), 0, type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// Deletes the renamed-aside files of a finished install; one still in use goes at the
// next restart.
void DropAside(const std::vector<std::vector<std::wstring>>& lines, const std::wstring& root) {
    for (const auto& f : lines) {
        if (f.size() < 3 || f[0] != L"F" || !MayUndo(root, f[1]) || !IsAsideOf(f[2], f[1])) continue;
        SetFileAttributesW(ORBSystemPath(f[2]).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteName(f[2])) MoveFileExW(ORBSystemPath(f[2]).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

// Removes a folder if it is empty. A file deleted just before stays in it while another
// program (a virus scanner, the shell reading a new shortcut's target) still has it
// open, so a folder not empty is tried again for a moment.
void RemoveEmptyFolder(const std::wstring& path) {
    const std::wstring system = ORBSystemPath(path);
    for (int i = 0; i < 10; ++i) {
        if (RemoveDirectoryW(system.c_str()) || GetLastError() != ERROR_DIR_NOT_EMPTY) return;
        Sleep(100);
    }
}

// Undoes the lines, newest first; false when something could not be undone.
bool Undo(const std::vector<std::vector<std::wstring>>& lines, const std::wstring& root) {
    bool ok = true;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const auto& f = *it;
        const std::wstring& kind = f[0];
        if (kind == L"N" && f.size() >= 2) {
            if (!MayUndo(root, f[1])) {
                ORBLog(L"Journal: %s is outside %s, kept\r\n", f[1].c_str(), root.c_str());
            } else if (!DeleteName(f[1])) {
                ORBLog(L"Journal: cannot remove %s (error %lu)\r\n", f[1].c_str(), GetLastError());
                ok = false;
            }
        } else if (kind == L"F" && f.size() >= 3) {
            if (!MayUndo(root, f[1]) || !IsAsideOf(f[2], f[1])) {
                ORBLog(L"Journal: %s is outside %s, kept\r\n", f[1].c_str(), root.c_str());
            } else if (ORBPathExists(f[2])) {
                // The new file goes first, so the old one never replaces through a link.
                if (!DeleteName(f[1]) ||
                    !MoveFileExW(ORBSystemPath(f[2]).c_str(), ORBSystemPath(f[1]).c_str(), 0)) {
                    ORBLog(L"Journal: cannot put back %s (error %lu)\r\n", f[1].c_str(), GetLastError());
                    ok = false;
                }
            }
        } else if (kind == L"D" && f.size() >= 2) {
            // Only when empty: anything left inside was not this install's.
            if (ORBPathExists(f[1])) RemoveEmptyFolder(f[1]);
        } else if (kind == L"K" && f.size() >= 3) {
            std::wstring rootName;
            REGSAM view = 0;
            HKEY root_key = RootOfField(f[1], &rootName, &view);
            LONG rc = root_key ? ORBRegDeleteTree(root_key, rootName, f[2], view) : ERROR_INVALID_HANDLE;
            if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
                ORBLog(L"Journal: cannot remove key %s\\%s (error %ld)\r\n", f[1].c_str(), f[2].c_str(), rc);
                ok = false;
            }
        } else if (kind == L"V" && f.size() >= 5) {
            if (!RestoreValue(f)) {
                ORBLog(L"Journal: cannot restore %s\\%s\\%s\r\n", f[1].c_str(), f[2].c_str(), f[3].c_str());
                ok = false;
            }
        }
    }
    return ok;
}

bool Finish(const std::wstring& file) {
    std::vector<std::vector<std::wstring>> lines;
    if (!ReadLines(file, lines)) return !ORBPathExists(file);
    if (lines.empty() || lines[0].size() < 2 || lines[0][0] != ORBUtf8ToWide(kHeader)) {
        // Nothing can have been changed before the header was on disk.
        ORBLog(L"Journal %s has no header: removed\r\n", file.c_str());
        return DeleteFileW(ORBSystemPath(file).c_str()) != 0;
    }
    const std::wstring root = lines[0][1];
    lines.erase(lines.begin());
    bool committed = std::any_of(lines.begin(), lines.end(), [](const auto& f) { return f[0] == L"C"; });
    bool ok = true;
    if (committed) {
        ORBLog(L"Journal %s: finishing the commit\r\n", file.c_str());
        DropAside(lines, root);
    } else {
        ORBLog(L"Journal %s: rolling back the install into %s\r\n", file.c_str(), root.c_str());
        ok = Undo(lines, root);
    }
    if (ok) DeleteFileW(ORBSystemPath(file).c_str());
    return ok;
}

bool RecordOnce(Journal& j, const std::wstring& seenKey) { return j.seen.insert(LowerKey(seenKey)).second; }

}  // namespace

bool ORBJournalBegin(const std::wstring& file, const std::wstring& root) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_journal) {
        ORBLog(L"Journal %s is open already\r\n", g_journal->path.c_str());
        return false;
    }
    auto j = std::make_unique<Journal>();
    j->path = file;
    j->root = root;
    j->file.reset(CreateFileW(ORBSystemPath(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!j->file) {
        ORB_LOG_FAILURE(L"Journal create failed!");
        return false;
    }
    if (!WriteLine(*j, {ORBUtf8ToWide(kHeader), root})) {
        j->file.reset();
        DeleteFileW(ORBSystemPath(file).c_str());
        return false;
    }
    g_journal = j.release();
    return true;
}

bool ORBJournalActive() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_journal != nullptr;
}

bool ORBJournalBeforeFile(const std::wstring& systemPath) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_journal) return true;
    Journal& j = *g_journal;
    const std::wstring path = Plain(systemPath);
    if (!RecordOnce(j, L"F|" + path)) return true;
    if (!ORBPathExists(path)) {
        if (WriteLine(j, {L"N", path})) return true;
    } else {
        const std::wstring aside = AsideName(path);
        if (WriteLine(j, {L"F", path, aside})) {
            if (MoveFileExW(ORBSystemPath(path).c_str(), ORBSystemPath(aside).c_str(), 0)) return true;
            DWORD err = GetLastError();
            ORBLog(L"Journal: cannot move %s aside (error %lu)\r\n", path.c_str(), err);
            SetLastError(err);
        }
    }
    // Not recorded: a later call tries again.
    j.seen.erase(LowerKey(L"F|" + path));
    return false;
}

bool ORBJournalFolderCreated(const std::wstring& systemPath) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_journal) return true;
    return WriteLine(*g_journal, {L"D", Plain(systemPath)});
}

bool ORBJournalBeforeRegValue(const std::wstring& name0, const std::wstring& key, const std::wstring& name,
                              REGSAM view) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_journal) return true;
    Journal& j = *g_journal;
    HKEY root = ORBRegRootFromName(name0);
    const std::wstring rootName = RootField(name0, view);
    if (!root) return false;
    // The first missing key on the way: removing it undoes every value written below.
    std::wstring prefix;
    size_t start = 0;
    while (start <= key.size()) {
        size_t slash = key.find(L'\\', start);
        if (slash == std::wstring::npos) slash = key.size();
        prefix = key.substr(0, slash);
        if (j.seen.count(LowerKey(L"K|" + rootName + L"|" + prefix))) return true;
        ORBRegKey k;
        LONG rc = RegOpenKeyExW(root, prefix.c_str(), 0, KEY_QUERY_VALUE | view, k.put());
        if (rc == ERROR_FILE_NOT_FOUND) {
            RecordOnce(j, L"K|" + rootName + L"|" + prefix);
            return WriteLine(j, {L"K", rootName, prefix});
        }
        if (rc != ERROR_SUCCESS) break;
        start = slash + 1;
    }
    if (!RecordOnce(j, L"V|" + rootName + L"|" + key + L"|" + name)) return true;
    ORBRegKey k;
    DWORD type = 0, size = 0;
    LONG rc = RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, k.put());
    if (rc == ERROR_SUCCESS) rc = RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) return WriteLine(j, {L"V", rootName, key, name, L"-"});
    std::vector<BYTE> data(size);
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &size);
    if (rc != ERROR_SUCCESS) {
        ORBLog(L"Journal: cannot read %s\\%s\\%s (error %ld)\r\n", rootName.c_str(), key.c_str(), name.c_str(), rc);
        j.seen.erase(LowerKey(L"V|" + rootName + L"|" + key + L"|" + name));
        return false;
    }
    data.resize(size);
    return WriteLine(j, {L"V", rootName, key, name, ORBDecimal(type), Hex(data)});
}

bool ORBJournalCommit() {
    std::unique_ptr<Journal> j;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_journal) return false;
        if (!WriteLine(*g_journal, {L"C"})) return false;
        j.reset(g_journal);
        g_journal = nullptr;
    }
    j->file.reset();
    return Finish(j->path);
}

bool ORBJournalRollback() {
    std::unique_ptr<Journal> j;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_journal) return false;
        j.reset(g_journal);
        g_journal = nullptr;
    }
    j->file.reset();
    return Finish(j->path);
}

bool ORBJournalRecover(const std::wstring& file) {
    if (!ORBPathExists(file)) return true;
    return Finish(file);
}
