// What the three installer dialogs share: a borderless layered window whose surface is a
// tree of UI objects built from one <Dlg> element, redrawn every 66 ms, with mouse,
// capture, focus, caret and animation timers routed to the objects.
#pragma once

#include <windows.h>

#include <map>

#include "orbcarousel.h"
#include "orbcontainer.h"
#include "orbdialogimpl.h"
#include "orbhandle.h"
#include "orbmessageloop.h"
#include "orbresourceids.h"
#include "orbuimessages.h"
#include "orbuiobjectmanager.h"
#include "pugixml.hpp"

// What differs between the dialogs in the shared handling.
struct ORBSkinDialogTraits {
    // Text boxes: IME messages go to the focus object, a capture request captures the
    // system mouse, and losing the focus also ends an object's capture.
    bool textInput;
    // Animated objects may start window timers.
    bool animations;
    // Animation timer changes are logged.
    bool logAnimationTimers;
};

class ORBSkinDialog : public ORBDialogImpl, public ORBMessageFilter {
public:
    ORBSkinDialog(const pugi::xml_node& dlg, const ORBSkinDialogTraits& traits);
    ~ORBSkinDialog() override;

    // Creates the window from template 129 (no owner) and shows it normally; false when
    // the window cannot be created.
    bool CreateAndShow();

    // True once the dialog's UI tree was built (a dialog without it ends with 0 at once).
    bool TreeBuilt() const { return treeBuilt_; }

    // The dialog's keys (Tab, Shift+Tab, Space, Enter, Esc) are handled here; other
    // keyboard messages pass to the focus object; the caret timer passes and posts
    // ORBUM_CARETTICK; the rest goes through dialog-message processing for this window.
    BOOL PreTranslateMessage(MSG* msg) override;

    ORB_BEGIN_MSG_MAP()
        ORB_MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        ORB_MESSAGE_HANDLER(WM_NCCALCSIZE, OnNcCalcSize)
        ORB_MESSAGE_HANDLER(WM_COMMAND, OnCommand)
        ORB_MESSAGE_HANDLER(WM_CLOSE, OnClose)
        ORB_MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        ORB_MESSAGE_HANDLER(WM_TIMER, OnTimer)
        ORB_MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        ORB_MESSAGE_HANDLER(WM_LBUTTONDOWN, OnMouseButton)
        ORB_MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnMouseButton)
        ORB_MESSAGE_HANDLER(WM_LBUTTONUP, OnMouseButton)
        ORB_MESSAGE_HANDLER(WM_MOUSEHOVER, OnMouseButton)
        ORB_MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
        ORB_MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        ORB_MESSAGE_HANDLER(WM_GETOBJECT, OnGetObject)
        ORB_MESSAGE_HANDLER(kWmDpiChanged, OnDpiChanged)
        ORB_MESSAGE_HANDLER(ORBUM_SETCAPTURE, OnSetCapture)
        ORB_MESSAGE_HANDLER(ORBUM_RELEASECAPTURE, OnReleaseCapture)
        ORB_MESSAGE_HANDLER(ORBUM_SETFOCUS, OnSetFocusObject)
        ORB_MESSAGE_HANDLER(ORBUM_KILLFOCUS, OnKillFocusObject)
        ORB_MESSAGE_HANDLER(ORBUM_SETANIMATIONTIMER, OnSetAnimationTimer)
        ORB_MESSAGE_HANDLER(ORBUM_KILLANIMATIONTIMER, OnKillAnimationTimer)
        ORB_MESSAGE_HANDLER(ORBUM_FRAMECOUNT, OnFrameCount)
    ORB_END_MSG_MAP()

protected:
    // The dialog's own start-up, after the tree was built and before the first frame.
    virtual void OnStart() {}
    // After the placeholders were filled and the first frame drawn: work that holds the
    // engine for long (the install hook) starts here, once the dialog reads no more globals.
    virtual void OnShown() {}
    // The dialog's own part of the close routine, run first.
    virtual void OnClosing() {}
    // A window timer that is neither the redraw nor an animation timer.
    virtual void OnOwnTimer(UINT_PTR) {}
    // The action codes Enter runs when the focus is on no control that takes it (the
    // first present, visible and enabled one), and the one Esc runs; 0: none.
    virtual UINT DefaultAction() const { return 0; }
    virtual UINT FallbackDefaultAction() const { return 0; }
    virtual UINT CloseAction() const { return 0; }

    // The close routine: dialog part, forget the objects, destroy the window, post the
    // quit code, forget the tree.
    void Close(int code);
    // One frame into the layered window.
    void Draw();

    ORBUE::ContainerUIObjectImpl* Root() const { return root_; }
    // Child container `name` of parent (null parent: null).
    static ORBUE::ContainerUIObjectImpl* FindContainerIn(ORBUE::ContainerUIObjectImpl* parent,
                                                         const wchar_t* name);
    // Control `name` of parent when its class is exactly T, else null.
    template <class T>
    static T* FindControlIn(ORBUE::ContainerUIObjectImpl* parent, const wchar_t* name) {
        return parent ? ORBUE::AsKind<T>(parent->FindControl(name)) : nullptr;
    }
    // Every check box of the tree, in collection order, published as booleans.
    void PublishCheckBoxes();

    pugi::xml_node dlg_;
    const ORBSkinDialogTraits traits_;

private:
    bool treeBuilt_ = false;
    BOOL RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool IsFocusMessage(UINT msg) const;
    // True when the key press was the dialog's own (focus move, activation, Enter, Esc).
    bool HandleKey(WPARAM key, LPARAM flags);
    // Activates the control with this action code, if one takes the focus; false if none.
    bool RunAction(UINT code);
    // The tree works in layout units: window pixels divided by the window's scale.
    ORBUE::MouseEvent LayoutEvent(WPARAM wParam, LPARAM lParam) const;
    bool InsideRoot(POINT layoutPoint) const;
    void SetUpWindow();
    void CentreOnWorkArea();

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNcCalcSize(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    LRESULT OnClose(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnMouseMove(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnMouseButton(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnMouseLeave(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    // Screen readers: the skin's controls as the client area's accessible children.
    LRESULT OnGetObject(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);

    // The window moved to a monitor of another DPI: new scale, the suggested rectangle.
    LRESULT OnDpiChanged(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    static constexpr UINT kWmDpiChanged = 0x02E0;  // WM_DPICHANGED, absent from older headers
    LRESULT OnSetCapture(UINT, WPARAM, LPARAM lParam, BOOL&);
    LRESULT OnReleaseCapture(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSetFocusObject(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnKillFocusObject(UINT, WPARAM, LPARAM lParam, BOOL&);
    LRESULT OnSetAnimationTimer(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnKillAnimationTimer(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnFrameCount(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);

    ORBUE::ContainerUIObjectImpl* root_ = nullptr;  // tree_'s root while the window runs
    ORBUE::IORBBaseUIObject* capture_ = nullptr;
    unsigned frames_ = 0;  // frames drawn
    ORBUE::IORBBaseUIObject* focus_ = nullptr;
    std::map<UINT_PTR, ORBUE::IORBBaseAnimationObject*> animations_;
    ORBIcon bigIcon_;
    ORBIcon smallIcon_;
    ORBUE::UITree tree_;  // the dialog's objects
};
