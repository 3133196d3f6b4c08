#include "orbnativecall.h"

#include <algorithm>
#include <utility>

#if defined(__i386__)

// i686: one routine for every argument count and both conventions. It reserves the
// largest argument block (32 words) below the call, zeroed, copies the words into its
// start (word 0 nearest the return address), calls, and then restores the stack pointer
// from its own frame. So it does not matter whether the callee removed its arguments
// (__stdcall) or left them (__cdecl), or how many it expected: a callee that declares
// more arguments than it was given reads zeros and writes (as a callee may) only into
// the block, never into this routine's saved registers or return address; a script that
// names the wrong convention or passes a wrong count gets the callee's result instead of
// a corrupted stack. eax carries the 32-bit result; ebx, esi, edi and ebp are kept.
static_assert(kORBNativeMaxArgs == 32, "the routine below reserves 32 words (128 bytes)");
extern "C" ORBNativeWord orb_call_native_i686(void* fn, const ORBNativeWord* args, int count);
__asm__(
    ".text\n"
    ".p2align 4\n"
    "_orb_call_native_i686:\n"
    "    pushl %ebp\n"
    "    movl  %esp, %ebp\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    subl  $128, %esp\n"
    "    andl  $-16, %esp\n"  // callee built with SSE may expect an aligned stack
    "    cld\n"
    "    movl  %esp, %edi\n"
    "    xorl  %eax, %eax\n"
    "    movl  $32, %ecx\n"
    "    rep stosl\n"
    "    movl  %esp, %edi\n"
    "    movl  16(%ebp), %ecx\n"  // count
    "    movl  12(%ebp), %esi\n"  // args
    "    rep movsl\n"
    "    call  *8(%ebp)\n"
    "    leal  -8(%ebp), %esp\n"  // whatever the callee removed
    "    popl  %edi\n"
    "    popl  %esi\n"
    "    popl  %ebp\n"
    "    ret\n");

ORBNativeResult ORBCallNative(void* fn, const ORBNativeWord* args, int count, bool) {
    if (!fn || count < 0 || count > kORBNativeMaxArgs) return {0, ERROR_INVALID_PARAMETER};
    ORBNativeWord value = orb_call_native_i686(fn, args, count);
    DWORD error = GetLastError();
    return {value, error};
}

#else

namespace {

using W = ORBNativeWord;
template <std::size_t> using Word = W;

// x86_64 has one convention, and the caller removes the arguments: every call passes the
// largest argument block, zero-padded, the compiler placing the words in registers and
// on the stack. A callee that declares more arguments than it was given reads zeros, and
// what it writes into its arguments stays inside the block.
template <class Seq> struct Caller;
template <std::size_t... I> struct Caller<std::index_sequence<I...>> {
    static W Call(void* fn, const W* a) { return reinterpret_cast<W (*)(Word<I>...)>(fn)(a[I]...); }
};

}  // namespace

ORBNativeResult ORBCallNative(void* fn, const ORBNativeWord* args, int count, bool) {
    if (!fn || count < 0 || count > kORBNativeMaxArgs) return {0, ERROR_INVALID_PARAMETER};
    W words[kORBNativeMaxArgs] = {};
    std::copy(args, args + count, words);
    W value = Caller<std::make_index_sequence<kORBNativeMaxArgs>>::Call(fn, words);
    DWORD error = GetLastError();
    return {value, error};
}

#endif
