// Frame cost of the sample's install dialog (its layout and skin: slideshow mid-fade,
// progress bar, label) against the least a frame of the same size can cost, at 100 % and
// 200 %. The dialog's frame is ComposeFrame on a shown layered window, as its redraw
// timer draws it; the floors are the same window updated from a ready bitmap. The
// measured things run in rounds, each a few frames of every one in a rotating order, so
// a change of machine load falls on all of them alike.
// usage: bench_ui_frame [rounds] [frames per round]
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "benchclock.h"
#include "orbcarousel.h"
#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orbdpi.h"
#include "orbhandle.h"
#include "orbmemorybitmap.h"
#include "orbtreebuilder.h"
#include "orbuiframe.h"
#include "pugixml.hpp"

using namespace ORBUE;

namespace {

constexpr int kLayoutWidth = 600, kLayoutHeight = 430;
constexpr int kLayoutResource = 1;  // the sample's layout, as written (UTF-8)

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The <Container> of the sample's InstallDlg, parsed from the layout resource.
bool LoadInstallDialog(pugi::xml_document& doc, pugi::xml_node& root) {
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(kLayoutResource), MAKEINTRESOURCEW(10));  // RCDATA
    HGLOBAL loaded = res ? LoadResource(nullptr, res) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || !doc.load_buffer(data, SizeofResource(nullptr, res))) return false;
    for (pugi::xml_node dlg : doc.first_child().children(L"Dlg"))
        if (std::wstring(dlg.attribute(L"name").value()) == L"InstallDlg") root = dlg.child(L"Container");
    return !root.empty();
}

// A shown layered window of the layout's size at `scale`, as a dialog's window is.
HWND MakeWindow(float scale) {
    static const wchar_t kClass[] = L"OrbBenchFrame";
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        registered = RegisterClassW(&wc) != 0;
    }
    HWND hwnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClass, L"", WS_POPUP, 0, 0,
                                ScaleLength(kLayoutWidth, scale), ScaleLength(kLayoutHeight, scale), nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return nullptr;
    SetWindowScale(hwnd, scale);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

// One frame of the ready picture through the compose path: memory DC, new 32-bit
// section, the ready pixels put in, UpdateLayeredWindow. The pixels go in by a plain copy
// from the ready section (the floor) or by one GDI+ draw of the ready image (for
// comparison: what a GDI+ draw of a whole frame costs here).
bool ComposeReady(HWND window, HDC readyDC, Gdiplus::Bitmap* readyImage) {
    RECT wr;
    if (!GetWindowRect(window, &wr)) return false;
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    ORBWindowDC wdc(window);
    ORBMemDC mem(CreateCompatibleDC(wdc.get()));
    MemoryBitmap bmp;
    if (!mem || !bmp.Create(mem.get(), w, h)) return false;
    HGDIOBJ old = SelectObject(mem.get(), bmp.handle());
    if (readyImage) {
        Gdiplus::Graphics g(mem.get());
        g.DrawImage(readyImage, Gdiplus::Rect(0, 0, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
    } else {
        BitBlt(mem.get(), 0, 0, w, h, readyDC, 0, 0, SRCCOPY);
    }
    GdiFlush();
    SIZE size = {w, h};
    POINT src = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const bool ok = UpdateLayeredWindow(window, nullptr, nullptr, &size, mem.get(), &src, 0, &blend, ULW_ALPHA) != FALSE;
    SelectObject(mem.get(), old);
    return ok;
}

// The frame a window shows, drawn once (device pixels, premultiplied), in a GDI+ bitmap
// and in a selected DIB section.
struct ReadyFrame {
    std::unique_ptr<Gdiplus::Bitmap> image;
    ORBMemDC dc;
    MemoryBitmap section;
    HGDIOBJ old = nullptr;
    int w = 0, h = 0;
    ~ReadyFrame() {
        if (old) SelectObject(dc.get(), old);
    }
    bool Make(HWND window, IORBBaseUIObject* root) {
        RECT wr;
        GetWindowRect(window, &wr);
        w = wr.right - wr.left, h = wr.bottom - wr.top;
        ORBWindowDC wdc(window);
        dc.reset(CreateCompatibleDC(wdc.get()));
        if (!dc || !RenderTree(dc.get(), section, root, w, h, WindowScale(window))) return false;
        old = SelectObject(dc.get(), section.handle());
        image = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppPARGB);
        Gdiplus::Rect all(0, 0, w, h);
        Gdiplus::BitmapData data;
        if (image->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
            return false;
        // The section is bottom-up: row y of the picture is its row h - 1 - y.
        for (int y = 0; y < h; ++y)
            memcpy(static_cast<BYTE*>(data.Scan0) + y * data.Stride, section.bits() + size_t(h - 1 - y) * w,
                   size_t(w) * 4);
        return image->UnlockBits(&data) == Gdiplus::Ok;
    }
    // One UpdateLayeredWindow of the ready section: the least any frame costs.
    bool Push(HWND window) {
        SIZE size = {w, h};
        POINT src = {0, 0};
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        return UpdateLayeredWindow(window, nullptr, nullptr, &size, dc.get(), &src, 0, &blend, ULW_ALPHA) != FALSE;
    }
};

struct Measured {
    Measured(std::string n, std::function<bool()> f, std::function<void(bool)> a)
        : name(std::move(n)), frame(std::move(f)), around(std::move(a)) {}
    std::string name;
    std::function<bool()> frame;  // one frame; false when it failed
    std::function<void(bool)> around;  // before (true) and after (false) a batch, or empty
    std::vector<double> ms;
    int failed = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
    const int perRound = argc > 2 ? std::max(1, _wtoi(argv[2])) : 8;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::printf("GDI+ failed to start\n");
        return 1;
    }
    pugi::xml_document doc;
    pugi::xml_node layout;
    if (!LoadInstallDialog(doc, layout)) {
        std::printf("no InstallDlg in the layout resource\n");
        return 1;
    }
    const float scales[2] = {1.0f, 2.0f};
    HWND windows[2] = {MakeWindow(scales[0]), MakeWindow(scales[1])};
    if (!windows[0] || !windows[1]) {
        std::printf("no layered window\n");
        return 1;
    }
    // One tree for both windows: each frame is drawn at the scale of the window it goes to.
    std::unique_ptr<ContainerUIObjectImpl> root;
    if (BuildUITree(windows[0], layout, &root) != S_OK || !root) {
        std::printf("the install dialog's tree was not built\n");
        return 1;
    }
    auto slides = root->FindControlsByType<CarouselUIObjectImpl>();
    auto bars = root->FindControlsByType<ProgressUIObjectImpl>();
    auto labels = root->FindControlsByType<LabelUIObjectImpl>();
    if (slides.size() != 1 || bars.size() != 1 || labels.size() != 1) {
        std::printf("the install dialog is not slideshow, progress and label\n");
        return 1;
    }
    CarouselUIObjectImpl* carousel = slides[0];
    for (int i = 0; i < 42; ++i) bars[0]->Step();
    labels[0]->SetText(L"\x6B63\x5728\x5B89\x88C5 ORB Demo...");
    // The sample's fade: 500 ms in steps of 66.67 ms, a new blend in every frame.
    int fadeStep = 0;
    auto nextBlend = [&] {
        fadeStep = fadeStep % 7 + 1;
        carousel->SetAlpha(1.0f - float(fadeStep) * (66.666664f / 500.0f));
    };

    std::vector<std::unique_ptr<ReadyFrame>> ready;
    std::vector<Measured> all;
    for (int s = 0; s < 2; ++s) {
        HWND hwnd = windows[s];
        const std::string at = s == 0 ? "@100" : "@200";
        carousel->SetAlpha(0.6f);
        ready.push_back(std::make_unique<ReadyFrame>());
        ReadyFrame* rf = ready.back().get();
        if (!rf->Make(hwnd, root.get())) {
            std::printf("the ready frame was not made\n");
            return 1;
        }
        auto dialogFrame = [hwnd, &root] { return ComposeFrame(hwnd, root.get()); };
        // The dialog's frame mid-fade: the blend changes before every frame.
        all.emplace_back("frame" + at, [&nextBlend, dialogFrame] {
                           nextBlend();
                           return dialogFrame();
                       }, nullptr);
        all.emplace_back("steady" + at, dialogFrame, [carousel](bool before) { carousel->SetAlpha(before ? 1.0f : 0.6f); });
        // Parts hidden one after the other: the differences are what each part costs.
        auto hide = [](std::vector<IORBBaseUIObject*> parts) {
            return [parts](bool before) {
                for (IORBBaseUIObject* p : parts) p->SetVisible(!before);
            };
        };
        IORBBaseUIObject *c = carousel, *b = bars[0], *l = labels[0];
        all.emplace_back("noslides" + at, dialogFrame, hide({c}));
        all.emplace_back("nobar" + at, dialogFrame, hide({c, b}));
        all.emplace_back("background" + at, dialogFrame, hide({c, b, l}));
        all.emplace_back("floor" + at, [hwnd, rf] { return ComposeReady(hwnd, rf->dc.get(), nullptr); }, nullptr);
        all.emplace_back("gdiplus" + at, [hwnd, rf] { return ComposeReady(hwnd, nullptr, rf->image.get()); }, nullptr);
        all.emplace_back("ulw" + at, [hwnd, rf] { return rf->Push(hwnd); }, nullptr);
    }

    const int n = int(all.size());
    const double started = Now();
    for (int r = -1; r < rounds; ++r) {  // round -1 warms up (images at 200 %, fonts, caches)
        for (int k = 0; k < n; ++k) {
            Measured& m = all[(k + (r < 0 ? 0 : r)) % n];
            if (m.around) m.around(true);
            for (int i = 0; i < perRound; ++i) {
                const double t0 = Now();
                const bool ok = m.frame();
                const double t1 = Now();
                if (r < 0) continue;
                if (ok)
                    m.ms.push_back(t1 - t0);
                else
                    ++m.failed;
            }
            if (m.around) m.around(false);
            Pump();
        }
    }
    const double seconds = (Now() - started) / 1000.0;

    auto med = [&all](const std::string& name) {
        for (const Measured& m : all)
            if (m.name == name) return Median(m.ms);
        return 0.0;
    };
    int failures = 0;
    for (const Measured& m : all) failures += m.failed;
    std::printf("The sample's install dialog (layout %dx%d) against the floor: %d rounds of %d frames of each,"
                " interleaved, %.0f s\n",
                kLayoutWidth, kLayoutHeight, rounds, perRound, seconds);
    std::printf("%-6s %-9s %11s %11s %7s %11s %7s %9s\n", "scale", "pixels", "frame ms", "floor ms", "ratio",
                "ULW ms", "ratio", "CPU@15fps");
    for (int s = 0; s < 2; ++s) {
        const std::string at = s == 0 ? "@100" : "@200";
        const double f = med("frame" + at), fl = med("floor" + at), u = med("ulw" + at);
        std::printf("%3d %%  %4dx%-4d %11.3f %11.3f %7.2f %11.3f %7.2f %8.1f%%\n", s == 0 ? 100 : 200,
                    ScaleLength(kLayoutWidth, scales[s]), ScaleLength(kLayoutHeight, scales[s]), f, fl,
                    fl > 0 ? f / fl : 0, u, u > 0 ? f / u : 0, f * 15.0 / 10.0);
    }
    std::printf("floor: new section, the ready frame copied in, UpdateLayeredWindow; ULW: UpdateLayeredWindow"
                " of the ready section alone\n");
    std::printf("the floor with one GDI+ draw of the ready frame instead of the copy: %.3f ms at 100 %%,"
                " %.3f ms at 200 %%\n", med("gdiplus@100"), med("gdiplus@200"));
    std::printf("Where the frame's time goes (median ms; parts hidden one after the other):\n");
    std::printf("%-6s %13s %9s %9s %22s %16s\n", "scale", "slides(fade)", "progress", "label",
                "background+compose", "between fades");
    for (int s = 0; s < 2; ++s) {
        const std::string at = s == 0 ? "@100" : "@200";
        const double f = med("frame" + at), ns = med("noslides" + at), nb = med("nobar" + at),
                     bg = med("background" + at);
        std::printf("%3d %%  %13.3f %9.3f %9.3f %22.3f %16.3f\n", s == 0 ? 100 : 200, f - ns, ns - nb, nb - bg, bg,
                    med("steady" + at));
    }
    if (failures) std::printf("frames that failed: %d\n", failures);
    root.reset();
    ready.clear();
    for (HWND w : windows) DestroyWindow(w);
    Gdiplus::GdiplusShutdown(token);
    return failures ? 1 : 0;
}
