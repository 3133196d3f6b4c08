// The basic controls: button, label, link label, check box, progress bar, picture.
#pragma once

#include <string>

#include "orbimageobject.h"
#include "orbuidraw.h"
#include "orbuiobject.h"

namespace ORBUE {

// Image button; its strip holds four rect-sized cells: Normal, Hover, Pressed, Disabled.
class ButtonUIObjectImpl : public ControlUIObjectImpl {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
    ButtonUIObjectImpl();
    ~ButtonUIObjectImpl() override;

    int Draw(Gdiplus::Graphics* graphics) override;
    // Throws HRESULT E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    bool IsEnabled() const override;          // state != Disabled
    void SetEnabled(bool enabled) override;   // Disabled / Normal
    LRESULT OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseLeave(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    void RequestFocus() override;
    void ReleaseFocus() override;
    void RequestCapture() override;
    void ReleaseCapture() override;

    void SetAction(UINT code);  // action message := WM_USER + code
    UINT GetAction() const { return action_; }
    int GetState() const { return state_; }
    // Optional caption drawn centred over the image (one pixel lower while pressed), so
    // the artwork needs no words.
    void SetText(const std::wstring& text) { text_ = text; }
    const std::wstring& GetText() const { return text_; }
    void SetTextColor(int r, int g, int b) { style_.SetColor(r, g, b); }
    void SetFont(const std::wstring& face, int size, bool bold) { style_.SetFont(face.c_str(), float(size), bold); }

private:
    bool Reacts() const { return visible_ && state_ != kDisabled; }
    std::wstring text_;
    TextStyle style_;
    ImageObject* image_;
    int state_;
    UINT action_;
    bool pressedInside_;
    bool pointerOver_;
};

// Static text drawn at (left, top), or centred in its rectangle, not clipped to it.
class LabelUIObjectImpl : public ControlUIObjectImpl {
public:
    ~LabelUIObjectImpl() override;
    int Draw(Gdiplus::Graphics* graphics) override;
    // Takes no image: throws HRESULT E_FAIL when resId is not 0.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;

    void SetText(const std::wstring& text);
    const std::wstring& GetText() const { return text_; }
    void SetTextColor(int r, int g, int b);
    // Unknown face: the generic sans-serif family.
    void SetFont(const std::wstring& face, int size, bool bold);
    // Centred text keeps its place whatever the length of a translation.
    void SetCentred(bool centred) { centred_ = centred; }

protected:
    bool centred_ = false;
    std::wstring text_;
    TextStyle style_;
    int extraStyle_ = 0;  // added to the font style (underline for links)
};

// Underlined clickable text with the hand cursor.
class LinkLabelUIObjectImpl : public LabelUIObjectImpl {
public:
    LinkLabelUIObjectImpl();
    ~LinkLabelUIObjectImpl() override;

    LRESULT OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseLeave(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnSetCursor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled, int x,
                        int y) override;
    void RequestFocus() override;
    void ReleaseFocus() override;
    void RequestCapture() override;
    void ReleaseCapture() override;

    // SetFont of a link always adds underline.
    void SetAction(UINT code);
    UINT GetAction() const { return action_; }

private:
    bool Reacts() const { return visible_ && enabled_; }
    HCURSOR cursor_;
    UINT action_;
    bool pressedInside_;
    bool pointerOver_;
};

// Image check box with an optional label. States (= strip cells): 0 unchecked, 1
// unchecked disabled, 2 unchecked hover, 3 checked, 4 checked disabled, 5 checked hover.
class CheckBoxUIObjectImpl : public ControlUIObjectImpl {
public:
    CheckBoxUIObjectImpl();
    ~CheckBoxUIObjectImpl() override;

    int Draw(Gdiplus::Graphics* graphics) override;
    // Throws HRESULT E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    void SetRect(int left, int top, int right, int bottom) override;  // moves box and label
    bool IsEnabled() const override;          // state is neither 1 nor 4
    void SetEnabled(bool enabled) override;
    LRESULT OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseLeave(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    void RequestFocus() override;
    void ReleaseFocus() override;
    void RequestCapture() override;
    void ReleaseCapture() override;

    void SetCheckRect(const RECT& rect);
    void SetLabelRect(const RECT& rect);
    void SetText(const std::wstring& text);
    const std::wstring& GetText() const { return text_; }
    void SetTextColor(int r, int g, int b);
    void SetFont(const std::wstring& face, int size, bool bold);
    void SetAction(UINT code);
    UINT GetAction() const { return action_; }
    void SetChecked(bool checked);  // drops a hover look
    bool IsChecked() const { return state_ > 2; }
    int GetState() const { return state_; }

private:
    bool Reacts() const { return visible_ && IsEnabled(); }
    RECT rectChk_;
    RECT rectLbl_;
    ImageObject* image_;
    std::wstring text_;
    TextStyle style_;
    int state_;
    UINT action_;
    bool pressedInside_;
    bool pointerOver_;
};

// Image progress bar: back image, front image with fixed caps and a stretched middle.
class ProgressUIObjectImpl : public ControlUIObjectImpl {
public:
    ProgressUIObjectImpl();
    ~ProgressUIObjectImpl() override;

    int Draw(Gdiplus::Graphics* graphics) override;
    // Throws HRESULT E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    // Moves both rectangles by the top-left displacement; right and bottom are unused.
    void SetRect(int left, int top, int right, int bottom) override;

    void SetFront(const RECT& front, int spl, int spr);
    // Replaces the front image; throws HRESULT E_FAIL when resId is 0 or missing.
    void SetFrontImage(const wchar_t* type, UINT resId);
    void Step();  // +1, never above 100
    int GetPos() const { return pos_; }
    RECT GetFrontRect() const { return front_; }

private:
    RECT front_;
    ImageObject* back_;
    ImageObject* frontImage_;
    int spl_;
    int spr_;
    int pos_;
};

// An image stretched (high-quality bicubic) into the rectangle.
class PictureUIObjectImpl : public ControlUIObjectImpl {
public:
    PictureUIObjectImpl();
    ~PictureUIObjectImpl() override;

    int Draw(Gdiplus::Graphics* graphics) override;
    // Throws HRESULT E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;

protected:
    ImageObject* image_;
};

}  // namespace ORBUE
