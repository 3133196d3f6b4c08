// The texts the host itself shows (message boxes, window title, folder browser captions,
// the script error report): a string table resource per language, chosen by the script
// global global_language ("auto": the user's UI language), else Simplified Chinese. A script
// replaces any of them with the global named in the table (global_text_...).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "lua.h"
#include "orbresourceids.h"

enum class ORBText : unsigned {
    kTitleSuffix,          // after the product name in the window title
    kExitConfirm,          // the init dialog's close question
    kExitConfirmCaption,
    kErrorCaption,         // caption of the init dialog's path refusals
    kRefusedFolder,        // drive root or Windows folder chosen
    kBadInstallPath,
    kBadBackupPath,
    kNoticeCaption,        // caption of the disk-space and delete-failed boxes
    kNeedSpace,            // "%0.2f" stands for the megabytes needed
    kDeleteFailed,         // "%s" stands for the path
    kBrowseInstallCaption,
    kBrowseBackupCaption,
    kScriptErrorCaption,
    kScriptErrorFeedback,  // the last line of the script error report
    kCount
};

// Name of the script global that overrides text id ("global_text_exit_confirm", ...).
const char* ORBHostTextGlobal(ORBText id);

// Reads a script global as text ("" when absent).
using ORBGlobalLookup = std::function<std::wstring(const char* name)>;

// Text id as the product shows it: the override global (read by global) when it holds a
// non-empty string, else the table entry in the language global_language chooses (empty
// when the program has no table).
std::wstring ORBHostText(ORBText id, const ORBGlobalLookup& global);
// The same with the globals read from L itself, for a caller that already holds the
// interpreter (the script error handler).
std::wstring ORBHostText(ORBText id, lua_State* L);
// The same through the engine, which it waits for while another thread runs a hook
// (defined in orbscriptengine.cpp).
std::wstring ORBHostText(ORBText id);

// The delete-failed question for path (kDeleteFailed with the path put in).
std::wstring ORBDeleteFailedText(const std::wstring& path);
// Asks it in an Abort/Retry/Ignore box captioned kNoticeCaption; MessageBoxW's answer.
int ORBAskDeleteFailed(const std::wstring& path);

// The table language for a global_language value ("zh-CN", "en", "en_US", "1033", ...):
// its own when the table has it (Chinese or English, any region); for "auto" the user's
// UI language uiLanguage when the table has that; else Simplified Chinese.
LANGID ORBChooseTextLanguage(const std::wstring& requested, LANGID uiLanguage);
