#include "orbnativecall.h"

#include <utility>

namespace {

using W = ORBNativeWord;
template <std::size_t> using Word = W;
using Thunk = W (*)(void*, const W*);

// One typed call per argument count and convention: the compiler pushes the words last
// first and, for __cdecl, removes them after the call; a __stdcall callee removes them.
template <class Seq> struct Caller;
template <std::size_t... I> struct Caller<std::index_sequence<I...>> {
    static W Std(void* fn, const W* a) {
        (void)a;
        return reinterpret_cast<W(__stdcall*)(Word<I>...)>(fn)(a[I]...);
    }
    static W Cdecl(void* fn, const W* a) {
        (void)a;
        return reinterpret_cast<W(__cdecl*)(Word<I>...)>(fn)(a[I]...);
    }
};

template <std::size_t... N>
W Dispatch(std::index_sequence<N...>, void* fn, const W* args, int count, bool callerCleans) {
    static const Thunk std[] = {&Caller<std::make_index_sequence<N>>::Std...};
    static const Thunk cdecl_[] = {&Caller<std::make_index_sequence<N>>::Cdecl...};
    return (callerCleans ? cdecl_ : std)[count](fn, args);
}

}  // namespace

ORBNativeResult ORBCallNative(void* fn, const ORBNativeWord* args, int count, bool callerCleans) {
    if (!fn || count < 0 || count > kORBNativeMaxArgs) return {0, ERROR_INVALID_PARAMETER};
    W value = Dispatch(std::make_index_sequence<kORBNativeMaxArgs + 1>(), fn, args, count,
                       callerCleans);
    DWORD error = GetLastError();
    return {value, error};
}
