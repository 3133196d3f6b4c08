#include "orbskindialog.h"

#include "orbaccessible.h"
#include "orbappmodule.h"
#include "orbcontrols.h"
#include "orbhosttext.h"
#include "orblog.h"
#include "orbdialogsettings.h"
#include "orbdpi.h"
#include "orbfocus.h"
#include "orblayout.h"
#include "orbplaceholder.h"
#include "orbstring.h"
#include "orbtextbox.h"
#include "orbtxtwinhost.h"
#include "orbuiframe.h"
#include "orbuiobjectmanager.h"

using namespace ORBUE;

namespace {

constexpr UINT kWmSysTimer = 0x0118;  // the system caret-blink timer
// The keyboard messages through WM_UNICHAR (older headers end WM_KEYLAST at 0x0108).
constexpr UINT kLastKeyMessage = 0x0109;
// What follows them up to WM_IME_KEYLAST: the IME's composition messages.
constexpr UINT kFirstImeKeyMessage = 0x010A;

IORBBaseUIObject* Sender(LPARAM lParam) { return reinterpret_cast<IORBBaseUIObject*>(lParam); }

}  // namespace

ORBSkinDialog::ORBSkinDialog(const pugi::xml_node& dlg, const ORBSkinDialogTraits& traits)
    : dlg_(dlg), traits_(traits) {}

// Without Close (the window still there): nothing may point into the tree while it goes.
ORBSkinDialog::~ORBSkinDialog() {
    capture_ = nullptr;
    focus_ = nullptr;
    root_ = nullptr;
    animations_.clear();
    tree_.Reset();
}

bool ORBSkinDialog::CreateAndShow() {
    if (!Create(nullptr, ORB_IDD_DIALOG)) return false;
    if (hwnd_) ShowWindow(hwnd_, SW_SHOWNORMAL);
    return true;
}

BOOL ORBSkinDialog::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && hwnd_ && msg->hwnd == hwnd_ && root_ && HandleKey(msg->wParam, msg->lParam))
        return TRUE;
    if (msg->message >= WM_KEYFIRST && msg->message <= kLastKeyMessage) return FALSE;
    if (msg->message == kWmSysTimer) {
        PostMessageW(hwnd_, ORBUM_CARETTICK, 0, 0);
        return FALSE;
    }
    return hwnd_ && IsDialogMessageW(hwnd_, msg);
}

bool ORBSkinDialog::HandleKey(WPARAM key, LPARAM flags) {
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    // A held key repeats: only Tab walks on; Space, Enter and Esc act once per press.
    const bool repeat = (flags & (1 << 30)) != 0;
    // Space and Enter activate the focused control (unless it was disabled since it got the
    // focus); a text box types them instead.
    auto* box = AsKind<TextBoxUIObjectImpl>(focus_);
    IORBBaseUIObject* clickable = !box && TakesFocus(focus_) ? focus_ : nullptr;
    switch (key) {
    case VK_TAB:
        if (IORBBaseUIObject* next = NextFocus(root_, focus_, GetKeyState(VK_SHIFT) < 0)) {
            next->RequestFocus();
            next->ShowFocusMark();
        }
        return true;
    case VK_SPACE:
        if (!clickable) return false;  // the text box types it
        if (!repeat) clickable->Activate();  // last: the action may end the dialog
        return true;
    case VK_RETURN:
        if (box && box->IsMultiLine()) return false;
        if (repeat) return true;
        // A control that the mouse focused shows no mark: Enter is the dialog's then.
        if (clickable && clickable->FocusMarkShown())
            clickable->Activate();
        else if (!RunAction(DefaultAction()))
            RunAction(FallbackDefaultAction());
        return true;
    case VK_ESCAPE:
        if (!repeat) RunAction(CloseAction());
        return true;
    default:
        return false;
    }
}

bool ORBSkinDialog::RunAction(UINT code) {
    IORBBaseUIObject* control = FindActionControl(root_, code);
    if (!control) return false;
    control->Activate();
    return true;
}

bool ORBSkinDialog::IsFocusMessage(UINT msg) const {
    if ((msg >= WM_KEYFIRST && msg <= kLastKeyMessage) || msg == ORBUM_CARETTICK) return true;
    if (!traits_.textInput) return false;
    return (msg >= kFirstImeKeyMessage && msg <= WM_IME_KEYLAST) || msg == WM_INPUTLANGCHANGEREQUEST ||
           msg == WM_INPUTLANGCHANGE || msg == WM_IME_SETCONTEXT || msg == WM_IME_NOTIFY;
}

BOOL ORBSkinDialog::RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    IORBBaseUIObject* target = nullptr;
    if (capture_ && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST)
        target = capture_;
    else if (focus_ && IsFocusMessage(msg))
        target = focus_;
    if (!target || !target->ProcessMessage(msg, wParam, lParam)) return FALSE;
    result = 0;
    return TRUE;
}

MouseEvent ORBSkinDialog::LayoutEvent(WPARAM wParam, LPARAM lParam) const {
    MouseEvent e = MouseEvent::FromMessage(wParam, lParam);
    e.point = UnscalePoint(e.point, WindowScale(hwnd_));
    return e;
}

bool ORBSkinDialog::InsideRoot(POINT layoutPoint) const {
    if (!root_) return false;
    RECT rc;
    root_->GetRect(&rc);
    return PtInRect(&rc, layoutPoint) != FALSE;
}

// Icons, message filter, borderless style, size, title and place of the window.
void ORBSkinDialog::SetUpWindow() {
    HINSTANCE instance = g_orbModule.GetInstance() ? g_orbModule.GetInstance() : GetModuleHandleW(nullptr);
    bigIcon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ORB_IDI_ICON), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    smallIcon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ORB_IDI_ICON), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

    if (ORBMessageLoop* loop = g_orbModule.GetMessageLoop()) loop->AddMessageFilter(this);

    LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME));

    // Read as the layout reads every integer (decimal), as the preview tool does; the
    // window has it at the scale of its monitor's DPI, before the tree is built.
    const float scale = ScaleForDpi(WindowDpi(hwnd_));
    SetWindowScale(hwnd_, scale);
    const SIZE size = DialogSize(dlg_);
    SetWindowPos(hwnd_, nullptr, 0, 0, ScaleLength(size.cx, scale), ScaleLength(size.cy, scale),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The taskbar's text: the layout's own title, else the product name and the suffix.
    std::wstring title = dlg_.attribute(L"title")
                             ? FillPlaceholder(dlg_.attribute(L"title").value(), ORBDialogSettings::Named)
                             : ORBDialogSettings::ProductName() + ORBHostText(ORBText::kTitleSuffix);
    SetWindowTextW(hwnd_, title.c_str());
    CentreOnWorkArea();
}

// Centred on the work area of the nearest monitor, kept inside it.
void ORBSkinDialog::CentreOnWorkArea() {
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    RECT wr;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &mi) && GetWindowRect(hwnd_, &wr)) {
        const RECT& work = mi.rcWork;
        const int w = wr.right - wr.left, h = wr.bottom - wr.top;
        int x = work.left + (work.right - work.left - w) / 2;
        int y = work.top + (work.bottom - work.top - h) / 2;
        if (x + w > work.right) x = work.right - w;
        if (y + h > work.bottom) y = work.bottom - h;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
        SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

LRESULT ORBSkinDialog::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    SetUpWindow();
    // A tree that cannot be built ends the dialog with code 0: a skin without its
    // objects offers the user nothing to press.
    HRESULT hr = S_OK;
    ContainerUIObjectImpl* root = tree_.Build(hwnd_, dlg_.child(L"Container"), &hr);
    // Without text services no text box can work: the setup ends at once with code 0.
    if (hr == kTextServicesMissing) ExitProcess(0);
    if (FAILED(hr)) {
        ORBLog(L"CreateFromXml failed, hr = 0x%08X\r\n", static_cast<unsigned>(hr));
        root = nullptr;
    }
    root_ = root;
    if (!root_) {
        ORBLog(L"no UI tree for <Dlg name=\"%s\">\r\n", dlg_.attribute(L"name").value());
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return TRUE;
    }
    treeBuilt_ = true;

    OnStart();
    // What the dialog did not fill itself: "$name$" in any text shows the script global.
    FillPlaceholders(root_, ORBDialogSettings::Named);
    Draw();
    SetTimer(hwnd_, REPAINT_TIMER, REPAINT_PERIOD_MS, nullptr);
    OnShown();
    return TRUE;
}

LRESULT ORBSkinDialog::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    // The dialog manager's own Enter and Esc do nothing: the keys are handled before it
    // (HandleKey), where they reach the skin's controls.
    const WORD id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL) handled = FALSE;
    return 0;
}

LRESULT ORBSkinDialog::OnClose(UINT, WPARAM wParam, LPARAM, BOOL&) {
    Close(static_cast<int>(wParam));
    return 0;
}

LRESULT ORBSkinDialog::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
    if (ORBMessageLoop* loop = g_orbModule.GetMessageLoop()) loop->RemoveMessageFilter(this);
    handled = FALSE;
    return 0;
}

void ORBSkinDialog::Close(int code) {
    OnClosing();
    capture_ = nullptr;
    focus_ = nullptr;
    root_ = nullptr;
    animations_.clear();
    HWND hwnd = hwnd_;
    if (hwnd) ::DestroyWindow(hwnd);
    PostQuitMessage(code);
    tree_.Reset();
}

void ORBSkinDialog::Draw() {
    if (root_ && hwnd_ && ComposeFrame(hwnd_, root_)) ++frames_;
}

LRESULT ORBSkinDialog::OnFrameCount(UINT, WPARAM, LPARAM, BOOL&) {
    return frames_;
}

LRESULT ORBSkinDialog::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL&) {
    const UINT_PTR id = wParam;
    if (id == REPAINT_TIMER) {
        if (!IsIconic(hwnd_)) Draw();
        return 0;
    }
    auto it = animations_.find(id);
    if (it != animations_.end()) {
        it->second->OnTimer(static_cast<UINT>(id - ANIMATION_TIMER_BASE));
        return 0;
    }
    OnOwnTimer(id);
    return 0;
}

LRESULT ORBSkinDialog::OnMouseMove(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    TRACKMOUSEEVENT tme = {sizeof tme, TME_HOVER | TME_LEAVE, hwnd_, HOVER_DEFAULT};
    TrackMouseEvent(&tme);
    if (!root_) return 0;
    const MouseEvent e = LayoutEvent(wParam, lParam);
    if (InsideRoot(e.point))
        root_->OnMouseMove(e);
    else
        root_->OnMouseLeave(e);
    return 0;
}

LRESULT ORBSkinDialog::OnMouseButton(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    const MouseEvent e = LayoutEvent(wParam, lParam);
    if (!InsideRoot(e.point)) return 0;
    // The root may close the dialog from inside (an action), so keep it in a local.
    ContainerUIObjectImpl* root = root_;
    // The window class keeps CS_DBLCLKS: the second press of a fast double click arrives
    // as a double click and is a press like the first.
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK)
        root->OnLButtonDown(e);
    else if (msg == WM_LBUTTONUP)
        root->OnLButtonUp(e);
    else
        root->OnMouseHover(e);
    return 0;
}

LRESULT ORBSkinDialog::OnMouseLeave(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (root_) root_->OnMouseLeave(LayoutEvent(wParam, lParam));
    return 0;
}

LRESULT ORBSkinDialog::OnSetCursor(UINT, WPARAM, LPARAM, BOOL&) {
    POINT pt = {};
    GetCursorPos(&pt);
    ScreenToClient(hwnd_, &pt);
    pt = UnscalePoint(pt, WindowScale(hwnd_));
    bool handled = false;
    if (capture_) {
        handled = capture_->OnSetCursor(pt);
    } else if (root_) {
        RECT rc;
        root_->GetRect(&rc);
        if (PtInRect(&rc, pt)) handled = root_->OnSetCursor(pt);
    }
    if (!handled) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    return 0;
}

LRESULT ORBSkinDialog::OnGetObject(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    bool answered = false;
    const LRESULT r = AnswerGetObject(hwnd_, wParam, lParam, &answered);
    handled = answered ? TRUE : FALSE;
    return r;
}

LRESULT ORBSkinDialog::OnDpiChanged(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    SetWindowScale(hwnd_, ScaleForDpi(HIWORD(wParam)));
    if (const RECT* r = reinterpret_cast<const RECT*>(lParam))
        SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyWindowScale(root_);
    Draw();
    return 0;
}

LRESULT ORBSkinDialog::OnSetCapture(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (traits_.textInput) SetCapture(hwnd_);
    IORBBaseUIObject* sender = Sender(lParam);
    if (capture_ && capture_ != sender) capture_->OnCaptureLost();
    capture_ = sender;
    return 0;
}

LRESULT ORBSkinDialog::OnReleaseCapture(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (Sender(lParam) == capture_) capture_ = nullptr;
    if (traits_.textInput) ReleaseCapture();
    return 0;
}

LRESULT ORBSkinDialog::OnSetFocusObject(UINT, WPARAM, LPARAM lParam, BOOL&) {
    IORBBaseUIObject* sender = Sender(lParam);
    if (focus_ && focus_ != sender) focus_->ReleaseFocus();  // may come back as ORBUM_KILLFOCUS
    focus_ = sender;
    return 0;
}

LRESULT ORBSkinDialog::OnKillFocusObject(UINT, WPARAM, LPARAM lParam, BOOL&) {
    IORBBaseUIObject* sender = Sender(lParam);
    if (sender != focus_) return 0;
    focus_ = nullptr;
    if (traits_.textInput) sender->OnCaptureLost();
    return 0;
}

LRESULT ORBSkinDialog::OnSetAnimationTimer(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    if (!traits_.animations) {
        handled = FALSE;
        return 0;
    }
    const UINT_PTR id = ANIMATION_TIMER_BASE + LOWORD(wParam);
    SetTimer(hwnd_, id, HIWORD(wParam), nullptr);
    animations_.emplace(id, reinterpret_cast<IORBBaseAnimationObject*>(lParam));
    if (traits_.logAnimationTimers) ORBLog(L"ORBInstallDlg::OnORBUMSetAnimationTimer %d", static_cast<int>(id));
    return 0;
}

LRESULT ORBSkinDialog::OnKillAnimationTimer(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    if (!traits_.animations) {
        handled = FALSE;
        return 0;
    }
    const UINT_PTR id = ANIMATION_TIMER_BASE + wParam;
    auto it = animations_.find(id);
    if (it != animations_.end() && it->second == reinterpret_cast<IORBBaseAnimationObject*>(lParam)) {
        animations_.erase(it);
        KillTimer(hwnd_, id);
        if (traits_.logAnimationTimers) ORBLog(L"ORBInstallDlg::OnORBUMKillAnimationTimer %d", static_cast<int>(id));
    }
    return 0;
}

void ORBSkinDialog::PublishCheckBoxes() {
    if (!root_) return;
    for (CheckBoxUIObjectImpl* box : root_->FindControlsByType<CheckBoxUIObjectImpl>())
        ORBDialogSettings::PublishFlag(box->GetName(), box->IsChecked());
}

ORBUE::ContainerUIObjectImpl* ORBSkinDialog::FindContainerIn(ContainerUIObjectImpl* parent, const wchar_t* name) {
    return parent ? parent->FindContainer(name) : nullptr;
}
