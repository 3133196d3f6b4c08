// The basic controls: button, label, link label, check box, progress bar, picture.
#pragma once

#include <memory>
#include <string>

#include "orbimageobject.h"
#include "orbuidraw.h"
#include "orbuiobject.h"

namespace ORBUE {

// Image button; its strip holds four rect-sized cells: Normal, Hover, Pressed, Disabled.
class ButtonUIObjectImpl : public ClickableUIObjectImpl {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
    static constexpr const wchar_t* kKind = L"Button";
    ButtonUIObjectImpl();
    ~ButtonUIObjectImpl() override;
    const wchar_t* Kind() const override { return kKind; }

    void Draw(Gdiplus::Graphics* graphics) override;
    // E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    bool IsEnabled() const override;          // state != Disabled
    void SetEnabled(bool enabled) override;   // Disabled / Normal
    int GetState() const { return state_; }
    // Optional caption drawn centred over the image (one pixel lower while pressed), so
    // the artwork needs no words.
    void SetText(const std::wstring& text) override { text_ = text; }
    std::wstring GetText() const override { return text_; }
    LONG AccessibleRole() const override;
    const wchar_t* AccessibleAction() const override;  // "Press" with an action
    void SetTextColor(int r, int g, int b) { style_.SetColor(r, g, b); }
    void SetFont(const std::wstring& face, int size, bool bold) { style_.SetFont(face.c_str(), float(size), bold); }

protected:
    void ShowNormal() override { state_ = kNormal; }
    void ShowHover() override { state_ = kHover; }
    void ShowPressed() override { state_ = kPressed; }

private:
    std::unique_ptr<ImageObject> image_;
    std::wstring text_;
    TextStyle style_;
    int state_;
};

// Text drawn at (left, top), or centred in its rectangle, not clipped to it; Base gives
// the behaviour.
template <class Base>
class TextUIObjectImpl : public Base {
public:
    void Draw(Gdiplus::Graphics* g) override {
        if (!this->visible_) return;
        const RECT& r = this->rect_;
        if (centred_)
            style_.DrawCentred(g, text_.c_str(), float(r.left), float(r.top), float(r.right - r.left),
                               float(r.bottom - r.top));
        else
            style_.Draw(g, text_.c_str(), float(r.left), float(r.top));
    }
    // Takes no image: E_FAIL when resId is not 0.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override {
        if (resId != 0) return E_FAIL;
        return Base::Create(owner, rect, resId, type);
    }
    void SetText(const std::wstring& text) override { text_ = text; }
    std::wstring GetText() const override { return text_; }
    void SetTextColor(int r, int g, int b) { style_.SetColor(r, g, b); }
    // Unknown face: the system's message font, then the generic sans-serif family.
    void SetFont(const std::wstring& face, int size, bool bold) {
        style_.SetFont(face.c_str(), float(size), bold, extraStyle_);
    }
    // Centred text keeps its place whatever the length of a translation.
    void SetCentred(bool centred) { centred_ = centred; }

protected:
    bool centred_ = false;
    std::wstring text_;
    TextStyle style_;
    int extraStyle_ = 0;  // added to the font style (underline for links)
};

// Static text: read-only to screen readers.
class LabelUIObjectImpl : public TextUIObjectImpl<UIObjectImpl> {
public:
    static constexpr const wchar_t* kKind = L"Label";
    const wchar_t* Kind() const override { return kKind; }
    LONG AccessibleRole() const override;
    LONG AccessibleState() const override;
};

// Underlined clickable text with the hand cursor.
class LinkLabelUIObjectImpl : public TextUIObjectImpl<ClickableUIObjectImpl> {
public:
    static constexpr const wchar_t* kKind = L"LinkLabel";
    LinkLabelUIObjectImpl();
    const wchar_t* Kind() const override { return kKind; }
    bool OnSetCursor(POINT pt) override;
    LONG AccessibleRole() const override;
    LONG AccessibleState() const override;              // linked
    const wchar_t* AccessibleAction() const override;  // "Jump" with an action

private:
    HCURSOR cursor_;
};

// Image check box with an optional label. States (= strip cells): 0 unchecked, 1
// unchecked disabled, 2 unchecked hover, 3 checked, 4 checked disabled, 5 checked hover.
// Activation toggles it and notifies with the new state (1 checked) in wParam.
class CheckBoxUIObjectImpl : public ClickableUIObjectImpl {
public:
    static constexpr const wchar_t* kKind = L"CheckBox";
    CheckBoxUIObjectImpl();
    ~CheckBoxUIObjectImpl() override;
    const wchar_t* Kind() const override { return kKind; }

    void Draw(Gdiplus::Graphics* graphics) override;
    // E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    void SetRect(int left, int top, int right, int bottom) override;  // moves box and label
    bool IsEnabled() const override;          // state is neither 1 nor 4
    void SetEnabled(bool enabled) override;

    void SetCheckRect(const RECT& rect);
    void SetLabelRect(const RECT& rect);
    void SetText(const std::wstring& text) override;
    std::wstring GetText() const override { return text_; }
    void SetTextColor(int r, int g, int b);
    void SetFont(const std::wstring& face, int size, bool bold);
    void SetChecked(bool checked);  // drops a hover look
    bool IsChecked() const { return state_ > 2; }
    int GetState() const { return state_; }
    LONG AccessibleRole() const override;
    LONG AccessibleState() const override;              // checked
    const wchar_t* AccessibleAction() const override;  // "Check" / "Uncheck" with an action

protected:
    WPARAM Perform() override;
    void ShowNormal() override { state_ = IsChecked() ? 3 : 0; }
    void ShowHover() override { state_ = IsChecked() ? 5 : 2; }

private:
    RECT rectChk_;
    RECT rectLbl_;
    std::unique_ptr<ImageObject> image_;
    std::wstring text_;
    TextStyle style_;
    int state_;
};

// Image progress bar: back image, front image with fixed caps and a stretched middle.
class ProgressUIObjectImpl : public UIObjectImpl {
public:
    static constexpr const wchar_t* kKind = L"Progress";
    ProgressUIObjectImpl();
    ~ProgressUIObjectImpl() override;
    const wchar_t* Kind() const override { return kKind; }

    void Draw(Gdiplus::Graphics* graphics) override;
    // E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    // Moves both rectangles by the top-left displacement; right and bottom are unused.
    void SetRect(int left, int top, int right, int bottom) override;

    void SetFront(const RECT& front, int spl, int spr);
    // Replaces the front image; E_FAIL (the old one kept) when resId is 0 or missing.
    HRESULT SetFrontImage(const wchar_t* type, UINT resId);
    void Step();  // +1, never above 100
    int GetPos() const { return pos_; }
    RECT GetFrontRect() const { return front_; }
    LONG AccessibleRole() const override;
    LONG AccessibleState() const override;                  // read-only
    bool AccessibleValue(std::wstring* value) const override;  // "42%"

private:
    RECT front_;
    std::unique_ptr<ImageObject> back_;
    std::unique_ptr<ImageObject> frontImage_;
    int spl_;
    int spr_;
    int pos_;
};

// An image stretched (high-quality bicubic) into the rectangle.
class PictureUIObjectImpl : public UIObjectImpl {
public:
    static constexpr const wchar_t* kKind = L"Picture";
    PictureUIObjectImpl();
    ~PictureUIObjectImpl() override;
    const wchar_t* Kind() const override { return kKind; }

    void Draw(Gdiplus::Graphics* graphics) override;
    // E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;

protected:
    std::unique_ptr<ImageObject> image_;
};

}  // namespace ORBUE
