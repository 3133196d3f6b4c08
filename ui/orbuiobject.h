// The interface of every windowless UI object. Objects talk back to their owner window
// only through window messages (orbuimessages.h) with themselves in lParam.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <string>
#include <wchar.h>

#include "orbuimessages.h"

namespace ORBUE {

class ContainerUIObjectImpl;

// A mouse event in the owner's client coordinates.
struct MouseEvent {
    POINT point;
    UINT buttons;    // MK_LBUTTON, MK_RBUTTON, MK_MBUTTON held
    UINT modifiers;  // MK_SHIFT, MK_CONTROL held

    // From a mouse message's wParam (key state) and lParam (point).
    static MouseEvent FromMessage(WPARAM wParam, LPARAM lParam) {
        const UINT keys = static_cast<UINT>(wParam);
        return {ORBPointFromLParam(lParam), keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON),
                keys & (MK_SHIFT | MK_CONTROL)};
    }
    static MouseEvent At(int x, int y) { return {{x, y}, 0, 0}; }
    // The message parameters again, for code that speaks window messages.
    WPARAM KeyState() const { return buttons | modifiers; }
    LPARAM PointParam() const { return MAKELPARAM(point.x, point.y); }
};

class IORBBaseUIObject {
public:
    virtual ~IORBBaseUIObject() {}
    // Paints into the off-screen graphics; invisible objects draw nothing.
    virtual void Draw(Gdiplus::Graphics* graphics) = 0;
    // Stores owner and rect and loads image (resId, type). E_FAIL when the class needs an
    // image and resId is 0 or the resource is missing, and for labels when resId is not 0.
    virtual HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) = 0;
    virtual RECT* GetRect(RECT* out) const = 0;
    virtual void SetRect(int left, int top, int right, int bottom) = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsEnabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual HWND GetOwnerWindow() const = 0;
    // Mouse input; true when the object consumed the event.
    virtual bool OnLButtonDown(const MouseEvent& e) = 0;
    virtual bool OnLButtonUp(const MouseEvent& e) = 0;
    virtual bool OnMouseLeave(const MouseEvent& e) = 0;
    virtual bool OnMouseHover(const MouseEvent& e) = 0;
    virtual bool OnMouseMove(const MouseEvent& e) = 0;
    // True when the object set the cursor for the pointer at pt.
    virtual bool OnSetCursor(POINT pt) = 0;
    // The window gave the capture to another object. Only the text box reacts.
    virtual void OnCaptureLost() = 0;
    virtual void RequestFocus() = 0;    // ORBUM_SETFOCUS to the owner
    virtual void ReleaseFocus() = 0;    // ORBUM_KILLFOCUS
    virtual void RequestCapture() = 0;  // ORBUM_SETCAPTURE
    virtual void ReleaseCapture() = 0;  // ORBUM_RELEASECAPTURE
    virtual const std::wstring& GetName() const = 0;
    virtual void SetName(const std::wstring& name) = 0;
    // A raw message routed to the capture or focus object; nonzero = consumed.
    virtual LRESULT ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;

    // What the object says about itself, so that the tree walks (focus order, screen
    // readers, placeholders, DPI) need not know the classes.
    // The exact class as its layout element name ("CheckBox"): finding objects by class.
    virtual const wchar_t* Kind() const = 0;
    // The object as a container with children; null for a control.
    virtual ContainerUIObjectImpl* AsContainer() = 0;
    virtual const ContainerUIObjectImpl* AsContainer() const = 0;
    // The text it shows (caption, label, contents); empty, and SetText does nothing, for an
    // object without one.
    virtual std::wstring GetText() const = 0;
    virtual void SetText(const std::wstring& text) = 0;
    // Whether the keyboard focus may come here while visible and enabled, and whether it is here.
    virtual bool Focusable() const = 0;
    virtual bool HasFocus() const = 0;
    // Tab brought the focus: show the focus mark (only controls that draw one react).
    virtual void ShowFocusMark() = 0;
    // True while a focus mark is to be drawn around the object.
    virtual bool FocusMarkShown() const = 0;
    // The action notification's message (WM_USER + code), 0 without one.
    virtual UINT GetAction() const = 0;
    // What a click does (Space, Enter, a screen reader's default action); nothing when the
    // object has no action of its own.
    virtual void Activate() = 0;
    // The owner's scale changed: objects that hand window pixels to others take it up.
    virtual void ApplyScale() = 0;
    // Screen readers: its role (a ROLE_SYSTEM_ value; 0: not exposed), the state bits of its
    // kind, its value (false: none), the name of its default action (null: none).
    virtual LONG AccessibleRole() const = 0;
    virtual LONG AccessibleState() const = 0;
    virtual bool AccessibleValue(std::wstring* value) const = 0;
    virtual const wchar_t* AccessibleAction() const = 0;
    // What a screen reader calls it: the layout's `accname`, else its text, else its name.
    virtual std::wstring AccessibleName() const = 0;
    virtual const std::wstring& GetAccessibleName() const = 0;
    virtual void SetAccessibleName(const std::wstring& name) = 0;
};

// The object as T when its exact class is T (by Kind), else null.
template <class T>
T* AsKind(IORBBaseUIObject* object) {
    return object && wcscmp(object->Kind(), T::kKind) == 0 ? static_cast<T*>(object) : nullptr;
}

// Common state and default behaviour of every object: rectangle, owner, visible and
// enabled flags, name. Mouse events are not consumed, focus and capture requests send
// nothing, ProcessMessage returns 0.
class UIObjectImpl : public IORBBaseUIObject {
public:
    UIObjectImpl() = default;
    ~UIObjectImpl() override = default;

    void Draw(Gdiplus::Graphics*) override {}
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    RECT* GetRect(RECT* out) const override;
    void SetRect(int left, int top, int right, int bottom) override;
    bool IsVisible() const override { return visible_; }
    void SetVisible(bool visible) override;   // hiding calls ReleaseFocus first
    bool IsEnabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override;   // disabling calls ReleaseFocus first
    HWND GetOwnerWindow() const override { return owner_; }
    bool OnLButtonDown(const MouseEvent&) override { return false; }
    bool OnLButtonUp(const MouseEvent&) override { return false; }
    bool OnMouseLeave(const MouseEvent&) override { return false; }
    bool OnMouseHover(const MouseEvent&) override { return false; }
    bool OnMouseMove(const MouseEvent&) override { return false; }
    bool OnSetCursor(POINT) override { return false; }
    void OnCaptureLost() override {}
    void RequestFocus() override {}
    void ReleaseFocus() override {}
    void RequestCapture() override {}
    void ReleaseCapture() override {}
    const std::wstring& GetName() const override { return name_; }
    void SetName(const std::wstring& name) override { name_ = name; }
    LRESULT ProcessMessage(UINT, WPARAM, LPARAM) override { return 0; }
    // No children, no text, no focus, no action, not exposed to screen readers.
    ContainerUIObjectImpl* AsContainer() override { return nullptr; }
    const ContainerUIObjectImpl* AsContainer() const override { return nullptr; }
    std::wstring GetText() const override { return std::wstring(); }
    void SetText(const std::wstring&) override {}
    bool Focusable() const override { return false; }
    bool HasFocus() const override { return false; }
    void ShowFocusMark() override {}
    bool FocusMarkShown() const override { return false; }
    UINT GetAction() const override { return 0; }
    void Activate() override {}
    void ApplyScale() override {}
    LONG AccessibleRole() const override { return 0; }
    LONG AccessibleState() const override { return 0; }
    bool AccessibleValue(std::wstring*) const override { return false; }
    const wchar_t* AccessibleAction() const override { return nullptr; }
    std::wstring AccessibleName() const override;
    // What a screen reader calls the object instead of its text (layout `accname`).
    const std::wstring& GetAccessibleName() const override { return accName_; }
    void SetAccessibleName(const std::wstring& name) override { accName_ = name; }

protected:
    // SendMessageW(owner, msg, wParam, this as IORBBaseUIObject*); result ignored.
    void SendToOwner(UINT msg, WPARAM wParam);
    int Width() const { return rect_.right - rect_.left; }
    int Height() const { return rect_.bottom - rect_.top; }

    RECT rect_ = {};
    HWND owner_ = nullptr;
    bool visible_ = true;
    bool enabled_ = true;
    std::wstring name_;
    std::wstring accName_;
};

// The pointer, press and focus handling shared by the controls a user clicks: buttons,
// check boxes, links. A press and a release inside activate the control; leaving the
// control cancels the press.
class ClickableUIObjectImpl : public UIObjectImpl {
public:
    bool OnLButtonDown(const MouseEvent& e) override;
    bool OnLButtonUp(const MouseEvent& e) override;
    bool OnMouseLeave(const MouseEvent& e) override;
    bool OnMouseHover(const MouseEvent& e) override;
    bool OnMouseMove(const MouseEvent& e) override;
    void RequestFocus() override;
    void ReleaseFocus() override;
    void RequestCapture() override;
    void ReleaseCapture() override;

    // What a click does, and what a key will do: the control's own change (Perform),
    // then the action notification to the owner. Nothing without an action.
    void Activate() override;
    void SetAction(UINT code) { action_ = WM_USER + code; }  // notification WM_USER + code
    UINT GetAction() const override { return action_; }
    bool Focusable() const override { return true; }
    bool HasFocus() const override { return focused_; }
    // The focus mark shows while the focus came from the keyboard (a click shows none) and
    // the control can still take it; losing the focus hides it.
    void ShowFocusMark() override { markShown_ = focused_; }
    bool FocusMarkShown() const override { return focused_ && markShown_ && Reacts(); }

protected:
    bool Reacts() const { return visible_ && IsEnabled(); }
    // The control's change on activation; returns the notification's wParam.
    virtual WPARAM Perform() { return 0; }
    // The looks of the pointer states.
    virtual void ShowNormal() {}
    virtual void ShowHover() {}
    virtual void ShowPressed() {}

    bool pointerOver_ = false;
    bool pressedInside_ = false;

private:
    UINT action_ = 0;
    bool focused_ = false;
    bool markShown_ = false;
};

}  // namespace ORBUE
