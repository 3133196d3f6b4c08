#include "orbdownload.h"

#include <bcrypt.h>
#include <urlmon.h>

#include <cwctype>
#include <vector>

#include "orbhandle.h"
#include "orblibrary.h"
#include "orblog.h"

namespace {

const wchar_t kFunction[] = L"Lua_URLDownloadToFileAsync";

// bcrypt.dll is taken from System32 when first needed, never from the setup's folder.
template <typename Fn>
Fn Bcrypt(const char* name) {
    return ORBSystemFunction<Fn>(L"bcrypt.dll", name);
}

using OpenAlgFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using CloseAlgFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using CreateHashFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
using HashDataFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using FinishHashFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using DestroyHashFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);

void CloseAlg(BCRYPT_ALG_HANDLE h) {
    static const auto close = Bcrypt<CloseAlgFn>("BCryptCloseAlgorithmProvider");
    if (close) close(h, 0);
}
void DestroyHash(BCRYPT_HASH_HANDLE h) {
    static const auto destroy = Bcrypt<DestroyHashFn>("BCryptDestroyHash");
    if (destroy) destroy(h);
}
using ORBAlgHandle = ORBUniqueHandle<ORBFreeTraits<BCRYPT_ALG_HANDLE, CloseAlg>>;
using ORBHashHandle = ORBUniqueHandle<ORBFreeTraits<BCRYPT_HASH_HANDLE, DestroyHash>>;

// Two handles of files in one folder (so on one volume) name the same file. The volume
// serial is not compared: Wine reports it only to handles with read access.
bool SameFileInFolder(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x = {}, y = {};
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

std::wstring LowerDigest(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// Compares what arrived at side (open as file) with check; logs the first difference.
bool Matches(HANDLE file, const std::wstring& path, const ORBDownloadCheck& check) {
    std::wstring digest;
    uint64_t size = 0;
    if (!ORBFileSha256(file, digest, size)) return false;
    if (check.hasSize && size != check.size) {
        ORBLog(L"Fun:%s, Description:%s has %llu bytes, not %llu: deleted\r\n", kFunction, path.c_str(),
               static_cast<unsigned long long>(size), static_cast<unsigned long long>(check.size));
        return false;
    }
    if (!check.sha256.empty() && digest != LowerDigest(check.sha256)) {
        ORBLog(L"Fun:%s, Description:%s has SHA-256 %s, not %s: deleted\r\n", kFunction, path.c_str(),
               digest.c_str(), LowerDigest(check.sha256).c_str());
        return false;
    }
    return true;
}

// Gives the checked side file the name path; the file that then bears the name must be
// the one that was checked (the handle stays open, writers locked out, meanwhile).
bool CheckAndPlace(const std::wstring& side, const std::wstring& path, const ORBDownloadCheck& check) {
    ORBFileHandle file(CreateFileW(side.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        ORB_LOG_FAILURE(L"CreateFileW of the download failed");
        return false;
    }
    if (!Matches(file.get(), path, check)) return false;
    if (!MoveFileExW(side.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ORB_LOG_FAILURE(L"MoveFileExW of the download failed");
        return false;
    }
    ORBFileHandle placed(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!placed || !SameFileInFolder(file.get(), placed.get())) {
        ORBLog(L"Fun:%s, Description:%s was replaced after its check: deleted\r\n", kFunction, path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool ORBIsSha256Hex(const std::wstring& text) {
    if (text.size() != 64) return false;
    for (wchar_t c : text)
        if (!std::iswxdigit(c) || c > 0x7F) return false;
    return true;
}

bool ORBFileSha256(HANDLE file, std::wstring& hex, uint64_t& size) {
    static const auto open = Bcrypt<OpenAlgFn>("BCryptOpenAlgorithmProvider");
    static const auto create = Bcrypt<CreateHashFn>("BCryptCreateHash");
    static const auto hashData = Bcrypt<HashDataFn>("BCryptHashData");
    static const auto finish = Bcrypt<FinishHashFn>("BCryptFinishHash");
    ORBAlgHandle alg;
    ORBHashHandle hash;
    if (!open || !create || !hashData || !finish || open(alg.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0 ||
        create(alg.get(), hash.put(), nullptr, 0, nullptr, 0, 0) < 0) {
        ORBLog(L"Fun:%s, Description:SHA-256 is not available from bcrypt.dll\r\n", kFunction);
        return false;
    }
    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) {
        ORB_LOG_FAILURE(L"SetFilePointerEx failed");
        return false;
    }
    std::vector<UCHAR> buf(1 << 16);
    size = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) {
            ORB_LOG_FAILURE(L"ReadFile failed");
            return false;
        }
        if (got == 0) break;
        size += got;
        if (hashData(hash.get(), buf.data(), got, 0) < 0) return false;
    }
    UCHAR digest[32];
    if (finish(hash.get(), digest, sizeof digest, 0) < 0) return false;
    static const wchar_t kDigits[] = L"0123456789abcdef";
    hex.clear();
    for (UCHAR b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return true;
}

bool ORBDownloadToFile(const std::wstring& url, const std::wstring& path, const ORBDownloadCheck& check) {
    if (!check.sha256.empty() && !ORBIsSha256Hex(check.sha256)) {
        ORBLog(L"Fun:%s, Description:%s is not a SHA-256 (64 hexadecimal digits): nothing downloaded\r\n",
               kFunction, check.sha256.c_str());
        return false;
    }
    // urlmon is no KnownDLL: taken from the system folder when first needed.
    using DownloadFn = HRESULT(WINAPI*)(LPUNKNOWN, LPCWSTR, LPCWSTR, DWORD, LPBINDSTATUSCALLBACK);
    static const auto download = ORBSystemFunction<DownloadFn>(L"urlmon.dll", "URLDownloadToFileW");
    const bool checked = check.Any();
    const std::wstring target = checked ? path + L".download" : path;
    // A name left there (even a link someone made) is not written through.
    if (checked) DeleteFileW(target.c_str());
    HRESULT hr = download ? download(nullptr, url.c_str(), target.c_str(), 0, nullptr)
                          : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    bool ok = SUCCEEDED(hr);
    if (!ok) {
        // The HRESULT says what went wrong; the thread's last error rarely does.
        ORBLogFailure(L"URLDownloadToFileW failed", ORB_WFILE, __LINE__, static_cast<DWORD>(hr));
    }
    if (!checked) return ok;
    if (ok) ok = CheckAndPlace(target, path, check);
    if (!ok) {
        // Nothing unchecked stays under either name.
        DeleteFileW(target.c_str());
        DeleteFileW(path.c_str());
    } else {
        ORBLog(L"Fun:%s, Description:%s downloaded and checked\r\n", kFunction, path.c_str());
    }
    return ok;
}
