// Controls drawn into real bitmaps: strip cells by state, check box states, progress fill.
#include <windows.h>

#include "gtest/gtest.h"
#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orbtestutil.h"
#include "uitestutil.h"

using namespace ORBUE;

namespace {

const DWORD kButtonCells[] = {Opaque(255, 0, 0), Opaque(0, 255, 0), Opaque(0, 0, 255),
                              Opaque(255, 255, 0)};
const DWORD kCheckCells[] = {Opaque(200, 0, 0),   Opaque(0, 200, 0),   Opaque(0, 0, 200),
                             Opaque(200, 200, 0), Opaque(0, 200, 200), Opaque(200, 0, 200)};

void Mouse(IORBBaseUIObject& o, UINT msg, int x = 5, int y = 5) {
    switch (msg) {
    case WM_LBUTTONDOWN: o.OnLButtonDown(MouseEvent::At(x, y)); break;
    case WM_LBUTTONUP: o.OnLButtonUp(MouseEvent::At(x, y)); break;
    case WM_MOUSEMOVE: o.OnMouseMove(MouseEvent::At(x, y)); break;
    case WM_MOUSEHOVER: o.OnMouseHover(MouseEvent::At(x, y)); break;
    case WM_MOUSELEAVE: o.OnMouseLeave(MouseEvent::At(0, 0)); break;
    }
}

DWORD DrawnAt(IORBBaseUIObject& o, int x, int y) {
    Canvas c(120, 60);
    c.Draw(&o);
    return c.Pixel(x, y);
}

}  // namespace

TEST(UiButton, DrawsTheStripCellOfItsStateUnscaled) {
    Recorder rec;
    ButtonUIObjectImpl b;
    b.Create(rec.hwnd(), Rc(30, 10, 50, 30), 302, L"PNG");
    b.SetAction(100);
    const int states[] = {0, 1, 2, 3};
    for (int s : states) {
        switch (s) {
        case 0: break;
        case 1: Mouse(b, WM_MOUSEMOVE); break;
        case 2: Mouse(b, WM_LBUTTONDOWN); break;
        case 3: b.SetEnabled(false); break;
        }
        ASSERT_EQ(s, b.GetState());
        Canvas c(120, 60);
        c.Draw(&b);
        // Whole cell in place, nothing of its neighbours, transparent last line.
        EXPECT_EQ(kButtonCells[s], c.Pixel(30, 10)) << s;
        EXPECT_EQ(kButtonCells[s], c.Pixel(49, 10)) << s;
        EXPECT_EQ(kButtonCells[s], c.Pixel(40, 28)) << s;
        EXPECT_EQ(0u, c.Pixel(40, 29)) << s;
        EXPECT_EQ(0u, c.Pixel(50, 20)) << s;
        EXPECT_EQ(0u, c.Pixel(29, 20)) << s;
    }
    // Disabling gave the focus back; a disabled button ignores the mouse and sends nothing.
    ASSERT_EQ(1u, rec.messages().size());
    EXPECT_EQ(ORBUM_KILLFOCUS, rec.messages()[0].msg);
    rec.Clear();
    Mouse(b, WM_LBUTTONDOWN);
    Mouse(b, WM_LBUTTONUP);
    b.RequestFocus();
    b.ReleaseFocus();
    EXPECT_TRUE(rec.messages().empty());
    b.SetEnabled(true);
    EXPECT_EQ(0, b.GetState());
    b.SetVisible(false);
    EXPECT_EQ(0u, DrawnAt(b, 40, 20));
    EXPECT_EQ(1u, rec.Count(ORBUM_KILLFOCUS));  // hiding gave the focus back
}

TEST(UiButton, ButtonWithoutActionNotifiesPlainWmUserAndUnsetActionNothing) {
    Recorder rec;
    ButtonUIObjectImpl b;
    b.Create(rec.hwnd(), Rc(0, 0, 20, 20), 302, L"PNG");
    Mouse(b, WM_LBUTTONDOWN);
    Mouse(b, WM_LBUTTONUP);
    EXPECT_TRUE(rec.messages().empty());
    b.SetAction(0);
    Mouse(b, WM_LBUTTONDOWN);
    Mouse(b, WM_LBUTTONUP);
    EXPECT_EQ(1u, rec.Count(WM_USER));
}

TEST(UiCheckBox, ClickTogglesNotifiesAndShowsHoverThenNormalCells) {
    Recorder rec;
    CheckBoxUIObjectImpl chk;
    chk.Create(rec.hwnd(), Rc(10, 10, 26, 26), 303, L"PNG");
    chk.SetAction(103);
    chk.SetChecked(false);
    EXPECT_EQ(kCheckCells[0], DrawnAt(chk, 18, 18));

    Mouse(chk, WM_MOUSEMOVE);
    EXPECT_EQ(2, chk.GetState());
    Mouse(chk, WM_LBUTTONDOWN);
    EXPECT_EQ(2, chk.GetState());  // a press does not change the look
    Mouse(chk, WM_LBUTTONUP);
    auto& m = rec.messages();
    ASSERT_EQ(1u, m.size());
    EXPECT_EQ(UINT(WM_USER + 103), m[0].msg);
    EXPECT_EQ(1u, m[0].wParam);
    EXPECT_EQ((LPARAM) static_cast<IORBBaseUIObject*>(&chk), m[0].lParam);
    EXPECT_TRUE(chk.IsChecked());
    EXPECT_EQ(kCheckCells[5], DrawnAt(chk, 18, 18));
    Mouse(chk, WM_MOUSELEAVE);
    EXPECT_EQ(kCheckCells[3], DrawnAt(chk, 18, 18));

    // Clicking again unchecks with wParam 0.
    rec.Clear();
    Mouse(chk, WM_MOUSEMOVE);
    Mouse(chk, WM_LBUTTONDOWN);
    Mouse(chk, WM_LBUTTONUP);
    ASSERT_EQ(1u, rec.messages().size());
    EXPECT_EQ(0u, rec.messages()[0].wParam);
    EXPECT_EQ(2, chk.GetState());
}

TEST(UiCheckBox, DisabledCheckedShowsCellFourAndIgnoresClicks) {
    Recorder rec;
    CheckBoxUIObjectImpl chk;
    chk.Create(rec.hwnd(), Rc(10, 10, 26, 26), 303, L"PNG");
    chk.SetAction(103);
    chk.SetChecked(true);
    chk.SetEnabled(false);
    EXPECT_EQ(1u, rec.Count(ORBUM_KILLFOCUS));
    rec.Clear();
    EXPECT_EQ(4, chk.GetState());
    EXPECT_FALSE(chk.IsEnabled());
    EXPECT_TRUE(chk.IsChecked());
    EXPECT_EQ(kCheckCells[4], DrawnAt(chk, 18, 18));
    Mouse(chk, WM_MOUSEMOVE);
    Mouse(chk, WM_LBUTTONDOWN);
    Mouse(chk, WM_LBUTTONUP);
    EXPECT_TRUE(rec.messages().empty());
    chk.SetChecked(false);
    EXPECT_EQ(1, chk.GetState());  // stays disabled
    chk.SetChecked(true);
    chk.SetEnabled(true);
    EXPECT_EQ(3, chk.GetState());
    EXPECT_EQ(kCheckCells[3], DrawnAt(chk, 18, 18));
}

TEST(UiCheckBox, CheckBoxWithoutActionCodeStillSendsWmUser) {
    Recorder rec;
    CheckBoxUIObjectImpl chk;
    chk.Create(rec.hwnd(), Rc(0, 0, 16, 16), 303, L"PNG");
    chk.SetAction(0);  // what the loader does for a missing action
    Mouse(chk, WM_LBUTTONDOWN);
    Mouse(chk, WM_LBUTTONUP);
    ASSERT_EQ(1u, rec.messages().size());
    EXPECT_EQ(UINT(WM_USER), rec.messages()[0].msg);
    EXPECT_EQ(1u, rec.messages()[0].wParam);
}

TEST(UiCheckBox, WithTextDrawsTheBoxCellInTheBoxRectAndTheTextAtTheLabel) {
    if (!FaceInstalled(kTestFace)) GTEST_SKIP() << "no test font";
    Recorder rec;
    CheckBoxUIObjectImpl chk;
    chk.Create(rec.hwnd(), Rc(10, 10, 110, 30), 303, L"PNG");
    chk.SetCheckRect(Rc(10, 12, 26, 28));
    chk.SetLabelRect(Rc(30, 12, 110, 28));
    chk.SetTextColor(255, 255, 255);
    chk.SetFont(kTestFace, 10, false);
    chk.SetText(L"Licence");
    chk.SetChecked(true);
    Canvas c(120, 40);
    c.Draw(&chk);
    EXPECT_EQ(kCheckCells[3], c.Pixel(11, 13));
    EXPECT_EQ(kCheckCells[3], c.Pixel(25, 27));
    EXPECT_EQ(0u, c.Pixel(18, 11));  // the box, not the whole rect
    int text = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 30; x < 120; ++x)
            if (ChA(c.Pixel(x, y))) ++text;
    EXPECT_GT(text, 20);
    EXPECT_EQ(L"Licence", chk.GetText());
}

TEST(UiProgress, HalfWayOnWidth560FillsTwoHundredEightyPixels) {
    Recorder rec;
    ProgressUIObjectImpl p;
    p.Create(rec.hwnd(), Rc(20, 365, 580, 380), 311, L"PNG");
    p.SetFront(Rc(20, 367, 580, 382), 0, 0);
    p.SetFrontImage(L"PNG", 312);
    for (int i = 0; i < 50; ++i) p.Step();
    EXPECT_EQ(50, p.GetPos());
    Canvas c(600, 400);
    c.Draw(&p);
    const DWORD back = Opaque(40, 40, 40), mid = Opaque(0, 160, 0);
    EXPECT_EQ(back, c.Pixel(20, 365));
    EXPECT_EQ(back, c.Pixel(300, 366));  // above the front rect
    EXPECT_EQ(mid, c.Pixel(100, 372));
    EXPECT_EQ(mid, c.Pixel(290, 372));
    EXPECT_EQ(back, c.Pixel(301, 372));
    EXPECT_EQ(back, c.Pixel(579, 372));

    for (int i = 0; i < 60; ++i) p.Step();
    EXPECT_EQ(100, p.GetPos());
}

TEST(UiProgress, CapsStayUnscaledAndTheRightCapOverlapsTheFillByOnePixel) {
    Recorder rec;
    ProgressUIObjectImpl p;
    p.Create(rec.hwnd(), Rc(20, 0, 580, 15), 311, L"PNG");
    p.SetFront(Rc(20, 20, 580, 35), 10, 10);
    p.SetFrontImage(L"PNG", 312);
    const DWORD back = Opaque(40, 40, 40), left = Opaque(160, 0, 0), right = Opaque(0, 0, 160);
    {
        // At 0 % only the back and the two caps show.
        Canvas c(600, 40);
        c.Draw(&p);
        EXPECT_EQ(back, c.Pixel(100, 5));
        EXPECT_EQ(left, c.Pixel(20, 25));
        EXPECT_EQ(left, c.Pixel(28, 25));
        // Right cap at truncate(0 + 30 - 1) = 29, ten pixels wide, over the left cap's end.
        EXPECT_EQ(right, c.Pixel(29, 25));
        EXPECT_EQ(right, c.Pixel(38, 25));
        EXPECT_EQ(0u, c.Pixel(39, 25));
    }
    for (int i = 0; i < 25; ++i) p.Step();
    Canvas c(600, 40);
    c.Draw(&p);
    // Fill 540 / 100 * 25 = 135 from x 30; the cap starts at 164 and covers the last fill
    // pixel.
    EXPECT_EQ(Opaque(0, 160, 0), c.Pixel(100, 25));
    EXPECT_EQ(Opaque(0, 160, 0), c.Pixel(150, 25));
    EXPECT_EQ(right, c.Pixel(164, 25));
    EXPECT_EQ(right, c.Pixel(173, 25));
    EXPECT_EQ(0u, c.Pixel(174, 25));
}

TEST(UiProgress, MovingOffsetsBothBarsAndKeepsTheSize) {
    Recorder rec;
    ProgressUIObjectImpl p;
    p.Create(rec.hwnd(), Rc(20, 365, 580, 380), 311, L"PNG");
    p.SetFront(Rc(20, 367, 580, 382), 0, 0);
    p.SetRect(30, 300, 0, 0);
    RECT r;
    p.GetRect(&r);
    EXPECT_EQ(30, r.left);
    EXPECT_EQ(590, r.right);
    EXPECT_EQ(315, r.bottom);
    EXPECT_EQ(302, p.GetFrontRect().top);
    EXPECT_EQ(590, p.GetFrontRect().right);
}

TEST(UiText, UnknownFaceFallsBackToAnInstalledFaceAndStillDraws) {
    // A label whose face is missing (an optional language font) must still show its text,
    // with the requested size and style.
    LogCapture log;
    LabelUIObjectImpl label, second;
    label.Create(nullptr, Rc(0, 0, 120, 30), 0, nullptr);
    label.SetTextColor(0, 0, 0);
    label.SetFont(L"No Such Face 12345", 12, true);
    label.SetText(L"Install");
    second.SetFont(L"No Such Face 12345", 10, false);
    Canvas c(120, 30);
    c.Draw(&label);
    int text = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            if (ChA(c.Pixel(x, y))) ++text;
    EXPECT_GT(text, 30);

    TextStyle style;
    style.SetFont(L"No Such Face 12345", 12, true);
    ASSERT_NE(nullptr, style.font());
    EXPECT_EQ(Gdiplus::FontStyleBold, style.font()->GetStyle());
    EXPECT_FLOAT_EQ(16.0f, style.font()->GetSize());  // 12 pt at the layout's 96 DPI, in pixels
    // Said once for the face, not once per object.
    int said = 0;
    for (const std::wstring& line : log.lines())
        if (line.find(L"No Such Face 12345") != std::wstring::npos) ++said;
    EXPECT_EQ(1, said);
}

TEST(UiText, BrushAlphaIs254AndQualitySettingsAreRestoredAfterEachDraw) {
    TextStyle style;
    style.SetColor(0x1FF, 0x10, 0x20);  // low 8 bits only
    Gdiplus::Color c;
    style.brush()->GetColor(&c);
    EXPECT_EQ(Gdiplus::ARGB(0xFEFF1020), c.GetValue());
    Canvas canvas(50, 20);
    Gdiplus::Graphics g(canvas.dc());
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    style.SetFont(kTestFace, 10, false);
    style.Draw(&g, L"x", 0, 0);
    EXPECT_EQ(Gdiplus::TextRenderingHintAntiAlias, g.GetTextRenderingHint());
    PictureUIObjectImpl pic;
    pic.Create(nullptr, Rc(0, 0, 40, 20), 324, L"PNG");
    pic.Draw(&g);
    EXPECT_EQ(Gdiplus::InterpolationModeNearestNeighbor, g.GetInterpolationMode());
    EXPECT_EQ(Gdiplus::Ok, g.GetLastStatus());
}

TEST(UiPicture, ScalesTheWholeImageIntoItsRect) {
    Recorder rec;
    PictureUIObjectImpl pic;
    pic.Create(rec.hwnd(), Rc(10, 10, 90, 50), 324, L"PNG");
    Canvas c(120, 60);
    c.Draw(&pic);
    EXPECT_EQ(Opaque(0, 128, 255), c.Pixel(50, 30));
    EXPECT_EQ(Opaque(0, 128, 255), c.Pixel(80, 45));
    EXPECT_EQ(0u, c.Pixel(95, 30));
    // Labels and pictures never take the focus or react.
    BOOL h = TRUE;
    h = pic.OnLButtonDown(MouseEvent::FromMessage(0, MAKELPARAM(50, 30)));
    EXPECT_FALSE(h);
    pic.RequestFocus();
    pic.SetVisible(false);
    EXPECT_TRUE(rec.messages().empty());
}

TEST(UiLink, ClickNotifiesAndFocusFollowsTheEnabledState) {
    if (!FaceInstalled(kTestFace)) GTEST_SKIP() << "no test font";
    Recorder rec;
    LinkLabelUIObjectImpl link;
    link.Create(rec.hwnd(), Rc(0, 0, 80, 14), 0, nullptr);
    link.SetTextColor(136, 136, 136);
    link.SetFont(kTestFace, 10, false);
    link.SetText(L"licence");
    link.SetAction(104);
    Mouse(link, WM_MOUSEMOVE);
    Mouse(link, WM_LBUTTONDOWN);
    Mouse(link, WM_LBUTTONUP);
    link.RequestFocus();
    link.SetEnabled(false);  // gives the focus back first
    link.RequestFocus();
    Mouse(link, WM_LBUTTONDOWN);
    Mouse(link, WM_LBUTTONUP);
    auto& m = rec.messages();
    ASSERT_EQ(3u, m.size());
    EXPECT_EQ(UINT(WM_USER + 104), m[0].msg);
    EXPECT_EQ(ORBUM_SETFOCUS, m[1].msg);
    EXPECT_EQ(ORBUM_KILLFOCUS, m[2].msg);
    // Text is drawn whether enabled or not.
    Canvas c(120, 30);
    c.Draw(&link);
    int text = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            if (ChA(c.Pixel(x, y))) ++text;
    EXPECT_GT(text, 10);
}
