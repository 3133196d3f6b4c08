#include "orbcontrols.h"

#include <oleacc.h>

#include "orbaccessible.h"
#include "orbstring.h"

namespace ORBUE {

ProgressUIObjectImpl::ProgressUIObjectImpl()
    : front_(), spl_(0), spr_(0), pos_(0) {}

ProgressUIObjectImpl::~ProgressUIObjectImpl() = default;

HRESULT ProgressUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    UIObjectImpl::Create(owner, rect, resId, type);
    return LoadImageObject(type, resId, &back_);
}

void ProgressUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return;
    DrawImageUnscaled(g, back_.get(), rect_.left, rect_.top, 0, 0, Width(), Height());
    if (!frontImage_) return;
    int fl = front_.left, ft = front_.top, fh = front_.bottom - front_.top;
    int iw = int(frontImage_->GetWidth()), ih = int(frontImage_->GetHeight());
    DrawImageUnscaled(g, frontImage_.get(), fl, ft, 0, 0, spl_, fh);
    float fill = float(front_.right - fl - spl_ - spr_) / 100.0f * float(pos_);
    DrawImageScaledHQ(g, frontImage_.get(), float(fl + spl_), float(ft), fill, float(fh), float(spl_), 0,
                      float(iw - spl_ - spr_), float(ih));
    // The right cap overlaps the end of the fill by one pixel.
    DrawImageUnscaled(g, frontImage_.get(), int(fill + float(fl + spl_) - 1.0f), ft, iw - spr_, 0, spr_,
                      ih);
}

void ProgressUIObjectImpl::SetRect(int left, int top, int, int) {
    int dx = left - rect_.left, dy = top - rect_.top;
    OffsetRect(&rect_, dx, dy);
    OffsetRect(&front_, dx, dy);
}

void ProgressUIObjectImpl::SetFront(const RECT& front, int spl, int spr) {
    front_ = front;
    spl_ = spl;
    spr_ = spr;
}

HRESULT ProgressUIObjectImpl::SetFrontImage(const wchar_t* type, UINT resId) {
    return LoadImageObject(type, resId, &frontImage_);
}

void ProgressUIObjectImpl::Step() {
    if (pos_ >= 100) return;
    ++pos_;  // whole percents: one event per step
    NotifyAccessibleEvent(EVENT_OBJECT_VALUECHANGE, this);
}

LONG ProgressUIObjectImpl::AccessibleRole() const {
    return ROLE_SYSTEM_PROGRESSBAR;
}

LONG ProgressUIObjectImpl::AccessibleState() const {
    return STATE_SYSTEM_READONLY;
}

bool ProgressUIObjectImpl::AccessibleValue(std::wstring* value) const {
    *value = ORBDecimal(pos_) + L"%";
    return true;
}

// Picture: the whole image stretched into the rectangle.
PictureUIObjectImpl::PictureUIObjectImpl() = default;

PictureUIObjectImpl::~PictureUIObjectImpl() = default;

HRESULT PictureUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    UIObjectImpl::Create(owner, rect, resId, type);
    return LoadImageObject(type, resId, &image_);
}

void PictureUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_ || !image_) return;
    DrawImageScaledHQ(g, image_.get(), float(rect_.left), float(rect_.top), float(Width()),
                      float(Height()), 0, 0, float(image_->GetWidth()),
                      float(image_->GetHeight()));
}

}  // namespace ORBUE
