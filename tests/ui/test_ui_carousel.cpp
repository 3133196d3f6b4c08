// Slideshow: timer numbers, play/stop messages, fade arithmetic and the drawn blend.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "gtest/gtest.h"
#include "orbcarousel.h"
#include "orbimageobject.h"
#include "orbuidraw.h"
#include "orbtestutil.h"
#include "uitestutil.h"

using namespace ORBUE;

namespace {

LPARAM AnimParam(CarouselUIObjectImpl& c) {
    return (LPARAM) static_cast<IORBBaseAnimationObject*>(&c);
}

void MakeCarousel(CarouselUIObjectImpl& c, HWND owner, int frames, UINT interval, UINT fade) {
    c.Create(owner, Rc(0, 0, 600, 430), 309, L"PNG");
    c.SetFrameCount(frames);
    c.SetCurrentFrame(0);
    c.SetInterval(interval);
    c.SetFadeInterval(fade);
}

}  // namespace

TEST(UiCarousel, EachCarouselTakesTwoConsecutiveTimerNumbers) {
    CarouselUIObjectImpl a, b;
    EXPECT_EQ(a.GetFrameTimer() + 1, a.GetFadeTimer());
    EXPECT_EQ(a.GetFadeTimer() + 1, b.GetFrameTimer());
    EXPECT_EQ(b.GetFrameTimer() + 1, b.GetFadeTimer());
}

TEST(UiCarousel, TimerNumbersGoRoundBelowTheProgressTimer) {
    // Without the wrap the 501st carousel of a process ticks on the install progress timer.
    for (int i = 0; i < 520; ++i) {
        CarouselUIObjectImpl c;
        ASSERT_LT(ANIMATION_TIMER_BASE + c.GetFadeTimer(), PROGRESS_TIMER) << i;
        ASSERT_EQ(c.GetFrameTimer() + 1, c.GetFadeTimer()) << i;
    }
}

TEST(UiCarousel, PlayTwiceStartsOneTimerAndStopTwiceKillsBothOnce) {
    Recorder rec;
    LogCapture log;
    CarouselUIObjectImpl c;
    MakeCarousel(c, rec.hwnd(), 2, 2000, 500);
    c.Play();
    c.Play();
    auto& m = rec.messages();
    ASSERT_EQ(1u, m.size());
    EXPECT_EQ(ORBUM_SETANIMATIONTIMER, m[0].msg);
    EXPECT_EQ((WPARAM(2000) << 16) | c.GetFrameTimer(), m[0].wParam);
    EXPECT_EQ(AnimParam(c), m[0].lParam);
    EXPECT_TRUE(log.Has(L"xm ORBUE::CarouselUIObjectImpl::Play"));
    EXPECT_TRUE(log.Has(L"xm Fade:0.13\r\n"));
    EXPECT_FLOAT_EQ(66.666664f / 500.0f, c.GetStep());

    rec.Clear();
    c.Stop();
    c.Stop();
    ASSERT_EQ(2u, rec.messages().size());
    EXPECT_EQ(ORBUM_KILLANIMATIONTIMER, rec.messages()[0].msg);
    EXPECT_EQ(WPARAM(c.GetFadeTimer()), rec.messages()[0].wParam);
    EXPECT_EQ(WPARAM(c.GetFrameTimer()), rec.messages()[1].wParam);
    EXPECT_EQ(AnimParam(c), rec.messages()[1].lParam);
    EXPECT_TRUE(log.Has(L"xm ORBUE::CarouselUIObjectImpl::Stop"));
}

TEST(UiCarousel, FadeStepsAlphaDownAndWrapsTheFrames) {
    Recorder rec;
    CarouselUIObjectImpl c;
    MakeCarousel(c, rec.hwnd(), 2, 2000, 500);
    c.Play();
    rec.Clear();
    c.OnTimer(c.GetFrameTimer());
    ASSERT_EQ(1u, rec.messages().size());
    EXPECT_EQ((WPARAM(66) << 16) | c.GetFadeTimer(), rec.messages()[0].wParam);

    rec.Clear();
    const float step = 66.666664f / 500.0f;
    float expect = 1.0f;
    for (int tick = 1; tick <= 7; ++tick) {
        c.OnTimer(c.GetFadeTimer());
        expect -= step;
        EXPECT_FLOAT_EQ(expect, c.GetAlpha()) << tick;
        EXPECT_EQ(0, c.GetCurrentFrame());
    }
    EXPECT_TRUE(rec.messages().empty());
    c.OnTimer(c.GetFadeTimer());  // eighth tick: below zero
    EXPECT_EQ(1.0f, c.GetAlpha());
    EXPECT_EQ(1, c.GetCurrentFrame());
    ASSERT_EQ(1u, rec.messages().size());
    EXPECT_EQ(ORBUM_KILLANIMATIONTIMER, rec.messages()[0].msg);
    EXPECT_EQ(WPARAM(c.GetFadeTimer()), rec.messages()[0].wParam);

    for (int tick = 0; tick < 8; ++tick) c.OnTimer(c.GetFadeTimer());
    EXPECT_EQ(0, c.GetCurrentFrame());  // wrapped

    // Foreign numbers are ignored.
    rec.Clear();
    c.OnTimer(c.GetFadeTimer() + 1000);
    EXPECT_TRUE(rec.messages().empty());
    EXPECT_EQ(1.0f, c.GetAlpha());

    // A zero fade interval advances at the first fade tick.
    c.Stop();
    c.SetFadeInterval(0);
    c.Play();
    c.OnTimer(c.GetFadeTimer());
    EXPECT_EQ(1, c.GetCurrentFrame());
    c.Stop();
}

TEST(UiCarousel, FrameCountBelowOneIsTreatedAsOne) {
    Recorder rec;
    CarouselUIObjectImpl c;
    MakeCarousel(c, rec.hwnd(), 0, 1000, 500);
    EXPECT_EQ(1, c.GetFrameCount());
    c.SetFrameCount(-4);
    EXPECT_EQ(1, c.GetFrameCount());
    c.Play();
    for (int tick = 0; tick < 8; ++tick) c.OnTimer(c.GetFadeTimer());
    EXPECT_EQ(0, c.GetCurrentFrame());
    c.Stop();
    Canvas canvas(600, 430);
    canvas.Draw(&c);  // the whole strip width as one frame: no crash
}

TEST(UiCarousel, DrawsTheCrossFadeBlendThroughTheColourMatrix) {
    Recorder rec;
    CarouselUIObjectImpl c;
    MakeCarousel(c, rec.hwnd(), 2, 2000, 500);
    {
        // Outside a fade the current frame shows fully.
        Canvas canvas(600, 430);
        canvas.Draw(&c);
        EXPECT_EQ(Opaque(255, 0, 0), canvas.Pixel(300, 200));
        c.SetCurrentFrame(1);
        Canvas second(600, 430);
        second.Draw(&c);
        EXPECT_EQ(Opaque(0, 0, 255), second.Pixel(300, 200));
        c.SetCurrentFrame(0);
    }
    const float alpha = 0.6f;
    c.SetAlpha(alpha);
    Canvas canvas(600, 430);
    canvas.Draw(&c);
    // Red at alpha, then blue at 1 - alpha over it (premultiplied on a clear surface).
    const float a2 = 1.0f - alpha;
    const int r = int(255 * alpha * (1 - a2) + 0.5f), b = int(255 * a2 + 0.5f);
    const int a = int(255 * (a2 + alpha * (1 - a2)) + 0.5f);
    for (int x : {0, 300, 599}) {
        DWORD p = canvas.Pixel(x, 215);
        EXPECT_NEAR(r, ChR(p), 2) << x;
        EXPECT_NEAR(0, ChG(p), 2) << x;
        EXPECT_NEAR(b, ChB(p), 2) << x;
        EXPECT_NEAR(a, ChA(p), 2) << x;
    }
    // A hidden carousel draws nothing but keeps animating.
    c.SetVisible(false);
    Canvas hidden(600, 430);
    hidden.Draw(&c);
    EXPECT_EQ(0u, hidden.Pixel(300, 200));
}

// The drawn blend must match the two colour-matrix passes for partially transparent frames
// over clear, half-transparent and opaque backgrounds, at the fade's alphas, at 100 % and
// at 200 % (from the larger image, every pixel doubled). Both round differently (the
// colour-matrix passes alone are up to 2 off the exact blend on faint pixels), hence 3.
TEST(UiCarousel, CrossFadeMatchesTheColourMatrixPasses) {
    CarouselUIObjectImpl c;
    c.Create(nullptr, Rc(0, 0, 64, 8), 331, L"PNG");
    c.SetFrameCount(2);
    ImageObject ref(GetModuleHandleW(nullptr), L"PNG", 331);
    int worst = 0;
    for (int scale : {1, 2})
    for (DWORD back : {0x00000000u, 0x80402010u, 0xFF5A646Eu}) {
        for (int frame : {0, 1}) {
            for (float alpha : {0.0f, 0.0667f, 0.2f, 0.4667f, 0.6f, 0.8667f, 0.999f}) {
                Canvas fast(64 * scale, 8 * scale), slow(64, 8);
                for (int i = 0; i < 64 * 8; ++i) slow.bitmap().bits()[i] = back;
                for (int i = 0; i < 64 * 8 * scale * scale; ++i) fast.bitmap().bits()[i] = back;
                c.SetCurrentFrame(frame);
                c.SetAlpha(alpha);
                {
                    Gdiplus::Graphics g(fast.dc());
                    if (scale != 1) {  // as the dialogs draw at a scale
                        g.ScaleTransform(float(scale), float(scale));
                        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
                        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
                    }
                    c.Draw(&g);
                }
                {
                    Gdiplus::Graphics g(slow.dc());
                    Gdiplus::ColorMatrix m = {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0},
                                               {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}}};
                    Gdiplus::ImageAttributes attrs;
                    m.m[3][3] = alpha;
                    attrs.SetColorMatrix(&m);
                    DrawImageScaled(&g, &ref, 0, 0, 64, 8, 64.0f * frame, 0, 64, 8, &attrs);
                    m.m[3][3] = 1.0f - alpha;
                    attrs.SetColorMatrix(&m);
                    DrawImageScaled(&g, &ref, 0, 0, 64, 8, 64.0f * (1 - frame), 0, 64, 8, &attrs);
                }
                GdiFlush();
                for (int x = 0; x < 64; ++x) {
                    DWORD p = fast.Pixel(x * scale + scale - 1, 3 * scale), q = slow.Pixel(x, 3);
                    int d = std::max({abs(ChA(p) - ChA(q)), abs(ChR(p) - ChR(q)),
                                      abs(ChG(p) - ChG(q)), abs(ChB(p) - ChB(q))});
                    worst = std::max(worst, d);
                    EXPECT_LE(d, 3) << scale << "x " << std::hex << back << std::dec << " frame " << frame
                                    << " alpha " << alpha << " x " << x << std::hex << " fast "
                                    << p << " matrix " << q;
                }
            }
        }
    }
    std::printf("largest channel difference: %d\n", worst);
}

TEST(UiCarousel, DeletingAPlayingCarouselGivesItsTimersBack) {
    Recorder rec;
    auto* c = new CarouselUIObjectImpl;
    MakeCarousel(*c, rec.hwnd(), 2, 1000, 500);
    c->Play();
    rec.Clear();
    IORBBaseUIObject* asObject = c;
    delete asObject;
    EXPECT_EQ(2u, rec.Count(ORBUM_KILLANIMATIONTIMER));
}
