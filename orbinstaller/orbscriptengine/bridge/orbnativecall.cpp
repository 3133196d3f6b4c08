#include "orbnativecall.h"

#include <utility>

#if defined(__i386__)

// i686: one routine for every argument count and both conventions. It copies the words
// to the stack (word 0 nearest the return address), calls, and then restores the stack
// pointer from its own frame. So it does not matter whether the callee removed its
// arguments (__stdcall) or left them (__cdecl), or how many it expected: a script that
// names the wrong convention or passes a wrong count gets the callee's result instead of
// a corrupted stack. eax carries the 32-bit result; ebx, esi, edi and ebp are kept.
extern "C" ORBNativeWord orb_call_native_i686(void* fn, const ORBNativeWord* args, int count);
__asm__(
    ".text\n"
    ".p2align 4\n"
    "_orb_call_native_i686:\n"
    "    pushl %ebp\n"
    "    movl  %esp, %ebp\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    movl  16(%ebp), %ecx\n"  // count
    "    movl  12(%ebp), %esi\n"  // args
    "    leal  (,%ecx,4), %eax\n"
    "    subl  %eax, %esp\n"
    "    andl  $-16, %esp\n"  // callee built with SSE may expect an aligned stack
    "    movl  %esp, %edi\n"
    "    cld\n"
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
using Thunk = W (*)(void*, const W*);

// x86_64 has one convention: a typed call per argument count, the compiler placing the
// words in registers and on the stack.
template <class Seq> struct Caller;
template <std::size_t... I> struct Caller<std::index_sequence<I...>> {
    static W Call(void* fn, const W* a) {
        (void)a;
        return reinterpret_cast<W (*)(Word<I>...)>(fn)(a[I]...);
    }
};

template <std::size_t... N>
W Dispatch(std::index_sequence<N...>, void* fn, const W* args, int count) {
    static const Thunk calls[] = {&Caller<std::make_index_sequence<N>>::Call...};
    return calls[count](fn, args);
}

}  // namespace

ORBNativeResult ORBCallNative(void* fn, const ORBNativeWord* args, int count, bool) {
    if (!fn || count < 0 || count > kORBNativeMaxArgs) return {0, ERROR_INVALID_PARAMETER};
    W value = Dispatch(std::make_index_sequence<kORBNativeMaxArgs + 1>(), fn, args, count);
    DWORD error = GetLastError();
    return {value, error};
}

#endif
