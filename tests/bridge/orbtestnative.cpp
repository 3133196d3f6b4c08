// A small library for the native bridge tests: results of every kind, the last
// error, and functions of 0 to 32 word arguments in both conventions that weigh
// their arguments (sum of position x value), so a lost or misplaced word shows.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

#define EXPORT extern "C" __declspec(dllexport)

using W = std::uintptr_t;

static unsigned Low(W v) { return static_cast<unsigned>(v); }

EXPORT int __cdecl MinusOne() { return -1; }
EXPORT int __stdcall MinusOneStd() { return -1; }
EXPORT const char* NarrowText() { return "narrow text"; }
EXPORT const wchar_t* WideText() { return L"wide \u00e9\u4e2d"; }
EXPORT const char* NullText() { return nullptr; }

// A word with garbage above a 32-bit result, and one whose low half is zero.
EXPORT W HighGarbage() { return static_cast<W>(0x1234567800000005ull); }
EXPORT W HighOnly() { return static_cast<W>(0x100000000ull); }

EXPORT W Echo(W v) { return v; }
EXPORT unsigned HighHalf(W v) { return static_cast<unsigned>(static_cast<unsigned long long>(v) >> 32); }
EXPORT int SetError(DWORD code) { SetLastError(code); return 0; }

EXPORT int WideIsAbc(const wchar_t* s) { return s && std::wcscmp(s, L"abc") == 0; }
EXPORT int NarrowIsAbc(const char* s) { return s && std::strcmp(s, "abc") == 0; }
EXPORT int FillWide(wchar_t* out, int capacity) {
    if (capacity < 7) return 0;
    std::wcscpy(out, L"filled");
    return 1;
}
EXPORT int StoreWord(W* at, W value) { *at = value; return 1; }
EXPORT W LoadWord(const W* at) { return *at; }

EXPORT unsigned __cdecl WeighC0() { return Low(0); }
EXPORT unsigned __stdcall WeighS0() { return Low(0); }
EXPORT unsigned __cdecl WeighC1(W a1) { return Low(1 * a1); }
EXPORT unsigned __stdcall WeighS1(W a1) { return Low(1 * a1); }
EXPORT unsigned __cdecl WeighC2(W a1, W a2) { return Low(1 * a1 + 2 * a2); }
EXPORT unsigned __stdcall WeighS2(W a1, W a2) { return Low(1 * a1 + 2 * a2); }
EXPORT unsigned __cdecl WeighC3(W a1, W a2, W a3) { return Low(1 * a1 + 2 * a2 + 3 * a3); }
EXPORT unsigned __stdcall WeighS3(W a1, W a2, W a3) { return Low(1 * a1 + 2 * a2 + 3 * a3); }
EXPORT unsigned __cdecl WeighC4(W a1, W a2, W a3, W a4) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4); }
EXPORT unsigned __stdcall WeighS4(W a1, W a2, W a3, W a4) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4); }
EXPORT unsigned __cdecl WeighC5(W a1, W a2, W a3, W a4, W a5) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5); }
EXPORT unsigned __stdcall WeighS5(W a1, W a2, W a3, W a4, W a5) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5); }
EXPORT unsigned __cdecl WeighC6(W a1, W a2, W a3, W a4, W a5, W a6) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6); }
EXPORT unsigned __stdcall WeighS6(W a1, W a2, W a3, W a4, W a5, W a6) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6); }
EXPORT unsigned __cdecl WeighC7(W a1, W a2, W a3, W a4, W a5, W a6, W a7) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7); }
EXPORT unsigned __stdcall WeighS7(W a1, W a2, W a3, W a4, W a5, W a6, W a7) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7); }
EXPORT unsigned __cdecl WeighC8(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8); }
EXPORT unsigned __stdcall WeighS8(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8); }
EXPORT unsigned __cdecl WeighC9(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9); }
EXPORT unsigned __stdcall WeighS9(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9); }
EXPORT unsigned __cdecl WeighC10(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10); }
EXPORT unsigned __stdcall WeighS10(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10); }
EXPORT unsigned __cdecl WeighC11(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11); }
EXPORT unsigned __stdcall WeighS11(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11); }
EXPORT unsigned __cdecl WeighC12(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12); }
EXPORT unsigned __stdcall WeighS12(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12); }
EXPORT unsigned __cdecl WeighC13(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13); }
EXPORT unsigned __stdcall WeighS13(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13); }
EXPORT unsigned __cdecl WeighC14(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14); }
EXPORT unsigned __stdcall WeighS14(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14); }
EXPORT unsigned __cdecl WeighC15(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15); }
EXPORT unsigned __stdcall WeighS15(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15); }
EXPORT unsigned __cdecl WeighC16(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16); }
EXPORT unsigned __stdcall WeighS16(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16); }
EXPORT unsigned __cdecl WeighC17(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17); }
EXPORT unsigned __stdcall WeighS17(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17); }
EXPORT unsigned __cdecl WeighC18(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18); }
EXPORT unsigned __stdcall WeighS18(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18); }
EXPORT unsigned __cdecl WeighC19(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19); }
EXPORT unsigned __stdcall WeighS19(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19); }
EXPORT unsigned __cdecl WeighC20(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20); }
EXPORT unsigned __stdcall WeighS20(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20); }
EXPORT unsigned __cdecl WeighC21(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21); }
EXPORT unsigned __stdcall WeighS21(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21); }
EXPORT unsigned __cdecl WeighC22(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22); }
EXPORT unsigned __stdcall WeighS22(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22); }
EXPORT unsigned __cdecl WeighC23(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23); }
EXPORT unsigned __stdcall WeighS23(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23); }
EXPORT unsigned __cdecl WeighC24(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24); }
EXPORT unsigned __stdcall WeighS24(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24); }
EXPORT unsigned __cdecl WeighC25(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25); }
EXPORT unsigned __stdcall WeighS25(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25); }
EXPORT unsigned __cdecl WeighC26(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26); }
EXPORT unsigned __stdcall WeighS26(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26); }
EXPORT unsigned __cdecl WeighC27(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27); }
EXPORT unsigned __stdcall WeighS27(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27); }
EXPORT unsigned __cdecl WeighC28(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28); }
EXPORT unsigned __stdcall WeighS28(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28); }
EXPORT unsigned __cdecl WeighC29(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28, W a29) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28 + 29 * a29); }
EXPORT unsigned __stdcall WeighS29(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28, W a29) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28 + 29 * a29); }
EXPORT unsigned __cdecl WeighC30(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28, W a29, W a30) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28 + 29 * a29 + 30 * a30); }
EXPORT unsigned __stdcall WeighS30(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28, W a29, W a30) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28 + 29 * a29 + 30 * a30); }
EXPORT unsigned __cdecl WeighC31(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28, W a29, W a30, W a31) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28 + 29 * a29 + 30 * a30 + 31 * a31); }
EXPORT unsigned __stdcall WeighS31(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28, W a29, W a30, W a31) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28 + 29 * a29 + 30 * a30 + 31 * a31); }
EXPORT unsigned __cdecl WeighC32(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28, W a29, W a30, W a31, W a32) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28 + 29 * a29 + 30 * a30 + 31 * a31 + 32 * a32); }
EXPORT unsigned __stdcall WeighS32(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8, W a9, W a10, W a11, W a12, W a13, W a14, W a15, W a16, W a17, W a18, W a19, W a20, W a21, W a22, W a23, W a24, W a25, W a26, W a27, W a28, W a29, W a30, W a31, W a32) { return Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16 + 17 * a17 + 18 * a18 + 19 * a19 + 20 * a20 + 21 * a21 + 22 * a22 + 23 * a23 + 24 * a24 + 25 * a25 + 26 * a26 + 27 * a27 + 28 * a28 + 29 * a29 + 30 * a30 + 31 * a31 + 32 * a32); }

// Declare more arguments than the tests pass and overwrite every one of them, as a callee
// may: the words the caller did not give must read as zero and the writes must stay out
// of the caller's frame.
#define SCRIBBLE_BODY                                                                      \
    const unsigned sum = Low(1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8); \
    a1 = a2 = a3 = a4 = a5 = a6 = a7 = a8 = ~W(0);                                         \
    __asm__ volatile("" : : "m"(a1), "m"(a2), "m"(a3), "m"(a4), "m"(a5), "m"(a6), "m"(a7), "m"(a8)); \
    return sum;
EXPORT unsigned __cdecl ScribbleC8(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8) { SCRIBBLE_BODY }
EXPORT unsigned __stdcall ScribbleS8(W a1, W a2, W a3, W a4, W a5, W a6, W a7, W a8) { SCRIBBLE_BODY }
