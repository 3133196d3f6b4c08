// The text box: the one UI object that takes keyboard input. Plain text edited by the
// windowless rich-edit text services behind a CTxtWinHost, drawn into the off-screen
// image like every other object.
#pragma once

#include <memory>
#include <string>

#include "orbimageobject.h"
#include "orbtxtwinhost.h"
#include "orbuiobject.h"

namespace ORBUE {

class TextBoxUIObjectImpl : public UIObjectImpl, private ITxHostOwner {
public:
    enum State { kNormal = 0, kHot = 1, kDisabled = 2 };  // also the image cell
    static constexpr const wchar_t* kKind = L"TextBox";
    TextBoxUIObjectImpl();
    // Deactivates the text services and ends the host.
    ~TextBoxUIObjectImpl() override;
    const wchar_t* Kind() const override { return kKind; }

    // Background cell of the state, then the text over the text area, then the caret.
    void Draw(Gdiplus::Graphics* graphics) override;
    // E_FAIL when resId is 0 or the image resource is missing.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    // The client rectangle keeps its proportion and stays centred.
    void SetRect(int left, int top, int right, int bottom) override;
    void SetVisible(bool visible) override;
    bool IsEnabled() const override;          // state != kDisabled
    void SetEnabled(bool enabled) override;   // greyed text, third image cell
    // Mouse events go on to the text services as their window messages.
    bool OnLButtonDown(const MouseEvent& e) override;
    bool OnLButtonUp(const MouseEvent& e) override;
    bool OnMouseLeave(const MouseEvent& e) override;
    bool OnMouseHover(const MouseEvent& e) override;
    bool OnMouseMove(const MouseEvent& e) override;
    bool OnSetCursor(POINT pt) override;  // the text services' cursor over the text area
    void OnCaptureLost() override;
    void RequestFocus() override;
    void ReleaseFocus() override;
    void RequestCapture() override;
    void ReleaseCapture() override;
    // IME composition placement, caret ticks, and forwarding to the text services.
    LRESULT ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    void SetClientRect(const RECT& rect);
    // The text services work in window pixels: gives them the text area and the font at the
    // owner's current scale (WindowScale) again, after it changed.
    void ApplyScale() override;
    RECT GetClientRect() const { return client_; }
    // Creates the host and the text services once. kTextServicesMissing when the system
    // has none, E_FAIL when they cannot be made or activated; the box stays inert then.
    HRESULT CreateTextHost();
    void SetTextColor(int r, int g, int b);
    // Face (at most 31 characters), size in points (clamped to 0..1000), bold.
    void SetFont(const std::wstring& face, int size, bool bold);
    void SetMaxLength(int n);  // 0 (or below) means 65536
    void SetMultiLine(bool multiLine);
    void SetText(const std::wstring& text) override;
    std::wstring GetText() const override;  // empty before the text services exist

    bool IsCreated() const { return created_; }
    bool IsFocused() const { return focused_; }
    bool Focusable() const override { return created_; }
    bool HasFocus() const override { return focused_; }
    LONG AccessibleRole() const override;
    LONG AccessibleState() const override;                     // read-only, protected
    bool AccessibleValue(std::wstring* value) const override;  // none for a password box
    // A box is named by its `accname` or its layout name, never by what was typed into it.
    std::wstring AccessibleName() const override;
    bool IsCaretShown() const { return caretShown_; }
    bool IsMultiLine() const { return multiLine_; }
    int GetState() const { return state_; }
    DWORD GetMaxLength() const;
    CTxtWinHost* host() const { return host_.get(); }
    RECT TextArea() const;  // client rectangle shrunk by 5 pixels

private:
    // The text services ask for the mouse capture or the keyboard focus.
    void TxOwnerSetCapture(bool capture) override;
    void TxOwnerSetFocus() override;
    DWORD PropertyBits(DWORD mask) const;
    bool Reacts() const { return created_ && visible_ && state_ != kDisabled; }
    // Calls the host's message procedure; *handled unless the answer is kTxNotHandled.
    LRESULT Forward(UINT msg, WPARAM wParam, LPARAM lParam, bool* handled);
    bool ForwardMouse(UINT msg, const MouseEvent& e);
    LRESULT SendToServices(UINT msg, WPARAM wParam, LPARAM lParam);
    float Scale() const;
    // The services' client rectangle: the text area in window pixels plus the host's inset.
    RECT HostRect() const;
    void ApplyFont();

    RECT client_;
    bool caretShown_;
    bool pointerOver_;
    bool focused_;
    bool created_;
    bool lButtonDown_;
    bool multiLine_;
    int state_;
    std::wstring face_;
    int size_ = 0;
    bool bold_ = false;
    ORBComPtr<CTxtWinHost> host_;
    std::unique_ptr<ImageObject> image_;
};

}  // namespace ORBUE
