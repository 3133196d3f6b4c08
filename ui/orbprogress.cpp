#include "orbcontrols.h"

namespace ORBUE {

ProgressUIObjectImpl::ProgressUIObjectImpl()
    : front_(), back_(nullptr), frontImage_(nullptr), spl_(0), spr_(0), pos_(0) {}

ProgressUIObjectImpl::~ProgressUIObjectImpl() {
    delete back_;
    delete frontImage_;
}

HRESULT ProgressUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    ControlUIObjectImpl::Create(owner, rect, resId, type);
    ImageObject* img = LoadImageObject(type, resId);
    delete back_;
    back_ = img;
    return 0;
}

int ProgressUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_) return 0;
    DrawImageUnscaled(g, back_, rect_.left, rect_.top, 0, 0, Width(), Height());
    if (!frontImage_) return 0;
    int fl = front_.left, ft = front_.top, fh = front_.bottom - front_.top;
    int iw = int(frontImage_->GetWidth()), ih = int(frontImage_->GetHeight());
    DrawImageUnscaled(g, frontImage_, fl, ft, 0, 0, spl_, fh);
    float fill = float(front_.right - fl - spl_ - spr_) / 100.0f * float(pos_);
    DrawImageScaledHQ(g, frontImage_, float(fl + spl_), float(ft), fill, float(fh), float(spl_), 0,
                      float(iw - spl_ - spr_), float(ih));
    // The right cap overlaps the end of the fill by one pixel.
    DrawImageUnscaled(g, frontImage_, int(fill + float(fl + spl_) - 1.0f), ft, iw - spr_, 0, spr_,
                      ih);
    return 0;
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

void ProgressUIObjectImpl::SetFrontImage(const wchar_t* type, UINT resId) {
    ImageObject* img = LoadImageObject(type, resId);
    delete frontImage_;
    frontImage_ = img;
}

void ProgressUIObjectImpl::Step() {
    if (pos_ < 100) ++pos_;
}

// Picture: the whole image stretched into the rectangle.
PictureUIObjectImpl::PictureUIObjectImpl() : image_(nullptr) {}

PictureUIObjectImpl::~PictureUIObjectImpl() {
    delete image_;
}

HRESULT PictureUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    ControlUIObjectImpl::Create(owner, rect, resId, type);
    ImageObject* img = LoadImageObject(type, resId);
    delete image_;
    image_ = img;
    return 0;
}

int PictureUIObjectImpl::Draw(Gdiplus::Graphics* g) {
    if (!visible_ || !image_) return 0;
    DrawImageScaledHQ(g, image_, float(rect_.left), float(rect_.top), float(Width()),
                      float(Height()), 0, 0, float(image_->GetWidth()),
                      float(image_->GetHeight()));
    return 0;
}

}  // namespace ORBUE
