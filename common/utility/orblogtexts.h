// Log records that log readers and vendors' tools look for, frozen: their texts, the
// source file they name and the line numbers they report stay as setups have always
// written them, wherever the code that writes them moves. Tests spell the values out,
// so that a change here shows.
#pragma once

// How a resource that could not be loaded is reported (ORBResourceUsable): the source
// file named in the failure record, the not-found record's message and the two records'
// line numbers.
struct ORBResourceRecord {
    const wchar_t* file;
    const wchar_t* notFound;
    int notFoundLine;
    int notLockedLine;
};

// The scripts' chunks (GLOBAL_VAR, INSTSCRIPT, UNINSTSCRIPT) cannot be found or locked;
// a line of kORBLogChunkNotFound (type, name) comes before the not-found record.
constexpr wchar_t kORBLogChunkNotFound[] = L"LoadResource failed. Type : %s ID : %s\r\n";
constexpr ORBResourceRecord kORBChunkRecord = {
    L"orbinstaller/orbscriptengine/orbscriptengine.cpp", L"", 141, 149};

// The layout (XML/LAYOUT.XML) cannot be found or locked.
constexpr ORBResourceRecord kORBLayoutRecord = {
    L"orbinstaller/orbdialogsequence.cpp", L"LoadResource failed. type : XML, id : LAYOUT.XML", 153, 161};

// Any resource that is empty.
constexpr wchar_t kORBLogEmptyResource[] = L"ResSize == 0\r\n";
// The message of a not-locked record.
constexpr wchar_t kORBLogNotLocked[] = L"LockResource failed.";
