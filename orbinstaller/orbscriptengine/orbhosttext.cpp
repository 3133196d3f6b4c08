#include "orbhosttext.h"

#include <cwchar>
#include <functional>

#include "orbscriptengine.h"
#include "orbstring.h"

namespace {

const char* const kGlobals[] = {
    "global_text_title_suffix",
    "global_text_exit_confirm",
    "global_text_exit_caption",
    "global_text_error_caption",
    "global_text_refused_folder",
    "global_text_bad_install_path",
    "global_text_bad_backup_path",
    "global_text_notice_caption",
    "global_text_need_space",
    "global_text_delete_failed",
    "global_text_browse_install",
    "global_text_browse_backup",
    "global_text_script_error_caption",
    "global_text_script_error_feedback",
};
static_assert(sizeof kGlobals / sizeof kGlobals[0] == static_cast<size_t>(ORBText::kCount),
              "one override global per host text");

const LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The table's language for any language of the same family; 0 when the table has none.
LANGID TableLanguage(LANGID language) {
    switch (PRIMARYLANGID(language)) {
    case LANG_CHINESE: return kChinese;
    case LANG_ENGLISH: return kEnglish;
    default: return 0;
    }
}

LANGID ParseLanguage(const std::wstring& requested) {
    if (requested.empty()) return 0;
    if (requested.find_first_not_of(L"0123456789") == std::wstring::npos)
        return requested.size() <= 5 ? static_cast<LANGID>(std::wcstoul(requested.c_str(), nullptr, 10)) : 0;
    // Only the language part counts: "zh-CN", "zh_CN", "ZH" and "zh-Hans" are one language.
    std::wstring primary = requested.substr(0, requested.find_first_of(L"-_"));
    for (wchar_t& c : primary) c = static_cast<wchar_t>(towlower(c));
    if (primary == L"zh") return kChinese;
    if (primary == L"en") return kEnglish;
    return 0;
}

// Entry id of the string table in language, without the fallbacks of LoadStringW (which
// follows the thread's language, not the product's choice); empty when absent.
std::wstring TableString(UINT id, LANGID language) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!res) return std::wstring();
    HGLOBAL data = LoadResource(module, res);
    const WORD* p = data ? static_cast<const WORD*>(LockResource(data)) : nullptr;
    if (!p) return std::wstring();
    const WORD* end = p + SizeofResource(module, res) / sizeof(WORD);
    // A block holds 16 counted strings.
    for (UINT i = 0; i < id % 16; ++i) {
        if (p >= end) return std::wstring();
        p += 1 + *p;
    }
    if (p >= end || p + 1 + *p > end) return std::wstring();
    return std::wstring(reinterpret_cast<const wchar_t*>(p + 1), *p);
}

std::wstring Resolve(ORBText id, const std::function<std::wstring(const char*)>& global) {
    if (id >= ORBText::kCount) return std::wstring();
    std::wstring own = global(kGlobals[static_cast<unsigned>(id)]);
    if (!own.empty()) return own;
    const LANGID language = ORBChooseTextLanguage(global("global_language"), GetUserDefaultUILanguage());
    const UINT rid = ORB_IDS_HOST_TEXT_BASE + static_cast<UINT>(id);
    std::wstring text = TableString(rid, language);
    return text.empty() && language != kChinese ? TableString(rid, kChinese) : text;
}

// A string or number global read without metamethods; empty otherwise.
std::wstring RawGlobal(lua_State* L, const char* name) {
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushstring(L, name);
    lua_rawget(L, -2);
    std::wstring value;
    if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) {
        size_t len = 0;
        const char* s = lua_tolstring(L, -1, &len);
        value = ORBUtf8ToWide(s, static_cast<std::ptrdiff_t>(len));
    }
    lua_pop(L, 2);
    return value;
}

}  // namespace

const char* ORBHostTextGlobal(ORBText id) {
    return id < ORBText::kCount ? kGlobals[static_cast<unsigned>(id)] : "";
}

LANGID ORBChooseTextLanguage(const std::wstring& requested, LANGID uiLanguage) {
    if (LANGID chosen = TableLanguage(ParseLanguage(requested))) return chosen;
    // The layouts a product ships are worded in one language: the user's own is followed
    // only when the product says its texts follow it.
    if (_wcsicmp(requested.c_str(), L"auto") == 0)
        if (LANGID chosen = TableLanguage(uiLanguage)) return chosen;
    return kChinese;
}

std::wstring ORBHostText(ORBText id) {
    ORBScriptEngine* engine = ORBScriptEngine::GetInstance();
    return Resolve(id, [engine](const char* name) { return engine->GetGlobalString(name); });
}

std::wstring ORBHostText(ORBText id, lua_State* L) {
    return Resolve(id, [L](const char* name) { return RawGlobal(L, name); });
}
