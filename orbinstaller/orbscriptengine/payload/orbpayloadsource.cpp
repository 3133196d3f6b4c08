#include "orbpayloadsource.h"

#include "orbappendedpayload.h"
#include "orbfileops.h"
#include "orblog.h"
#include "orbresource.h"

ORBPayloadSource ORBFindPayload(const wchar_t* name) {
    ORBPayloadSource source;
    ORBResourceData res = ORBLoadResource(nullptr, ORB_RES_W(ORB_RT_7Z), name);
    if (res.status == ORBResourceData::kOk || res.status == ORBResourceData::kEmpty) {
        source.kind = ORBPayloadSource::kResource;
        source.data = res.data;
        source.size = res.size;
        return source;
    }
    ORBAppendedPayload appended;
    if (res.status == ORBResourceData::kNotFound && !IS_INTRESOURCE(name) && ORBFindAppendedPayload(name, &appended)) {
        // Too large for the image: stored after it, read through the checked handle.
        source.kind = ORBPayloadSource::kAppended;
        source.file = appended.file;
        source.offset = appended.offset;
        source.size = appended.size;
    }
    return source;
}

namespace {

int UnpackFrom(const ORBUnpackRequest& request, const ORB7zCallbacks& callbacks, bool* found) {
    *found = true;
    if (request.fromFile) {
        if (!ORBPathExists(request.source)) {
            ORBLog(L"Fun:%s, Description:%s it's not exists!\r\n", L"Lua_UnCompress7z", request.source.c_str());
            *found = false;
            return 0;
        }
        ORBLog(L"UnCompress %s to %s .\r\n", request.source.c_str(), request.destination.c_str());
        return Extract7zFromFile(request.destination, request.source, callbacks);
    }
    const wchar_t* name = request.resourceId ? MAKEINTRESOURCEW(request.resourceId) : request.source.c_str();
    ORBPayloadSource source = ORBFindPayload(name);
    if (source.kind == ORBPayloadSource::kMissing) {
        ORBLog(L"Fun:%s ,LoadResource failed!\r\n", L"Lua_UnCompress7z");
        *found = false;
        return 0;
    }
    if (!request.resourceId) ORBLog(L"UnCompress %s to %s .\r\n", name, request.destination.c_str());
    // The stored signature is exchanged while reading; the resource image stays as
    // stored, so every use in the process sees the same bytes.
    if (source.kind == ORBPayloadSource::kAppended)
        return Extract7zFromFileRange(request.destination, source.file, source.offset, source.size, callbacks, true);
    return Extract7zFromMemory(request.destination, source.data, size_t(source.size), callbacks, true);
}

}  // namespace

bool ORBUnpack(const ORBUnpackRequest& request, const ORB7zCallbacks& callbacks) {
    if (!ORBPathExists(request.destination)) {
        ORBLog(L"Fun:%s, Description:%s it's not exists!\r\n", L"Lua_UnCompress7z", request.destination.c_str());
        return false;
    }
    bool found = false;
    int status = UnpackFrom(request, callbacks, &found);
    if (!found) return false;
    if (status != 0) {
        ORBLog(L"Fun:%s, Description: UnCompress failed.!\r\n", L"Lua_UnCompress7z");
        return false;
    }
    ORBLog(L"UnCompress successful.\r\n");
    return true;
}
