#include "orbhosttext.h"

#include <cwchar>

#include "orbrawglobal.h"
#include "orbscriptnames.h"

namespace {

const char* const kGlobals[] = {
    kORBGlobalTextTitleSuffix,
    kORBGlobalTextExitConfirm,
    kORBGlobalTextExitCaption,
    kORBGlobalTextErrorCaption,
    kORBGlobalTextRefusedFolder,
    kORBGlobalTextBadInstallPath,
    kORBGlobalTextBadBackupPath,
    kORBGlobalTextNoticeCaption,
    kORBGlobalTextNeedSpace,
    kORBGlobalTextDeleteFailed,
    kORBGlobalTextBrowseInstall,
    kORBGlobalTextBrowseBackup,
    kORBGlobalTextScriptErrorCaption,
    kORBGlobalTextScriptErrorFeedback,
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

}  // namespace

std::wstring ORBHostText(ORBText id, const ORBGlobalLookup& global) {
    if (id >= ORBText::kCount) return std::wstring();
    std::wstring own = global(kGlobals[static_cast<unsigned>(id)]);
    if (!own.empty()) return own;
    const LANGID language = ORBChooseTextLanguage(global(kORBGlobalLanguage), GetUserDefaultUILanguage());
    const UINT rid = ORB_IDS_HOST_TEXT_BASE + static_cast<UINT>(id);
    std::wstring text = TableString(rid, language);
    return text.empty() && language != kChinese ? TableString(rid, kChinese) : text;
}

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

std::wstring ORBHostText(ORBText id, lua_State* L) {
    return ORBHostText(id, [L](const char* name) { return ORBRawGlobalText(L, name); });
}

std::wstring ORBDeleteFailedText(const std::wstring& path) {
    // The path goes in by plain replacement: an overriding text is no format string.
    std::wstring text = ORBHostText(ORBText::kDeleteFailed);
    const size_t at = text.find(L"%s");
    return at == std::wstring::npos ? text : text.replace(at, 2, path);
}

int ORBAskDeleteFailed(const std::wstring& path) {
    return MessageBoxW(nullptr, ORBDeleteFailedText(path).c_str(), ORBHostText(ORBText::kNoticeCaption).c_str(),
                       MB_ABORTRETRYIGNORE | MB_ICONQUESTION);
}
