// The native library bridge against the test library orbtestnative.dll.
#include <windows.h>

#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "orbnativecall.h"
#include "orbscripttest.h"
#include "orbtestutil.h"

namespace {

class Bridge : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ORBScriptEngine* engine = ORBScriptEngine::GetInstance();
        engine->SetGlobalString("test_dll", TestPath(L"orbtestnative.dll"));
        engine->SetGlobalNumber("max_args", kORBNativeMaxArgs);
        engine->SetGlobalNumber("pointer_size", sizeof(void*));
        ASSERT_EQ("", RunScript("lib = assert(DllManager.Load(test_dll))"));
    }
};

TEST_F(Bridge, LoadAndGetReportFailuresAsResults) {
    EXPECT_EQ("", RunScript(R"(
        local l, code = DllManager.Load('no_such_library_here.dll')
        eq(l, nil, 'missing library'); eq(code, 126, 'module not found')
        local f, e = lib:Get('NoSuchExport', 'int')
        eq(f, nil, 'missing export'); eq(e, 127, 'procedure not found')
        local f0, z = lib:Get('MinusOne', 'int'); eq(type(f0), 'function', 'bound'); eq(z, 0, 'second result 0')
        eq(DllManager:Load(test_dll) ~= nil, true, 'method syntax takes the top value')
    )"));
    LogCapture log;
    EXPECT_EQ("", RunScript(R"(
        local f, e = lib.Get('MinusOne', 'int')
        eq(f, nil, 'dot syntax'); eq(e, 'hModule is nil', 'reason')
    )"));
    EXPECT_EQ(std::vector<std::wstring>{L"xm if (nullptr == phMod)"}, log.lines());
}

TEST_F(Bridge, GLibTabLoadsOncePerKeyAndDoesNotCacheFailures) {
    EXPECT_EQ("", RunScript(R"(
        local k = GLibTab.kernel32
        eq(getmetatable(k), debug.getregistry().DllManagerMetaTable, 'library object')
        eq(rawget(GLibTab, 'kernel32'), k, 'stored under the key'); eq(GLibTab.kernel32, k, 'same object')
        eq(GLibTab.Kernel32 ~= k, true, 'another key, another object')
        eq(GLibTab.no_such_library_xyz, nil, 'failed load'); eq(rawget(GLibTab, 'no_such_library_xyz'), nil, 'not stored')
        eq(GLibTab[true], nil, 'boolean key')
        local pid = k:Get('GetCurrentProcessId', 'uint')
        eq(pid() > 0, true, 'system call through GLibTab')
    )"));
    // The key is read once: the second read must not reach the loader at all.
    HMODULE k32 = GetModuleHandleW(L"kernel32.dll");
    lua_State* L = ScriptState();
    lua_getglobal(L, "GLibTab");
    lua_getfield(L, -1, "kernel32");
    EXPECT_EQ(k32, *static_cast<HMODULE*>(lua_touserdata(L, -1)));
    lua_pop(L, 2);
}

TEST_F(Bridge, ResultsAreConvertedByReturnTypeName) {
    EXPECT_EQ("", RunScript(R"(
        local function call(name, rtype, ...) return (lib:Get(name, rtype))(...) end
        for _, name in ipairs{'MinusOne', 'MinusOneStd'} do
          eq(call(name, 'int'), -1, name .. ' int'); eq(call(name, 'uint'), 4294967295, name .. ' uint')
          eq(call(name, 'bool'), true, name .. ' bool'); eq(call(name, 'void'), nil, name .. ' void')
          eq(call(name), nil, name .. ' no type'); eq(call(name, 'Int'), nil, name .. ' case-sensitive')
        end
        eq(call('NarrowText', 'astr'), 'narrow text', 'astr'); eq(call('NullText', 'astr'), '', 'null astr')
        eq(call('WideText', 'wstr'), 'wide é中', 'wstr'); eq(call('NullText', 'wstr'), '', 'null wstr')
        eq(type(call('NarrowText', 'ptr')), 'userdata', 'ptr')
        -- int, uint and bool read the low 32 bits of the result word
        eq(call('HighGarbage', 'int'), 5, 'int low half'); eq(call('HighGarbage', 'uint'), 5, 'uint low half')
        eq(call('HighOnly', 'bool'), false, 'bool low half')  -- i686: the word itself is 0
        local r, err = call('SetError', 'int', 1234); eq(r, 0, 'result'); eq(err, 1234, 'last error after the call')
        r, err = call('SetError', 'void', 4294967295); eq(r, nil, 'void'); eq(err, 4294967295, 'unsigned error')
    )"));
}

TEST_F(Bridge, ArgumentsAreMarshalledByType) {
    EXPECT_EQ("", RunScript(R"(
        local function call(name, rtype, ...) return (lib:Get(name, rtype))(...) end
        eq(call('WideIsAbc', 'bool', WString.New(nil, 'abc')), true, 'WString block')
        eq(call('WideIsAbc', 'bool', 'abc'), false, 'plain string is UTF-8 bytes')
        eq(call('NarrowIsAbc', 'bool', 'abc'), true, 'plain string')
        eq(call('NarrowIsAbc', 'bool', AString.New(nil, 'abc')), true, 'AString block')
        eq(call('Echo', 'uint', 4294967295), 4294967295, 'largest unsigned')
        eq(call('Echo', 'int', -2147483648), -2147483648, 'smallest signed')
        eq(call('Echo', 'int', -1), -1, 'minus one'); eq(call('Echo', 'uint', 3.0), 3, 'integral float')
        eq(call('Echo', 'int', true), 1, 'true'); eq(call('Echo', 'int', false), 0, 'false')
        eq(call('Echo', 'int', nil), 0, 'nil'); eq(call('Echo', 'int', '12'), call('Echo', 'int', '12'), 'string address')
        local w = WString.New(10)
        eq(call('FillWide', 'int', w, 10), 1, 'native writes the block'); eq(tostring(w), 'filled', 'text seen')
        local b = RawBuffer.New(16)
        eq(call('StoreWord', 'int', b:OffsetGetAsPointer(4), 77), 1, 'field address')
        eq(b:OffsetGetAsUInt32(4), 77, 'stored through the field pointer')
        local field = b:OffsetGetAsPointer(8)
        eq(rawequal(call('Echo', 'ptr', field), field), true, 'light userdata whole')
        b:OffsetSetAsPointer(0, w)
        eq(call('LoadWord', 'ptr', b) ~= nil, true, 'buffer block')
        eq(call('WideIsAbc', 'int', WString.New(nil, 'abd')), 0, 'wrong text')
        echo_lib = call('LoadWord', 'ptr', lib)  -- a library object passes the word holding its handle
    )"));
    lua_State* L = ScriptState();
    lua_getglobal(L, "echo_lib");
    EXPECT_EQ(GetModuleHandleW(L"orbtestnative.dll"), lua_touserdata(L, -1));
    lua_pop(L, 1);
}

// Pointers travel whole on x86_64: a light userdata above 4 GiB and a "ptr" result.
TEST_F(Bridge, PointersKeepEveryBit) {
    if (sizeof(void*) == 4) GTEST_SKIP();
    lua_State* L = ScriptState();
    lua_pushlightuserdata(L, reinterpret_cast<void*>(static_cast<uintptr_t>(0x123456789ABCull)));
    lua_setglobal(L, "high_ptr");
    EXPECT_EQ("", RunScript(R"(
        eq(rawequal((lib:Get('Echo', 'ptr'))(high_ptr), high_ptr), true, 'round trip')
        eq((lib:Get('HighHalf', 'uint'))(high_ptr), 0x1234, 'high half passed')
        eq((lib:Get('HighHalf', 'uint'))((lib:Get('HighGarbage', 'ptr'))()), 0x12345678, 'ptr result whole')
    )"));
}

TEST_F(Bridge, EveryArgumentCountInBothConventions) {
    EXPECT_EQ("", RunScript(R"(
        for n = 0, max_args do
          local args, want = {}, 0
          for i = 1, n do args[i] = 1000 + i; want = want + i * (1000 + i) end
          eq((lib:Get('WeighC' .. n, 'uint', true))(table.unpack(args, 1, n)), want, 'cdecl ' .. n)
          eq((lib:Get('WeighS' .. n, 'uint'))(table.unpack(args, 1, n)), want, 'stdcall ' .. n)
          eq((lib:Get('WeighS' .. n, 'uint', false))(table.unpack(args, 1, n)), want, 'stdcall flag ' .. n)
        end
        -- The call restores the stack itself: a wrong convention flag or argument count
        -- still gives the callee's result and leaves the caller's stack intact.
        for n = 0, max_args, 5 do
          local args, want = {}, 0
          for i = 1, n do args[i] = 4294967295 - i; want = (want + i * (4294967295 - i)) % 4294967296 end
          eq((lib:Get('WeighC' .. n, 'uint', false))(table.unpack(args, 1, n)), want, 'cdecl as stdcall ' .. n)
          eq((lib:Get('WeighS' .. n, 'uint', true))(table.unpack(args, 1, n)), want, 'stdcall as cdecl ' .. n)
        end
        -- Fewer words than the callee declares: the rest read as zero, and the callee's
        -- writes into all of its arguments leave the caller's frame intact.
        for round = 1, 3 do
          for n = 0, 5 do
            local args, want = {}, 0
            for i = 1, n do args[i] = 100 + i; want = want + i * (100 + i) end
            eq((lib:Get('ScribbleS8', 'uint'))(table.unpack(args, 1, n)), want, 'stdcall given ' .. n)
            eq((lib:Get('ScribbleC8', 'uint', true))(table.unpack(args, 1, n)), want, 'cdecl given ' .. n)
          end
        end
        eq((lib:Get('WeighS2', 'uint'))(1, 2, 3, 4, 5), 5, 'more words than the stdcall callee takes')
        eq((lib:Get('WeighC2', 'uint', true))(1, 2, 3, 4, 5), 5, 'more words than the cdecl callee takes')
        local args = {}
        for i = 1, max_args + 1 do args[i] = i end
        fails(function() (lib:Get('WeighC0', 'uint', true))(table.unpack(args)) end,
              'too many arguments', 'over the maximum')
        -- More than four Get arguments: the last two are the type and the flag.
        eq((lib:Get('MinusOne', 'x', 'int', true))(), -1, 'last two')
        eq((lib:Get('MinusOne', 'int', nil))(), -1, 'four')
    )"));
}

TEST_F(Bridge, UnsupportedArgumentsRaiseAScriptError) {
    EXPECT_EQ("", RunScript(R"(
        local f = lib:Get('Echo', 'int')
        fails(function() f({}) end, 'unknow argument type', 'table')
        fails(function() f(print) end, 'unknow argument type', 'function')
        fails(function() f(coroutine.create(print)) end, 'unknow argument type', 'thread')
    )"));
}

TEST_F(Bridge, UnLoadEndsTheObjectOnce) {
    // A private copy, so that this test's unload really unmaps it.
    ScopedTempDir dir(L"orbbridge");
    std::wstring copy = dir.file(L"orbunload.dll");
    ASSERT_TRUE(CopyFileW(TestPath(L"orbtestnative.dll").c_str(), copy.c_str(), FALSE));
    ORBScriptEngine::GetInstance()->SetGlobalString("unload_dll", copy);
    EXPECT_EQ("", RunScript(R"(
        local u = assert(DllManager.Load(unload_dll))
        local f = u:Get('MinusOne', 'int')
        eq(f(), -1, 'before')
        eq(u:UnLoad(), nil, 'UnLoad result'); u:UnLoad()
        local g, why = u:Get('MinusOne', 'int'); eq(g, nil, 'Get after UnLoad'); eq(why, 'library is unloaded', 'reason')
        fails(f, 'library was unloaded', 'bound before UnLoad')
        -- A module still mapped (kernel32 never leaves) keeps its bound functions usable.
        local k = DllManager.Load('kernel32'); local pid = k:Get('GetCurrentProcessId', 'uint'); k:UnLoad()
        eq(pid() > 0, true, 'still mapped')
    )"));
    EXPECT_EQ(nullptr, GetModuleHandleW(copy.c_str()));
}

}  // namespace

namespace {

struct ProductRun {
    ORBRunResult result;
    std::vector<std::string> trace;
};

ProductRun RunBridgeProduct(bool passTable) {
    ScopedTempDir dir(L"bridge");
    ORBRunOptions options;
    options.environment = {{L"ORB_T_TRACE", dir.file(L"trace.txt")},
                           {L"ORB_T_DLL", TestPath(L"orbtestnative.dll")},
                           {L"ORB_T_GUID", L"Local\\orb-bridge-test-" + std::to_wstring(GetCurrentProcessId())}};
    if (passTable) options.environment.emplace_back(L"ORB_T_TABLE", L"1");
    ProductRun run;
    run.result = RunProduct(L"bridge_product.exe", options);
    run.trace = ReadLines(dir.file(L"trace.txt"));
    return run;
}

TEST(BridgeProduct, InstallHookCallsNativeFunctionsAndWritesTheDebuggerLines) {
    ProductRun run = RunBridgeProduct(false);
    EXPECT_EQ(1u, run.result.exitCode);
    EXPECT_TRUE(run.result.boxes.empty());
    EXPECT_EQ((std::vector<std::string>{"pid true", "load true nil", "missing 127", "dot hModule is nil",
                                        "store 4294967295", "wide filled", "done"}),
              run.trace);
    EXPECT_TRUE(run.result.HasLine(L"xm if (nullptr == phMod)"));
    EXPECT_NE(-1, run.result.FindLine(L"if (nullptr == pfn)"));
}

TEST(BridgeProduct, TableArgumentEndsTheRunThroughTheErrorReport) {
    ProductRun run = RunBridgeProduct(true);
    EXPECT_EQ(0u, run.result.exitCode);
    // A silent run: the report goes to the log, no box waits for an answer.
    EXPECT_TRUE(run.result.boxes.empty());
    int report = run.result.FindLine(L": unknow argument type");
    EXPECT_GE(report, 0);
    EXPECT_GT(run.result.FindLine(L"<call stack>", report), report);
    ASSERT_FALSE(run.trace.empty());
    EXPECT_EQ("wide filled", run.trace.back());
}

}  // namespace
