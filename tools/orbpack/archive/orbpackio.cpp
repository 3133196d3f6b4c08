#include "orbpackio.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

OrbPackFile OrbPackOpen(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    std::wstring m(mode, mode + std::char_traits<char>::length(mode));
    return OrbPackFile(_wfopen(path.c_str(), m.c_str()));
#else
    return OrbPackFile(std::fopen(path.c_str(), mode));
#endif
}

bool OrbPackStat(const std::filesystem::path& path, OrbPackFileInfo& info) {
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    DWORD a = data.dwFileAttributes;
    info.kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) ? OrbPackFileInfo::kLink
                : (a & FILE_ATTRIBUTE_DIRECTORY)   ? OrbPackFileInfo::kFolder
                : (a & FILE_ATTRIBUTE_DEVICE)      ? OrbPackFileInfo::kOther
                                                   : OrbPackFileInfo::kFile;
    info.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.mtime = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    info.readOnly = (a & FILE_ATTRIBUTE_READONLY) != 0;
#else
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return false;
    info.kind = S_ISLNK(st.st_mode)   ? OrbPackFileInfo::kLink
                : S_ISDIR(st.st_mode) ? OrbPackFileInfo::kFolder
                : S_ISREG(st.st_mode) ? OrbPackFileInfo::kFile
                                      : OrbPackFileInfo::kOther;
    info.size = uint64_t(st.st_size);
    const int64_t kUnixEpoch = 116444736000000000;  // 1970-01-01 in FILETIME ticks
    int64_t t = int64_t(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100 + kUnixEpoch;
    info.mtime = t < 0 ? 0 : uint64_t(t);
    info.readOnly = (st.st_mode & S_IWUSR) == 0;
#endif
    return true;
}

bool OrbPackReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

std::string OrbPackDisplay(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::wstring& w = path.native();
    std::string out;
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    out.resize(size_t(n > 0 ? n : 0));
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), &out[0], n, nullptr, nullptr);
    return out;
#else
    return path.native();
#endif
}
