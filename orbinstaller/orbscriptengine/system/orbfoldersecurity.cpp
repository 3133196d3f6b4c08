#include "orbfoldersecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "orbfileops.h"
#include "orbhandle.h"
#include "orblinks.h"
#include "orblog.h"

namespace {

using ORBLocalMemory = ORBUniqueHandle<ORBFreeTraits<HLOCAL, LocalFree>>;

// Rights on a folder that let their holder put, replace or remove what is inside it,
// or hand themselves more.
const ACCESS_MASK kWriteRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                 WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return IsWellKnownSid(sid, type) != FALSE; }

bool IsTrustedInstaller(PSID sid) {
    static const wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    PSID ti = nullptr;
    if (!ConvertStringSidToSidW(kTrustedInstaller, &ti)) return false;
    ORBLocalMemory hold(ti);
    return EqualSid(sid, ti) != FALSE;
}

// Administrators, SYSTEM, TrustedInstaller and the user this setup runs as.
bool Trusted(PSID sid, PSID trustedUser) {
    if (!sid || !IsValidSid(sid)) return false;
    return IsWellKnown(sid, WinBuiltinAdministratorsSid) || IsWellKnown(sid, WinLocalSystemSid) ||
           IsTrustedInstaller(sid) || (trustedUser && EqualSid(sid, trustedUser));
}

// The user of this process's token, in buffer.
PSID ProcessUser(std::vector<BYTE>& buffer) {
    ORBHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return nullptr;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (!size) return nullptr;
    buffer.resize(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return nullptr;
    return reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
}

}  // namespace

const wchar_t kORBSecureFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

bool ORBDescriptorLetsUsersWrite(PSECURITY_DESCRIPTOR sd, PSID trustedUser) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    // An owner may always change the permissions.
    if (!GetSecurityDescriptorOwner(sd, &owner, &defaulted) || !Trusted(owner, trustedUser)) return true;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted)) return true;
    if (!present || !dacl) return true;  // no list: everybody may do everything
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) return true;
        const ACE_HEADER* header = static_cast<ACE_HEADER*>(entry);
        // Entries only handed down, and denials, grant nothing here.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
        const ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = const_cast<DWORD*>(&ace->SidStart);
        if ((ace->Mask & kWriteRights) && !Trusted(sid, trustedUser)) return true;
    }
    return false;
}

int ORBFolderLetsUsersWrite(const std::wstring& path) {
    // The folder itself, never what a link points at; a link is somebody's to redirect.
    ORBFileHandle folder(ORBOpenNoFollow(path, READ_CONTROL | FILE_READ_ATTRIBUTES));
    ORBFileFacts facts;
    if (!folder || !ORBHandleFacts(folder.get(), path, &facts)) return -1;
    if (ORBIsLink(facts)) return 1;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(folder.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return -1;
    ORBLocalMemory hold(sd);
    std::vector<BYTE> user;
    return ORBDescriptorLetsUsersWrite(sd, ProcessUser(user)) ? 1 : 0;
}

bool ORBCreateSecureFolder(const std::wstring& path) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kORBSecureFolderSddl, SDDL_REVISION_1, &sd, nullptr)) {
        ORB_LOG_FAILURE(L"ConvertStringSecurityDescriptorToSecurityDescriptorW failed!");
        return false;
    }
    ORBLocalMemory hold(sd);
    SECURITY_ATTRIBUTES sa = {sizeof sa, sd, FALSE};
    const std::wstring full = ORBFullPath(path);
    // From below the root: "C:\" or "\\server\share\".
    size_t start = 3;
    if (full.compare(0, 2, L"\\\\") == 0) {
        size_t share = full.find(L'\\', 2);
        share = share == std::wstring::npos ? share : full.find(L'\\', share + 1);
        start = share == std::wstring::npos ? full.size() + 1 : share + 1;
    }
    for (size_t k = start; k <= full.size(); ++k) {
        if (k < full.size() && full[k] != L'\\' && full[k] != L'/') continue;
        const std::wstring step = full.substr(0, k);
        if (step.back() == L'\\' || GetFileAttributesW(step.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        if (!CreateDirectoryW(step.c_str(), &sa) && GetLastError() != ERROR_ALREADY_EXISTS) {
            ORBLog(L"Fun:Lua_CreateSecureDirectory, Description:%s not created, err:%lu\r\n", step.c_str(),
                   GetLastError());
            return false;
        }
    }
    const DWORD attributes = GetFileAttributesW(full.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
