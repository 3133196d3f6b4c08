#include "orbcarousel.h"

#include "orblog.h"
#include "orbuimessages.h"

namespace ORBUE {

namespace {

// Process-wide timer numbers; each carousel takes two (frame, then fade). They go round
// below the progress timer (ANIMATION_TIMER_BASE + number stays under PROGRESS_TIMER):
// the 501st carousel of a process takes the first two numbers again.
constexpr UINT kTimerNumbers = PROGRESS_TIMER - ANIMATION_TIMER_BASE;
static_assert(kTimerNumbers % 2 == 0, "a carousel's two numbers stay consecutive");
USHORT g_nextTimerNumber = 0;

USHORT TakeTimerNumber() {
    const USHORT number = g_nextTimerNumber;
    g_nextTimerNumber = static_cast<USHORT>((number + 1) % kTimerNumbers);
    return number;
}

constexpr UINT kFadePeriodMs = 66;

}  // namespace

CarouselUIObjectImpl::CarouselUIObjectImpl()
    : frameCount_(1), current_(0), alpha_(1.0f), step_(0.1f), fadeInterval_(500),
      interval_(1000), playing_(0) {
    frameTimer_ = TakeTimerNumber();
    fadeTimer_ = TakeTimerNumber();
}

CarouselUIObjectImpl::~CarouselUIObjectImpl() {
    // A window must not keep ticking a deleted object: give the timers back.
    if (playing_) Stop();
}

void CarouselUIObjectImpl::SetFrameCount(int count) {
    frameCount_ = count < 1 ? 1 : count;
    current_ %= frameCount_;
}

void CarouselUIObjectImpl::SetCurrentFrame(int frame) {
    current_ = frame < 0 ? 0 : frame % frameCount_;
}

void CarouselUIObjectImpl::SetInterval(UINT ms) {
    interval_ = ms;
}

void CarouselUIObjectImpl::SetFadeInterval(UINT ms) {
    fadeInterval_ = ms;
}

void CarouselUIObjectImpl::SendTimer(UINT msg, WPARAM wParam) {
    SendMessageW(owner_, msg, wParam, (LPARAM) static_cast<IORBBaseAnimationObject*>(this));
}

void CarouselUIObjectImpl::Play() {
    if (playing_) return;
    ORBLog(L"ORBUE::CarouselUIObjectImpl::Play");
    // 66.666664 ms is the fade timer's period (1000 / 15); a fade interval of 0 gives an
    // infinite step, so the first fade tick just advances the frame.
    step_ = 66.666664f / float(fadeInterval_);
    ORBLog(L"Fade:%0.2f\r\n", double(step_));
    SendTimer(ORBUM_SETANIMATIONTIMER, (WPARAM(interval_ & 0xFFFF) << 16) | frameTimer_);
    playing_ = 1;
}

void CarouselUIObjectImpl::Stop() {
    if (!playing_) return;
    playing_ = 0;
    ORBLog(L"ORBUE::CarouselUIObjectImpl::Stop");
    SendTimer(ORBUM_KILLANIMATIONTIMER, fadeTimer_);
    SendTimer(ORBUM_KILLANIMATIONTIMER, frameTimer_);
}

void CarouselUIObjectImpl::OnTimer(UINT number) {
    ORBLog(L"ORBUE::CarouselUIObjectImpl::OnTimer %d", int(number));
    if (number == frameTimer_) {
        SendTimer(ORBUM_SETANIMATIONTIMER, (WPARAM(kFadePeriodMs) << 16) | fadeTimer_);
    } else if (number == fadeTimer_) {
        alpha_ -= step_;
        if (alpha_ > 0.0f) return;
        alpha_ = 1.0f;
        current_ = (current_ + 1) % frameCount_;
        SendTimer(ORBUM_KILLANIMATIONTIMER, fadeTimer_);
    }
}

void CarouselUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_ || !image_) return;
    int w = Width(), h = Height();
    float fw = float(image_->GetWidth()) / float(frameCount_);
    int c = current_, c2 = (current_ + 1) % frameCount_;
    float x = float(rect_.left), y = float(rect_.top);
    if (alpha_ >= 1.0f) {
        // Outside a fade: the identity matrix equals a plain draw and the next frame's
        // draw at opacity 0 changes no pixel, so both colour-matrix passes are skipped.
        if (fw * c == float(int(fw * c)))
            DrawImageUnscaled(g, image_.get(), rect_.left, rect_.top, int(fw * c), 0, w, h);
        else
            DrawImageScaled(g, image_.get(), x, y, float(w), float(h), fw * c, 0, float(w), float(h));
        return;
    }
    // Only alpha is scaled: one plain draw of the blend made from the premultiplied copy
    // gives the same pixels as the two colour-matrix passes at a fraction of the cost.
    // At a scale the blend is made from the image drawn there (maybe its larger version).
    ImageObject* source = image_->ForScale(GraphicsScale(g));
    const float f = source->Factor();
    float sx0 = fw * c * f, sx1 = fw * c2 * f, bw = float(w) * f, bh = float(h) * f;
    if (sx0 == float(int(sx0)) && sx1 == float(int(sx1)) && bw == float(int(bw)) && bh == float(int(bh))) {
        if (Gdiplus::Bitmap* blend = source->CrossFade(int(sx0), int(sx1), int(bw), int(bh), alpha_)) {
            DrawImageScaled(g, blend, x, y, float(w), float(h), 0, 0, bw, bh, nullptr, source->CrossFadeSection());
            return;
        }
    }
    Gdiplus::ColorMatrix m = {{{1, 0, 0, 0, 0},
                               {0, 1, 0, 0, 0},
                               {0, 0, 1, 0, 0},
                               {0, 0, 0, 1, 0},
                               {0, 0, 0, 0, 1}}};
    Gdiplus::ImageAttributes attrs;
    m.m[3][3] = alpha_;
    attrs.SetColorMatrix(&m);
    DrawImageScaled(g, image_.get(), x, y, float(w), float(h), fw * c, 0, float(w), float(h), &attrs);
    m.m[3][3] = 1.0f - alpha_;
    attrs.SetColorMatrix(&m);
    DrawImageScaled(g, image_.get(), x, y, float(w), float(h), fw * c2, 0, float(w), float(h), &attrs);
}

}  // namespace ORBUE
