#include "orbtxtwinhost.h"

#include <imm.h>
#include <ole2.h>

#include "orbhandle.h"
#include "orblog.h"

namespace ORBUE {

const IID kIIDTextServices = {0x8d33f740, 0xcf58, 0x11ce, {0xa8, 0x9d, 0x00, 0xaa, 0x00, 0x6c, 0xad, 0xc5}};
const IID kIIDTextHost = {0x13e670f4, 0x1a5a, 0x11cf, {0xab, 0xeb, 0x00, 0xaa, 0x00, 0xb6, 0x5e, 0xa1}};

namespace {

const LONG kHimetricPerInch = 2540;
const LONG kTwipsPerInch = 1440;
const LONG kDefaultTab = 720;
const int kInset = 5;  // the text area lies this far inside the client rectangle

LONG PixelsToHimetric(LONG px, LONG dpi) { return MulDiv(px, kHimetricPerInch, dpi); }

// S_MSG_KEY_IGNORED passes through as the not-handled answer; S_FALSE means the
// services want the default handling.
LRESULT Forward(ITextServices* services, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    LRESULT lres = 0;
    HRESULT hr = services->TxSendMessage(msg, wparam, lparam, &lres);
    if (hr == S_MSG_KEY_IGNORED) return kTxNotHandled;
    if (hr == S_FALSE) lres = DefWindowProcW(hwnd, msg, wparam, lparam);
    return lres;
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name, std::wstring* path) {
    path->clear();
    UINT size = GetSystemDirectoryW(nullptr, 0);
    if (size == 0) return nullptr;
    std::wstring dir(size, L'\0');
    UINT n = GetSystemDirectoryW(&dir[0], size);
    if (n == 0 || n >= size) return nullptr;
    dir.resize(n);
    *path = dir + L"\\" + name;
    // Dependencies of the DLL are looked up beside it, not beside the program.
    return LoadLibraryExW(path->c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

CTxtWinHost* CTxtWinHost::New() { return new CTxtWinHost(); }

CTxtWinHost::CTxtWinHost() {
    ZeroMemory(&cf_, sizeof cf_);
    ZeroMemory(&pf_, sizeof pf_);
}

CTxtWinHost::~CTxtWinHost() { Shutdown(); }

void CTxtWinHost::CharFormatFromFont(HFONT font) {
    LOGFONTW lf = {};
    GetObjectW(font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)), sizeof lf, &lf);
    ZeroMemory(&cf_, sizeof cf_);
    cf_.cbSize = sizeof cf_;
    LONG height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    cf_.yHeight = MulDiv(height, kTwipsPerInch, dpiY_);
    cf_.crTextColor = GetSysColor(COLOR_WINDOWTEXT);
    cf_.dwEffects = CFM_EFFECTS | CFE_AUTOBACKCOLOR;
    cf_.dwEffects &= ~(CFE_PROTECTED | CFE_LINK | CFE_AUTOCOLOR);
    if (lf.lfWeight < FW_BOLD) cf_.dwEffects &= ~CFE_BOLD;
    if (!lf.lfItalic) cf_.dwEffects &= ~CFE_ITALIC;
    if (!lf.lfUnderline) cf_.dwEffects &= ~CFE_UNDERLINE;
    if (!lf.lfStrikeOut) cf_.dwEffects &= ~CFE_STRIKEOUT;
    cf_.dwMask = CFM_ALL | CFM_BACKCOLOR;
    cf_.bPitchAndFamily = lf.lfPitchAndFamily;
    cf_.bCharSet = lf.lfCharSet;
    lstrcpynW(cf_.szFaceName, lf.lfFaceName, LF_FACESIZE);
}

void CTxtWinHost::MeasureDevice(HWND owner) {
    ORBWindowDC dc(owner);
    if (dc) {
        dpiX_ = GetDeviceCaps(dc.get(), LOGPIXELSX);
        dpiY_ = GetDeviceCaps(dc.get(), LOGPIXELSY);
    }
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
}

HRESULT CTxtWinHost::Init(HWND owner, ITxHostOwner* box, const CREATESTRUCTW* cs) {
    owner_ = owner;
    box_ = box;
    MeasureDevice(owner);
    CharFormatFromFont(nullptr);
    pf_.cbSize = sizeof pf_;
    pf_.dwMask = PFM_ALL;
    pf_.wAlignment = PFA_LEFT;
    pf_.cTabCount = 1;
    pf_.rgxTabs[0] = kDefaultTab;
    style_ = cs->style;

    // Loaded by full path: a DLL of that name beside a downloaded setup must never run.
    std::wstring path;
    riched_.reset(LoadSystemLibrary(L"riched20.dll", &path));
    if (!riched_) {
        ORBLog(L"Riched20.dll cannot be loaded from the system folder (%s), err:%d; exiting\r\n",
               path.c_str(), static_cast<int>(GetLastError()));
        return kTextServicesMissing;
    }
    // Area and transparency are known before the services exist: they may ask for
    // them while being created and read the back style only then.
    rcClient_ = {cs->x, cs->y, cs->x + cs->cx, cs->y + cs->cy};
    ComputeExtent();
    flags_ |= kTransparent;
    HRESULT hr = CreateServices(path.c_str());
    if (FAILED(hr)) return hr;

    if (FAILED(services_->OnTxInPlaceActivate(&rcClient_))) return E_FAIL;
    flags_ |= kInplaceActive;
    LONG_PTR ws = GetWindowLongPtrW(owner, GWL_STYLE);
    if (ws & (WS_HSCROLL | WS_VSCROLL)) SetWindowLongPtrW(owner, GWL_STYLE, ws & ~(WS_HSCROLL | WS_VSCROLL));
    if (!(style_ & ES_READONLY)) RegisterDropTarget();
    return S_OK;
}

HRESULT CTxtWinHost::CreateServices(const wchar_t* path) {
    auto create = reinterpret_cast<PCreateTextServices>(
        reinterpret_cast<void*>(GetProcAddress(riched_.get(), "CreateTextServices")));
    if (!create) {
        ORBLog(L"CreateTextServices is missing in %s, err:%d; exiting\r\n", path,
               static_cast<int>(GetLastError()));
        return kTextServicesMissing;
    }
    ORBComPtr<IUnknown> unknown;
    if (FAILED(create(nullptr, this, unknown.put())) || !unknown) return E_FAIL;
    if (FAILED(unknown->QueryInterface(kIIDTextServices, services_.put_void()))) services_.release();
    return services_ ? S_OK : E_FAIL;
}

void CTxtWinHost::RegisterDropTarget() {
    ORBComPtr<IDropTarget> target;
    if (SUCCEEDED(services_->TxGetDropTarget(target.put())) && target &&
        SUCCEEDED(RegisterDragDrop(owner_, target.get())))
        flags_ |= kRegisteredDrop;
}

void CTxtWinHost::RevokeDropTarget() {
    if (!(flags_ & kRegisteredDrop)) return;
    RevokeDragDrop(owner_);
    flags_ &= ~kRegisteredDrop;
}

void CTxtWinHost::Shutdown() {
    RevokeDropTarget();
    if (services_ && (flags_ & kInplaceActive)) services_->OnTxInPlaceDeactivate();
    flags_ &= ~kInplaceActive;
    services_.reset();
    riched_.reset();
}

void CTxtWinHost::ComputeExtent() {
    LONG w = rcClient_.right - rcClient_.left - 2 * kInset;
    LONG h = rcClient_.bottom - rcClient_.top - 2 * kInset;
    extent_.cx = PixelsToHimetric(w, dpiX_);
    extent_.cy = PixelsToHimetric(h, dpiY_);
}

void CTxtWinHost::PropertyChange(DWORD mask, DWORD bits) {
    if (services_) services_->OnTxPropertyBitsChange(mask, bits);
}

void CTxtWinHost::SetClientRect(const RECT& rc) {
    rcClient_ = rc;
    ComputeExtent();
    PropertyChange(TXTBIT_CLIENTRECTCHANGE | TXTBIT_EXTENTCHANGE, TXTBIT_CLIENTRECTCHANGE | TXTBIT_EXTENTCHANGE);
}

void CTxtWinHost::SetTransparent(bool on) {
    if (on) flags_ |= kTransparent; else flags_ &= ~kTransparent;
    PropertyChange(TXTBIT_BACKSTYLECHANGE, 0);
}

void CTxtWinHost::SetRichText(bool on) {
    if (on) flags_ |= kRich; else flags_ &= ~kRich;
    PropertyChange(TXTBIT_RICHTEXT, on ? TXTBIT_RICHTEXT : 0);
}

void CTxtWinHost::SetAllowBeep(bool on) {
    if (on) flags_ |= kAllowBeep; else flags_ &= ~kAllowBeep;
    PropertyChange(TXTBIT_ALLOWBEEP, on ? TXTBIT_ALLOWBEEP : 0);
}

void CTxtWinHost::SetMultiLine(bool on) {
    if (on) {
        style_ |= ES_MULTILINE;
        flags_ |= kWordWrap;
    } else {
        style_ &= ~ES_MULTILINE;
        flags_ &= ~kWordWrap;
    }
    PropertyChange(TXTBIT_MULTILINE | TXTBIT_WORDWRAP, on ? TXTBIT_MULTILINE | TXTBIT_WORDWRAP : 0);
}

void CTxtWinHost::SetMaxLength(DWORD n) {
    maxLength_ = n ? n : 65536;
    PropertyChange(TXTBIT_MAXLENGTHCHANGE, TXTBIT_MAXLENGTHCHANGE);
    // Some text services read the limit only at creation; tell them directly as well.
    if (services_) {
        LRESULT r;
        services_->TxSendMessage(EM_EXLIMITTEXT, 0, maxLength_, &r);
    }
}

void CTxtWinHost::NotifyCharFormat() {
    PropertyChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
    // Some text services read the host's format only when they are created: give it to
    // them as the default and for the text already there, so a font set later (or again
    // at another scale) and the colour always apply.
    if (!services_) return;
    LRESULT ignored = 0;
    services_->TxSendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf_), &ignored);
    services_->TxSendMessage(EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf_), &ignored);
}

void CTxtWinHost::SetTextColor(COLORREF color) {
    cf_.crTextColor = color;
    cf_.dwMask |= CFM_COLOR;
    NotifyCharFormat();
}

void CTxtWinHost::SetFont(HFONT font) {
    COLORREF color = cf_.crTextColor;
    DWORD disabled = cf_.dwEffects & (CFE_DISABLED | CFE_AUTOCOLOR);
    CharFormatFromFont(font);
    // The colour and the disabled look are the box's, not the font's.
    cf_.crTextColor = color;
    cf_.dwEffects |= disabled;
    if (disabled) cf_.dwMask |= CFM_DISABLED | CFM_COLOR;
    NotifyCharFormat();
}

void CTxtWinHost::SetDisabled(bool disabled) {
    cf_.dwMask |= CFM_DISABLED | CFM_COLOR;
    if (disabled) cf_.dwEffects |= CFE_DISABLED | CFE_AUTOCOLOR;
    else cf_.dwEffects &= ~(CFE_DISABLED | CFE_AUTOCOLOR);
    NotifyCharFormat();
}

HRESULT CTxtWinHost::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIIDTextHost)) {
        *ppv = static_cast<ITextHost*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CTxtWinHost::AddRef() { return ++refs_; }

ULONG CTxtWinHost::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

HDC CTxtWinHost::TxGetDC() { return GetDC(owner_); }
INT CTxtWinHost::TxReleaseDC(HDC hdc) { return ReleaseDC(owner_, hdc); }
WINBOOL CTxtWinHost::TxShowScrollBar(INT fnBar, WINBOOL fShow) { return ShowScrollBar(owner_, fnBar, fShow); }
WINBOOL CTxtWinHost::TxEnableScrollBar(INT fuSBFlags, INT fuArrowflags) {
    return EnableScrollBar(owner_, fuSBFlags, fuArrowflags);
}
WINBOOL CTxtWinHost::TxSetScrollRange(INT fnBar, LONG nMinPos, INT nMaxPos, WINBOOL fRedraw) {
    return SetScrollRange(owner_, fnBar, nMinPos, nMaxPos, fRedraw);
}
WINBOOL CTxtWinHost::TxSetScrollPos(INT fnBar, INT nPos, WINBOOL fRedraw) {
    return SetScrollPos(owner_, fnBar, nPos, fRedraw) != 0;
}
void CTxtWinHost::TxInvalidateRect(LPCRECT prc, WINBOOL fMode) { InvalidateRect(owner_, prc, fMode); }
void CTxtWinHost::TxViewChange(WINBOOL fUpdate) {
    if (fUpdate) UpdateWindow(owner_);
}
WINBOOL CTxtWinHost::TxCreateCaret(HBITMAP hbmp, INT xWidth, INT yHeight) {
    return CreateCaret(owner_, hbmp, xWidth, yHeight);
}
WINBOOL CTxtWinHost::TxShowCaret(WINBOOL fShow) { return fShow ? ShowCaret(owner_) : HideCaret(owner_); }
WINBOOL CTxtWinHost::TxSetCaretPos(INT x, INT y) { return SetCaretPos(x, y); }
WINBOOL CTxtWinHost::TxSetTimer(UINT idTimer, UINT uTimeout) {
    flags_ |= kTimer;
    return SetTimer(owner_, idTimer, uTimeout, nullptr) != 0;
}
void CTxtWinHost::TxKillTimer(UINT idTimer) {
    KillTimer(owner_, idTimer);
    flags_ &= ~kTimer;
}
void CTxtWinHost::TxScrollWindowEx(INT dx, INT dy, LPCRECT lprcScroll, LPCRECT lprcClip, HRGN hrgnUpdate,
                                   LPRECT lprcUpdate, UINT fuScroll) {
    ScrollWindowEx(owner_, dx, dy, lprcScroll, lprcClip, hrgnUpdate, lprcUpdate, fuScroll);
}
void CTxtWinHost::TxSetCapture(WINBOOL fCapture) {
    if (box_) box_->TxOwnerSetCapture(fCapture != FALSE);
}
void CTxtWinHost::TxSetFocus() {
    if (box_) box_->TxOwnerSetFocus();
}
void CTxtWinHost::TxSetCursor(HCURSOR hcur, WINBOOL) { SetCursor(hcur); }
WINBOOL CTxtWinHost::TxScreenToClient(LPPOINT lppt) { return ScreenToClient(owner_, lppt); }
WINBOOL CTxtWinHost::TxClientToScreen(LPPOINT lppt) { return ClientToScreen(owner_, lppt); }
HRESULT CTxtWinHost::TxActivate(LONG*) { return S_OK; }
HRESULT CTxtWinHost::TxDeactivate(LONG) { return S_OK; }

HRESULT CTxtWinHost::TxGetClientRect(LPRECT prc) {
    *prc = rcClient_;
    InflateRect(prc, -kInset, -kInset);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetViewInset(LPRECT prc) {
    *prc = viewInset_;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetCharFormat(const CHARFORMATW** ppCF) {
    *ppCF = reinterpret_cast<const CHARFORMATW*>(&cf_);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetParaFormat(const PARAFORMAT** ppPF) {
    *ppPF = &pf_;
    return S_OK;
}

COLORREF CTxtWinHost::TxGetSysColor(int nIndex) { return GetSysColor(nIndex); }

HRESULT CTxtWinHost::TxGetBackStyle(TXTBACKSTYLE* pstyle) {
    *pstyle = (flags_ & kTransparent) ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetMaxLength(DWORD* plength) {
    *plength = maxLength_;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetScrollBars(DWORD* pdwScrollBar) {
    *pdwScrollBar = style_ & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetPasswordChar(TCHAR* pch) {
    *pch = passwordChar_;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetAcceleratorPos(LONG* pcp) {
    *pcp = acceleratorPos_;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetExtent(LPSIZEL lpExtent) {
    *lpExtent = extent_;
    return S_OK;
}

HRESULT CTxtWinHost::OnTxCharFormatChange(const CHARFORMATW*) { return S_OK; }
HRESULT CTxtWinHost::OnTxParaFormatChange(const PARAFORMAT*) { return S_OK; }

HRESULT CTxtWinHost::TxGetPropertyBits(DWORD dwMask, DWORD* pdwBits) {
    DWORD bits = 0;
    if (flags_ & kRich) bits |= TXTBIT_RICHTEXT;
    if (style_ & ES_MULTILINE) bits |= TXTBIT_MULTILINE;
    if (style_ & ES_READONLY) bits |= TXTBIT_READONLY;
    if (style_ & ES_PASSWORD) bits |= TXTBIT_USEPASSWORD;
    if (!(style_ & ES_NOHIDESEL)) bits |= TXTBIT_HIDESELECTION;
    if (flags_ & kWordWrap) bits |= TXTBIT_WORDWRAP;
    if (flags_ & kAllowBeep) bits |= TXTBIT_ALLOWBEEP;
    if (flags_ & kSaveSelection) bits |= TXTBIT_SAVESELECTION;
    *pdwBits = bits & dwMask;
    return S_OK;
}

HRESULT CTxtWinHost::TxNotify(DWORD iNotify, void* pv) {
    if (iNotify == EN_REQUESTRESIZE && pv) {
        const REQRESIZE* req = static_cast<const REQRESIZE*>(pv);
        LONG oldHeight = extent_.cy;
        rcClient_ = req->rc;
        InflateRect(&rcClient_, kInset, kInset);
        LONG h = rcClient_.bottom - rcClient_.top - 2 * kInset;
        if (PixelsToHimetric(h, dpiY_) == oldHeight) ComputeExtent();
    }
    return S_OK;
}

HIMC CTxtWinHost::TxImmGetContext() { return ImmGetContext(owner_); }
void CTxtWinHost::TxImmReleaseContext(HIMC himc) { ImmReleaseContext(owner_, himc); }

HRESULT CTxtWinHost::TxGetSelectionBarWidth(LONG* lSelBarWidth) {
    *lSelBarWidth = selBarWidth_;
    return S_OK;
}

void CTxtWinHost::SetText(const wchar_t* text) {
    services_->TxSetText(text ? text : L"");
    DWORD len = text ? static_cast<DWORD>(lstrlenW(text)) : 0;
    if (len > maxLength_) maxLength_ = len;
}

void CTxtWinHost::SetReadOnly(bool on) {
    DWORD old = style_;
    if (on) style_ |= ES_READONLY; else style_ &= ~ES_READONLY;
    // Nothing may be dropped into a read-only box.
    if ((old ^ style_) & ES_READONLY) {
        if (on) RevokeDropTarget();
        else if (!(flags_ & kRegisteredDrop)) RegisterDropTarget();
    }
    PropertyChange(TXTBIT_READONLY, on ? TXTBIT_READONLY : 0);
}

LRESULT CTxtWinHost::TxWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (!services_) return kTxNotHandled;
    switch (msg) {
    case WM_SETTEXT:
        SetText(reinterpret_cast<const wchar_t*>(lparam));
        return TRUE;
    case EM_LIMITTEXT:
        SetMaxLength(static_cast<DWORD>(wparam));
        return 0;
    case EM_EXLIMITTEXT:
        SetMaxLength(static_cast<DWORD>(lparam));
        return 0;
    case EM_SETREADONLY:
        SetReadOnly(wparam != 0);
        return TRUE;
    case EM_SETEVENTMASK: {
        DWORD old = eventMask_;
        eventMask_ = static_cast<DWORD>(lparam);
        LRESULT ignored = 0;
        services_->TxSendMessage(msg, wparam, lparam, &ignored);
        return old;
    }
    case EM_GETEVENTMASK:
        return eventMask_;
    default:
        return Forward(services_.get(), hwnd, msg, wparam, lparam);
    }
}

}  // namespace ORBUE
