// Writes refused in the middle of an extraction (a full disk, through the write seam):
// the run ends with false and the reason in the log, nothing half-written stays, and
// every file that does stay reaches the per-file callback.
#include <cstring>
#include <set>

#include "gtest/gtest.h"
#include "orb7zwriter.h"
#include "orbscriptengine.h"
#include "orbstring.h"
#include "orbtestlua.h"
#include "orbtestutil.h"
#include "test7zwriter.h"

namespace {

ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }

// Refuses, as a full disk does, every write of data beginning with "FULL"; the refusal
// comes late, so that the files behind it are queued meanwhile.
BOOL RefuseFull(HANDLE file, const void* data, DWORD size, DWORD* written) {
    if (size >= 4 && memcmp(data, "FULL", 4) == 0) {
        Sleep(300);
        *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return WriteFile(file, data, size, written, nullptr);
}

BOOL RefuseAll(HANDLE, const void*, DWORD, DWORD* written) {
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

struct WriteSeam {
    explicit WriteSeam(ORB7zWriteFn fn) { ORB7zSetWriteFunction(fn); }
    ~WriteSeam() { ORB7zSetWriteFunction(nullptr); }
};

std::set<std::wstring> Files(const std::wstring& dir) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(fd.cFileName);
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

}  // namespace

TEST(WriteFailure, MidSolidBlockEveryFileLeftIsHandedOnAndTheReasonLogged) {
    for (bool nonSolid : {false, true}) {
        std::vector<Test7zEntry> entries;
        for (int k = 0; k < 40; ++k) {
            std::string name = (k == 12 ? "full" : "f") + std::to_string(k);
            entries.push_back(File7z(std::wstring(name.begin(), name.end()),
                                     (k == 12 ? "FULL" : "data") + std::string(3000 + k, char('a' + k % 26))));
        }
        ScopedTempDir d(L"wfail"), a(L"wfailarc");
        ASSERT_TRUE(WriteFileBytes(a.file(L"t.7z"), Make7z(entries, false, nonSolid)));
        Engine()->SetGlobalString("D", d.path());
        Engine()->SetGlobalString("A", a.file(L"t.7z"));
        LogCapture log;
        {
            WriteSeam seam(RefuseFull);
            EXPECT_EQ("false", LuaResult1("handed = {} return Lua_UnCompress7z(A, D, true,"
                                          " function(p) handed[#handed + 1] = p:match('[^\\\\]+$') end)"))
                << nonSolid;
        }
        std::set<std::wstring> handed;
        int n = std::stoi(LuaResult1("return #handed"));
        for (int k = 1; k <= n; ++k)
            handed.insert(ORBUtf8ToWide(LuaResult1("return handed[" + std::to_string(k) + "]")));
        EXPECT_EQ(Files(d.path()), handed) << nonSolid;
        EXPECT_FALSE(FileExists(d.file(L"full12"))) << nonSolid;
        EXPECT_TRUE(FileExists(d.file(L"f11"))) << nonSolid;
        EXPECT_TRUE(log.Has(L"full12 failed, error 112!")) << nonSolid;
    }
}

TEST(WriteFailure, ExtractResourceLeavesNoPartialFile) {
    ScopedTempDir d(L"resfail");
    Engine()->SetGlobalString("F", d.file(L"chunk.luac"));
    LogCapture log;
    {
        WriteSeam seam(RefuseAll);
        EXPECT_EQ("false", LuaResult1("return Lua_ExtractResource('LUA', 'CHUNK.LUAC', F)"));
    }
    EXPECT_FALSE(FileExists(d.file(L"chunk.luac")));
    EXPECT_TRUE(log.Has(L"failed, error 112!"));
}
