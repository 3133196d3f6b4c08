// Frame cost of a tree like the install dialog: full background, slideshow mid-fade,
// progress bar, label and caption area, drawn as the dialogs draw every 66 ms (new 32-bit
// section, new GDI+ graphics, root Draw). Prints the median milliseconds per frame.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

#include "orbcarousel.h"
#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orbuiframe.h"

using namespace ORBUE;

static RECT Rc(int l, int t, int r, int b) {
    RECT rc = {l, t, r, b};
    return rc;
}

// parts: which pieces to build ("all", or any of "background", "slides", "progress",
// "label"), to see where a frame's time goes.
static bool Want(const wchar_t* parts, const wchar_t* part) {
    return wcscmp(parts, L"all") == 0 || wcsstr(parts, part) != nullptr;
}

static ContainerUIObjectImpl* BuildInstallTree(HWND owner, const wchar_t* parts,
                                               CarouselUIObjectImpl** slidesOut) {
    auto* root = new ContainerUIObjectImpl;
    root->Create(owner, Rc(0, 0, 600, 430), Want(parts, L"background") ? 307 : 0, L"PNG");
    auto header = std::make_unique<CaptionContainerUIObjectImpl>();
    header->Create(owner, Rc(0, 0, 600, 50), 0, nullptr);
    root->AddContainer(std::move(header));
    auto owned = std::make_unique<ContainerUIObjectImpl>();
    ContainerUIObjectImpl* body = owned.get();
    body->Create(owner, Rc(0, 50, 580, 430), 0, nullptr);
    root->AddContainer(std::move(owned));
    auto slides = std::make_unique<CarouselUIObjectImpl>();
    slides->Create(owner, Rc(0, 0, 600, 430), 309, L"PNG");
    slides->SetFrameCount(2);
    slides->SetAlpha(0.5f);
    *slidesOut = nullptr;
    if (Want(parts, L"slides")) {
        *slidesOut = slides.get();
        body->AddControl(std::move(slides));
    }
    auto progress = std::make_unique<ProgressUIObjectImpl>();
    progress->Create(owner, Rc(20, 365, 580, 380), 311, L"PNG");
    progress->SetFront(Rc(20, 367, 580, 382), 0, 0);
    progress->SetFrontImage(L"PNG", 312);
    for (int i = 0; i < 50; ++i) progress->Step();
    if (Want(parts, L"progress")) body->AddControl(std::move(progress));
    auto label = std::make_unique<LabelUIObjectImpl>();
    label->Create(owner, Rc(20, 390, 580, 412), 0, nullptr);
    label->SetText(L"\x5B89\x88C5\x4E2D...");
    label->SetTextColor(136, 136, 136);
    label->SetFont(L"\x5B8B\x4F53", 12, false);
    if (Want(parts, L"label")) body->AddControl(std::move(label));
    return root;
}

// Median milliseconds of `frames` full frames (after a short warm-up). With `fading`, the
// slideshow's alpha takes the next fade step before every frame, as during a real fade.
static double MedianFrameMs(IORBBaseUIObject* root, int frames, double* mean,
                            CarouselUIObjectImpl* fading = nullptr) {
    std::vector<double> ms;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < frames + 10; ++i) {
        if (fading) fading->SetAlpha(1.0f - float(i % 7 + 1) * (2.0f / 15.0f));
        QueryPerformanceCounter(&t0);
        HDC mem = CreateCompatibleDC(screen);
        MemoryBitmap bmp;
        RenderTree(mem, bmp, root, 600, 430);
        bmp.Destroy();
        DeleteDC(mem);
        QueryPerformanceCounter(&t1);
        if (i >= 10)
            ms.push_back(double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart));
    }
    ReleaseDC(nullptr, screen);
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    *mean = sum / double(ms.size());
    return ms[ms.size() / 2];
}

int wmain(int argc, wchar_t** argv) {
    const wchar_t* parts = argc > 1 ? argv[1] : L"all";
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::printf("GDI+ failed to start\n");
        return 1;
    }
    const int kFrames = 500;
    ContainerUIObjectImpl* root = nullptr;
    CarouselUIObjectImpl* slides = nullptr;
    try {
        root = BuildInstallTree(nullptr, parts, &slides);
    } catch (HRESULT hr) {
        std::printf("tree build failed: 0x%08lx\n", (unsigned long)hr);
        return 1;
    }
    double mean = 0;
    double median = MedianFrameMs(root, kFrames, &mean);
    std::printf("frames: %d (600x430), parts: %ls\n", kFrames, parts);
    std::printf("median ms per frame (slideshow mid-fade): %.3f (mean %.3f)\n", median, mean);
    std::printf("CPU share at 15 frames per second: %.1f %% of one core\n", median * 15.0 / 10.0);
    if (slides) {
        double fading = MedianFrameMs(root, kFrames, &mean, slides);
        std::printf("median ms per frame (alpha stepping every frame): %.3f (mean %.3f), %.1f %%\n",
                    fading, mean, fading * 15.0 / 10.0);
        slides->SetAlpha(1.0f);
        double steady = MedianFrameMs(root, kFrames, &mean);
        std::printf("median ms per frame (slideshow between fades): %.3f (mean %.3f), %.1f %%\n",
                    steady, mean, steady * 15.0 / 10.0);
    }
    delete root;
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
