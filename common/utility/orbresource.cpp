#include "orbresource.h"

#include "orblog.h"

ORBResourceData ORBLoadResource(HMODULE module, const wchar_t* type, const wchar_t* name) {
    ORBResourceData r;
    if (!module) module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, name, type);
    HGLOBAL handle = info ? LoadResource(module, info) : nullptr;
    if (!handle) return r;
    r.data = LockResource(handle);
    if (!r.data) {
        r.status = ORBResourceData::kNotLocked;
        return r;
    }
    r.size = SizeofResource(module, info);
    r.status = r.size ? ORBResourceData::kOk : ORBResourceData::kEmpty;
    return r;
}

bool ORBResourceUsable(const ORBResourceData& res, const ORBResourceRecord& record) {
    switch (res.status) {
    case ORBResourceData::kNotFound:
        ORBLogFailure(record.notFound, record.file, record.notFoundLine, GetLastError());
        return false;
    case ORBResourceData::kNotLocked:
        ORBLogFailure(kORBLogNotLocked, record.file, record.notLockedLine, GetLastError());
        return false;
    case ORBResourceData::kEmpty:
        ORBLog(kORBLogEmptyResource);
        return false;
    case ORBResourceData::kOk:
        break;
    }
    return true;
}
