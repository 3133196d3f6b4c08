#include "orbappendedpayload.h"

#include <cstddef>
#include <cstring>
#include <memory>

#include "Sha256.h"
#include "orbfileops.h"
#include "orbhandle.h"
#include "orblog.h"
#include "orbresource.h"

namespace {

const size_t kEntrySize = 64;
const size_t kNameUnits = 20;
const size_t kDigestSize = 32;
const size_t kRecordSize = kDigestSize + 8;

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

// The directory entry of the payload stored in file, when its name is name.
bool ReadEntry(HANDLE file, const std::wstring& name, ORBAppendedPayload* payload) {
    unsigned long long end = 0;
    if (!DataEnd(file, &end) || end < kEntrySize) return false;
    unsigned char entry[kEntrySize];
    if (!ReadAt(file, end - kEntrySize, entry, kEntrySize) || std::memcmp(entry, "ORBPAYLD", 8) != 0) return false;
    wchar_t stored[kNameUnits + 1] = {};
    for (size_t i = 0; i < kNameUnits; ++i) stored[i] = wchar_t(entry[24 + 2 * i] | (entry[25 + 2 * i] << 8));
    if (CompareStringOrdinal(stored, -1, name.c_str(), -1, TRUE) != CSTR_EQUAL) return false;
    unsigned long long offset = U64(entry + 8), size = U64(entry + 16);
    if (offset > end - kEntrySize || size > end - kEntrySize - offset) return false;
    payload->file = file;
    payload->offset = offset;
    payload->size = size;
    return true;
}

bool Sha256Of(HANDLE file, unsigned long long offset, unsigned long long size, Byte digest[kDigestSize]) {
    static const bool prepared = (Sha256Prepare(), true);
    (void)prepared;
    const DWORD kChunk = 1 << 20;
    std::unique_ptr<Byte[]> buf(new (std::nothrow) Byte[kChunk]);
    if (!buf) return false;
    CSha256 sha;
    Sha256_Init(&sha);
    while (size) {
        DWORD n = size < kChunk ? DWORD(size) : kChunk;
        if (!ReadAt(file, offset, buf.get(), n)) return false;
        Sha256_Update(&sha, buf.get(), n);
        offset += n;
        size -= n;
    }
    Sha256_Final(&sha, digest);
    return true;
}

std::wstring SelfPath() {
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, &self[0], DWORD(self.size()));
        if (n == 0) return std::wstring();
        if (n < self.size()) {
            self.resize(n);
            return self;
        }
        self.resize(self.size() * 2);
    }
}

struct SelfCheck {
    ORBAppendedCheck result = ORBAppendedCheck::kNone;
    ORBFileHandle file;  // kept open (and unshared) to the end of the process
    std::wstring name;
    ORBAppendedPayload payload;
};

SelfCheck RunSelfCheck() {
    SelfCheck check;
    const wchar_t* name = ORB_RES_W(ORB_RN_PAYLOAD);
    ORBResourceData record = ORBLoadResource(nullptr, ORB_RES_W(ORB_RT_PAYLOAD_DIGEST), name);
    if (record.status == ORBResourceData::kNotFound) return check;
    check.result = ORBAppendedCheck::kRefused;
    std::wstring self = SelfPath();
    // No write or delete sharing: nobody renames, replaces or changes the file from now on.
    check.file.reset(CreateFileW(ORBSystemPath(self).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!check.file) {
        ORB_LOG_FAILURE(L"the setup cannot open its own file");
        return check;
    }
    if (ORBVerifyAppendedPayload(check.file.get(), name, record.data, record.size, &check.payload)) {
        check.result = ORBAppendedCheck::kVerified;
        check.name = name;
    }
    return check;
}

SelfCheck& Self() {
    static SelfCheck check = RunSelfCheck();
    return check;
}

}  // namespace

bool ORBVerifyAppendedPayload(HANDLE file, const std::wstring& name, const void* record, size_t recordSize,
                              ORBAppendedPayload* payload) {
    const Byte* expected = static_cast<const Byte*>(record);
    Byte digest[kDigestSize];
    bool ok = record && recordSize == kRecordSize && ReadEntry(file, name, payload) &&
              payload->size == U64(expected + kDigestSize) &&
              Sha256Of(file, payload->offset, payload->size, digest) &&
              std::memcmp(digest, expected, kDigestSize) == 0;
    if (!ok) ORBLog(L"the payload %s stored after the setup's image is missing or altered\r\n", name.c_str());
    return ok;
}

ORBAppendedCheck ORBCheckAppendedPayload() { return Self().result; }

bool ORBFindAppendedPayload(const std::wstring& name, ORBAppendedPayload* payload) {
    SelfCheck& self = Self();
    if (self.result != ORBAppendedCheck::kVerified) return false;
    if (CompareStringOrdinal(self.name.c_str(), -1, name.c_str(), -1, TRUE) != CSTR_EQUAL) return false;
    *payload = self.payload;
    return true;
}
