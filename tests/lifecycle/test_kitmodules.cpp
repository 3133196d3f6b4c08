// The lifecycle module's rules in process: version comparison and the choice of what a
// setup does over an installed version.
#include <string>

#include "gtest/gtest.h"
#include "kit_modules.h"
#include "orbtestlua.h"

namespace {

// The kit's modules for require, from their sources.
void PreloadKit() {
    static bool done = false;
    if (done) return;
    done = true;
    lua_State* L = TestLuaState();
    lua_getglobal(L, "package");
    lua_getfield(L, -1, "preload");
    const std::pair<const char*, const char*> modules[] = {
        {"cmdline", kKit_cmdline}, {"exitcode", kKit_exitcode}, {"lang", kKit_lang},
        {"scope", kKit_scope},     {"product", kKit_product},   {"lifecycle", kKit_lifecycle}};
    for (const auto& m : modules) {
        ASSERT_EQ(LUA_OK, luaL_loadbuffer(L, m.second, std::char_traits<char>::length(m.second), m.first)) << m.first;
        lua_setfield(L, -2, m.first);
    }
    lua_pop(L, 2);
}

std::string Compare(const char* a, const char* b) {
    PreloadKit();
    return LuaResult1(std::string("return require('lifecycle').compare('") + a + "', '" + b + "')");
}

TEST(KitLifecycle, VersionsCompareAsDottedNumbersOfAnyLength) {
    EXPECT_EQ("-1", Compare("1.9", "1.10"));
    EXPECT_EQ("1", Compare("2.0", "1.99.99"));
    EXPECT_EQ("0", Compare("1.2", "1.2.0"));
    EXPECT_EQ("0", Compare("01.002", "1.2"));
    // Beyond what a double holds exactly.
    EXPECT_EQ("-1", Compare("1.99999999999999999998", "1.99999999999999999999"));
    for (const char* bad : {"", "two", "1..2", "1.", ".1", "-1", "1.2a", "1 .2"})
        EXPECT_EQ("nil", Compare(bad, "1.0")) << bad;
}

TEST(KitLifecycle, RulesForAnInstalledVersion) {
    PreloadKit();
    auto action = [](const char* setup) {
        return LuaResult1(std::string(setup) +
                          " global_product_version = '2.0'\n"
                          "local l = require('lifecycle')\n"
                          "local function a(v) return (l.action(v and { version = v } or nil)) end\n"
                          "return table.concat({ a(nil), a('1.5'), a('2.0'), a('2.0.1') }, ' ')");
    };
    EXPECT_EQ("install upgrade repair refuse", action(""));
    EXPECT_EQ("install upgrade repair downgrade", action("global_downgrade_rule = 'allow'"));
    EXPECT_EQ("install refuse refuse downgrade",
              action("global_downgrade_rule = nil global_allow_downgrade = true global_upgrade_rule = 'refuse' "
                     "global_same_version_rule = 'refuse'"));
    // A setting with a value it does not know keeps the default.
    EXPECT_EQ("install upgrade repair refuse",
              action("global_allow_downgrade = nil global_upgrade_rule = 'sometimes' global_same_version_rule = nil"));
}

// The id names the uninstall entry; a product from before ids kept its entry's name in
// global_uninstall_key, and its next version must find that entry.
TEST(KitLifecycle, ProductIdFromTheSettingTheOldUninstallKeyOrTheName) {
    PreloadKit();
    auto id = [](const char* setup) {
        return LuaResult1(std::string("global_product_id, global_uninstall_key = nil, nil\n") + setup +
                          "\nglobal_product_name = 'Shown Name'\nreturn require('product').id()");
    };
    EXPECT_EQ("MyId", id("global_product_id = 'MyId' global_uninstall_key = [[Software\\X\\Uninstall\\Other]]"));
    EXPECT_EQ("Old Key", id("global_uninstall_key = [[Software\\X\\Uninstall\\Old Key]]"));
    EXPECT_EQ("Shown Name", id("global_product_id = ''"));
}

}  // namespace
