// Owning wrappers for Win32 handles and COM pointers.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>
#include <winsvc.h>
#include <unknwn.h>
#include <objbase.h>

#include <utility>

// Closes through Traits::close; keeps the thread's last error across the close so a
// failure path can still report the error of the call that failed.
template <typename Traits>
class ORBUniqueHandle {
public:
    using pointer = typename Traits::pointer;

    ORBUniqueHandle() noexcept : h_(Traits::invalid()) {}
    explicit ORBUniqueHandle(pointer h) noexcept : h_(h) {}
    ~ORBUniqueHandle() { reset(); }

    ORBUniqueHandle(const ORBUniqueHandle&) = delete;
    ORBUniqueHandle& operator=(const ORBUniqueHandle&) = delete;
    ORBUniqueHandle(ORBUniqueHandle&& o) noexcept : h_(o.release()) {}
    ORBUniqueHandle& operator=(ORBUniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }

    pointer get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::invalid(); }

    pointer release() noexcept {
        pointer h = h_;
        h_ = Traits::invalid();
        return h;
    }

    void reset(pointer h = Traits::invalid()) noexcept {
        if (h_ != Traits::invalid() && h_ != h) {
            DWORD err = GetLastError();
            Traits::close(h_);
            SetLastError(err);
        }
        h_ = h;
    }

    // Releases the current value and returns the slot for an API that writes a handle.
    pointer* put() noexcept {
        reset();
        return &h_;
    }

private:
    pointer h_;
};

// A null-when-empty value released by one call, Free (a function or function pointer).
template <typename T, auto Free>
struct ORBFreeTraits {
    using pointer = T;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer p) noexcept { Free(p); }
};
// Handles whose empty value is INVALID_HANDLE_VALUE rather than null.
template <auto Close>
struct ORBInvalidValueTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { Close(h); }
};

using ORBHandle = ORBUniqueHandle<ORBFreeTraits<HANDLE, CloseHandle>>;
using ORBFileHandle = ORBUniqueHandle<ORBInvalidValueTraits<CloseHandle>>;
using ORBFindHandle = ORBUniqueHandle<ORBInvalidValueTraits<FindClose>>;
using ORBRegKey = ORBUniqueHandle<ORBFreeTraits<HKEY, RegCloseKey>>;
using ORBModule = ORBUniqueHandle<ORBFreeTraits<HMODULE, FreeLibrary>>;
using ORBScHandle = ORBUniqueHandle<ORBFreeTraits<SC_HANDLE, CloseServiceHandle>>;
template <typename T>
using ORBGdiObject = ORBUniqueHandle<ORBFreeTraits<T, DeleteObject>>;
using ORBMemDC = ORBUniqueHandle<ORBFreeTraits<HDC, DeleteDC>>;
using ORBIcon = ORBUniqueHandle<ORBFreeTraits<HICON, DestroyIcon>>;
using ORBGlobalMem = ORBUniqueHandle<ORBFreeTraits<HGLOBAL, GlobalFree>>;
// Memory and strings a system call allocated for its caller.
template <typename T>
using ORBLocalMem = ORBUniqueHandle<ORBFreeTraits<T, LocalFree>>;
template <typename T>
using ORBCoTaskMem = ORBUniqueHandle<ORBFreeTraits<T, CoTaskMemFree>>;
using ORBBstr = ORBUniqueHandle<ORBFreeTraits<BSTR, SysFreeString>>;

// A window's device context from GetDC, given back with ReleaseDC to the same window.
class ORBWindowDC {
public:
    explicit ORBWindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~ORBWindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    ORBWindowDC(const ORBWindowDC&) = delete;
    ORBWindowDC& operator=(const ORBWindowDC&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Minimal COM owner: Release on reset, no AddRef on attach.
template <typename T>
class ORBComPtr {
public:
    ORBComPtr() noexcept = default;
    explicit ORBComPtr(T* p) noexcept : p_(p) {}
    ~ORBComPtr() { reset(); }
    ORBComPtr(const ORBComPtr&) = delete;
    ORBComPtr& operator=(const ORBComPtr&) = delete;
    ORBComPtr(ORBComPtr&& o) noexcept : p_(o.release()) {}
    ORBComPtr& operator=(ORBComPtr&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T* release() noexcept { return std::exchange(p_, nullptr); }
    void reset(T* p = nullptr) noexcept {
        if (p_) p_->Release();
        p_ = p;
    }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
    T* p_ = nullptr;
};

// COM (or OLE, COM with drag and drop and the clipboard) on the current thread for one
// scope; uninitialised only when this scope's initialisation succeeded (a thread already
// in another model keeps it).
class ORBComScope {
public:
    struct Ole {};
    explicit ORBComScope(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : up_(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
    explicit ORBComScope(Ole) noexcept : ole_(true), up_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~ORBComScope() { End(); }
    // Ends the scope early (before what was loaded under it is unloaded).
    void End() noexcept {
        if (up_) ole_ ? OleUninitialize() : CoUninitialize();
        up_ = false;
    }
    ORBComScope(const ORBComScope&) = delete;
    ORBComScope& operator=(const ORBComScope&) = delete;

private:
    bool ole_ = false;
    bool up_;
};
