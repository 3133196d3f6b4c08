#include "orbtextbox.h"

#include <imm.h>
#include <oleacc.h>
#include <oleauto.h>

#include "orbaccessible.h"
#include "orbdpi.h"
#include "orbhandle.h"
#include "orbuidraw.h"
#include "orbuiframe.h"

namespace ORBUE {

namespace {

const int kInset = 5;  // layout units here; the host keeps the same number of window pixels
const DWORD kEditStyle = ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL;  // 0x1C0
const DWORD kCaretColor = 0xFE000000;

}  // namespace

TextBoxUIObjectImpl::TextBoxUIObjectImpl()
    : client_(), caretShown_(false), pointerOver_(false), focused_(false), created_(false),
      lButtonDown_(false), multiLine_(false), state_(kNormal) {}

TextBoxUIObjectImpl::~TextBoxUIObjectImpl() {
    if (created_ && host_ && host_->GetTextServices()) host_->GetTextServices()->OnTxInPlaceDeactivate();
    image_.reset();
    if (host_) host_->Shutdown();
}

HRESULT TextBoxUIObjectImpl::Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) {
    HRESULT hr = LoadImageObject(type, resId, &image_);
    if (FAILED(hr)) return hr;
    owner_ = owner;
    rect_ = rect;
    return S_OK;
}

RECT TextBoxUIObjectImpl::TextArea() const {
    RECT rc = client_;
    InflateRect(&rc, -kInset, -kInset);
    return rc;
}

void TextBoxUIObjectImpl::Draw(Gdiplus::Graphics* graphics) {
    if (!visible_ || !created_) return;
    int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
    DrawImageUnscaled(graphics, image_.get(), rect_.left, rect_.top, state_ * w, 0, w, h);

    // GDI draws in device pixels: the text area as the graphics' transform places it.
    RECT area = DeviceArea(graphics, TextArea());
    int caretHeight = 0;
    ITextServices* services = host_->GetTextServices();
    DrawGdiOnAlpha(graphics, area, [&](HDC dc, int width, int height) {
        // The services lay out in window coordinates (their client rectangle). Bounds at
        // the origin would make them re-lay the text there, and the caret and mouse hits
        // would follow; so the bounds stay the text area and the viewport moves instead,
        // which puts the same pixels at the origin of the temporary bitmap.
        POINT old;
        SetViewportOrgEx(dc, -area.left, -area.top, &old);
        RECTL bounds = {area.left, area.top, area.left + width, area.top + height};
        RECT update = area;
        services->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc, nullptr, &bounds, nullptr, &update,
                         nullptr, 0, TXTVIEW_ACTIVE);
        SetViewportOrgEx(dc, old.x, old.y, nullptr);
        TEXTMETRICW tm;
        if (GetTextMetricsW(dc, &tm)) caretHeight = tm.tmHeight;
    });
    if (caretShown_) {
        // The caret position and height are window pixels too.
        POINT pt = {};
        GetCaretPos(&pt);
        Gdiplus::Matrix transform;
        graphics->GetTransform(&transform);
        graphics->ResetTransform();
        Gdiplus::SolidBrush brush{Gdiplus::Color(kCaretColor)};
        graphics->FillRectangle(&brush, pt.x, pt.y, ScaleLength(1, Scale()), caretHeight);
        graphics->SetTransform(&transform);
    }
}

void TextBoxUIObjectImpl::SetRect(int left, int top, int right, int bottom) {
    double oldW = rect_.right - rect_.left, oldH = rect_.bottom - rect_.top;
    double cw = client_.right - client_.left, ch = client_.bottom - client_.top;
    double newW = right - left, newH = bottom - top;
    // An empty old rectangle has no proportion to keep: the client fills the new one.
    double clientW = oldW != 0 ? cw / oldW * newW : newW;
    double clientH = oldH != 0 ? ch / oldH * newH : newH;
    double cl = left + (newW - clientW) * 0.5, ct = top + (newH - clientH) * 0.5;
    client_.left = static_cast<LONG>(cl);
    client_.top = static_cast<LONG>(ct);
    client_.right = static_cast<LONG>(cl + clientW);
    client_.bottom = static_cast<LONG>(ct + clientH);
    rect_ = {left, top, right, bottom};
}

void TextBoxUIObjectImpl::SetVisible(bool visible) {
    if (!visible) ReleaseFocus();
    visible_ = visible;
    if (created_) SendToServices(WM_SHOWWINDOW, visible, 0);
}

bool TextBoxUIObjectImpl::IsEnabled() const { return state_ != kDisabled; }

void TextBoxUIObjectImpl::SetEnabled(bool enabled) {
    if (!enabled) {
        ReleaseFocus();
        state_ = kDisabled;
    } else {
        state_ = kNormal;
    }
    if (created_) host_->SetDisabled(!enabled);
}

LRESULT TextBoxUIObjectImpl::SendToServices(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT lres = 0;
    if (host_ && host_->GetTextServices()) host_->GetTextServices()->TxSendMessage(msg, wParam, lParam, &lres);
    return lres;
}

LRESULT TextBoxUIObjectImpl::Forward(UINT msg, WPARAM wParam, LPARAM lParam, bool* handled) {
    LRESULT r = host_->TxWindowProc(owner_, msg, wParam, lParam);
    if (r == kTxNotHandled) return 0;
    *handled = true;
    return r;
}

bool TextBoxUIObjectImpl::ForwardMouse(UINT msg, const MouseEvent& e) {
    bool handled = false;
    // The tree's points are layout units; the services hit-test in window pixels.
    const POINT pt = ScalePoint(e.point, Scale());
    Forward(msg, e.KeyState(), MAKELPARAM(pt.x, pt.y), &handled);
    return handled;
}

float TextBoxUIObjectImpl::Scale() const { return WindowScale(owner_); }

RECT TextBoxUIObjectImpl::HostRect() const {
    RECT rc = ScaleRect(TextArea(), Scale());
    InflateRect(&rc, kInset, kInset);
    return rc;
}

void TextBoxUIObjectImpl::ApplyScale() {
    if (!created_) return;
    host_->SetClientRect(HostRect());
    ApplyFont();
}

bool TextBoxUIObjectImpl::OnMouseMove(const MouseEvent& e) {
    if (!Reacts()) return false;
    state_ = kHot;
    pointerOver_ = true;
    return ForwardMouse(WM_MOUSEMOVE, e);
}

bool TextBoxUIObjectImpl::OnMouseHover(const MouseEvent& e) {
    if (!Reacts()) return false;
    return ForwardMouse(WM_MOUSEHOVER, e);
}

bool TextBoxUIObjectImpl::OnMouseLeave(const MouseEvent& e) {
    if (!Reacts() || !pointerOver_) return false;
    pointerOver_ = false;
    state_ = focused_ ? kHot : kNormal;
    return ForwardMouse(WM_MOUSELEAVE, e);
}

bool TextBoxUIObjectImpl::OnLButtonDown(const MouseEvent& e) {
    if (!Reacts()) return false;
    lButtonDown_ = true;
    return ForwardMouse(WM_LBUTTONDOWN, e);
}

bool TextBoxUIObjectImpl::OnLButtonUp(const MouseEvent& e) {
    if (!Reacts()) return false;
    lButtonDown_ = false;
    return ForwardMouse(WM_LBUTTONUP, e);
}

bool TextBoxUIObjectImpl::OnSetCursor(POINT pt) {
    if (!Reacts()) return false;
    RECT area = TextArea();
    if (!PtInRect(&area, pt)) return false;
    ORBWindowDC dc(owner_);
    const POINT at = ScalePoint(pt, Scale());
    host_->GetTextServices()->OnTxSetCursor(DVASPECT_CONTENT, 0, nullptr, nullptr, dc.get(), nullptr, nullptr,
                                            at.x, at.y);
    return true;
}

void TextBoxUIObjectImpl::OnCaptureLost() {
    if (created_) SendToServices(WM_CAPTURECHANGED, 0, 0);
}

void TextBoxUIObjectImpl::RequestFocus() {
    if (!visible_ || state_ == kDisabled) return;
    if (created_) SendToServices(WM_SETFOCUS, 0, 0);
    SendToOwner(ORBUM_SETFOCUS, 0);
    state_ = kHot;
    focused_ = true;
    NotifyAccessibleEvent(EVENT_OBJECT_FOCUS, this);
}

void TextBoxUIObjectImpl::ReleaseFocus() {
    if (!visible_ || state_ == kDisabled) return;
    if (created_) SendToServices(WM_KILLFOCUS, 0, 0);
    SendToOwner(ORBUM_KILLFOCUS, 0);
    caretShown_ = false;
    state_ = kNormal;
    focused_ = false;
}

void TextBoxUIObjectImpl::TxOwnerSetCapture(bool capture) {
    if (capture)
        RequestCapture();
    else
        ReleaseCapture();
}

void TextBoxUIObjectImpl::TxOwnerSetFocus() {
    RequestFocus();
}

void TextBoxUIObjectImpl::RequestCapture() {
    if (Reacts())
        SendToOwner(ORBUM_SETCAPTURE, 0);
}

void TextBoxUIObjectImpl::ReleaseCapture() {
    if (Reacts())
        SendToOwner(ORBUM_RELEASECAPTURE, 0);
}

LRESULT TextBoxUIObjectImpl::ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_IME_COMPOSITION) {
        if (HIMC imc = ImmGetContext(owner_)) {
            COMPOSITIONFORM form = {};
            form.dwStyle = CFS_POINT;
            GetCaretPos(&form.ptCurrentPos);
            ImmSetCompositionWindow(imc, &form);
            ImmReleaseContext(owner_, imc);
        }
        return 0;  // the window's default handling goes on
    }
    if (msg == ORBUM_CARETTICK) {
        caretShown_ = !caretShown_;
        return 1;
    }
    if (!Reacts()) return 0;
    // Typing, deleting, pasting and undoing are what change the text; a screen reader
    // hears of each change.
    const bool edits = msg == WM_CHAR || msg == WM_KEYDOWN || msg == WM_IME_CHAR || msg == WM_PASTE ||
                       msg == WM_CUT || msg == WM_CLEAR || msg == WM_UNDO;
    const std::wstring before = edits ? GetText() : std::wstring();
    bool handled = false;
    LRESULT r = Forward(msg, wParam, lParam, &handled);
    if (edits && GetText() != before) NotifyAccessibleEvent(EVENT_OBJECT_VALUECHANGE, this);
    return handled ? r : 0;
}

void TextBoxUIObjectImpl::SetClientRect(const RECT& rect) { client_ = rect; }

HRESULT TextBoxUIObjectImpl::CreateTextHost() {
    if (created_) return S_OK;
    const RECT hostRect = HostRect();
    CREATESTRUCTW cs = {};
    cs.x = hostRect.left;
    cs.y = hostRect.top;
    cs.cx = hostRect.right - hostRect.left;
    cs.cy = hostRect.bottom - hostRect.top;
    cs.hwndParent = owner_;
    cs.style = kEditStyle;
    cs.lpszName = L"";
    GdiSetBatchLimit(1);
    ORBComPtr<CTxtWinHost> host(CTxtWinHost::New());
    HRESULT hr = host->Init(owner_, this, &cs);
    if (FAILED(hr)) {
        host->Shutdown();
        return hr;
    }
    ITextServices* services = host->GetTextServices();
    services->OnTxInPlaceActivate(&hostRect);
    host->SetTransparent(true);
    host->SetRichText(false);
    host->SetAllowBeep(true);
    if (host_) host_->Shutdown();
    host_ = std::move(host);
    created_ = true;
    return S_OK;
}

void TextBoxUIObjectImpl::SetTextColor(int r, int g, int b) {
    if (!created_) return;
    host_->SetTextColor(RGB(r & 0xFF, g & 0xFF, b & 0xFF));
}

void TextBoxUIObjectImpl::SetFont(const std::wstring& face, int size, bool bold) {
    if (!created_) return;
    if (size < 0) size = 0;
    if (size > 1000) size = 1000;  // beyond this the twips height no longer fits
    face_ = face;
    size_ = size;
    bold_ = bold;
    ApplyFont();
}

void TextBoxUIObjectImpl::ApplyFont() {
    LOGFONTW lf = {};
    lstrcpynW(lf.lfFaceName, face_.c_str(), LF_FACESIZE);
    lf.lfWeight = bold_ ? FW_BOLD : 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    // Points at the layout's 96 DPI in window pixels at the scale, as the labels draw.
    lf.lfHeight = -ScaleLength(MulDiv(size_, int(kLayoutDpi), 72), Scale());
    ORBGdiObject<HFONT> font(CreateFontIndirectW(&lf));
    if (font) host_->SetFont(font.get());
}

void TextBoxUIObjectImpl::SetMaxLength(int n) {
    if (!created_) return;
    host_->SetMaxLength(n > 0 ? static_cast<DWORD>(n) : 0);
}

DWORD TextBoxUIObjectImpl::GetMaxLength() const { return created_ ? host_->GetMaxLength() : 0; }

void TextBoxUIObjectImpl::SetMultiLine(bool multiLine) {
    multiLine_ = multiLine;
    if (created_) host_->SetMultiLine(multiLine);
}

void TextBoxUIObjectImpl::SetText(const std::wstring& text) {
    if (!created_) return;
    host_->GetTextServices()->TxSetText(text.c_str());
    NotifyAccessibleEvent(EVENT_OBJECT_VALUECHANGE, this);
}

std::wstring TextBoxUIObjectImpl::GetText() const {
    if (!created_) return std::wstring();
    BSTR text = nullptr;
    std::wstring out;
    if (SUCCEEDED(host_->GetTextServices()->TxGetText(&text)) && text) out.assign(text, SysStringLen(text));
    SysFreeString(text);
    return out;
}

DWORD TextBoxUIObjectImpl::PropertyBits(DWORD mask) const {
    DWORD bits = 0;
    if (host_) host_->TxGetPropertyBits(mask, &bits);
    return bits;
}

LONG TextBoxUIObjectImpl::AccessibleRole() const {
    return ROLE_SYSTEM_TEXT;
}

LONG TextBoxUIObjectImpl::AccessibleState() const {
    const DWORD bits = PropertyBits(TXTBIT_READONLY | TXTBIT_USEPASSWORD);
    LONG s = 0;
    if (bits & TXTBIT_READONLY) s |= STATE_SYSTEM_READONLY;
    if (bits & TXTBIT_USEPASSWORD) s |= STATE_SYSTEM_PROTECTED;
    return s;
}

bool TextBoxUIObjectImpl::AccessibleValue(std::wstring* value) const {
    if (PropertyBits(TXTBIT_USEPASSWORD)) return false;
    *value = GetText();
    return true;
}

std::wstring TextBoxUIObjectImpl::AccessibleName() const {
    return GetAccessibleName().empty() ? GetName() : GetAccessibleName();
}

}  // namespace ORBUE
