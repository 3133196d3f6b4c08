// Containers: clipping, placement, lookups, enabled state and mouse dispatch.
#include <windows.h>

#include "gtest/gtest.h"
#include "orbcarousel.h"
#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orbfocus.h"
#include "uitestutil.h"

using namespace ORBUE;

namespace {

ContainerUIObjectImpl* NewContainer(HWND owner, RECT rc, UINT resId = 0, const wchar_t* name = L"") {
    auto* c = new ContainerUIObjectImpl;
    c->Create(owner, rc, resId, L"PNG");
    c->SetName(name);
    return c;
}

ButtonUIObjectImpl* NewButton(HWND owner, RECT rc, UINT action, const wchar_t* name = L"") {
    auto* b = new ButtonUIObjectImpl;
    b->Create(owner, rc, 302, L"PNG");
    b->SetAction(action);
    b->SetName(name);
    return b;
}

PictureUIObjectImpl* NewPicture(HWND owner, RECT rc) {
    auto* p = new PictureUIObjectImpl;
    p->Create(owner, rc, 324, L"PNG");
    return p;
}

BOOL Send(IORBBaseUIObject& o, UINT msg, int x, int y) {
    BOOL h = FALSE;
    switch (msg) {
    case WM_LBUTTONDOWN: h = o.OnLButtonDown(MouseEvent::At(x, y)); break;
    case WM_LBUTTONUP: h = o.OnLButtonUp(MouseEvent::At(x, y)); break;
    case WM_MOUSEMOVE: h = o.OnMouseMove(MouseEvent::At(x, y)); break;
    case WM_MOUSEHOVER: h = o.OnMouseHover(MouseEvent::At(x, y)); break;
    case WM_MOUSELEAVE: h = o.OnMouseLeave(MouseEvent::At(0, 0)); break;
    }
    return h;
}

const DWORD kPicture = Opaque(0, 128, 255);

}  // namespace

TEST(UiContainer, ClipsToItsRectAndANestedContainerLiftsTheClip) {
    Recorder rec;
    // Without a nested container the picture is cut at the container's edge.
    ContainerUIObjectImpl plain;
    plain.Create(rec.hwnd(), Rc(0, 0, 50, 50), 0, nullptr);
    plain.AddControl(Own(NewPicture(rec.hwnd(), Rc(40, 40, 80, 80))));
    Canvas a(100, 100);
    a.Render(&plain);
    EXPECT_EQ(kPicture, a.Pixel(45, 45));
    EXPECT_EQ(0u, a.Pixel(60, 60));

    // A child container resets the clip, so the parent's controls drawn after it are not cut.
    ContainerUIObjectImpl parent;
    parent.Create(rec.hwnd(), Rc(0, 0, 50, 50), 0, nullptr);
    parent.AddContainer(Own(NewContainer(rec.hwnd(), Rc(0, 0, 20, 20))));
    parent.AddControl(Own(NewPicture(rec.hwnd(), Rc(40, 40, 80, 80))));
    Canvas b(100, 100);
    b.Render(&parent);
    EXPECT_EQ(kPicture, b.Pixel(45, 45));
    EXPECT_EQ(kPicture, b.Pixel(60, 60));
}

// Opaque images drawn unscaled take a plain copy; the container's clip must still cut them.
TEST(UiContainer, ClipCutsOpaqueUnscaledImages) {
    Recorder rec;
    ContainerUIObjectImpl box;
    box.Create(rec.hwnd(), Rc(0, 0, 50, 50), 0, nullptr);
    auto* slides = new CarouselUIObjectImpl;
    slides->Create(rec.hwnd(), Rc(0, 0, 600, 430), 309, L"PNG");
    slides->SetFrameCount(2);
    box.AddControl(Own(slides));
    auto* bar = new ProgressUIObjectImpl;
    bar->Create(rec.hwnd(), Rc(10, 20, 570, 35), 311, L"PNG");
    box.AddControl(Own(bar));
    Canvas c(100, 100);
    c.Render(&box);
    EXPECT_EQ(Opaque(255, 0, 0), c.Pixel(45, 5));
    EXPECT_EQ(Opaque(40, 40, 40), c.Pixel(45, 25));
    EXPECT_EQ(0u, c.Pixel(60, 5));
    EXPECT_EQ(0u, c.Pixel(60, 25));
    EXPECT_EQ(0u, c.Pixel(45, 60));
}

TEST(UiContainer, LabelOverflowIsCutOnlyByTheContainer) {
    if (!FaceInstalled(kTestFace)) GTEST_SKIP() << "no test font";
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 120, 40), 0, nullptr);
    auto* label = new LabelUIObjectImpl;
    label->Create(rec.hwnd(), Rc(2, 2, 12, 12), 0, nullptr);
    label->SetText(L"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    label->SetTextColor(255, 255, 255);
    label->SetFont(kTestFace, 12, true);
    root.AddControl(Own(label));
    Canvas canvas(200, 40);
    canvas.Render(&root);
    int beyondLabel = 0, beyondContainer = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 12; x < 120; ++x)
            if (ChA(canvas.Pixel(x, y))) ++beyondLabel;
        for (int x = 120; x < 200; ++x)
            if (ChA(canvas.Pixel(x, y))) ++beyondContainer;
    }
    EXPECT_GT(beyondLabel, 50);
    EXPECT_EQ(0, beyondContainer);
}

TEST(UiContainer, HiddenContainerHidesItsSubtreeWithoutTouchingChildFlags) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 100, 100), 0, nullptr);
    auto* inner = NewContainer(rec.hwnd(), Rc(0, 0, 100, 100));
    auto* pic = NewPicture(rec.hwnd(), Rc(10, 10, 30, 30));
    auto* button = NewButton(rec.hwnd(), Rc(50, 50, 70, 70), 7);
    inner->AddControl(Own(pic));
    inner->AddControl(Own(button));
    root.AddContainer(Own(inner));
    inner->SetVisible(false);
    Canvas canvas(100, 100);
    canvas.Render(&root);
    EXPECT_EQ(0u, canvas.Pixel(20, 20));
    EXPECT_TRUE(pic->IsVisible());
    Send(root, WM_LBUTTONDOWN, 55, 55);
    Send(root, WM_LBUTTONUP, 55, 55);
    EXPECT_TRUE(rec.messages().empty());

    root.SetVisibleAll(false);
    EXPECT_FALSE(pic->IsVisible());
    EXPECT_FALSE(inner->IsVisible());
    root.SetVisibleAll(true);
    canvas.Render(&root);
    EXPECT_EQ(kPicture, canvas.Pixel(20, 20));
}

TEST(UiContainer, VerticalStackWithTwoRowsPutsTheThirdChildBackInSlotZero) {
    Recorder rec;
    VerticalContainerUIObjectImpl v;
    v.Create(rec.hwnd(), Rc(0, 0, 100, 100), 0, nullptr);
    v.SetRows(2);
    ContainerUIObjectImpl* c[3];
    for (int i = 0; i < 3; ++i) {
        c[i] = NewContainer(rec.hwnd(), Rc(0, 300, 100, 350), 321 + i);
        v.AddContainer(Own(c[i]));
    }
    Canvas canvas(100, 100);
    canvas.Render(&v);
    RECT r;
    EXPECT_EQ(0, c[0]->GetRect(&r)->top);
    EXPECT_EQ(50, c[0]->GetRect(&r)->bottom);
    EXPECT_EQ(50, c[1]->GetRect(&r)->top);
    EXPECT_EQ(0, c[2]->GetRect(&r)->top);
    EXPECT_EQ(Opaque(0, 0, 255), canvas.Pixel(50, 25));  // third drawn over the first
    EXPECT_EQ(Opaque(0, 255, 0), canvas.Pixel(50, 75));

    // An invisible child takes no slot.
    c[0]->SetVisible(false);
    canvas.Render(&v);
    EXPECT_EQ(0, c[1]->GetRect(&r)->top);
    EXPECT_EQ(50, c[2]->GetRect(&r)->top);

    // Rows below 1 are clamped to 1: no division by zero.
    v.SetRows(0);
    EXPECT_EQ(1, v.GetRows());
    canvas.Render(&v);
    EXPECT_EQ(0, c[2]->GetRect(&r)->top);
}

TEST(UiContainer, GridFillsAcrossThenWrapsAndDownFirstWhenVertical) {
    Recorder rec;
    GridContainerUIObjectImpl grid;
    grid.Create(rec.hwnd(), Rc(10, 20, 310, 120), 0, nullptr);
    grid.SetCols(3);
    grid.SetRows(1);
    EXPECT_EQ(100, grid.GetCellWidth());
    EXPECT_EQ(100, grid.GetCellHeight());
    ContainerUIObjectImpl* c[4];
    for (int i = 0; i < 4; ++i) {
        c[i] = NewContainer(rec.hwnd(), Rc(500, 500, 550, 540));
        grid.AddContainer(Own(c[i]));
    }
    Canvas canvas(320, 240);
    canvas.Render(&grid);
    RECT r;
    const int xs[] = {10, 110, 210, 10}, ys[] = {20, 20, 20, 120};
    for (int i = 0; i < 4; ++i) {
        c[i]->GetRect(&r);
        EXPECT_EQ(xs[i], r.left) << i;
        EXPECT_EQ(ys[i], r.top) << i;
        EXPECT_EQ(50, r.right - r.left);
        EXPECT_EQ(40, r.bottom - r.top);
    }

    GridContainerUIObjectImpl down;
    down.Create(rec.hwnd(), Rc(0, 0, 200, 100), 0, nullptr);
    down.SetCols(2);
    down.SetRows(2);
    down.SetVertical(true);
    ContainerUIObjectImpl* d[3];
    for (int i = 0; i < 3; ++i) {
        d[i] = NewContainer(rec.hwnd(), Rc(0, 0, 10, 10));
        down.AddContainer(Own(d[i]));
    }
    canvas.Render(&down);
    EXPECT_EQ(0, d[0]->GetRect(&r)->top);
    EXPECT_EQ(50, d[1]->GetRect(&r)->top);
    EXPECT_EQ(0, d[1]->GetRect(&r)->left);
    EXPECT_EQ(0, d[2]->GetRect(&r)->top);
    EXPECT_EQ(100, d[2]->GetRect(&r)->left);

    // Zero counts are clamped to 1 (cells as large as the grid).
    GridContainerUIObjectImpl zero;
    zero.Create(rec.hwnd(), Rc(0, 0, 200, 100), 0, nullptr);
    zero.SetCols(0);
    zero.SetRows(-3);
    EXPECT_EQ(200, zero.GetCellWidth());
    EXPECT_EQ(100, zero.GetCellHeight());
    zero.AddContainer(Own(NewContainer(rec.hwnd(), Rc(0, 0, 10, 10))));
    canvas.Render(&zero);
}

TEST(UiContainer, SetRectMovesChildrenByTheDisplacement) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(10, 10, 110, 110), 0, nullptr);
    auto* inner = NewContainer(rec.hwnd(), Rc(20, 20, 60, 60));
    auto* deep = NewButton(rec.hwnd(), Rc(30, 30, 50, 50), 1);
    inner->AddControl(Own(deep));
    root.AddContainer(Own(inner));
    auto* check = new CheckBoxUIObjectImpl;
    check->Create(rec.hwnd(), Rc(70, 70, 100, 90), 303, L"PNG");
    check->SetCheckRect(Rc(70, 72, 86, 88));
    check->SetLabelRect(Rc(87, 72, 100, 88));
    root.AddControl(Own(check));
    auto* progress = new ProgressUIObjectImpl;
    progress->Create(rec.hwnd(), Rc(10, 95, 570, 110), 311, L"PNG");
    progress->SetFront(Rc(10, 97, 570, 112), 0, 0);
    root.AddControl(Own(progress));

    root.SetRect(15, 5, 300, 300);
    RECT r;
    root.GetRect(&r);
    EXPECT_EQ(15, r.left);
    EXPECT_EQ(300, r.right);
    deep->GetRect(&r);
    EXPECT_EQ(35, r.left);
    EXPECT_EQ(25, r.top);
    EXPECT_EQ(55, r.right);
    EXPECT_EQ(45, r.bottom);
    inner->GetRect(&r);
    EXPECT_EQ(25, r.left);
    EXPECT_EQ(15, r.top);
    progress->GetRect(&r);
    EXPECT_EQ(15, r.left);
    EXPECT_EQ(575, r.right);
    EXPECT_EQ(92, progress->GetFrontRect().top);
}

TEST(UiContainer, FindsByNameOneLevelDeepAndByExactClassEverywhere) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 100, 100), 0, nullptr);
    auto* body = NewContainer(rec.hwnd(), Rc(0, 0, 100, 100), 0, L"Body");
    auto* deepChk = new CheckBoxUIObjectImpl;
    deepChk->Create(rec.hwnd(), Rc(0, 0, 16, 16), 303, L"PNG");
    deepChk->SetName(L"DeepChk");
    body->AddControl(Own(deepChk));
    auto* caption = new CaptionContainerUIObjectImpl;
    caption->Create(rec.hwnd(), Rc(0, 0, 10, 10), 0, nullptr);
    caption->SetName(L"Header");
    root.AddContainer(Own(body));
    root.AddContainer(Own(caption));
    auto* topChk = new CheckBoxUIObjectImpl;
    topChk->Create(rec.hwnd(), Rc(0, 0, 16, 16), 303, L"PNG");
    topChk->SetName(L"TopChk");
    root.AddControl(Own(topChk));
    auto* first = NewButton(rec.hwnd(), Rc(0, 0, 20, 20), 1, L"Btn");
    root.AddControl(Own(first));
    root.AddControl(Own(NewButton(rec.hwnd(), Rc(0, 0, 20, 20), 2, L"Btn")));
    auto* link = new LinkLabelUIObjectImpl;
    link->Create(rec.hwnd(), Rc(0, 0, 20, 20), 0, nullptr);
    root.AddControl(Own(link));

    EXPECT_EQ(body, root.FindContainer(L"Body"));
    EXPECT_EQ(caption, root.FindContainer(L"Header"));
    EXPECT_EQ(nullptr, root.FindContainer(L"body"));
    EXPECT_EQ(nullptr, root.FindControl(L"DeepChk"));
    EXPECT_EQ(topChk, root.FindControl(L"TopChk"));
    EXPECT_EQ(first, root.FindControl(L"Btn"));
    EXPECT_EQ(nullptr, root.FindControl(L"Body"));

    auto checks = root.FindControlsByType<CheckBoxUIObjectImpl>();
    ASSERT_EQ(2u, checks.size());
    EXPECT_EQ(deepChk, checks[0]);  // containers' results first
    EXPECT_EQ(topChk, checks[1]);
    // Exact class: a link label is not a label, containers are never returned.
    EXPECT_TRUE(root.FindControlsByType<LabelUIObjectImpl>().empty());
    EXPECT_EQ(1u, root.FindControlsByType<LinkLabelUIObjectImpl>().size());
    EXPECT_TRUE(root.FindControlsByType(CaptionContainerUIObjectImpl::kKind).empty());
}

TEST(UiContainer, EnabledStateIsCombinedAtAttachTimeOnly) {
    Recorder rec;
    ContainerUIObjectImpl off;
    off.Create(rec.hwnd(), Rc(0, 0, 100, 100), 0, nullptr);
    off.SetEnabled(false);
    auto* b = NewButton(rec.hwnd(), Rc(0, 0, 20, 20), 1);
    off.AddControl(Own(b));
    EXPECT_FALSE(b->IsEnabled());
    EXPECT_EQ(ButtonUIObjectImpl::kDisabled, b->GetState());
    rec.Clear();  // disabling at attach gave up a focus it never had: harmless

    // Disabled after attach: the child still says enabled but never hears the mouse.
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 100, 100), 0, nullptr);
    auto* b2 = NewButton(rec.hwnd(), Rc(0, 0, 20, 20), 1);
    root.AddControl(Own(b2));
    root.SetEnabled(false);
    EXPECT_TRUE(b2->IsEnabled());
    EXPECT_FALSE(Send(root, WM_MOUSEMOVE, 5, 5));
    EXPECT_FALSE(Send(root, WM_LBUTTONDOWN, 5, 5));
    EXPECT_FALSE(Send(root, WM_LBUTTONUP, 5, 5));
    EXPECT_EQ(ButtonUIObjectImpl::kNormal, b2->GetState());
    EXPECT_TRUE(rec.messages().empty());

    root.SetEnabledAll(true);
    root.SetEnabledAll(false);
    EXPECT_FALSE(b2->IsEnabled());
}

TEST(UiContainer, PressAndReleaseInsideNotifiesAndFocusesReleaseOutsideDoesNot) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 200, 100), 0, nullptr);
    auto* b = NewButton(rec.hwnd(), Rc(10, 10, 30, 30), 100);
    root.AddControl(Own(b));

    EXPECT_TRUE(Send(root, WM_MOUSEMOVE, 15, 15));
    EXPECT_EQ(ButtonUIObjectImpl::kHover, b->GetState());
    EXPECT_TRUE(Send(root, WM_LBUTTONDOWN, 15, 15));
    EXPECT_EQ(ButtonUIObjectImpl::kPressed, b->GetState());
    EXPECT_TRUE(Send(root, WM_LBUTTONUP, 15, 15));
    EXPECT_EQ(ButtonUIObjectImpl::kHover, b->GetState());
    auto& m = rec.messages();
    ASSERT_EQ(2u, m.size());
    EXPECT_EQ(ORBUM_SETFOCUS, m[0].msg);  // the handled press asks for the focus
    EXPECT_EQ(0x464u, m[1].msg);          // WM_USER + 100
    EXPECT_EQ(0u, m[1].wParam);
    EXPECT_EQ((LPARAM) static_cast<IORBBaseUIObject*>(b), m[1].lParam);

    // Press inside, move off, release outside: nothing but the leave.
    rec.Clear();
    Send(root, WM_LBUTTONDOWN, 15, 15);
    Send(root, WM_MOUSEMOVE, 100, 50);
    EXPECT_EQ(ButtonUIObjectImpl::kNormal, b->GetState());
    EXPECT_FALSE(Send(root, WM_LBUTTONUP, 100, 50));
    EXPECT_EQ(0u, rec.Count(0x464));
    // Coming back and releasing without a new press sends nothing either.
    Send(root, WM_MOUSEMOVE, 15, 15);
    Send(root, WM_LBUTTONUP, 15, 15);
    EXPECT_EQ(0u, rec.Count(0x464));
}

TEST(UiContainer, ChildContainerHandlingAMoveShieldsTheParentsControls) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 200, 100), 0, nullptr);
    auto* inner = NewContainer(rec.hwnd(), Rc(100, 0, 200, 100));
    auto* innerBtn = NewButton(rec.hwnd(), Rc(110, 10, 130, 30), 1);
    inner->AddControl(Own(innerBtn));
    root.AddContainer(Own(inner));
    auto* outerBtn = NewButton(rec.hwnd(), Rc(10, 10, 30, 30), 2);
    root.AddControl(Own(outerBtn));

    Send(root, WM_MOUSEMOVE, 15, 15);
    EXPECT_EQ(ButtonUIObjectImpl::kHover, outerBtn->GetState());
    // The inner button handles this move, so the outer one hears no leave.
    EXPECT_TRUE(Send(root, WM_MOUSEMOVE, 115, 15));
    EXPECT_EQ(ButtonUIObjectImpl::kHover, innerBtn->GetState());
    EXPECT_EQ(ButtonUIObjectImpl::kHover, outerBtn->GetState());
    // An unhandled move in the inner container lets the outer controls hear the leave.
    EXPECT_FALSE(Send(root, WM_MOUSEMOVE, 150, 80));
    EXPECT_EQ(ButtonUIObjectImpl::kNormal, outerBtn->GetState());
    EXPECT_EQ(ButtonUIObjectImpl::kNormal, innerBtn->GetState());

    // Leaving the window clears hover through the tree.
    Send(root, WM_MOUSEMOVE, 115, 15);
    Send(root, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ButtonUIObjectImpl::kNormal, innerBtn->GetState());
}

TEST(UiContainer, CaptionDragsOnEmptyAreaButItsButtonsKeepWorking) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 600, 430), 0, nullptr);
    auto* caption = new CaptionContainerUIObjectImpl;
    caption->Create(rec.hwnd(), Rc(0, 0, 600, 50), 0, nullptr);
    auto* close = NewButton(rec.hwnd(), Rc(560, 15, 580, 35), 100);
    caption->AddControl(Own(close));
    root.AddContainer(Own(caption));

    EXPECT_TRUE(Send(root, WM_LBUTTONDOWN, 200, 20));
    auto& m = rec.messages();
    ASSERT_EQ(1u, m.size());
    EXPECT_EQ(UINT(WM_NCLBUTTONDOWN), m[0].msg);
    EXPECT_EQ(WPARAM(HTCAPTION), m[0].wParam);
    EXPECT_EQ(At(200, 20), m[0].lParam);

    rec.Clear();
    Send(root, WM_LBUTTONDOWN, 565, 20);
    Send(root, WM_LBUTTONUP, 565, 20);
    EXPECT_EQ(0u, rec.Count(WM_NCLBUTTONDOWN));
    EXPECT_EQ(1u, rec.Count(0x464));

    // Below the caption nothing drags.
    rec.Clear();
    EXPECT_FALSE(Send(root, WM_LBUTTONDOWN, 200, 200));
    EXPECT_TRUE(rec.messages().empty());
}

TEST(UiContainer, SetCursorReachesTheLinkAndOnlyTheLink) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 200, 100), 0, nullptr);
    auto* link = new LinkLabelUIObjectImpl;
    link->Create(rec.hwnd(), Rc(10, 10, 90, 24), 0, nullptr);
    root.AddControl(Own(link));
    root.AddControl(Own(NewButton(rec.hwnd(), Rc(100, 10, 120, 30), 1)));
    BOOL h = FALSE;
    h = root.OnSetCursor(POINT{20, 15});
    EXPECT_TRUE(h);
    h = root.OnSetCursor(POINT{105, 15});
    EXPECT_FALSE(h);
    link->SetEnabled(false);
    h = root.OnSetCursor(POINT{20, 15});
    EXPECT_FALSE(h);
}

TEST(UiFocus, TabOrderFollowsTheLayoutWrapsAndSkipsWhatCannotTakeIt) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 200, 100), 0, nullptr);
    auto* first = NewButton(rec.hwnd(), Rc(10, 10, 30, 30), 101);
    root.AddControl(Own(first));
    root.AddControl(Own(NewPicture(rec.hwnd(), Rc(0, 0, 5, 5))));  // takes no focus
    auto* body = NewContainer(rec.hwnd(), Rc(0, 0, 200, 100));
    auto* check = new CheckBoxUIObjectImpl;
    check->Create(rec.hwnd(), Rc(40, 10, 56, 26), 303, L"PNG");
    body->AddControl(Own(check));
    auto* disabled = NewButton(rec.hwnd(), Rc(60, 10, 80, 30), 102);
    disabled->SetEnabled(false);
    body->AddControl(Own(disabled));
    auto* hidden = NewButton(rec.hwnd(), Rc(90, 10, 110, 30), 103);
    hidden->SetVisible(false);
    body->AddControl(Own(hidden));
    root.AddContainer(Own(body));
    auto* closed = NewContainer(rec.hwnd(), Rc(0, 0, 200, 100));
    closed->AddControl(Own(NewButton(rec.hwnd(), Rc(0, 0, 20, 20), 104)));
    closed->SetVisibleAll(false);
    root.AddContainer(Own(closed));
    auto* link = new LinkLabelUIObjectImpl;
    link->Create(rec.hwnd(), Rc(120, 10, 160, 30), 0, nullptr);
    link->SetAction(100);
    root.AddControl(Own(link));  // added after the container: comes after its controls

    const std::vector<IORBBaseUIObject*> order = FocusOrder(&root);
    ASSERT_EQ(3u, order.size());
    EXPECT_EQ(first, order[0]);
    EXPECT_EQ(check, order[1]);
    EXPECT_EQ(link, order[2]);
    EXPECT_EQ(first, NextFocus(&root, nullptr, false));
    EXPECT_EQ(link, NextFocus(&root, nullptr, true));
    EXPECT_EQ(check, NextFocus(&root, first, false));
    EXPECT_EQ(first, NextFocus(&root, link, false));   // wraps
    EXPECT_EQ(link, NextFocus(&root, first, true));    // and back
    EXPECT_EQ(first, NextFocus(&root, disabled, false));
    // Enter and Esc find their controls only where a user could press them.
    EXPECT_EQ(first, FindActionControl(&root, 101));
    EXPECT_EQ(link, FindActionControl(&root, 100));
    EXPECT_EQ(nullptr, FindActionControl(&root, 102));
    EXPECT_EQ(nullptr, FindActionControl(&root, 104));
    EXPECT_EQ(nullptr, FindActionControl(&root, 0));

    // Showing a part of the layout brings its controls into the order.
    hidden->SetVisible(true);
    EXPECT_EQ(hidden, NextFocus(&root, check, false));
    root.SetEnabledAll(false);
    EXPECT_EQ(nullptr, NextFocus(&root, first, false));
}

TEST(UiFocus, TheMarkShowsForKeyboardFocusOnly) {
    Recorder rec;
    ContainerUIObjectImpl root;
    root.Create(rec.hwnd(), Rc(0, 0, 100, 60), 0, nullptr);
    auto* b = NewButton(rec.hwnd(), Rc(10, 10, 30, 30), 100);
    root.AddControl(Own(b));
    auto around = [](Canvas& c) { return c.Pixel(9, 9) | c.Pixel(30, 20) | c.Pixel(20, 30); };

    Canvas clicked(100, 60);
    b->RequestFocus();  // as a press does
    clicked.Render(&root);
    EXPECT_EQ(0u, around(clicked));

    Canvas keyed(100, 60);
    b->ShowFocusMark();
    keyed.Render(&root);
    EXPECT_EQ(255, ChA(keyed.Pixel(9, 9)));
    EXPECT_NE(0u, keyed.Pixel(30, 20));

    Canvas released(100, 60);
    b->ReleaseFocus();
    b->RequestFocus();
    released.Render(&root);
    EXPECT_EQ(0u, around(released));
}
