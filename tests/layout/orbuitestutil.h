// Helpers of the UI tests: GDI+ for the whole program, an owner window that records the
// objects' messages, layouts from wide strings, drawing into a bitmap, PNG pixels.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "orbcontainer.h"
#include "orblayout.h"
#include "orbmemorybitmap.h"
#include "orbuiframe.h"
#include "orbuiobjectmanager.h"

class GdiplusEnvironment : public testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
        OleInitialize(nullptr);
    }
    void TearDown() override {
        OleUninitialize();
        Gdiplus::GdiplusShutdown(token_);
    }

private:
    ULONG_PTR token_ = 0;
};

// A hidden window standing in for a dialog; records the private messages it gets.
class TestOwner {
public:
    struct Message {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    TestOwner() {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"OrbUiTestOwner";
        RegisterClassExW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TestOwner() {
        tree.Reset();
        DestroyWindow(hwnd_);
    }
    TestOwner(const TestOwner&) = delete;
    TestOwner& operator=(const TestOwner&) = delete;
    HWND hwnd() const { return hwnd_; }
    // The window's tree, as a dialog holds it.
    ORBUE::UITree tree;
    ORBUE::ContainerUIObjectImpl* BuildTree(const pugi::xml_node& container, HRESULT* result = nullptr) {
        return tree.Build(hwnd_, container, result);
    }
    std::vector<Message> messages;
    int Count(UINT msg) const {
        int n = 0;
        for (const Message& m : messages) n += m.msg == msg;
        return n;
    }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<TestOwner*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && msg >= WM_USER) self->messages.push_back({msg, w, l});
        return DefWindowProcW(h, msg, w, l);
    }
    HWND hwnd_;
};

// Parses a layout held as a wide string the way the program does (UTF-16LE bytes).
inline bool ParseLayout(pugi::xml_document& doc, const std::wstring& xml) {
    return static_cast<bool>(
        ORBUE::LoadLayoutDocument(doc, xml.data(), xml.size() * sizeof(wchar_t)));
}

// Draws object into a fresh width x height frame; the frame's premultiplied pixels,
// top-down (empty when drawing failed).
inline std::vector<DWORD> DrawFrame(ORBUE::IORBBaseUIObject* object, int width, int height) {
    std::vector<DWORD> out;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    {
        ORBUE::MemoryBitmap bmp;
        if (ORBUE::RenderTree(mem, bmp, object, width, height)) {
            out.resize(static_cast<size_t>(width) * height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) out[static_cast<size_t>(y) * width + x] = bmp.PixelAt(x, y);
        }
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}

// Straight ARGB pixels of a PNG file, top-down; empty when it does not load.
inline std::vector<DWORD> ReadPng(const std::wstring& path, int* width, int* height) {
    std::vector<DWORD> out;
    Gdiplus::Bitmap bmp(path.c_str());
    if (bmp.GetLastStatus() != Gdiplus::Ok) return out;
    *width = static_cast<int>(bmp.GetWidth());
    *height = static_cast<int>(bmp.GetHeight());
    Gdiplus::Rect r(0, 0, *width, *height);
    Gdiplus::BitmapData data;
    if (bmp.LockBits(&r, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return out;
    out.resize(static_cast<size_t>(*width) * *height);
    for (int y = 0; y < *height; ++y)
        memcpy(&out[static_cast<size_t>(y) * *width], static_cast<BYTE*>(data.Scan0) + y * data.Stride,
               *width * 4);
    bmp.UnlockBits(&data);
    return out;
}

// Largest per-channel difference of two pixels.
inline int ChannelDiff(DWORD a, DWORD b) {
    int d = 0;
    for (int s = 0; s < 32; s += 8) {
        int x = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
        if (x < 0) x = -x;
        if (x > d) d = x;
    }
    return d;
}
