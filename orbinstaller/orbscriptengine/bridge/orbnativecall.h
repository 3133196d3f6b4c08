// Calls an exported function through a plain address with word-sized arguments.
#pragma once

#include <windows.h>

#include <cstdint>

// Largest argument count a native call takes; more is refused by the script bridge.
constexpr int kORBNativeMaxArgs = 32;

// One argument or result word: 32 bits on the i686 product, 64 bits on x86_64 where
// pointers travel whole. Integer results that the callee declares 32-bit wide leave the
// upper half of the x86_64 return register undefined: read them as their low 32 bits.
using ORBNativeWord = std::uintptr_t;

struct ORBNativeResult {
    ORBNativeWord value;
    DWORD lastError;  // the thread's last error read right after the call
};

// Calls fn with args[0..count). callerCleans names the convention (__cdecl: the caller
// removes the arguments; else __stdcall); the call restores the stack pointer itself on
// i686, so the result is right whichever the callee uses. x86_64 has one convention.
// A callee that declares more than count arguments reads the missing ones as 0. count
// must be 0..kORBNativeMaxArgs; anything else returns {0, ERROR_INVALID_PARAMETER}
// without calling.
ORBNativeResult ORBCallNative(void* fn, const ORBNativeWord* args, int count, bool callerCleans);
