// Slideshow: frames side by side in one strip, cross-faded on the owner's window timers.
#pragma once

#include "orbcontrols.h"

namespace ORBUE {

// Animated objects ask their window for timers (ORBUM_SETANIMATIONTIMER /
// ORBUM_KILLANIMATIONTIMER, lParam = this interface) and get OnTimer(number) per tick,
// number = window timer id - ANIMATION_TIMER_BASE.
class IORBBaseAnimationObject {
public:
    virtual ~IORBBaseAnimationObject() {}
    virtual void Play() = 0;                  // start if not running
    virtual void Stop() = 0;                  // stop if running
    virtual void OnTimer(UINT number) = 0;
};

class CarouselUIObjectImpl : public PictureUIObjectImpl, public IORBBaseAnimationObject {
public:
    // Takes two timer numbers from the process-wide counter: frame timer, then fade timer
    // (numbers go round before they reach the progress timer's id).
    static constexpr const wchar_t* kKind = L"Carousel";
    CarouselUIObjectImpl();
    ~CarouselUIObjectImpl() override;
    const wchar_t* Kind() const override { return kKind; }

    // Current frame at alpha, the next frame at 1 - alpha, through a colour matrix.
    void Draw(Gdiplus::Graphics* graphics) override;

    void Play() override;
    void Stop() override;
    void OnTimer(UINT number) override;

    // Frame counts below 1 are clamped to 1 (no division by zero in Draw/OnTimer).
    void SetFrameCount(int count);
    void SetCurrentFrame(int frame);  // wrapped into 0 .. count-1
    void SetInterval(UINT ms);
    void SetFadeInterval(UINT ms);

    int GetFrameCount() const { return frameCount_; }
    int GetCurrentFrame() const { return current_; }
    float GetAlpha() const { return alpha_; }
    float GetStep() const { return step_; }
    void SetAlpha(float alpha) { alpha_ = alpha; }  // for drawing a given blend
    USHORT GetFrameTimer() const { return frameTimer_; }
    USHORT GetFadeTimer() const { return fadeTimer_; }
    bool IsPlaying() const { return playing_ != 0; }

private:
    void SendTimer(UINT msg, WPARAM wParam);

    int frameCount_;
    int current_;
    float alpha_;
    float step_;
    UINT fadeInterval_;
    UINT interval_;
    USHORT frameTimer_;
    USHORT fadeTimer_;
    int playing_;
};

}  // namespace ORBUE
