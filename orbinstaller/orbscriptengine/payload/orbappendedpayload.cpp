#include "orbappendedpayload.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "orbfileops.h"
#include "orbhandle.h"

namespace {

const size_t kEntrySize = 64;
const size_t kNameUnits = 20;

bool ReadAt(HANDLE file, unsigned long long offset, void* buf, DWORD size) {
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    return ReadFile(file, buf, size, &got, &at) && got == size;
}

unsigned long long U64(const unsigned char* p) {
    unsigned long long v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Where the data after the image end: at the signature's certificate table when the
// file is signed, else at the end of the file.
bool DataEnd(HANDLE file, unsigned long long* end) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return false;
    *end = static_cast<unsigned long long>(size.QuadPart);
    IMAGE_DOS_HEADER dos;
    if (!ReadAt(file, 0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
    unsigned char nt[sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) + sizeof(IMAGE_OPTIONAL_HEADER64)];
    if (!ReadAt(file, static_cast<unsigned long long>(dos.e_lfanew), nt, sizeof nt)) return false;
    if (std::memcmp(nt, "PE\0\0", 4) != 0) return false;
    const unsigned char* optional = nt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    WORD magic;
    std::memcpy(&magic, optional, sizeof magic);
    IMAGE_DATA_DIRECTORY security;
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        std::memcpy(&security, optional + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory) +
                                   IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof security, sizeof security);
    else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        std::memcpy(&security, optional + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory) +
                                   IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof security, sizeof security);
    else
        return false;
    // For this directory the address is a file offset.
    if (security.VirtualAddress && security.Size && security.VirtualAddress <= *end) *end = security.VirtualAddress;
    return true;
}

}  // namespace

bool ORBFindAppendedPayloadIn(const std::wstring& path, const std::wstring& name, ORBAppendedPayload* payload) {
    ORBFileHandle file(CreateFileW(ORBSystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    unsigned long long end = 0;
    if (!DataEnd(file.get(), &end) || end < kEntrySize) return false;
    unsigned char entry[kEntrySize];
    if (!ReadAt(file.get(), end - kEntrySize, entry, kEntrySize) || std::memcmp(entry, "ORBPAYLD", 8) != 0)
        return false;
    wchar_t stored[kNameUnits + 1] = {};
    for (size_t i = 0; i < kNameUnits; ++i) stored[i] = wchar_t(entry[24 + 2 * i] | (entry[25 + 2 * i] << 8));
    if (CompareStringOrdinal(stored, -1, name.c_str(), -1, TRUE) != CSTR_EQUAL) return false;
    unsigned long long offset = U64(entry + 8), size = U64(entry + 16);
    if (offset > end - kEntrySize || size > end - kEntrySize - offset) return false;
    payload->file = path;
    payload->offset = offset;
    payload->size = size;
    return true;
}

bool ORBFindAppendedPayload(const std::wstring& name, ORBAppendedPayload* payload) {
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, &self[0], DWORD(self.size()));
        if (n == 0) return false;
        if (n < self.size()) {
            self.resize(n);
            break;
        }
        self.resize(self.size() * 2);
    }
    return ORBFindAppendedPayloadIn(self, name, payload);
}
