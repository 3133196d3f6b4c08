// The script engine: globals, hooks, chunk loading and the error report text.
#include <cstring>

#include "gtest/gtest.h"
#include "lauxlib.h"
#include "orbhosttext.h"
#include "orbresource.h"
#include "orbscriptapi.h"
#include "orbscriptengine.h"
#include "orbtestutil.h"

namespace {

ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }
lua_State* L() { return Engine()->GetState(); }

bool RunCode(const char* code, const char* name = "test") {
    return Engine()->DoBuffer(code, std::strlen(code), name);
}

}  // namespace

// Scripts and the scripting guide see one list: the guide's order is the registration
// order, and every name in it is a global function of the engine.
TEST(ScriptEngine, InstallerFunctionsAreRegisteredInTheDocumentedOrder) {
    std::vector<std::string> registered;
    for (const luaL_Reg* const* group = kORBInstallerFunctionGroups; *group; ++group)
        for (const luaL_Reg* r = *group; r->name; ++r) registered.push_back(r->name);

    ORBResourceData doc = ORBLoadResource(nullptr, L"DOC", L"SCRIPTING.MD");
    ASSERT_EQ(ORBResourceData::kOk, doc.status);
    const std::string text(static_cast<const char*>(doc.data), doc.size);
    size_t at = text.find("in this order:\n");
    ASSERT_NE(std::string::npos, at);
    const size_t end = text.find("\n\n", at);
    std::vector<std::string> documented;
    while ((at = text.find("`Lua_", at)) < end) {
        const size_t close = text.find('`', at + 1);
        documented.push_back(text.substr(at + 1, close - at - 1));
        at = close + 1;
    }

    EXPECT_EQ(53u, registered.size());
    EXPECT_EQ(documented, registered);
    for (const std::string& name : registered) {
        lua_getglobal(L(), name.c_str());
        EXPECT_EQ(LUA_TFUNCTION, lua_type(L(), -1)) << name;
        lua_pop(L(), 1);
    }
}

TEST(ScriptEngine, GlobalAccessorsUseTheLenientConversions) {
    ASSERT_TRUE(RunCode("g_twelve = '12'; g_abc = 'abc'; g_zero = 0; g_false = false; g_table = {};"
                    "g_num = 12.5; g_text = '安装路径'"));
    int top = lua_gettop(L());
    EXPECT_EQ(L"", Engine()->GetGlobalString("g_absent"));
    EXPECT_EQ(L"", Engine()->GetGlobalString("g_table"));
    EXPECT_EQ(L"12.5", Engine()->GetGlobalString("g_num"));
    EXPECT_EQ(L"安装路径", Engine()->GetGlobalString("g_text"));
    EXPECT_EQ(12, Engine()->GetGlobalInteger("g_twelve"));
    EXPECT_EQ(0, Engine()->GetGlobalInteger("g_abc"));
    EXPECT_EQ(0, Engine()->GetGlobalInteger("g_absent"));
    EXPECT_TRUE(Engine()->GetGlobalBoolean("g_zero"));
    EXPECT_TRUE(Engine()->GetGlobalBoolean("g_abc"));
    EXPECT_FALSE(Engine()->GetGlobalBoolean("g_false"));
    EXPECT_FALSE(Engine()->GetGlobalBoolean("g_absent"));
    EXPECT_EQ(top, lua_gettop(L()));
}

TEST(ScriptEngine, SetGlobalsRoundTripThroughUtf8) {
    Engine()->SetGlobalString("g_path", L"C:\\程序\\x");
    Engine()->SetGlobalNumber("g_pos", 42);
    ASSERT_TRUE(RunCode("g_check = (g_path == 'C:\\\\\\231\\168\\139\\229\\186\\143\\\\x') and g_pos == 42"));
    EXPECT_TRUE(Engine()->GetGlobalBoolean("g_check"));
    EXPECT_EQ(L"C:\\程序\\x", Engine()->GetGlobalString("g_path"));
}

TEST(ScriptEngine, HooksThatAreNotFunctionsAreSkippedWithTheStackBalanced) {
    ASSERT_TRUE(RunCode("hook_calls = 0; HookNumber = 5; HookTable = {}; "
                    "function HookFunction() hook_calls = hook_calls + 1 end"));
    int top = lua_gettop(L());
    Engine()->CallHook("HookAbsent");
    Engine()->CallHook("HookNumber");
    Engine()->CallHook("HookTable");
    EXPECT_EQ(top, lua_gettop(L()));
    Engine()->CallHook("HookFunction");
    Engine()->CallHook("HookFunction");
    EXPECT_EQ(top, lua_gettop(L()));
    EXPECT_EQ(2, Engine()->GetGlobalInteger("hook_calls"));
}

TEST(ScriptEngine, ChunksShareOneGlobalTable) {
    ASSERT_TRUE(RunCode("shared_from_first = 'one'", "GLOBAL_VAR.LUAC"));
    ASSERT_TRUE(RunCode("shared_from_second = shared_from_first .. '+two'", "INSTSCRIPT.LUAC"));
    EXPECT_EQ(L"one+two", Engine()->GetGlobalString("shared_from_second"));
}

TEST(ScriptEngine, ChunksThatDoNotLoadAreRejectedWithTwoLines) {
    int top = lua_gettop(L());
    {
        LogCapture log;
        EXPECT_FALSE(RunCode("x = = 1", "broken"));
        auto lines = log.lines();
        ASSERT_EQ(2u, lines.size());
        EXPECT_EQ(0u, lines[0].find(L"xm [string \"broken\"]:1:"));
        EXPECT_EQ(L"\r\n", lines[0].substr(lines[0].size() - 2));
        EXPECT_EQ(L"xm luaL_loadbuffer failed!\r\n", lines[1]);
    }
    {
        // A precompiled chunk written for a different size_t is refused by the loader.
        ASSERT_TRUE(RunCode("foreign_chunk = string.dump(function() return 1 end)"));
        lua_getglobal(L(), "foreign_chunk");
        size_t n = 0;
        const char* bytes = lua_tolstring(L(), -1, &n);
        std::string chunk(bytes, n);
        ASSERT_GT(chunk.size(), 12u);
        lua_pop(L(), 1);
        chunk[8] = static_cast<char>(chunk[8] == 8 ? 4 : 8);
        LogCapture log;
        EXPECT_FALSE(Engine()->DoBuffer(chunk.data(), chunk.size(), "foreign"));
        auto lines = log.lines();
        ASSERT_EQ(2u, lines.size());
        EXPECT_NE(std::wstring::npos, lines[0].find(L"incompatible"));
        EXPECT_EQ(L"xm luaL_loadbuffer failed!\r\n", lines[1]);
    }
    EXPECT_EQ(top, lua_gettop(L()));
}

TEST(ScriptEngine, ResourceChunksLoadAndFailuresAreLogged) {
    EXPECT_TRUE(Engine()->DoResLua(L"LUA", L"GOOD.LUAC"));
    EXPECT_EQ(L"loaded", Engine()->GetGlobalString("engine_test_from_resource"));
    EXPECT_TRUE(Engine()->DoResLua(L"LUA", L"good.luac"));  // names are case-insensitive

    LogCapture log;
    EXPECT_FALSE(Engine()->DoResLua(L"LUA", L"EMPTY.LUAC"));
    EXPECT_EQ(std::vector<std::wstring>{L"xm ResSize == 0\r\n"}, log.lines());
    log.Clear();
    EXPECT_FALSE(Engine()->DoResLua(L"LUA", L"MISSING.LUAC"));
    auto lines = log.lines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(L"xm LoadResource failed. Type : LUA ID : MISSING.LUAC\r\n", lines[0]);
    EXPECT_EQ(L"xm xm file:orbinstaller/orbscriptengine/orbscriptengine.cpp\r\n", lines[1]);
    EXPECT_EQ(L"xm xm line:141\r\n", lines[2]);
    EXPECT_EQ(L"xm xm err:" + std::to_wstring(ERROR_RESOURCE_NAME_NOT_FOUND) + L"\r\n", lines[3]);
}

namespace {
std::wstring g_report;
int CaptureReport(lua_State* L) {
    g_report = ORBScriptEngine::FormatScriptError(L);
    return 1;
}
}  // namespace

TEST(ScriptEngine, ErrorReportListsTheCallStackLevelByLevel) {
    const char* code =
        "local function inner()\n"
        "  error('went wrong')\n"
        "end\n"
        "function outer() inner() end\n"
        "outer()\n";
    Engine()->SetGlobalString("global_language", L"zh-CN");
    ASSERT_EQ(LUA_OK, luaL_loadbufferx(L(), code, std::strlen(code), "=report", nullptr));
    lua_pushcfunction(L(), CaptureReport);
    lua_insert(L(), -2);
    EXPECT_NE(LUA_OK, lua_pcall(L(), 0, 0, -2));
    lua_pop(L(), 2);
    std::wstring expected =
        L"report:2: went wrong\n"
        L"      <call stack>\n"
        L"-> | unknown : line -1 [=[C] : line -1]\n"
        L"--  | error() : line -1 [=[C] : line -1]\n"
        L"--  | inner() : line 2 [=report : line 1]\n"
        L"--  | outer() : line 4 [=report : line 4]\n"
        L"--  | unknown : line 5 [=report : line 0]\n"
        L"请向我们反馈以上错误信息，以便我们改善产品质量！";
    EXPECT_EQ(expected, g_report);
}

TEST(HostText, LanguageIsTheGlobalElseChineseAndTheUserInterfaceOnlyForAuto) {
    const LANGID zh = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    const LANGID en = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    EXPECT_EQ(zh, ORBChooseTextLanguage(L"zh-CN", en));
    EXPECT_EQ(en, ORBChooseTextLanguage(L"en", zh));
    EXPECT_EQ(en, ORBChooseTextLanguage(L"EN_gb", zh));
    EXPECT_EQ(en, ORBChooseTextLanguage(L"1033", zh));
    EXPECT_EQ(zh, ORBChooseTextLanguage(L"zh-Hant", en));  // the one Chinese table
    // No choice, or one without a table: the Chinese the layouts are worded in.
    EXPECT_EQ(zh, ORBChooseTextLanguage(L"", en));
    EXPECT_EQ(zh, ORBChooseTextLanguage(L"de-DE", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK)));
    // "auto": the user's UI language, any region, when there is a table for it.
    EXPECT_EQ(en, ORBChooseTextLanguage(L"auto", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK)));
    EXPECT_EQ(zh, ORBChooseTextLanguage(L"AUTO", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL)));
    EXPECT_EQ(zh, ORBChooseTextLanguage(L"auto", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)));
}

TEST(HostText, TablesInBothLanguagesAndScriptOverrides) {
    for (const wchar_t* language : {L"zh-CN", L"en"}) {
        Engine()->SetGlobalString("global_language", language);
        for (unsigned i = 0; i < static_cast<unsigned>(ORBText::kCount); ++i)
            EXPECT_FALSE(ORBHostText(static_cast<ORBText>(i)).empty()) << i << " " << language;
    }
    Engine()->SetGlobalString("global_language", L"zh-CN");
    EXPECT_EQ(L"您确定要退出安装程序？", ORBHostText(ORBText::kExitConfirm));
    EXPECT_EQ(L"错误", ORBHostText(ORBText::kErrorCaption, L()));
    Engine()->SetGlobalString("global_language", L"en");
    EXPECT_EQ(L"Error", ORBHostText(ORBText::kErrorCaption));
    EXPECT_EQ(L" Setup", ORBHostText(ORBText::kTitleSuffix, L()));
    // A product's own text wins in every language; an empty one does not count.
    EXPECT_STREQ("global_text_exit_confirm", ORBHostTextGlobal(ORBText::kExitConfirm));
    Engine()->SetGlobalString("global_text_exit_confirm", L"Leave 演示?");
    EXPECT_EQ(L"Leave 演示?", ORBHostText(ORBText::kExitConfirm));
    Engine()->SetGlobalString("global_language", L"zh-CN");
    EXPECT_EQ(L"Leave 演示?", ORBHostText(ORBText::kExitConfirm, L()));
    Engine()->SetGlobalString("global_text_exit_confirm", L"");
    EXPECT_EQ(L"您确定要退出安装程序？", ORBHostText(ORBText::kExitConfirm));
    // The error report ends in the chosen language.
    Engine()->SetGlobalString("global_language", L"en");
    lua_pushstring(L(), "boom");
    EXPECT_EQ(L"boom\n", ORBScriptEngine::FormatScriptError(L()).substr(0, 5));
    const std::wstring report = ORBScriptEngine::FormatScriptError(L());
    lua_pop(L(), 1);
    const std::wstring feedback = L"Please report the error above to us, so that we can improve the product.";
    EXPECT_EQ(feedback, report.substr(report.size() - feedback.size()));
    Engine()->SetGlobalString("global_language", L"");
}
