// Images, the off-screen bitmap and its alpha fix-up, GDI output on the alpha surface.
#include <windows.h>

#include "gtest/gtest.h"
#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orbimageobject.h"
#include "orbuidraw.h"
#include "orbuiframe.h"
#include "uitestutil.h"

using namespace ORBUE;

static HRESULT CreateError(const wchar_t* type, UINT id) {
    ImageObject img(type, id);
    return img.Found() ? S_OK : E_FAIL;
}

TEST(UiImage, MissingOrWrongTypeResourceFailsWithEFail) {
    EXPECT_EQ(E_FAIL, CreateError(L"PNG", 998));
    EXPECT_EQ(E_FAIL, CreateError(L"PNG", 399));  // exists as OTHER only
    EXPECT_EQ(S_OK, CreateError(L"OTHER", 399));
    EXPECT_EQ(E_FAIL, CreateError(L"", 302));
    EXPECT_EQ(E_FAIL, CreateError(nullptr, 302));

    ImageObject ok(L"PNG", 302);
    EXPECT_TRUE(ok.IsDecoded());
    EXPECT_EQ(80u, ok.PixelWidth());
    EXPECT_EQ(20u, ok.PixelHeight());
    // Plain draws use a premultiplied copy made at load.
    ASSERT_NE(static_cast<Gdiplus::Image*>(&ok), ok.Drawable());
    EXPECT_EQ(PixelFormat32bppPARGB, ok.Drawable()->GetPixelFormat());
    EXPECT_EQ(80u, ok.Drawable()->GetWidth());
}

TEST(UiImage, ControlsNeedingAnImageRejectResIdZeroAndLabelsRejectOne) {
    Recorder rec;
    ButtonUIObjectImpl button;
    CheckBoxUIObjectImpl check;
    ProgressUIObjectImpl progress;
    PictureUIObjectImpl picture;
    LabelUIObjectImpl label;
    LinkLabelUIObjectImpl link;
    ContainerUIObjectImpl container;
    auto fails = [&](IORBBaseUIObject& o, UINT id) {
        return o.Create(rec.hwnd(), Rc(0, 0, 20, 20), id, L"PNG") == E_FAIL;
    };
    EXPECT_TRUE(fails(button, 0));
    EXPECT_TRUE(fails(button, 555));
    EXPECT_TRUE(fails(check, 0));
    EXPECT_TRUE(fails(progress, 0));
    EXPECT_TRUE(fails(picture, 0));
    EXPECT_TRUE(fails(label, 302));
    EXPECT_TRUE(fails(link, 302));
    EXPECT_FALSE(fails(label, 0));
    EXPECT_FALSE(fails(container, 0));  // a container needs no background
    EXPECT_TRUE(fails(container, 555));
    EXPECT_EQ(E_FAIL, progress.SetFrontImage(L"PNG", 0));
}

TEST(UiImage, UndecodableImageLoadsButDrawsNothing) {
    Recorder rec;
    ImageObject broken(L"PNG", 330);
    EXPECT_FALSE(broken.IsDecoded());
    EXPECT_EQ(static_cast<Gdiplus::Image*>(&broken), broken.Drawable());

    PictureUIObjectImpl pic;
    ASSERT_NO_THROW(pic.Create(rec.hwnd(), Rc(0, 0, 30, 30), 330, L"PNG"));
    Canvas canvas(40, 40);
    EXPECT_NE(Gdiplus::Ok, canvas.Draw(&pic));  // recorded in the graphics, not raised
    for (int y = 0; y < 40; y += 5)
        for (int x = 0; x < 40; x += 5) EXPECT_EQ(0u, canvas.Pixel(x, y));

    // A failed draw does not stop the tree walk.
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 40, 40), 0, nullptr);
    auto* bad = new PictureUIObjectImpl;
    bad->Create(rec.hwnd(), Rc(0, 0, 20, 20), 330, L"PNG");
    auto* good = new PictureUIObjectImpl;
    good->Create(rec.hwnd(), Rc(20, 20, 40, 40), 324, L"PNG");
    root.AddControl(Own(bad));
    root.AddControl(Own(good));
    Canvas tree(40, 40);
    tree.Render(&root);
    EXPECT_EQ(0u, tree.Pixel(10, 10));
    EXPECT_EQ(Opaque(0, 128, 255), tree.Pixel(30, 30));
}

TEST(UiImage, OpaquePngComposesOpaqueAndAlphaPngLeavesHoles) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 100, 50), 320, L"PNG");  // left half transparent
    Canvas canvas(100, 50);
    ASSERT_TRUE(canvas.Render(&root));
    EXPECT_EQ(0u, canvas.Pixel(10, 10));
    EXPECT_EQ(Opaque(10, 20, 30), canvas.Pixel(75, 25));

    ContainerUIObjectImpl bg;
    bg.Create(rec.hwnd(), Rc(0, 0, 600, 430), 307, L"PNG");
    Canvas full(600, 430);
    ASSERT_TRUE(full.Render(&bg));
    EXPECT_EQ(Opaque(90, 100, 110), full.Pixel(0, 0));
    EXPECT_EQ(Opaque(90, 100, 110), full.Pixel(599, 429));
}

TEST(UiMemoryBitmap, CreateGivesZeroedBottomUpSection) {
    HDC dc = CreateCompatibleDC(nullptr);
    MemoryBitmap bmp;
    EXPECT_FALSE(bmp.Create(dc, 0, 10));
    EXPECT_EQ(nullptr, bmp.handle());
    ASSERT_TRUE(bmp.Create(dc, 7, 3));
    EXPECT_EQ(7, bmp.width());
    EXPECT_EQ(3, bmp.height());
    for (int i = 0; i < 21; ++i) EXPECT_EQ(0u, bmp.bits()[i]);
    // Row 0 of the bits is the bottom line.
    bmp.bits()[0] = 0x12345678;
    EXPECT_EQ(0x12345678u, bmp.PixelAt(0, 2));
    EXPECT_EQ(0u, bmp.PixelAt(7, 0));
    bmp.Destroy();
    EXPECT_EQ(nullptr, bmp.bits());
    DeleteDC(dc);
}

TEST(UiMemoryBitmap, AlphaFixUpKeepsOnlyWhatGdiWrote) {
    DWORD px[] = {0xFF102030u, 0x01000000u, 0x00ABCDEFu, 0x00000000u, 0x80FFFFFFu};
    FixAlphaPixels(px, 5);
    EXPECT_EQ(0u, px[0]);             // opaque background untouched by GDI: dropped
    EXPECT_EQ(0u, px[1]);
    EXPECT_EQ(0xFFABCDEFu, px[2]);    // written by GDI: opaque, colour kept
    EXPECT_EQ(0xFF000000u, px[3]);    // GDI black
    EXPECT_EQ(0u, px[4]);
}

TEST(UiMemoryBitmap, GdiOutputLandsOpaqueOnTheAlphaSurfaceLeavingTheRestAlone) {
    Recorder rec;
    ContainerUIObjectImpl bg;
    bg.Create(rec.hwnd(), Rc(0, 0, 600, 430), 307, L"PNG");
    Canvas canvas(100, 60);
    {
        Gdiplus::Graphics g(canvas.dc());
        bg.Draw(&g);
        RECT area = Rc(10, 10, 60, 40);
        bool ok = DrawGdiOnAlpha(&g, area, [](HDC dc, int w, int h) {
            EXPECT_EQ(50, w);
            EXPECT_EQ(30, h);
            RECT r = Rc(5, 5, 15, 15);
            HBRUSH b = CreateSolidBrush(RGB(250, 10, 20));
            FillRect(dc, &r, b);
            DeleteObject(b);
        });
        EXPECT_TRUE(ok);
    }
    GdiFlush();
    EXPECT_EQ(Opaque(250, 10, 20), canvas.Pixel(20, 20));
    EXPECT_EQ(Opaque(90, 100, 110), canvas.Pixel(12, 12));  // area, untouched by GDI
    EXPECT_EQ(Opaque(90, 100, 110), canvas.Pixel(70, 50));  // outside the area
}

TEST(UiUnits, HimetricConversionFollowsTheAxisDpi) {
    EXPECT_EQ(2540, PixelsToHimetric(96, 96));
    EXPECT_EQ(96, HimetricToPixels(2540, 96));
    EXPECT_EQ(3175, PixelsToHimetric(150, 120));
    EXPECT_EQ(0, PixelsToHimetric(10, 0));
}

TEST(UiMemoryBitmap, GdiOutputStaysInsideTheGraphicsClip) {
    Recorder rec;
    ContainerUIObjectImpl bg;
    bg.Create(rec.hwnd(), Rc(0, 0, 600, 430), 307, L"PNG");
    Canvas canvas(100, 60);
    {
        Gdiplus::Graphics g(canvas.dc());
        bg.Draw(&g);
        g.SetClip(Gdiplus::RectF(0, 0, 30, 60));
        DrawGdiOnAlpha(&g, Rc(10, 10, 60, 40), [](HDC dc, int w, int h) {
            RECT r = Rc(0, 0, w, h);
            HBRUSH b = CreateSolidBrush(RGB(0, 0, 250));
            FillRect(dc, &r, b);
            DeleteObject(b);
        });
        // The graphics is usable again afterwards.
        g.ResetClip();
        EXPECT_EQ(Gdiplus::Ok, g.GetLastStatus());
    }
    GdiFlush();
    EXPECT_EQ(Opaque(0, 0, 250), canvas.Pixel(15, 20));
    EXPECT_EQ(Opaque(0, 0, 250), canvas.Pixel(29, 39));
    EXPECT_EQ(Opaque(90, 100, 110), canvas.Pixel(30, 20));
    EXPECT_EQ(Opaque(90, 100, 110), canvas.Pixel(50, 20));
}

TEST(UiFrame, ComposeFramePushesTheTreeToALayeredWindow) {
    Recorder rec;
    HWND wnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0,
                               600, 430, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!wnd) GTEST_SKIP() << "no display for a top-level window";
    ContainerUIObjectImpl root;
    root.Create(wnd, Rc(0, 0, 600, 430), 307, L"PNG");
    EXPECT_FALSE(ComposeFrame(wnd, nullptr));
    // Without a display Wine's null driver refuses layered updates: probe that first.
    HDC mem = CreateCompatibleDC(nullptr);
    MemoryBitmap probe;
    probe.Create(mem, 600, 430);
    HGDIOBJ old = SelectObject(mem, probe.handle());
    SIZE size = {600, 430};
    POINT src = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    bool layered = UpdateLayeredWindow(wnd, nullptr, nullptr, &size, mem, &src, 0, &blend,
                                       ULW_ALPHA) != FALSE;
    SelectObject(mem, old);
    DeleteDC(mem);
    EXPECT_EQ(layered, ComposeFrame(wnd, &root));
    DestroyWindow(wnd);
    EXPECT_FALSE(ComposeFrame(wnd, &root));  // gone: no frame, no crash
}
