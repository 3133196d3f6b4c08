// Host of the windowless rich-edit text services behind a text box.
#pragma once

#include <windows.h>
#include <richedit.h>
#include <textserv.h>

#include <string>

#include "orbhandle.h"

namespace ORBUE {

// {8D33F740-CF58-11CE-A89D-00AA006CADC5} and {13E670F4-1A5A-11CF-ABEB-00AA00B65EA1}:
// no import library of the tool chain defines them.
extern const IID kIIDTextServices;
extern const IID kIIDTextHost;

// The host's own message procedure, offered beside ITextHost.
struct ITxWindowProc : public IUnknown {
    virtual LRESULT TxWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) = 0;
};

// What the message procedure answers for a key the text services did not take.
constexpr LRESULT kTxNotHandled = S_MSG_KEY_IGNORED;  // 0x40201

// The system has no usable text services ("Riched20.dll" or its CreateTextServices
// missing): no text box can work, so the dialog being built cannot either.
constexpr HRESULT kTextServicesMissing = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);

// Loads a DLL from the system folder by full path, never through the search path;
// null (GetLastError set) when it is not there. path receives the full path tried.
HMODULE LoadSystemLibrary(const wchar_t* name, std::wstring* path);

// What the host asks of the control it serves.
class ITxHostOwner {
public:
    // The text services want (true) or give back (false) the mouse capture.
    virtual void TxOwnerSetCapture(bool capture) = 0;
    // The text services want the keyboard focus.
    virtual void TxOwnerSetFocus() = 0;

protected:
    ~ITxHostOwner() = default;
};

class CTxtWinHost final : public ITextHost, public ITxWindowProc {
public:
    // A host with one reference, owned by the caller (Release ends it).
    static CTxtWinHost* New();

    // Builds the default formats, loads the text services from the system folder and
    // activates them over cs's rectangle. kTextServicesMissing (logged) when the library
    // or its entry point is missing; E_FAIL when the services cannot be made.
    // box (may be null) hears of capture and focus requests while the host lives.
    HRESULT Init(HWND owner, ITxHostOwner* box, const CREATESTRUCTW* cs);
    // Revokes the drop target, deactivates and releases the services, frees the DLL.
    // Called by the owner before its last Release; safe to call twice.
    void Shutdown();

    ITextServices* GetTextServices() const { return services_.get(); }
    const RECT& ClientRect() const { return rcClient_; }
    void SetClientRect(const RECT& rc);
    void SetTransparent(bool on);
    void SetRichText(bool on);
    void SetAllowBeep(bool on);
    void SetMultiLine(bool on);       // multi-line and word wrap together
    void SetMaxLength(DWORD n);       // 0 means 65536
    DWORD GetMaxLength() const { return maxLength_; }
    void SetTextColor(COLORREF color);
    void SetFont(HFONT font);         // default character format from the font
    void SetDisabled(bool disabled);  // greyed text with automatic colour
    void NotifyCharFormat();
    const CHARFORMAT2W& CharFormat() const { return cf_; }
    LONG DpiX() const { return dpiX_; }
    LONG DpiY() const { return dpiY_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextHost, in the interface's order
    HDC TxGetDC() override;
    INT TxReleaseDC(HDC hdc) override;
    WINBOOL TxShowScrollBar(INT fnBar, WINBOOL fShow) override;
    WINBOOL TxEnableScrollBar(INT fuSBFlags, INT fuArrowflags) override;
    WINBOOL TxSetScrollRange(INT fnBar, LONG nMinPos, INT nMaxPos, WINBOOL fRedraw) override;
    WINBOOL TxSetScrollPos(INT fnBar, INT nPos, WINBOOL fRedraw) override;
    void TxInvalidateRect(LPCRECT prc, WINBOOL fMode) override;
    void TxViewChange(WINBOOL fUpdate) override;
    WINBOOL TxCreateCaret(HBITMAP hbmp, INT xWidth, INT yHeight) override;
    WINBOOL TxShowCaret(WINBOOL fShow) override;
    WINBOOL TxSetCaretPos(INT x, INT y) override;
    WINBOOL TxSetTimer(UINT idTimer, UINT uTimeout) override;
    void TxKillTimer(UINT idTimer) override;
    void TxScrollWindowEx(INT dx, INT dy, LPCRECT lprcScroll, LPCRECT lprcClip, HRGN hrgnUpdate,
                          LPRECT lprcUpdate, UINT fuScroll) override;
    void TxSetCapture(WINBOOL fCapture) override;
    void TxSetFocus() override;
    void TxSetCursor(HCURSOR hcur, WINBOOL fText) override;
    WINBOOL TxScreenToClient(LPPOINT lppt) override;
    WINBOOL TxClientToScreen(LPPOINT lppt) override;
    HRESULT TxActivate(LONG* plOldState) override;
    HRESULT TxDeactivate(LONG lNewState) override;
    HRESULT TxGetClientRect(LPRECT prc) override;
    HRESULT TxGetViewInset(LPRECT prc) override;
    HRESULT TxGetCharFormat(const CHARFORMATW** ppCF) override;
    HRESULT TxGetParaFormat(const PARAFORMAT** ppPF) override;
    COLORREF TxGetSysColor(int nIndex) override;
    HRESULT TxGetBackStyle(TXTBACKSTYLE* pstyle) override;
    HRESULT TxGetMaxLength(DWORD* plength) override;
    HRESULT TxGetScrollBars(DWORD* pdwScrollBar) override;
    HRESULT TxGetPasswordChar(TCHAR* pch) override;
    HRESULT TxGetAcceleratorPos(LONG* pcp) override;
    HRESULT TxGetExtent(LPSIZEL lpExtent) override;
    HRESULT OnTxCharFormatChange(const CHARFORMATW* pcf) override;
    HRESULT OnTxParaFormatChange(const PARAFORMAT* ppf) override;
    HRESULT TxGetPropertyBits(DWORD dwMask, DWORD* pdwBits) override;
    HRESULT TxNotify(DWORD iNotify, void* pv) override;
    HIMC TxImmGetContext() override;
    void TxImmReleaseContext(HIMC himc) override;
    HRESULT TxGetSelectionBarWidth(LONG* lSelBarWidth) override;

    // ITxWindowProc: text, limit, read-only and event mask kept by the host as well; the
    // rest goes to the text services.
    LRESULT TxWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) override;

private:
    CTxtWinHost();
    ~CTxtWinHost();
    void CharFormatFromFont(HFONT font);
    void ComputeExtent();
    void PropertyChange(DWORD mask, DWORD bits);
    void MeasureDevice(HWND owner);
    HRESULT CreateServices(const wchar_t* path);
    void RegisterDropTarget();
    void RevokeDropTarget();
    void SetReadOnly(bool on);
    void SetText(const wchar_t* text);

    enum : DWORD {
        kRich = 1, kInplaceActive = 2, kTransparent = 4, kTimer = 8, kRegisteredDrop = 16,
        kWordWrap = 32, kAllowBeep = 64, kSaveSelection = 128
    };

    ULONG refs_ = 1;
    HWND owner_ = nullptr;
    ITxHostOwner* box_ = nullptr;
    ORBModule riched_;  // before services_: the services' code lives in it
    ORBComPtr<ITextServices> services_;
    DWORD style_ = ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL;
    DWORD flags_ = 0;
    CHARFORMAT2W cf_;
    PARAFORMAT pf_;
    RECT rcClient_ = {};
    SIZEL extent_ = {};
    RECT viewInset_ = {};
    LONG dpiX_ = 96;
    LONG dpiY_ = 96;
    DWORD maxLength_ = 32767;
    wchar_t passwordChar_ = 0;
    LONG acceleratorPos_ = -1;
    LONG selBarWidth_ = 0;
    DWORD eventMask_ = 0;
};

}  // namespace ORBUE
