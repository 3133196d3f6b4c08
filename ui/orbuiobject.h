// The interface of every windowless UI object. Objects talk back to their owner window
// only through window messages (orbuimessages.h) with themselves in lParam.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <string>

#include "orbuimessages.h"

namespace ORBUE {

// Slot order matters: this is the object model's fixed interface. Mouse operations get
// the window message's msg, wParam and lParam (client point as signed 16-bit halves);
// they set *handled to nonzero when they consumed the event and return 0.
class IORBBaseUIObject {
public:
    virtual ~IORBBaseUIObject() {}                                               // 0
    // Paints into the off-screen graphics; invisible objects draw nothing. Returns 0.
    virtual int Draw(Gdiplus::Graphics* graphics) = 0;                           // 1
    // Stores owner and rect and loads image (resId, type). Returns 0; throws HRESULT
    // E_FAIL when the class needs an image and resId is 0 or the resource is missing,
    // and for labels when resId is not 0.
    virtual HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) = 0;  // 2
    virtual RECT* GetRect(RECT* out) const = 0;                                  // 3
    virtual void SetRect(int left, int top, int right, int bottom) = 0;          // 4
    virtual bool IsVisible() const = 0;                                          // 5
    virtual void SetVisible(bool visible) = 0;                                   // 6
    virtual bool IsEnabled() const = 0;                                          // 7
    virtual void SetEnabled(bool enabled) = 0;                                   // 8
    virtual HWND GetOwnerWindow() const = 0;                                     // 9
    virtual LRESULT OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) = 0;  // 10
    virtual LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) = 0;    // 11
    virtual LRESULT OnMouseLeave(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) = 0;   // 12
    virtual LRESULT OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) = 0;   // 13
    virtual LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) = 0;    // 14
    // x, y: pointer in client coordinates. Handled means the object set the cursor.
    virtual LRESULT OnSetCursor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled, int x,
                                int y) = 0;                                      // 15
    // The window gave the capture to another object (lParam). Only the text box reacts.
    virtual LRESULT OnCaptureLost(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) = 0;  // 16
    virtual void RequestFocus() = 0;    // 17: ORBUM_SETFOCUS to the owner
    virtual void ReleaseFocus() = 0;    // 18: ORBUM_KILLFOCUS
    virtual void RequestCapture() = 0;  // 19: ORBUM_SETCAPTURE
    virtual void ReleaseCapture() = 0;  // 20: ORBUM_RELEASECAPTURE
    virtual const std::wstring& GetName() const = 0;                             // 21
    virtual void SetName(const std::wstring& name) = 0;                          // 22
    // A raw message routed to the capture or focus object; nonzero = consumed.
    virtual LRESULT ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;  // 23
};

// Common state and default behaviour of the controls: rectangle, owner, visible and
// enabled flags, name. Mouse operations are "not handled", focus and capture requests
// send nothing, ProcessMessage returns 0. Clickable controls override what they need.
class ControlUIObjectImpl : public IORBBaseUIObject {
public:
    ControlUIObjectImpl();
    ~ControlUIObjectImpl() override;

    int Draw(Gdiplus::Graphics* graphics) override;
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    RECT* GetRect(RECT* out) const override;
    void SetRect(int left, int top, int right, int bottom) override;
    bool IsVisible() const override;
    void SetVisible(bool visible) override;   // hiding calls ReleaseFocus first
    bool IsEnabled() const override;
    void SetEnabled(bool enabled) override;   // disabling calls ReleaseFocus first
    HWND GetOwnerWindow() const override;
    LRESULT OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseLeave(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    LRESULT OnSetCursor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled, int x,
                        int y) override;
    LRESULT OnCaptureLost(UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) override;
    void RequestFocus() override;
    void ReleaseFocus() override;
    void RequestCapture() override;
    void ReleaseCapture() override;
    const std::wstring& GetName() const override;
    void SetName(const std::wstring& name) override;
    LRESULT ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    // SendMessageW(owner, msg, wParam, this as IORBBaseUIObject*); result ignored.
    void SendToOwner(UINT msg, WPARAM wParam);
    int Width() const { return rect_.right - rect_.left; }
    int Height() const { return rect_.bottom - rect_.top; }

    RECT rect_;
    HWND owner_;
    bool visible_;
    bool enabled_;
    std::wstring name_;
};

}  // namespace ORBUE
