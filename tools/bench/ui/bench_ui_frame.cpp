// Frame cost of a tree like the install dialog: full background, slideshow mid-fade,
// progress bar, label and caption area, drawn as the dialogs draw every 66 ms (new 32-bit
// section, new GDI+ graphics, root Draw). Prints the median milliseconds per frame.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
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

static ContainerUIObjectImpl* BuildInstallTree(HWND owner) {
    auto* root = new ContainerUIObjectImpl;
    root->Create(owner, Rc(0, 0, 600, 430), 307, L"PNG");
    auto* header = new CaptionContainerUIObjectImpl;
    header->Create(owner, Rc(0, 0, 600, 50), 0, nullptr);
    root->AddContainer(header);
    auto* body = new ContainerUIObjectImpl;
    body->Create(owner, Rc(0, 50, 580, 430), 0, nullptr);
    root->AddContainer(body);
    auto* slides = new CarouselUIObjectImpl;
    slides->Create(owner, Rc(0, 0, 600, 430), 309, L"PNG");
    slides->SetFrameCount(2);
    slides->SetAlpha(0.5f);
    body->AddControl(slides);
    auto* progress = new ProgressUIObjectImpl;
    progress->Create(owner, Rc(20, 365, 580, 380), 311, L"PNG");
    progress->SetFront(Rc(20, 367, 580, 382), 0, 0);
    progress->SetFrontImage(L"PNG", 312);
    for (int i = 0; i < 50; ++i) progress->Step();
    body->AddControl(progress);
    auto* label = new LabelUIObjectImpl;
    label->Create(owner, Rc(20, 390, 580, 412), 0, nullptr);
    label->SetText(L"\x5B89\x88C5\x4E2D...");
    label->SetTextColor(136, 136, 136);
    label->SetFont(L"\x5B8B\x4F53", 12, false);
    body->AddControl(label);
    return root;
}

int wmain() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::printf("GDI+ failed to start\n");
        return 1;
    }
    const int kFrames = 500;
    std::vector<double> ms;
    {
        ContainerUIObjectImpl* root = nullptr;
        try {
            root = BuildInstallTree(nullptr);
        } catch (HRESULT hr) {
            std::printf("tree build failed: 0x%08lx\n", (unsigned long)hr);
            return 1;
        }
        LARGE_INTEGER freq, t0, t1;
        QueryPerformanceFrequency(&freq);
        HDC screen = GetDC(nullptr);
        for (int i = 0; i < kFrames + 10; ++i) {
            QueryPerformanceCounter(&t0);
            HDC mem = CreateCompatibleDC(screen);
            MemoryBitmap bmp;
            RenderTree(mem, bmp, root, 600, 430);
            bmp.Destroy();
            DeleteDC(mem);
            QueryPerformanceCounter(&t1);
            if (i >= 10)  // the first frames warm caches up
                ms.push_back(double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart));
        }
        ReleaseDC(nullptr, screen);
        delete root;
    }
    Gdiplus::GdiplusShutdown(token);
    std::sort(ms.begin(), ms.end());
    double median = ms[ms.size() / 2];
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("frames: %d (600x430)\n", kFrames);
    std::printf("median ms per frame: %.3f\n", median);
    std::printf("mean ms per frame: %.3f, min %.3f, max %.3f\n", sum / ms.size(), ms.front(),
                ms.back());
    std::printf("CPU share at 15 frames per second: %.1f %% of one core\n", median * 15.0 / 10.0);
    return 0;
}
