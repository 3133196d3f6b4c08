// Registry functions: the plain helpers and the script bindings under Wine.
#include <string>
#include <vector>

#include <windows.h>

#include <sddl.h>
#include <shlobj.h>

#include "gtest/gtest.h"
#include "lauxlib.h"
#include "orbregistry.h"
#include "orbscriptengine.h"
#include "orbstring.h"
#include "orbtestlua.h"
#include "orbtestutil.h"

namespace {

lua_State* L() { return ORBScriptEngine::GetInstance()->GetState(); }

// A private key under HKCU, removed with its tree by the destructor.
class TestKey : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = L"Software\\ORBTest\\reg" + std::to_wstring(GetCurrentProcessId());
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        lua_pushstring(L(), Narrow(path_).c_str());
        lua_setglobal(L(), "K");
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()); }

    bool Raw(const wchar_t* value, DWORD& type, std::string& bytes, const std::wstring& sub = L"") {
        std::wstring p = sub.empty() ? path_ : path_ + L"\\" + sub;
        BYTE buf[4096];
        DWORD size = sizeof buf;
        if (RegGetValueW(HKEY_CURRENT_USER, p.c_str(), value, RRF_RT_ANY | RRF_NOEXPAND, &type, buf, &size))
            return false;
        bytes.assign(reinterpret_cast<char*>(buf), size);
        return true;
    }
    bool KeyExists(const std::wstring& sub) {
        HKEY k;
        std::wstring p = sub.empty() ? path_ : path_ + L"\\" + sub;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, p.c_str(), 0, KEY_READ, &k)) return false;
        RegCloseKey(k);
        return true;
    }
    std::wstring path_;
};

std::string Bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s.push_back(static_cast<char>(b));
    return s;
}

}  // namespace

TEST(RegistryHelpers, RootNamesAreCaseSensitive) {
    EXPECT_EQ(HKEY_CLASSES_ROOT, ORBRegRootFromName(L"HKCR"));
    EXPECT_EQ(HKEY_CURRENT_USER, ORBRegRootFromName(L"HKCU"));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, ORBRegRootFromName(L"HKLM"));
    EXPECT_EQ(HKEY_USERS, ORBRegRootFromName(L"HKU"));
    EXPECT_EQ(HKEY_CURRENT_CONFIG, ORBRegRootFromName(L"HKCC"));
    for (const wchar_t* bad : {L"hklm", L"Hkcu", L"HKEY_CURRENT_USER", L"", L"HKCU "})
        EXPECT_EQ(nullptr, ORBRegRootFromName(bad)) << Narrow(bad);
}

TEST(RegistryHelpers, BinaryTextKeepsItsPairQuirks) {
    auto bytes = [](const wchar_t* t) {
        std::vector<BYTE> b = ORBRegParseBinary(t);
        return std::string(b.begin(), b.end());
    };
    EXPECT_EQ(Bytes({0x01, 0xFF}), bytes(L"01ff"));
    EXPECT_EQ(Bytes({0xAB, 0x0C}), bytes(L"ABC"));
    EXPECT_EQ("", bytes(L""));
    // A pair that does not parse repeats the byte before it (0 at the start).
    EXPECT_EQ(Bytes({0x00, 0x12}), bytes(L"zz12"));
    EXPECT_EQ(Bytes({0x12, 0x12, 0x34}), bytes(L"12zz34"));
    // One digit then junk: the digit alone.
    EXPECT_EQ(Bytes({0x07, 0x0A}), bytes(L"7xa"));
    // The parser never looks past its pair.
    EXPECT_EQ(Bytes({0x01, 0x01, 0x23}), bytes(L"01  23"));
}

TEST_F(TestKey, QueryAnswersStringsNumbersAndNilForTheRest) {
    ASSERT_EQ("", RunLua(R"(
        Lua_RegAdd("HKCU", K, "exp", "REG_EXPAND_SZ", "%TEMP%\\x", true)
        Lua_RegAdd("HKCU", K, "dw", "REG_DWORD", 0xFFFFFFFF, true)
        Lua_RegAdd("HKCU", K, "neg", "REG_DWORD", -1, true)
        Lua_RegAdd("HKCU", K, "bin", "REG_BINARY", "01ff", true)
        Lua_RegAdd("HKCU", K, "", "REG_SZ", "default", true)
        q_exp = Lua_RegQuery("HKCU", K, "exp")
        q_dw = Lua_RegQuery("HKCU", K, "dw")
        q_neg = Lua_RegQuery("HKCU", K, "neg")
        q_bin = tostring(Lua_RegQuery("HKCU", K, "bin"))
        q_def = Lua_RegQuery("HKCU", K)
        q_lower = tostring(Lua_RegQuery("hkcu", K, "exp"))
        q_missing = tostring(Lua_RegQuery("HKCU", K, "nothing"))
        q_nokey = tostring(Lua_RegQuery("HKCU", K .. "\\none", "exp"))
        q_type = type(q_dw)
    )"));
    EXPECT_EQ(L"%TEMP%\\x", LuaGlobalText("q_exp"));
    EXPECT_EQ(L"4294967295", LuaGlobalText("q_dw"));
    EXPECT_EQ(L"4294967295", LuaGlobalText("q_neg"));
    EXPECT_EQ(L"number", LuaGlobalText("q_type"));
    EXPECT_EQ(L"nil", LuaGlobalText("q_bin"));
    EXPECT_EQ(L"default", LuaGlobalText("q_def"));
    EXPECT_EQ(L"nil", LuaGlobalText("q_lower"));
    EXPECT_EQ(L"nil", LuaGlobalText("q_missing"));
    EXPECT_EQ(L"nil", LuaGlobalText("q_nokey"));

    // A multi-string value is not a string to the scripts.
    const wchar_t multi[] = L"a\0b\0";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, path_.c_str(), L"multi", REG_MULTI_SZ, multi, sizeof multi));
    ASSERT_EQ("", RunLua("q_multi = tostring(Lua_RegQuery('HKCU', K, 'multi'))"));
    EXPECT_EQ(L"nil", LuaGlobalText("q_multi"));
}

TEST_F(TestKey, AddWritesEachTypeAsStored) {
    SetEnvironmentVariableW(L"ORB_T_DIR", L"C:\\orb dir");
    ASSERT_EQ("", RunLua(R"(
        r1 = Lua_RegAdd("HKCU", K, "sz", "REG_SZ", "%ORB_T_DIR%\\x", false)
        Lua_RegAdd("HKCU", K, "exp", "REG_EXPAND_SZ", "%ORB_T_DIR%\\x", false)
        Lua_RegAdd("HKCU", K, "bin", "REG_BINARY", "01ff", false)
        Lua_RegAdd("HKCU", K, "odd", "REG_BINARY", "ABC", false)
        Lua_RegAdd("HKCU", K, "empty", "REG_BINARY", "", false)
        Lua_RegAdd("HKCU", K, "num", "REG_DWORD", "12", false)
        r2 = Lua_RegAdd("HKCU", K .. "\\only", "v", "reg_sz", "x", true)
    )"));
    EXPECT_EQ(L"true", LuaGlobalText("r1"));
    EXPECT_EQ(L"false", LuaGlobalText("r2"));  // nothing written
    DWORD type;
    std::string b;
    ASSERT_TRUE(Raw(L"sz", type, b));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(std::wstring(L"C:\\orb dir\\x", 13), std::wstring(reinterpret_cast<const wchar_t*>(b.data()), b.size() / 2));
    ASSERT_TRUE(Raw(L"exp", type, b));
    EXPECT_EQ(DWORD(REG_EXPAND_SZ), type);
    EXPECT_EQ(std::wstring(L"%ORB_T_DIR%\\x", 14), std::wstring(reinterpret_cast<const wchar_t*>(b.data()), b.size() / 2));
    ASSERT_TRUE(Raw(L"bin", type, b));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(Bytes({0x01, 0xFF}), b);
    ASSERT_TRUE(Raw(L"odd", type, b));
    EXPECT_EQ(Bytes({0xAB, 0x0C}), b);
    ASSERT_TRUE(Raw(L"empty", type, b));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ("", b);
    ASSERT_TRUE(Raw(L"num", type, b));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(Bytes({12, 0, 0, 0}), b);
    // An unknown type name still creates the key, with nothing in it.
    EXPECT_TRUE(KeyExists(L"only"));
    EXPECT_FALSE(Raw(L"v", type, b, L"only"));
}

TEST_F(TestKey, OverwriteDecidesAndMayChangeTheType) {
    ASSERT_EQ("", RunLua(R"(
        Lua_RegAdd("HKCU", K, "v", "REG_SZ", "first", false)
        o1 = Lua_RegAdd("HKCU", K, "v", "REG_SZ", "second", false)
        q1 = Lua_RegQuery("HKCU", K, "v")
        o2 = Lua_RegAdd("HKCU", K, "v", "REG_DWORD", 7, true)
        q2 = Lua_RegQuery("HKCU", K, "v")
    )"));
    EXPECT_EQ(L"true", LuaGlobalText("o1"));
    EXPECT_EQ(L"first", LuaGlobalText("q1"));
    EXPECT_EQ(L"true", LuaGlobalText("o2"));
    EXPECT_EQ(L"7", LuaGlobalText("q2"));
}

TEST_F(TestKey, LongExpansionsAreStoredWhole) {
    // Beyond the old 260-unit expansion buffer: nothing cut, nothing overrun.
    std::wstring longDir(400, L'd');
    SetEnvironmentVariableW(L"ORB_T_LONG", longDir.c_str());
    ASSERT_EQ("", RunLua(R"(
        Lua_RegAdd("HKCU", K, "long", "REG_SZ", "%ORB_T_LONG%\\%ORB_T_LONG%", true)
        q_long = Lua_RegQuery("HKCU", K, "long")
    )"));
    EXPECT_EQ(longDir + L"\\" + longDir, LuaGlobalText("q_long"));
    // Past the system expansion's 32,767 units, for both string types.
    ASSERT_EQ("", RunLua(R"(
        Lua_RegAdd("HKCU", K, "sz", "REG_SZ", string.rep("s", 100000), true)
        Lua_RegAdd("HKCU", K, "exp", "REG_EXPAND_SZ", string.rep("e", 100000), true)
        n_sz = #Lua_RegQuery("HKCU", K, "sz")
        n_exp = #Lua_RegQuery("HKCU", K, "exp")
    )"));
    EXPECT_EQ(L"100000", LuaGlobalText("n_sz"));
    EXPECT_EQ(L"100000", LuaGlobalText("n_exp"));
}

TEST_F(TestKey, DeleteRemovesTheTreeAndLogsTheSecondTry) {
    ASSERT_EQ("", RunLua(R"(
        Lua_RegAdd("HKCU", K .. "\\a\\b\\c", "v", "REG_SZ", "x", true)
        Lua_RegAdd("HKCU", K .. "\\a\\d", "v", "REG_DWORD", 1, true)
        Lua_RegAdd("HKCU", K .. "\\a", "v", "REG_SZ", "x", true)
        Lua_RegAdd("HKCU", K .. "\\keep", "v", "REG_SZ", "x", true)
    )"));
    LogCapture log;
    ASSERT_EQ("", RunLua("d1 = Lua_RegDel('HKCU', K .. '\\\\a')"));
    EXPECT_EQ(L"true", LuaGlobalText("d1"));
    EXPECT_FALSE(KeyExists(L"a"));
    EXPECT_TRUE(KeyExists(L"keep"));
    EXPECT_TRUE(log.lines().empty());

    ASSERT_EQ("", RunLua("d2 = Lua_RegDel('HKCU', K .. '\\\\a')"));
    EXPECT_EQ(L"true", LuaGlobalText("d2"));
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ(L"xm DeleteSubKey " + path_ + L"\\a failed, errcode: 2", log.lines()[0]);

    log.Clear();
    ASSERT_EQ("", RunLua("d3 = Lua_RegDel('hkcu', K .. '\\\\keep')"));
    EXPECT_EQ(L"false", LuaGlobalText("d3"));
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ(0u, log.lines()[0].find(L"xm OpenKey hkcu failed, errcode: "));
    EXPECT_TRUE(KeyExists(L"keep"));
}

TEST_F(TestKey, DeleteNeverEmptiesARootForAnEmptyPath) {
    ASSERT_EQ("", RunLua("Lua_RegAdd('HKCU', K, 'v', 'REG_SZ', 'x', true)"));
    LogCapture log;
    ASSERT_EQ("", RunLua("e1 = Lua_RegDel('HKCU', nil); e2 = Lua_RegDel('HKCU', '\\\\')"));
    EXPECT_EQ(L"false", LuaGlobalText("e1"));  // refused, so not done
    EXPECT_TRUE(KeyExists(L""));
    ASSERT_EQ(2u, log.lines().size());
    EXPECT_EQ(L"xm DeleteSubKey  failed, errcode: 87", log.lines()[0]);
}

TEST_F(TestKey, DeleteValueLogsWhenTheKeyOpened) {
    ASSERT_EQ("", RunLua(R"(
        Lua_RegAdd("HKCU", K, "v", "REG_SZ", "x", true)
        Lua_RegAdd("HKCU", K, "w", "REG_SZ", "x", true)
    )"));
    LogCapture log;
    ASSERT_EQ("", RunLua("v1 = Lua_RegDel('HKCU', K, 'v'); v2 = Lua_RegDel('HKCU', K, 'gone')"));
    EXPECT_EQ(L"true", LuaGlobalText("v1"));
    EXPECT_EQ(L"true", LuaGlobalText("v2"));
    DWORD type;
    std::string b;
    EXPECT_FALSE(Raw(L"v", type, b));
    EXPECT_TRUE(Raw(L"w", type, b));
    ASSERT_EQ(2u, log.lines().size());
    EXPECT_EQ(L"xm Delete Value HKCU, " + path_ + L", v", log.lines()[0]);
    EXPECT_EQ(L"xm Delete Value HKCU, " + path_ + L", gone", log.lines()[1]);

    log.Clear();
    ASSERT_EQ("", RunLua("v3 = Lua_RegDel('HKCU', K .. '\\\\missing', 'w')"));
    EXPECT_EQ(L"true", LuaGlobalText("v3"));
    EXPECT_TRUE(log.lines().empty());
}

// Writes and deletions the system refuses are reported as failures; what is already
// missing still counts as deleted.
TEST_F(TestKey, RefusedWritesAndDeletionsReturnFalse) {
    ASSERT_EQ("", RunLua(R"(
        Lua_RegAdd("HKCU", K .. "\\locked", "v", "REG_SZ", "x", true)
        Lua_RegAdd("HKCU", K .. "\\locked\\child", "v", "REG_SZ", "x", true)
    )"));
    // Everyone may read the key and nobody may change it.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (path_ + L"\\locked").c_str(), 0,
                                           KEY_ALL_ACCESS, &key));
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;KR;;;WD)", SDDL_REVISION_1,
                                                                     &sd, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd));
    LocalFree(sd);
    RegCloseKey(key);

    ASSERT_EQ("", RunLua(R"(
        w1 = Lua_RegAdd("HKCU", K .. "\\locked", "w", "REG_SZ", "y", true)
        w2 = Lua_RegDel("HKCU", K .. "\\locked", "v")
        w3 = Lua_RegDel("HKCU", K .. "\\locked")
        w4 = Lua_RegAdd("HKXX", K, "v", "REG_SZ", "x", true)
        w5 = Lua_RegDel("HKXX", K)
        q1 = Lua_RegQuery("HKCU", K .. "\\locked", "v")
        m1 = Lua_RegDel("HKCU", K .. "\\missing")
        m2 = Lua_RegDel("HKCU", K, "missing")
    )"));
    // Restore full access so that the fixture can remove the key.
    HKEY parent;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (path_ + L"\\locked").c_str(), 0, WRITE_DAC, &parent) == ERROR_SUCCESS) {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;KA;;;WD)", SDDL_REVISION_1, &sd, nullptr);
        RegSetKeySecurity(parent, DACL_SECURITY_INFORMATION, sd);
        LocalFree(sd);
        RegCloseKey(parent);
    }
    EXPECT_EQ(L"false", LuaGlobalText("w1"));
    EXPECT_EQ(L"false", LuaGlobalText("w2"));
    EXPECT_EQ(L"false", LuaGlobalText("w3"));
    EXPECT_EQ(L"false", LuaGlobalText("w4"));
    EXPECT_EQ(L"false", LuaGlobalText("w5"));
    EXPECT_EQ(L"x", LuaGlobalText("q1"));  // read-only access is enough to query
    EXPECT_EQ(L"true", LuaGlobalText("m1"));
    EXPECT_EQ(L"true", LuaGlobalText("m2"));
}

namespace {

// Every access mask the functions open or create keys with.
std::vector<REGSAM> g_access;
LONG WINAPI RecordOpen(HKEY root, LPCWSTR sub, DWORD opt, REGSAM sam, PHKEY out) {
    g_access.push_back(sam);
    return RegOpenKeyExW(root, sub, opt, sam, out);
}
LONG WINAPI RecordCreate(HKEY root, LPCWSTR sub, DWORD res, LPWSTR cls, DWORD opt, REGSAM sam,
                         LPSECURITY_ATTRIBUTES sa, PHKEY out, LPDWORD disp) {
    g_access.push_back(sam);
    return RegCreateKeyExW(root, sub, res, cls, opt, sam, sa, out, disp);
}

// The view flags seen since the last call, as a set of bits.
REGSAM ViewsSeen() {
    REGSAM bits = 0;
    for (REGSAM a : g_access) bits |= a & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    g_access.clear();
    return bits;
}

std::wstring MachineText(const std::wstring& key, REGSAM view) {
    wchar_t buf[64] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | view, &k)) return L"<missing>";
    LONG rc = RegQueryValueExW(k, L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return rc ? L"<missing>" : buf;
}

}  // namespace

// A trailing view argument (64 or 32) reaches the 64-bit or 32-bit keys whatever the
// setup's own bitness; without it every call means what it always did. 32-bit Windows
// has one view: both flags reach the same key there.
TEST(RegistryView, TheTrailingViewArgumentChoosesTheKeysAndTheFlagsPassed) {
    BOOL wow = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow);
    const bool twoViews = sizeof(void*) == 8 || wow;
    const std::wstring native = twoViews ? L"native" : L"x86";
    const std::wstring key = L"Software\\ORBTestView" + std::to_wstring(GetCurrentProcessId());
    ORBScriptEngine::GetInstance()->SetGlobalString("VK", key);
    g_orbRegOpenKeyEx = RecordOpen;
    g_orbRegCreateKeyEx = RecordCreate;
    ViewsSeen();

    ASSERT_EQ("", RunLua("Lua_RegAdd('HKLM', VK, 'v', 'REG_SZ', 'native', true, 64)"));
    EXPECT_EQ(REGSAM(KEY_WOW64_64KEY), ViewsSeen());
    ASSERT_EQ("", RunLua("Lua_RegAdd('HKLM', VK, 'v', 'REG_SZ', 'x86', true, 32)"));
    EXPECT_EQ(REGSAM(KEY_WOW64_32KEY), ViewsSeen());
    EXPECT_EQ(native, MachineText(key, KEY_WOW64_64KEY));
    EXPECT_EQ(L"x86", MachineText(key, KEY_WOW64_32KEY));

    EXPECT_EQ(Narrow(native), LuaResult1("return Lua_RegQuery('HKLM', VK, 'v', 64)"));
    EXPECT_EQ(REGSAM(KEY_WOW64_64KEY), ViewsSeen());
    EXPECT_EQ("x86", LuaResult1("return Lua_RegQuery('HKLM', VK, 'v', 32)"));
    // No view, or one that is neither 64 nor 32: the setup's own, no flag.
    EXPECT_EQ(Narrow(MachineText(key, 0)), LuaResult1("return Lua_RegQuery('HKLM', VK, 'v')"));
    EXPECT_EQ(Narrow(MachineText(key, 0)), LuaResult1("return Lua_RegQuery('HKLM', VK, 'v', 0)"));
    ViewsSeen();
    ASSERT_EQ("", RunLua("Lua_RegAdd('HKLM', VK, 'w', 'REG_DWORD', 1, true)"));
    EXPECT_EQ(REGSAM(0), ViewsSeen());

    // Values and keys are deleted in the view named; a nil value name with a view
    // deletes the key, and with no view stays the default value's deletion.
    EXPECT_EQ("true", LuaResult1("return Lua_RegDel('HKLM', VK, nil, 0)"));
    EXPECT_EQ(REGSAM(0), ViewsSeen());
    EXPECT_EQ("true", LuaResult1("return Lua_RegDel('HKLM', VK, 'v', 32)"));
    EXPECT_EQ(REGSAM(KEY_WOW64_32KEY), ViewsSeen());
    EXPECT_EQ(L"<missing>", MachineText(key, KEY_WOW64_32KEY));
    EXPECT_EQ(twoViews ? native : L"<missing>", MachineText(key, KEY_WOW64_64KEY));
    EXPECT_EQ("true", LuaResult1("return Lua_RegDel('HKLM', VK, nil, 64)"));
    EXPECT_EQ(REGSAM(KEY_WOW64_64KEY), ViewsSeen());
    HKEY k = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &k));
    EXPECT_EQ("true", LuaResult1("return Lua_RegDel('HKLM', VK, nil, 32)"));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &k));

    g_orbRegOpenKeyEx = RegOpenKeyExW;
    g_orbRegCreateKeyEx = RegCreateKeyExW;
}

TEST(RegVarByCSIDL, SetsAProcessVariableForLaterExpansions) {
    wchar_t expected[MAX_PATH];
    ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, 23, nullptr, 0, expected));
    SetEnvironmentVariableW(L"COMMPROGRAMS", nullptr);
    ASSERT_EQ("", RunLua("c1 = Lua_RegVarByCSIDL('COMMPROGRAMS', 23)"));
    EXPECT_EQ(L"true", LuaGlobalText("c1"));
    wchar_t out[4096];
    ExpandEnvironmentStringsW(L"%COMMPROGRAMS%\\x", out, 4096);
    EXPECT_EQ(std::wstring(expected) + L"\\x", out);

    LogCapture log;
    ASSERT_EQ("", RunLua("c2 = Lua_RegVarByCSIDL('ORB_T_BAD', 9999)"));
    EXPECT_EQ(L"false", LuaGlobalText("c2"));
    ASSERT_EQ(4u, log.lines().size());
    EXPECT_EQ(L"xm SHGetSpecialFolderPathW csidl=9999 failed!\r\n", log.lines()[0]);
    EXPECT_EQ(0u, log.lines()[1].find(L"xm xm file:"));
    EXPECT_EQ(0, GetEnvironmentVariableW(L"ORB_T_BAD", nullptr, 0));
}

TEST(RegSvr32, RunsTheEntryPointsOfALibrary) {
    std::string dll = Narrow(TestPath(L"regsvr_test.dll"));
    lua_pushstring(L(), dll.c_str());
    lua_setglobal(L(), "DLL");
    lua_pushstring(L(), Narrow(TestPath(L"regsvr_noentry.dll")).c_str());
    lua_setglobal(L(), "NOENTRY");
    SetEnvironmentVariableW(L"ORB_T_REGSVR_FAIL", nullptr);
    ASSERT_EQ("", RunLua("s1 = Lua_RegSvr32(DLL, true)"));
    EXPECT_EQ(L"true", LuaGlobalText("s1"));
    wchar_t v[64] = {};
    GetEnvironmentVariableW(L"ORB_T_REGSVR", v, 64);
    EXPECT_STREQ(L"register", v);
    ASSERT_EQ("", RunLua("s2 = Lua_RegSvr32(DLL, false)"));
    EXPECT_EQ(L"true", LuaGlobalText("s2"));
    GetEnvironmentVariableW(L"ORB_T_REGSVR", v, 64);
    EXPECT_STREQ(L"unregister", v);

    // An entry point that answers a failure code, and a library without entry points.
    SetEnvironmentVariableW(L"ORB_T_REGSVR_FAIL", L"1");
    ASSERT_EQ("", RunLua("s3 = Lua_RegSvr32(DLL, true)"));
    SetEnvironmentVariableW(L"ORB_T_REGSVR_FAIL", nullptr);
    EXPECT_EQ(L"false", LuaGlobalText("s3"));
    ASSERT_EQ("", RunLua("s4 = Lua_RegSvr32(NOENTRY, true); s5 = Lua_RegSvr32(NOENTRY, false)"));
    EXPECT_EQ(L"false", LuaGlobalText("s4"));
    EXPECT_EQ(L"false", LuaGlobalText("s5"));
}

TEST(RegSvr32, MissingOrUnloadableFilesAreLogged) {
    ScopedTempDir dir(L"regsvr");
    std::wstring text = dir.file(L"not-a-library.dll");
    WriteFileBytes(text, "plain text");
    lua_pushstring(L(), Narrow(text).c_str());
    lua_setglobal(L(), "TEXTFILE");
    LogCapture log;
    ASSERT_EQ("", RunLua("m1 = Lua_RegSvr32('%TEMP%\\\\orb-no-such.dll', true)"));
    EXPECT_EQ(L"false", LuaGlobalText("m1"));
    ASSERT_EQ(1u, log.lines().size());
    wchar_t temp[MAX_PATH];
    ExpandEnvironmentStringsW(L"%TEMP%\\orb-no-such.dll", temp, MAX_PATH);
    EXPECT_EQ(L"xm Fun:Lua_RegSvr32, Description:" + std::wstring(temp) + L" it's not exists!\r\n", log.lines()[0]);

    log.Clear();
    ASSERT_EQ("", RunLua("m2 = Lua_RegSvr32(TEXTFILE, true)"));
    EXPECT_EQ(L"false", LuaGlobalText("m2"));
    ASSERT_EQ(4u, log.lines().size());
    EXPECT_EQ(L"xm Fun:Lua_RegSvr32, Description: LoadLibrary " + text + L" Failed!\r\n", log.lines()[0]);
    EXPECT_EQ(0u, log.lines()[3].find(L"xm xm err:"));
}

// Every function with missing, nil, wrong-typed and very long arguments: no script
// error, the documented result.
TEST(RegistryBadInput, EveryCallReturnsItsDocumentedResult) {
    ASSERT_EQ("", RunLua("LONG = string.rep('x', 70000)"));
    struct Case {
        const char* call;
        const char* result;  // tostring of the first result
    } cases[] = {
        {"Lua_RegQuery()", "nil"},
        {"Lua_RegQuery(nil, nil, nil)", "nil"},
        {"Lua_RegQuery({}, print, true)", "nil"},
        {"Lua_RegQuery('HKCU', LONG, LONG)", "nil"},
        {"Lua_RegQuery(LONG)", "nil"},
        {"Lua_RegAdd()", "false"},
        {"Lua_RegAdd(nil, nil, nil, nil, nil, nil)", "false"},
        {"Lua_RegAdd('HKCU', {}, {}, 'REG_SZ', {}, {})", "true"},
        {"Lua_RegAdd('HKCU', LONG, 'v', 'REG_SZ', 'x', true)", "false"},
        {"Lua_RegAdd('HKCU', 'Software\\\\ORBTest\\\\bad', LONG, 'REG_BINARY', LONG, true)", "false"},
        {"Lua_RegAdd('HKCU', 'Software\\\\ORBTest\\\\bad', 'n', 'REG_DWORD', 'abc', true)", "true"},
        {"Lua_RegAdd('HKCU', 'Software\\\\ORBTest\\\\bad', 'n', 'REG_DWORD', 1e300, true)", "true"},
        {"Lua_RegDel()", "true"},
        {"Lua_RegDel(nil)", "true"},
        {"Lua_RegDel(nil, nil)", "false"},
        {"Lua_RegDel('HKCU', {})", "false"},
        {"Lua_RegDel('HKCU', LONG)", "false"},
        {"Lua_RegDel('HKCU', LONG, LONG)", "false"},
        {"Lua_RegDel('HKCU', 'Software\\\\ORBTest\\\\bad')", "true"},
        {"Lua_RegVarByCSIDL()", "false"},
        {"Lua_RegVarByCSIDL(nil, nil)", "false"},
        {"Lua_RegVarByCSIDL('ORB_T_V', 'abc')", "true"},  // "abc" reads as 0: the desktop
        {"Lua_RegVarByCSIDL('A=B', 23)", "false"},
        {"Lua_RegVarByCSIDL('ORB_T_V', LONG)", "true"},
        {"Lua_RegVarByCSIDL('ORB_T_V', -1)", "false"},
        {"Lua_RegSvr32()", "false"},
        {"Lua_RegSvr32(nil, nil)", "false"},
        {"Lua_RegSvr32({}, {})", "false"},
        {"Lua_RegSvr32(LONG, true)", "false"},
    };
    for (const Case& c : cases) {
        std::string code = "bad_result = tostring((" + std::string(c.call) + "))";
        EXPECT_EQ("", RunLua(code)) << c.call;
        EXPECT_EQ(ORBUtf8ToWide(c.result), LuaGlobalText("bad_result")) << c.call;
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ORBTest\\bad");
}
