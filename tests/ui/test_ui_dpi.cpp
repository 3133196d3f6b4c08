// High DPI: one tree drawn at 100, 150 and 200 percent; controls land at the scaled
// places, larger images stand in from 150 percent, window points hit the right control.
#include <windows.h>

#include <stdlib.h>

#include <string>

#include "gtest/gtest.h"
#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orbdpi.h"
#include "orbimageobject.h"
#include "orbtextbox.h"
#include "uitestutil.h"

using namespace ORBUE;

namespace {

const int kW = 200, kH = 100;
const RECT kButton = {20, 10, 40, 30};  // a 20 x 20 cell of button.png, its last row clear
const RECT kLabel = {60, 40, 190, 90};
const RECT kTallBox = {120, 5, 136, 35};  // check.png is 16 high

// A grey background, a button (whose larger image has a darker right half), a check box
// taller than its image and a label, drawn at a scale into a canvas of that size.
struct Scene {
    Recorder rec;
    ContainerUIObjectImpl root;
    ButtonUIObjectImpl* button = nullptr;

    Scene() {
        root.Create(rec.hwnd(), Rc(0, 0, kW, kH), 307, L"PNG");
        auto b = Own(new ButtonUIObjectImpl);
        b->Create(rec.hwnd(), kButton, 302, L"PNG");
        b->SetAction(101);
        button = b.get();
        root.AddControl(std::move(b));
        // Taller than its image: the part below the image stays empty at every scale.
        auto tall = Own(new CheckBoxUIObjectImpl);
        tall->Create(rec.hwnd(), kTallBox, 303, L"PNG");
        root.AddControl(std::move(tall));
        auto l = Own(new LabelUIObjectImpl);
        l->Create(rec.hwnd(), kLabel, 0, nullptr);
        l->SetTextColor(255, 255, 255);
        l->SetFont(kTestFace, 14, true);
        l->SetText(L"MMMM");
        root.AddControl(std::move(l));
    }
};

// The bounding box of the ink (far from the grey background) inside a scaled layout rectangle.
RECT InkBox(Canvas& c, float scale, const RECT& layout = kLabel) {
    RECT area = ScaleRect(layout, scale), box = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (abs(ChR(c.Pixel(x, y)) - 90) > 60 && abs(ChG(c.Pixel(x, y)) - 100) > 60) {
                box.left = x < box.left ? x : box.left;
                box.top = y < box.top ? y : box.top;
                box.right = x + 1 > box.right ? x + 1 : box.right;
                box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
            }
    return box;
}

bool Near(int got, float want, float tolerance) { return got >= want - tolerance && got <= want + tolerance; }

// Text drawn at scale s: its ink box is the 100 % one's times s (place and size, within
// the rounding of glyphs).
// At 100 % the ink becomes the reference; at other scales it must be the reference scaled.
void ExpectInkScaled(const RECT& ink, RECT* ink100, int percent) {
    ASSERT_LT(ink.left, ink.right);
    if (percent == 100) {
        *ink100 = ink;
        return;
    }
    const float s = percent / 100.0f;
    EXPECT_TRUE(Near(ink.left, ink100->left * s, 2 * s)) << ink.left;
    EXPECT_TRUE(Near(ink.top, ink100->top * s, 2 * s)) << ink.top;
    EXPECT_TRUE(Near(ink.right - ink.left, (ink100->right - ink100->left) * s, 3 * s)) << ink.right;
    EXPECT_TRUE(Near(ink.bottom - ink.top, (ink100->bottom - ink100->top) * s, 3 * s)) << ink.bottom;
}

}  // namespace

TEST(UiDpi, ControlsTextAndLargerImagesLandAtTheScaledPlaces) {
    ASSERT_TRUE(FaceInstalled(kTestFace));
    const DWORD grey = Opaque(90, 100, 110), red = Opaque(255, 0, 0), red2x = Opaque(128, 0, 0);
    RECT ink100 = {};
    for (int percent : {100, 150, 200}) {
        SCOPED_TRACE(percent);
        const float s = percent / 100.0f;
        Scene scene;
        ASSERT_TRUE(SetWindowScale(scene.rec.hwnd(), s));
        Canvas c(ScaleLength(kW, s), ScaleLength(kH, s));
        ASSERT_TRUE(c.Render(&scene.root, s));
        SaveArtefact(c, L"dpi-" + std::to_wstring(percent) + L".png");

        // The button's cell fills its scaled square, from the larger image from 150 %, and
        // its edges take nothing from the neighbouring (green) cell.
        const RECT b = ScaleRect(kButton, s);
        const DWORD cell = percent >= 150 ? red2x : red, right = percent >= 150 ? Opaque(96, 0, 0) : red;
        EXPECT_EQ(cell, c.Pixel(b.left + 1, b.top + 1));
        EXPECT_EQ(right, c.Pixel(b.right - 1, (b.top + b.bottom) / 2));
        EXPECT_EQ(cell, c.Pixel(b.left + ScaleLength(3, s), b.bottom - ScaleLength(2, s)));
        EXPECT_EQ(grey, c.Pixel(b.left - 1, b.top + 2));
        EXPECT_EQ(grey, c.Pixel(b.right + 1, b.top + 2));
        EXPECT_EQ(grey, c.Pixel(b.left + 2, b.top - 1));
        EXPECT_EQ(grey, c.Pixel(c.bitmap().width() - 1, c.bitmap().height() - 1));
        const RECT t = ScaleRect(kTallBox, s);
        EXPECT_EQ(Opaque(200, 0, 0), c.Pixel(t.left + 4, t.top + 4));
        for (int y = ScaleLength(kTallBox.top + 16, s) + 1; y < t.bottom; ++y)
            EXPECT_EQ(grey, c.Pixel(t.left + 4, y)) << y;

        // The label's text grows with the scale and stays at its scaled place.
        ExpectInkScaled(InkBox(c, s), &ink100, percent);
    }
}

// The text services get the scaled area and font: the text grows with the scale and
// keeps its place in the box.
TEST(UiDpi, TextBoxTextScalesWithItsBox) {
    ASSERT_TRUE(FaceInstalled(kTestFace));
    const RECT rect = {10, 10, 190, 50};
    RECT ink100 = {};
    for (int percent : {100, 200}) {
        SCOPED_TRACE(percent);
        const float s = percent / 100.0f;
        Recorder rec;
        SetWindowScale(rec.hwnd(), s);
        TextBoxUIObjectImpl box;
        ASSERT_EQ(S_OK, box.Create(rec.hwnd(), rect, 307, L"PNG"));
        box.SetClientRect(rect);
        ASSERT_EQ(S_OK, box.CreateTextHost());
        box.SetFont(kTestFace, 14, false);
        box.SetText(L"MMMM");
        Canvas c(ScaleLength(200, s), ScaleLength(60, s));
        ASSERT_TRUE(c.Render(&box, s));
        SaveArtefact(c, L"dpi-textbox-" + std::to_wstring(percent) + L".png");
        ExpectInkScaled(InkBox(c, s, rect), &ink100, percent);
    }
}

TEST(UiDpi, LargerImageOnlyFromOneAndAHalfAndOnlyWhenPresent) {
    ImageObject image(L"PNG", 302);
    EXPECT_EQ(&image, image.ForScale(1.0f));
    EXPECT_EQ(&image, image.ForScale(1.25f));
    ImageObject* large = image.ForScale(2.0f);
    ASSERT_NE(&image, large);
    EXPECT_EQ(2.0f, large->Factor());
    EXPECT_EQ(80.0f, large->LayoutWidth());
    EXPECT_EQ(large, image.ForScale(1.5f));
    ImageObject alone(L"PNG", 303);  // no PNG2X/303
    EXPECT_EQ(&alone, alone.ForScale(2.0f));
}

TEST(UiDpi, WindowPointsHitTheControlAtItsScaledPlace) {
    for (float s : {1.0f, 1.5f, 2.0f}) {
        SCOPED_TRACE(s);
        Scene scene;
        SetWindowScale(scene.rec.hwnd(), s);
        EXPECT_EQ(s, WindowScale(scene.rec.hwnd()));
        const RECT b = LayoutToWindow(scene.rec.hwnd(), kButton);
        // What the dialog does with a mouse message: window pixels to layout units, once.
        auto click = [&](int x, int y) {
            const MouseEvent e = MouseEvent::At(UnscalePoint({x, y}, s).x, UnscalePoint({x, y}, s).y);
            scene.root.OnMouseMove(e);
            scene.root.OnLButtonDown(e);
            scene.root.OnLButtonUp(e);
            return scene.rec.Count(WM_USER + 101);
        };
        EXPECT_EQ(0u, click(b.left - 1, b.top + 3));
        EXPECT_EQ(0u, click(b.right, b.bottom));
        EXPECT_EQ(1u, click(b.right - 1, b.bottom - 1));
        scene.rec.Clear();
        EXPECT_EQ(1u, click(b.left, b.top));
    }
}
